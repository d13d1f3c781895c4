// The pipes voice measured as sound: a scale rendered by `skirlo-cli wav`
// at two low As, each chanter degree and drone against the just scale; one
// chanter note at a time; gracenotes that speak at once; the ending; the
// practice tempo; bad values and a missing SoundFont.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>

#include <unistd.h>

#include "common/MessageSink.h"
#include "live/LiveTestSupport.h"
#include "playback/DocumentPlayback.h"
#include "playback/PipeTuning.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/MidiPlatform.h"
#include "playback/live/PlaybackScheduler.h"
#include "playback/live/Synthesizer.h"
#include "support/SoundTestSupport.h"

namespace skirlo {

int runWav(const std::vector<std::string>& args);

namespace {

using test::centsBetween;
using test::decibels;
using test::estimatePitch;

const std::filesystem::path kSoundfont = pipesSoundfont(SKIRLO_RESOURCE_DIR);

// Low G to high A, a second each at 60 beats a minute, after the drones'
// second alone; the C and F of the key signature are the chanter's.
constexpr const char* kScaleTune =
    "Chantrel:1.0\r\n\r\nTuneTempo,60\r\n\r\n"
    "\"Scale\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n"
    "& sharpf sharpc 4_4 I! LG_4 LA_4 B_4 C_4 ! D_4 E_4 F_4 HG_4 ! HA_4 LA_4 LA_4 LA_4 !I\r\n";
constexpr double kIntroductionMs = 1000;
constexpr double kNoteMs = 1000;
constexpr int kScaleNotes = 12;

double rms(const std::vector<double>& signal, long from, long count) {
    double sum = 0;
    for (long i = from; i < from + count; ++i) sum += signal[std::size_t(i)] * signal[std::size_t(i)];
    return std::sqrt(sum / double(count));
}

class PipesWavTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("skirlo-pipes-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        tune = folder / "scale.tnz";
        std::ofstream(tune, std::ios::binary) << kScaleTune;
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    test::Wav render(const std::vector<std::string>& extra) {
        const auto out = (folder / "out.wav").string();
        std::vector<std::string> args{tune.string(), "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(runWav(args), 0);
        return test::readWav(out);
    }

    std::filesystem::path folder;
    std::filesystem::path tune;
};

TEST_F(PipesWavTest, EveryChanterDegreeAndBothDronesSoundTheJustScaleAtTheChosenLowA) {
    const PipeScale scale = justPipeScale();
    for (const double lowA : {476.0, 466.0}) {
        const std::string hz = std::to_string(int(lowA));
        const test::Wav chanter = render({"--low-a", hz, "--volumes", "127,0,0"});
        ASSERT_EQ(chanter.rate, 44100);
        const std::vector<double> signal = test::monoOf(chanter);
        for (std::size_t degree = 0; degree < scale.size(); ++degree) {
            const double expected = lowA * std::exp2(scale[degree] / 1200);
            const long start = chanter.frameAt(kIntroductionMs + double(degree) * kNoteMs + 300);
            const double pitch = estimatePitch(signal, start, 4096, expected, chanter.rate);
            EXPECT_LE(std::abs(centsBetween(pitch, expected)), 3.0)
                << "degree " << degree << " at low A " << lowA << ": " << pitch << " Hz for " << expected;
        }
        for (const auto& [volumes, octaves] : {std::pair{"0,127,0", 1}, std::pair{"0,0,127", 2}}) {
            const test::Wav drone = render({"--low-a", hz, "--volumes", volumes});
            const double expected = lowA / (1 << octaves);
            const double pitch = estimatePitch(test::monoOf(drone), drone.frameAt(3000), 8192, expected, drone.rate);
            EXPECT_LE(std::abs(centsBetween(pitch, expected)), 3.0)
                << octaves << " octaves below low A " << lowA << ": " << pitch << " Hz for " << expected;
        }
    }
}

TEST_F(PipesWavTest, EachDroneHoldsOnePureHarmonicSeries) {
    // Six seconds of each drone alone: every partial within 30 dB of the
    // strongest sits on the drone's own harmonic series, within 5 cents;
    // detuned reeds beating against each other would add partials beside it.
    for (const auto& [volumes, octaves] : {std::pair{"0,127,0", 1}, std::pair{"0,0,127", 2}}) {
        const test::Wav drone = render({"--volumes", volumes});
        const double fundamental = 476.0 / (1 << octaves);
        const std::vector<test::Partial> found =
            test::partials(test::monoOf(drone), drone.frameAt(2000), 18, drone.rate, 30);
        ASSERT_GE(found.size(), 3u) << volumes;
        for (const test::Partial& partial : found) {
            const double harmonic = std::max(1.0, std::round(partial.hz / fundamental));
            EXPECT_LE(std::abs(centsBetween(partial.hz, harmonic * fundamental)), 5.0)
                << volumes << ": a partial at " << partial.hz << " Hz, " << partial.belowStrongest << " dB down";
        }
    }
}

TEST_F(PipesWavTest, TheDronesSoundAlikeAtTheirDefaultVolumesAndTheTuneEndsWithoutAClick) {
    const test::Wav tenor = render({"--volumes", "0,77,0"});
    const test::Wav bass = render({"--volumes", "0,0,38"});
    const long steady = tenor.frameAt(2000);
    const double tenorLevel = rms(test::monoOf(tenor), steady, 44100);
    const double bassLevel = rms(test::monoOf(bass), steady, 44100);
    EXPECT_LE(std::abs(decibels(tenorLevel, bassLevel)), 6.0) << tenorLevel << " against " << bassLevel;

    const test::Wav wav = render({});
    const double end = kIntroductionMs + kScaleNotes * kNoteMs;
    const double peak = wav.peak(0, end);
    ASSERT_GT(peak, 3000);
    // The drones and the last note fall away over a few hundred
    // milliseconds: still sounding 50 ms after the end, 40 dB down by 300 ms.
    EXPECT_GT(decibels(wav.peak(end + 45, end + 55), peak), -30.0);
    const double totalMs = double(wav.frames()) * 1000 / wav.rate;
    EXPECT_GE(totalMs, end + 250);
    EXPECT_LE(totalMs, end + 350);
    EXPECT_LE(decibels(wav.peak(totalMs - 5, totalMs), peak), -40.0);
}

TEST_F(PipesWavTest, HalfTheTempoDoublesTheTimeBetweenNoteStarts) {
    test::RealBuild build;
    auto document = build.open(kScaleTune);
    DocumentPlayback playback;
    ASSERT_TRUE(buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                                      PlaybackOutput::Midi, playback));
    const std::vector<MidiEvent> written = playback.midiEvents.events();
    for (const int percent : {50, 150, 95}) {
        MidiEventList scaled = playback.midiEvents;
        scaled.scaleTempo(percent);
        std::uint64_t writtenAt = 0;
        std::uint64_t scaledAt = 0;
        for (std::size_t i = 0; i < written.size(); ++i) {
            EXPECT_EQ(scaled.events()[i].message, written[i].message);
            writtenAt += written[i].delay;
            scaledAt += scaled.events()[i].delay;
            // Each time from the start is rounded once; nothing accumulates.
            ASSERT_EQ(scaledAt, (writtenAt * 100 + std::uint64_t(percent) / 2) / std::uint64_t(percent)) << i;
        }
    }
    // The file holds the slower performance whole, introduction and ending unchanged.
    const double normal = double(render({}).frames());
    const double slow = double(render({"--tempo", "50"}).frames());
    EXPECT_NEAR(slow - normal, kScaleNotes * kNoteMs * 44.1, 2);
}

TEST_F(PipesWavTest, BeatClicksLandOnTheBeatsToTheSampleTheFirstOfEachBarLouder) {
    // The synthesizer starts every message, note or click, at the first of
    // its 64-frame blocks at or after the message's frame: each click's first
    // frames are there, to the sample (its attack rises within 8 frames).
    const test::Wav wav = render({"--click", "--volumes", "0,0,0"});  // the clicks alone
    const std::vector<double> signal = test::monoOf(wav);
    for (int beat = 0; beat < kScaleNotes; ++beat) {
        const long due = wav.frameAt(kIntroductionMs + beat * kNoteMs);
        const long block = (due + 63) / 64 * 64;
        long onset = due - 441;
        while (onset < due + 441 && std::abs(signal[std::size_t(onset)]) < 4) ++onset;
        EXPECT_GE(onset, block) << "beat " << beat;
        EXPECT_LE(onset, block + 8) << "beat " << beat;
        const int loudest = wav.peak(kIntroductionMs + beat * kNoteMs, kIntroductionMs + beat * kNoteMs + 50);
        EXPECT_GT(decibels(loudest, 32767), -30) << "beat " << beat;
        if (beat % 4 == 1) {
            EXPECT_GT(wav.peak(kIntroductionMs + (beat - 1) * kNoteMs, kIntroductionMs + (beat - 1) * kNoteMs + 50),
                      loudest * 3 / 2);
        }
    }
}

TEST_F(PipesWavTest, BadValuesAreUsageErrorsAndWriteNothing) {
    const auto out = (folder / "bad.wav").string();
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--low-a", "12"}, {"--low-a", "496"}, {"--low-a", "476x"}, {"--tempo", "0"},
          {"--tempo", "151"}, {"--tempo", "50.5"}, {"--sound", "harp"}}) {
        std::vector<std::string> args{tune.string(), "-o", out};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(runWav(args), 1) << bad[0] << " " << bad[1];
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

// The chanter driven directly, rendered frame-exactly. Voices add up, so one
// note's own sound is a render with it less the same render without it.
class PipesSynthesizerTest : public ::testing::Test {
protected:
    struct Timed {
        long frame;
        std::uint32_t message;
    };

    std::vector<double> renderChanter(const std::vector<Timed>& messages, long frames) {
        RecordingDiagnosticLog log;
        std::unique_ptr<Synthesizer> synthesizer;
        EXPECT_EQ(Synthesizer::createPipes(44100, kSoundfont, log, synthesizer), midi_error::kNone) << log.text();
        if (!synthesizer) return {};
        synthesizer->tune(keyTunings(PipeTuning{}, kLowA, 33, 45));
        std::vector<std::int16_t> pcm(std::size_t(frames) * 2);
        long done = 0;
        for (const Timed& each : messages) {
            synthesizer->render(std::span(pcm).subspan(std::size_t(done) * 2, std::size_t(each.frame - done) * 2));
            done = each.frame;
            synthesizer->send(each.message);
        }
        synthesizer->render(std::span(pcm).subspan(std::size_t(done) * 2));
        std::vector<double> mono(static_cast<std::size_t>(frames));
        for (long f = 0; f < frames; ++f) mono[std::size_t(f)] = (pcm[std::size_t(f) * 2] + pcm[std::size_t(f) * 2 + 1]) / 2.0;
        return mono;
    }

    static std::vector<double> minus(std::vector<double> a, const std::vector<double>& b) {
        for (std::size_t i = 0; i < a.size(); ++i) a[i] -= b[i];
        return a;
    }

    static std::uint32_t on(int key) { return packShortMessage(0x90, 0, key, 127); }
    static std::uint32_t off(int key) { return packShortMessage(0x80, 0, key, 0); }

    static constexpr int kLowA = 57;
    static constexpr int kB = 59;
    static constexpr int kHighG = 67;
    // A change on a block boundary of the synthesizer, about half a second in.
    static constexpr long kChange = 64 * 344;
    static constexpr long kFrames = kChange + 44100 / 2;
    static constexpr long kMs = 44;  // frames in a millisecond, rounded down
};

TEST_F(PipesSynthesizerTest, ANewNoteSilencesThePreviousOneWithinTenMilliseconds) {
    if (!std::filesystem::exists(kSoundfont)) GTEST_FAIL() << kSoundfont << " is missing";
    // As the event list sends a change: the new note first, then the old one's release.
    const auto change = renderChanter({{0, on(kLowA)}, {kChange, on(kB)}, {kChange, off(kLowA)}}, kFrames);
    const auto newOnly = renderChanter({{kChange, on(kB)}}, kFrames);
    const std::vector<double> previous = minus(change, newOnly);
    const double steady = rms(previous, kChange - 200 * kMs, 150 * kMs);
    ASSERT_GT(steady, 500);
    EXPECT_LE(decibels(rms(previous, kChange + 10 * kMs, 2 * kMs), steady), -30.0);
    // The new note itself is at its full level by then.
    EXPECT_GT(decibels(rms(newOnly, kChange + 10 * kMs, 5 * kMs), steady), -6.0);
}

TEST_F(PipesSynthesizerTest, AGracenoteReachesItsSteadyLevelWithinItsSlot) {
    // A plain gracenote lasts 20 ms: high G then low A.
    constexpr long kSlot = 20 * kMs;
    const auto steadyHighG = renderChanter({{0, on(kHighG)}}, kFrames);
    const double steady = rms(steadyHighG, 200 * kMs, 150 * kMs);
    const auto withGracenote = renderChanter(
        {{kChange, on(kHighG)}, {kChange + kSlot, on(kLowA)}, {kChange + kSlot, off(kHighG)}}, kFrames);
    const auto melodyOnly = renderChanter({{kChange + kSlot, on(kLowA)}}, kFrames);
    const std::vector<double> gracenote = minus(withGracenote, melodyOnly);
    EXPECT_GT(decibels(rms(gracenote, kChange + kSlot - 8 * kMs, 8 * kMs), steady), -6.0);
}

// Live playback through the pipes voice, rendered by hand in step with a
// clock the test moves: at the end of the music the last note and the drones
// fall away before the device closes, so the close cuts nothing audible.
TEST(PipesLiveEndTest, TheLastNoteAndTheDronesFallAwayBeforeTheDeviceCloses) {
    using namespace std::chrono_literals;
    RecordingDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    ASSERT_EQ(Synthesizer::createPipes(44100, kSoundfont, log, synthesizer), midi_error::kNone) << log.text();
    test::ManualClock clock;
    test::SynthesizerOnlyPlatform platform(*synthesizer);
    RecordingMessageSink messages;
    MidiDeviceLayer devices(platform, messages, log);
    devices.enumerateOutputs();
    devices.output().deviceId = 0;
    test::RecordingSpeakerPorts ports;
    SpeakerTone speaker(ports);
    std::atomic<int> ends{0};
    PlaybackNotifications notifications;
    notifications.end = [&ends] { ++ends; };
    PlaybackScheduler scheduler(devices, speaker, clock, notifications);
    // Low A for a second after the drones' half second alone, then the releases.
    MidiEventList list;
    list.append(1000, 0x90, 0, 57, 127, nullptr);
    list.append(0, 0x80, 0, 57, 0, nullptr);
    list.append(0, 0x80, 1, 33, 0, nullptr);
    list.append(0, 0x80, 2, 45, 0, nullptr);
    PlaySetup setup;
    setup.droneIntroduction = 500;
    setup.tunings = keyTunings(PipeTuning{}, 57, 33, 45);
    ASSERT_TRUE(scheduler.setSetup(setup));
    ASSERT_TRUE(scheduler.setLists(&list.events(), nullptr));

    constexpr long kMs = 441;  // frames in 10 ms
    std::vector<double> mono;
    const auto renderTo = [&](std::chrono::milliseconds at) {
        clock.advanceTo(test::ManualClock::kStart + at);
        std::vector<std::int16_t> pcm(std::size_t(at.count() * 441 / 10) * 2 - mono.size() * 2);
        synthesizer->render(pcm);
        for (std::size_t f = 0; f < pcm.size() / 2; ++f) mono.push_back((pcm[2 * f] + pcm[2 * f + 1]) / 2.0);
    };
    ASSERT_TRUE(scheduler.play());
    // The releases are due at 1520 ms; the device closes after the fall-away.
    renderTo(1520ms);
    const double steady = rms(mono, 1400 * kMs / 10, 100 * kMs / 10);
    ASSERT_GT(steady, 500);
    renderTo(1819ms);
    EXPECT_EQ(ends, 0);
    EXPECT_TRUE(scheduler.playing());
    renderTo(1820ms);
    EXPECT_EQ(ends, 1);
    scheduler.handleEnd();
    EXPECT_FALSE(scheduler.playing());
    // Still sounding 50 ms after the releases: it falls away, not cut off ...
    const double after50 = rms(mono, 1570 * kMs / 10, 10 * kMs / 10);
    EXPECT_GT(decibels(after50, steady), -30.0);
    EXPECT_LT(decibels(after50, steady), -1.0);
    // ... and 40 dB down before the device closes, so closing makes no click.
    EXPECT_LT(decibels(rms(mono, 1810 * kMs / 10, 10 * kMs / 10), steady), -40.0);
    std::printf("live ending: %.1f dB 50 ms after the releases, %.1f dB in the last 10 ms before closing\n",
                decibels(after50, steady), decibels(rms(mono, 1810 * kMs / 10, 10 * kMs / 10), steady));
}

TEST(PipesSoundfontTest, AMissingOrCorruptSoundfontIsAClearErrorNotACrash) {
    RecordingDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    const auto folder = std::filesystem::temp_directory_path() / ("skirlo-sf2-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    EXPECT_EQ(Synthesizer::createPipes(44100, folder / "none.sf2", log, synthesizer), midi_error::kNoPipesSoundfont);
    EXPECT_EQ(synthesizer, nullptr);
    const auto corrupt = folder / "corrupt.sf2";
    std::ofstream(corrupt, std::ios::binary) << test::readFile(kSoundfont).substr(0, 300);
    EXPECT_EQ(Synthesizer::createPipes(44100, corrupt, log, synthesizer), midi_error::kNoPipesSoundfont);
    EXPECT_EQ(synthesizer, nullptr);
    EXPECT_NE(midiErrorText(midi_error::kNoPipesSoundfont).value_or("").find("SoundFont"), std::string::npos);
    std::filesystem::remove_all(folder);
}

TEST(PipeTuningTest, TheProfileScaleAndLowAAreReadAndBadOnesKeepTheDefaults) {
    auto profile = IniProfile::fromText("[Pipes]\r\nLowA=480.5\r\nScale=-200,0,200,400,500,700,900,1000,1200\r\n");
    const PipeTuning tuning = pipeTuning(*profile);
    EXPECT_DOUBLE_EQ(tuning.lowA, 480.5);
    EXPECT_DOUBLE_EQ(tuning.scale[0], -200);
    EXPECT_DOUBLE_EQ(tuning.scale[8], 1200);
    const KeyTunings keys = keyTunings(tuning, 57, 33, 45);
    EXPECT_NEAR(keys.chanter[57], centsOf(480.5), 1e-9);
    EXPECT_NEAR(keys.chanter[55], centsOf(480.5) - 200, 1e-9);
    EXPECT_NEAR(keys.tenor[45], centsOf(480.5) - 1200, 1e-9);
    EXPECT_NEAR(keys.bass[33], centsOf(480.5) - 2400, 1e-9);
    EXPECT_DOUBLE_EQ(keys.chanter[40], centsOf(480.5) - 1700);  // equal-tempered from low A

    for (const char* bad : {"LowA=430\r\nScale=0,0,0", "LowA=abc\r\nScale=1,2,3,4,5,6,7,8,9,10",
                            "LowA=\r\nScale=1,2,3,4,5,6,7,8,x"}) {
        const PipeTuning fallback = pipeTuning(*IniProfile::fromText(std::string("[Pipes]\r\n") + bad + "\r\n"));
        EXPECT_DOUBLE_EQ(fallback.lowA, kDefaultLowA) << bad;
        EXPECT_EQ(fallback.scale, justPipeScale()) << bad;
    }
    EXPECT_EQ(parsePipeScale(formatPipeScale(justPipeScale()))->at(7), std::round(justPipeScale()[7] * 10) / 10);
}

}  // namespace
}  // namespace skirlo
