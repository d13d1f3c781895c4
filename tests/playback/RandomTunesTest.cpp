// Arbitrary sequences of real symbol names, with the structure marks mixed
// in, must build a performance, an event list and a MIDI file that hold
// together, whatever the order of the marks.

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "playback/DocumentPlayback.h"
#include "support/PlaybackTestSupport.h"

namespace skirlo::test {
namespace {

// Every name of the shipped symbol map ("code=name (codes) class data").
std::vector<std::string> mapNames() {
    std::vector<std::string> names;
    std::istringstream profile(readFile(SKIRLO_RESOURCE_DIR "/QTN32.INI"));
    std::string line;
    bool inMap = false;
    while (std::getline(profile, line)) {
        if (!line.empty() && line[0] == '[') inMap = line.rfind("[FontMap", 0) == 0;
        const std::size_t equals = line.find('=');
        const std::size_t space = line.find(' ', equals);
        if (inMap && equals != std::string::npos && space != std::string::npos) {
            names.push_back(line.substr(equals + 1, space - equals - 1));
        }
    }
    return names;
}

std::string randomTune(std::mt19937& random, const std::vector<std::string>& names) {
    // Structure marks are drawn as often as all other names together.
    static const std::vector<std::string> marks = {
        "!", "!t\r\n& ", "I!''", "''!I\r\n& ", "I!", "!I\r\n& ", "'1", "'2", "'22", "'224", "'25", "'si", "'do",
        "'bis", "bis_'", "_'", "segno", "dalsegno", "dacapoalfine", "dacapoalcoda", "fine", "coda", "codasection",
        "TuneTempo,0", "TuneTempo,300", "VariationTempo,(80)", "VariationTempo,(0,40)", "\t", "^t", "^3s", "^3e"};
    std::string text = "Chantrel:1.0\r\n\"Random\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n& ";
    std::uniform_int_distribution<std::size_t> length(1, 400);
    const std::size_t count = length(random);
    for (std::size_t i = 0; i < count; ++i) {
        const bool mark = std::uniform_int_distribution<int>(0, 1)(random) == 0;
        const auto& pool = mark ? marks : names;
        text += pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)] + " ";
    }
    return text + "!I";
}

TEST(RandomTunes, PerformanceEventListAndMidiFileHoldTogether) {
    RealBuild build;
    const std::vector<std::string> names = mapNames();
    ASSERT_GT(names.size(), 250u);
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomTune(random, names);
        SCOPED_TRACE(text);
        auto document = build.open(text);
        DocumentPlayback playback;
        ASSERT_TRUE(buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                                          PlaybackOutput::Midi, playback));
        const auto& events = playback.performance.events();
        // A few passes of each bar, a dal segno replay and a da capo copy:
        // bounded by the text, never growing with the passes themselves.
        ASSERT_LT(events.size(), 4 * text.size());
        std::size_t timed = 0;
        for (const MidiEvent& m : playback.midiEvents.events()) timed += m.delay > 0 ? 1 : 0;
        ASSERT_EQ(timed, events.size());
        if (events.empty()) continue;
        MemoryByteSink sink;
        ASSERT_TRUE(writeMidi(sink, events, midiFileSettings(playback.settings, document->tunes.front().get())));
        const auto& bytes = sink.bytes();
        const std::size_t track1 = std::size_t{bytes[18]} << 24 | bytes[19] << 16 | bytes[20] << 8 | bytes[21];
        ASSERT_LT(22 + track1 + 8, bytes.size());
        const std::size_t track2 = std::size_t{bytes[26 + track1]} << 24 | bytes[27 + track1] << 16 |
                                   bytes[28 + track1] << 8 | bytes[29 + track1];
        ASSERT_EQ(22 + track1 + 8 + track2, bytes.size());
        ASSERT_EQ(std::string(bytes.begin() + 22 + track1, bytes.begin() + 26 + track1), "MTrk");
    }
}

}  // namespace
}  // namespace skirlo::test
