// Real sound: an example tune rendered by `skirlo-cli wav` through the
// built-in synthesizer, examined as a signal; and, where the machine has an
// ALSA sequencer, a tune played into a port the test creates.

#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include <unistd.h>

#include "common/MessageSink.h"
#include "live/LiveTestSupport.h"
#include "playback/DocumentPlayback.h"
#include "playback/SymbolTraits.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SystemMidiPlatform.h"
#include "playback/live/WavRenderer.h"
#include "support/PlaybackTestSupport.h"
#include "support/SoundTestSupport.h"

namespace skirlo {

int runWav(const std::vector<std::string>& args);

namespace {

using test::Wav;
using test::readWav;

// FluidSynth renders in blocks of this many frames.
constexpr long kAudioBuffer = 64;

// The strongest frequency (Hz) of `size` frames (a power of two) from `start`.
double strongestFrequency(const Wav& wav, long start, std::size_t size) {
    std::vector<std::complex<double>> spectrum(size);
    for (std::size_t i = 0; i < size; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(size - 1));
        spectrum[i] = wav.mono(start + long(i)) * hann;
    }
    test::fft(spectrum);
    std::size_t best = 1;
    for (std::size_t bin = 2; bin < size / 2; ++bin) {
        if (std::abs(spectrum[bin]) > std::abs(spectrum[best])) best = bin;
    }
    return double(best) * wav.rate / double(size);
}

struct Expected {
    std::uint32_t introduction = 0;
    std::uint64_t totalMs = 0;
    // The longest struck note: start (ms into the file), duration, MIDI pitch.
    std::uint64_t longestStart = 0;
    std::uint32_t longestDuration = 0;
    int longestPitch = 0;
};

// What the file must hold, worked out from the performance itself.
Expected expectedFor(const std::filesystem::path& tune) {
    test::RealBuild build;
    auto document = build.open(test::readFile(tune));
    DocumentPlayback playback;
    EXPECT_TRUE(buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                                      PlaybackOutput::Midi, playback));
    Expected expected;
    expected.introduction = playback.settings.droneIntroduction;
    std::uint64_t at = expected.introduction;
    for (const PerformanceEvent& event : playback.performance.events()) {
        const std::uint32_t length = std::max(event.duration, playback.settings.timerResolution);
        if (!isRest(event.symbol) && length > expected.longestDuration) {
            expected.longestStart = at;
            expected.longestDuration = length;
            expected.longestPitch = event.pitch;
        }
        at += length;
    }
    expected.totalMs = at;
    return expected;
}

class WavRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!findSoundfont()) GTEST_SKIP() << "no General MIDI soundfont is installed";
        folder = std::filesystem::temp_directory_path() / ("skirlo-wav-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    Wav render(const std::vector<std::string>& extra) {
        const auto out = (folder / "out.wav").string();
        // These tests are of the tune's own General MIDI instruments.
        std::vector<std::string> args{tune.string(), "-o", out, "--sound", "midi"};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(runWav(args), 0);
        return readWav(out);
    }

    std::filesystem::path tune = SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz";
    std::filesystem::path folder;
};

TEST_F(WavRenderTest, ATuneLastsItsIntroductionAndPerformanceAndTheDronesSoundAloneFirst) {
    const Expected expected = expectedFor(tune);
    ASSERT_GT(expected.introduction, 500U);
    const Wav wav = render({});
    ASSERT_EQ(wav.rate, kWavSampleRate);
    ASSERT_EQ(wav.channels, 2);
    EXPECT_LE(std::abs(wav.frames() - wav.frameAt(double(expected.totalMs))), kAudioBuffer);
    EXPECT_GT(wav.peak(0, double(expected.totalMs)), 3000);
    // The drones sound through the introduction...
    EXPECT_GT(wav.peak(100, expected.introduction - 50.0), 300);
    // ...and nothing else does: without them the introduction is silent,
    // and the chanter comes in when it ends.
    const Wav chanterOnly = render({"--volumes", "127,0,0"});
    EXPECT_EQ(chanterOnly.frames(), wav.frames());
    EXPECT_LT(chanterOnly.peak(0, expected.introduction - 5.0), 30);
    EXPECT_GT(chanterOnly.peak(expected.introduction, expected.introduction + 300.0), 1000);
}

TEST_F(WavRenderTest, TheLongestNoteSoundsAtAHarmonicOfItsPitch) {
    const Expected expected = expectedFor(tune);
    ASSERT_GE(expected.longestDuration, 300U);
    const Wav wav = render({"--volumes", "127,0,0"});
    // A window well inside the note, clear of its attack and its end.
    const double usable = expected.longestDuration - 150.0;
    std::size_t size = 2048;
    while (size * 2 <= 16384 && double(size * 2) * 1000 / wav.rate <= usable) size *= 2;
    const long start = wav.frameAt(double(expected.longestStart) + 80);
    ASSERT_LE(start + long(size), wav.frames());
    const double strongest = strongestFrequency(wav, start, size);
    const double pitch = 440 * std::pow(2.0, (expected.longestPitch - 69) / 12.0);
    const double harmonic = std::round(strongest / pitch);
    const double binWidth = double(wav.rate) / double(size);
    EXPECT_GE(harmonic, 1) << strongest << " Hz for pitch " << expected.longestPitch;
    EXPECT_LE(std::abs(strongest - harmonic * pitch), std::max(2 * binWidth, 0.03 * strongest))
        << strongest << " Hz is no harmonic of " << pitch << " Hz (MIDI " << expected.longestPitch << ")";
}

TEST_F(WavRenderTest, BadVolumesAndUnwritableFilesFailWithoutLeavingAFile) {
    const auto out = (folder / "bad.wav").string();
    EXPECT_EQ(runWav({tune.string(), "-o", out, "--volumes", "127,0"}), 1);
    EXPECT_EQ(runWav({tune.string(), "-o", out, "--volumes", "127,0,200"}), 1);
    EXPECT_EQ(runWav({tune.string(), "-o", out, "--volumes", "127,,0"}), 1);
    EXPECT_EQ(runWav({tune.string(), "-o", (folder / "missing" / "x.wav").string()}), 1);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(SynthesizerDeviceTest, SoundsLiveWhereThereIsAudioElseFailsToOpenWithAClearMessage) {
    if (!findSoundfont()) GTEST_SKIP() << "no General MIDI soundfont is installed";
    RecordingDiagnosticLog log;
    RecordingMessageSink messages;
    SystemMidiPlatform platform(log);
    MidiDeviceLayer devices(platform, messages, log);
    const OutputDeviceList list = devices.enumerateOutputs();
    ASSERT_EQ(list.names.front(), kSynthesizerName);
    EXPECT_EQ(list.initialSelection, 0U);
    MidiDevice& output = devices.output();
    output.deviceId = 0;
    const std::uint32_t opened = devices.midiActivateDevice(output, midi_device::kOpen);
    if (opened == 0) {
        EXPECT_TRUE(messages.messages().empty());
        EXPECT_EQ(devices.sendOnOpenHandle(output, 0x7F4590), 0U);
        EXPECT_EQ(devices.midiActivateDevice(output, midi_device::kClose), 0U);
        EXPECT_FALSE(output.isOpen());
    } else {
        EXPECT_EQ(opened, midi_error::kNoAudioOutput) << log.text();
        ASSERT_EQ(messages.messages().size(), 1U);
        EXPECT_EQ(messages.messages()[0].caption, "MIDI Output Error");
        EXPECT_EQ(messages.messages()[0].text, *midiErrorText(midi_error::kNoAudioOutput));
        EXPECT_EQ(output.deviceId, midi_device::kNone);
    }
}

// Notes sent by the scheduler through an ALSA sequencer port arrive at a
// port this test opens.
TEST(AlsaSequencerTest, AShortTunePlaysIntoAPortTheTestCreates) {
    if (!std::filesystem::exists("/dev/snd/seq")) {
        GTEST_SKIP() << "this machine has no ALSA sequencer (/dev/snd/seq is missing)";
    }
    struct Received {
        std::mutex mutex;
        std::vector<std::vector<unsigned char>> messages;
    } received;
    RtMidiIn in(RtMidi::LINUX_ALSA, "Skirlo test");
    in.setCallback(
        [](double, std::vector<unsigned char>* message, void* data) {
            auto* into = static_cast<Received*>(data);
            const std::lock_guard lock(into->mutex);
            into->messages.push_back(*message);
        },
        &received);
    in.openVirtualPort("Skirlo test input");

    test::RealBuild build;
    std::string text = test::readFile(SKIRLO_RESOURCE_DIR "/examples/heather-brae.tnz");
    // Shortened: no drone introduction, a fast tempo, and the first staff only.
    const auto replace = [&text](const std::string& from, const std::string& to) {
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    replace("InstrumentMappings,(71,71,45,33,1000,60,70)", "InstrumentMappings,(71,71,45,33,0,60,70)");
    replace("TuneTempo,66", "TuneTempo,240");
    text.resize(text.find("!t") + 2);
    auto document = build.open(text);
    DocumentPlayback playback;
    ASSERT_TRUE(buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                                      PlaybackOutput::Midi, playback));

    RecordingDiagnosticLog log;
    RecordingMessageSink messages;
    SystemMidiPlatform platform(log);
    MidiDeviceLayer devices(platform, messages, log);
    const OutputDeviceList list = devices.enumerateOutputs();
    const auto port = std::find_if(list.names.begin(), list.names.end(),
                                   [](const std::string& name) { return name.find("Skirlo test input") != std::string::npos; });
    ASSERT_NE(port, list.names.end()) << log.text();
    devices.output().deviceId = static_cast<std::uint32_t>(port - list.names.begin());

    test::RecordingSpeakerPorts speakerPorts;
    SpeakerTone speaker(speakerPorts);
    SteadyPlaybackClock clock;
    std::atomic<bool> ended{false};
    PlaybackNotifications notifications;
    notifications.end = [&ended] { ended = true; };
    PlaybackScheduler scheduler(devices, speaker, clock, notifications);
    scheduler.setLists(&playback.midiEvents.events(), &playback.performance.events());
    scheduler.setSetup(playSetup(playback.settings));
    ASSERT_TRUE(scheduler.play()) << log.text();
    for (int wait = 0; wait < 3000 && !ended; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(ended);
    scheduler.handleEnd();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the last messages arrive

    std::vector<int> sentNotes;
    for (const MidiEvent& event : playback.midiEvents.events()) {
        if ((event.message & 0xFF) == 0x90 && (event.message >> 16 & 0xFF) > 0) sentNotes.push_back(event.message >> 8 & 0x7F);
    }
    std::vector<int> receivedNotes;
    const std::lock_guard lock(received.mutex);
    for (const auto& message : received.messages) {
        if (message.size() == 3 && message[0] == 0x90 && message[2] > 0) receivedNotes.push_back(message[1]);
    }
    ASSERT_FALSE(sentNotes.empty());
    EXPECT_EQ(receivedNotes, sentNotes);
    // Closing the port releases the drones' channels too.
    for (unsigned char channel : {0, 1, 2}) {
        const std::vector<unsigned char> allNotesOff{static_cast<unsigned char>(0xB0 | channel), 123, 0};
        EXPECT_NE(std::find(received.messages.begin(), received.messages.end(), allNotesOff), received.messages.end())
            << int{channel};
    }
    EXPECT_TRUE(messages.messages().empty());
}

}  // namespace
}  // namespace skirlo
