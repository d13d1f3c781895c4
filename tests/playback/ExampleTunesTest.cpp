// The bundled example tunes, built and played as the program does.

#include <gtest/gtest.h>

#include <map>
#include <numeric>

#include "playback/DocumentPlayback.h"
#include "playback/MidiFileWriter.h"
#include "support/PlaybackTestSupport.h"

namespace skirlo::test {
namespace {

struct ExamplePlayback {
    std::unique_ptr<RealDocument> document;
    DocumentPlayback playback;
};

std::unique_ptr<ExamplePlayback> playExample(RealBuild& build, std::string text,
                                             PlaybackOutput output = PlaybackOutput::Midi) {
    auto example = std::make_unique<ExamplePlayback>();
    example->document = build.open(std::move(text));
    RealDocument& document = *example->document;
    EXPECT_TRUE(buildDocumentPlayback(document.tunes, document.script, document.settings, build.profile(), output,
                                      example->playback));
    return example;
}

std::string exampleText(std::string_view name) { return readFile(std::string(SKIRLO_RESOURCE_DIR "/examples/") + std::string(name)); }

TEST(ExampleTunes, EveryNoteCarriesItsTimeOnExactlyOneMidiMessage) {
    RealBuild build;
    for (const auto& path : exampleTunes()) {
        SCOPED_TRACE(path.filename().string());
        auto example = playExample(build, readFile(path));
        const auto& events = example->playback.performance.events();
        ASSERT_GT(events.size(), 20u);
        std::uint64_t expected = 0;
        for (const PerformanceEvent& e : events) expected += std::max<std::uint32_t>(e.duration, 5);
        std::uint64_t delays = 0;
        std::size_t timed = 0;
        for (const MidiEvent& m : example->playback.midiEvents.events()) {
            delays += m.delay;
            timed += m.delay > 0 ? 1 : 0;
        }
        EXPECT_EQ(timed, events.size());
        EXPECT_EQ(delays, expected);
    }
}

// Where each channel strikes a note: what a listener hears of the messages.
struct Strike {
    int note = 0;
    std::uint64_t at = 0;  // milliseconds, or the file's ticks of one millisecond
};
using Strikes = std::map<int, std::vector<Strike>>;  // by channel

Strikes strikesOfLiveList(const std::vector<MidiEvent>& events) {
    Strikes strikes;
    std::uint64_t now = 0;
    for (const MidiEvent& event : events) {
        const int status = static_cast<int>(event.message & 0xF0);
        const int velocity = static_cast<int>((event.message >> 16) & 0x7F);
        if (status == midi::kNoteOn && velocity > 0) {
            strikes[static_cast<int>(event.message & 0x0F)].push_back({static_cast<int>((event.message >> 8) & 0x7F), now});
        }
        now += event.delay;
    }
    return strikes;
}

// Reads the file's tracks in ticks: the writer makes a tick one millisecond
// of the performance (the file's tempo makes it 1 ms to within the
// truncation of its two integer fields).
Strikes strikesOfFile(const std::vector<std::uint8_t>& bytes) {
    const auto number = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
        return value;
    };
    struct Timed { std::uint64_t tick; int status; int data1; int data2; };
    std::vector<Timed> all;
    for (std::size_t at = 14; at + 8 <= bytes.size();) {
        const std::size_t end = at + 8 + number(at + 4, 4);
        std::uint64_t tick = 0;
        int running = 0;
        for (std::size_t i = at + 8; i < end;) {
            std::uint32_t delta = 0;
            do delta = delta << 7 | (bytes.at(i) & 0x7F); while (bytes.at(i++) & 0x80);
            tick += delta;
            if (bytes.at(i) == 0xFF) {
                i += 3 + bytes.at(i + 2);  // meta events of this file are short
                continue;
            }
            if (bytes.at(i) & 0x80) running = bytes.at(i++);
            const int command = running & 0xF0;
            const bool oneByte = command == 0xC0 || command == 0xD0;
            all.push_back({tick, running, bytes.at(i), oneByte ? 0 : bytes.at(i + 1)});
            i += oneByte ? 1 : 2;
        }
        at = end;
    }
    std::stable_sort(all.begin(), all.end(), [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
    Strikes strikes;
    for (const Timed& event : all) {
        if ((event.status & 0xF0) == midi::kNoteOn && event.data2 > 0) {
            strikes[event.status & 0x0F].push_back({event.data1, event.tick});
        }
    }
    return strikes;
}

// The live player and the MIDI file come from two writers: they must strike
// the same chanter notes at the same moments, and hold a tied note without
// striking it again.
TEST(ExampleTunes, TheLiveListAndTheMidiFileStrikeTheSameNotesAtTheSameTimes) {
    RealBuild build;
    for (const auto& path : exampleTunes()) {
        SCOPED_TRACE(path.filename().string());
        auto example = playExample(build, readFile(path));
        const DocumentPlayback& playback = example->playback;
        MemoryByteSink file;
        ASSERT_TRUE(writeMidi(file, playback.performance.events(),
                              midiFileSettings(playback.settings, example->document->tunes.front().get())));
        const Strikes live = strikesOfLiveList(playback.midiEvents.events());
        const Strikes written = strikesOfFile(file.bytes());
        // The live drones are struck by the scheduler when playing starts.
        ASSERT_EQ(live.size(), 1u);
        const std::vector<Strike>& chanter = live.at(midi::kChanterChannel);
        const std::vector<Strike>& other = written.at(midi::kChanterChannel);
        ASSERT_GT(chanter.size(), 20u);
        ASSERT_EQ(chanter.size(), other.size());
        const std::uint64_t offset = other.front().at - chanter.front().at;  // the file's drone introduction
        for (std::size_t i = 0; i < chanter.size(); ++i) {
            EXPECT_EQ(chanter[i].note, other[i].note) << "strike " << i;
            EXPECT_EQ(chanter[i].at + offset, other[i].at) << "strike " << i;
        }
    }
}

TEST(ExampleTunes, DalSegnoReplaysBothPartsWithDoublingAtTheVariationTempo) {
    RealBuild build;
    auto example = playExample(build, exampleText("round-the-sign.tnz"));
    const auto& events = example->playback.performance.events();
    std::vector<std::string> melody;
    std::vector<int> tempos;
    for (const PerformanceEvent& e : events) {
        if (e.symbol != nullptr && e.symbol->playbackClass() == "melody") {
            melody.emplace_back(e.name);
            tempos.push_back(e.tempo);
        }
    }
    // Both parts are played twice (10 and 14 melody notes): the singling bar
    // ("'si grp B_4 gg B_4") first, the doubling bar ("'do grp B_4 thrd D_4")
    // on the return.
    ASSERT_EQ(melody.size(), 48u);
    EXPECT_EQ(std::vector<std::string>(melody.begin() + 7, melody.begin() + 10),
              (std::vector<std::string>{"LAl_16", "B_4", "B_4"}));
    EXPECT_EQ(std::vector<std::string>(melody.begin() + 31, melody.begin() + 34),
              (std::vector<std::string>{"LAl_16", "B_4", "D_4"}));
    EXPECT_EQ(tempos.front(), 90);
    EXPECT_EQ(tempos[23], 90);
    EXPECT_EQ(tempos[24], 100);
    EXPECT_EQ(tempos.back(), 100);
}

TEST(ExampleTunes, DaCapoAlFineEndsWithTheReturnToTheFine) {
    RealBuild build;
    auto example = playExample(build, exampleText("two-tunes.tnz"));
    const auto& events = example->playback.performance.events();
    ASSERT_EQ(example->document->tunes.size(), 2u);
    // The second tune's events start at its first symbol's first event.
    const Symbol* firstOfSecond = nullptr;
    for (const auto& bar : example->document->tunes[1]->parts[0]->staves[0]->bars) {
        for (const auto& symbol : bar->symbols) {
            if (firstOfSecond == nullptr && symbol->playbackClass() == "embellishment") firstOfSecond = symbol.get();
        }
    }
    const auto start = std::find_if(events.begin(), events.end(),
                                    [&](const PerformanceEvent& e) { return e.symbol == firstOfSecond; });
    ASSERT_NE(start, events.end());
    const auto fine = std::find_if(start, events.end(), [](const PerformanceEvent& e) { return e.name == "C_2"; });
    ASSERT_NE(fine, events.end());
    const std::ptrdiff_t replayed = fine - start + 1;
    ASSERT_LT(replayed, events.end() - start);
    EXPECT_TRUE(std::equal(start, fine + 1, events.end() - replayed, [](const auto& a, const auto& b) {
        return a.symbol == b.symbol && a.duration == b.duration && a.pitch == b.pitch;
    }));
    // An air without a tempo of its own plays at 46 bpm.
    EXPECT_EQ(events.back().tempo, 46);
}

TEST(ExampleTunes, FirstBuildWritesTheMissingTempoLineWithTheTuneTypesTempo) {
    std::string text = exampleText("maggie-cameron.tnz");
    const std::string line = "\r\nTuneTempo,120\r\n";
    const std::size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos);
    text.erase(at, line.size());
    RealBuild build;
    auto example = playExample(build, text);
    EXPECT_FALSE(example->document->settings.lacksTempoLine);
    const std::string& written = example->document->script.text();
    EXPECT_NE(written.find("TuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\n\r\nTuneTempo,130\r\n"), std::string::npos);
    EXPECT_TRUE(example->document->script.modified());
    EXPECT_EQ(example->playback.performance.events().front().tempo, 130);
    EXPECT_EQ(example->playback.settings.tempo, 130);
}

TEST(ExampleTunes, SpeakerPlaysFrequencies) {
    RealBuild build;
    auto example = playExample(build, exampleText("highland-laddie.tnz"), PlaybackOutput::Speaker);
    for (const PerformanceEvent& e : example->playback.performance.events()) {
        EXPECT_TRUE((e.pitch >= 370 && e.pitch <= 932) || e.pitch == 30000) << e.name << " " << e.pitch;
    }
    EXPECT_TRUE(example->playback.midiEvents.events().empty());
}

}  // namespace
}  // namespace skirlo::test
