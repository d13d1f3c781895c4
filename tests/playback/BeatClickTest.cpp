// The practice beat click: where the clicks fall among the notes the event
// list sends, for full bars, a pickup and compound time.

#include <gtest/gtest.h>

#include "playback/DocumentPlayback.h"
#include "support/PlaybackTestSupport.h"

namespace skirlo {
namespace {

struct Click {
    std::uint64_t ms;
    bool downbeat;
    bool operator==(const Click&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Click& c) { return out << c.ms << (c.downbeat ? "!" : ""); }

struct Heard {
    std::vector<Click> clicks;
    std::vector<std::uint64_t> noteStarts;  // each performance event's, from its durations
};

Heard hear(const std::string& music, int tempoPercent = 100) {
    test::RealBuild build;
    auto document = build.open("Chantrel:1.0\r\n\r\nTuneTempo,60\r\n\r\n"
                               "\"Clicks\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n" +
                               music + "\r\n");
    DocumentPlayback playback;
    playback.beatClick = true;
    playback.tempoPercent = tempoPercent;
    EXPECT_TRUE(buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                                      PlaybackOutput::Midi, playback));
    Heard heard;
    std::uint64_t at = 0;
    for (const MidiEvent& event : playback.midiEvents.events()) {
        if ((event.message & 0xFF) == 0x99) heard.clicks.push_back({at, (event.message >> 8 & 0xFF) == 76});
        at += event.delay;
    }
    at = 0;
    for (const PerformanceEvent& event : playback.performance.events()) {
        heard.noteStarts.push_back(at);
        at += event.duration;
    }
    return heard;
}

TEST(BeatClick, ClicksFallOnTheBeatsAndAPickupCountsBackFromItsBarLine) {
    // 2/4 at 60: a quarter beat of 1000 ms. The eighth pickup holds no beat;
    // a quarter pickup holds the bar's last.
    const Heard eighth = hear("& sharpf sharpc 2_4 E_8 I! gg LA_4 B_4 ! C_8 D_8 E_8 F_8 !I");
    const std::vector<std::uint64_t>& at = eighth.noteStarts;  // E gg LA B C D E F
    ASSERT_EQ(at.size(), 8u);
    EXPECT_EQ(eighth.clicks, (std::vector<Click>{{at[1], true}, {at[3], false}, {at[4], true}, {at[6], false}}));

    const Heard quarter = hear("& sharpf sharpc 2_4 E_4 I! LA_4 B_4 !I");
    EXPECT_EQ(quarter.clicks, (std::vector<Click>{{0, false}, {1000, true}, {2000, false}}));

    // 6/8: two dotted-quarter beats a bar, the second on the C.
    const Heard jig = hear("& sharpf sharpc 6_8 I! LA_4 B_8 C_4 D_8 ! E_4 'e F_4 'f !I");
    const std::vector<std::uint64_t>& j = jig.noteStarts;  // LA B C D E F
    ASSERT_EQ(j.size(), 6u);
    EXPECT_EQ(jig.clicks, (std::vector<Click>{{j[0], true}, {j[2], false}, {j[4], true}, {j[5], false}}));
}

TEST(BeatClick, ClicksKeepTheirPlacesAtThePracticeTempoAndEndWithTheMusic) {
    const Heard slow = hear("& sharpf sharpc 4_4 I! LA_2 B_2 !I", 50);
    EXPECT_EQ(slow.clicks, (std::vector<Click>{{0, true}, {2000, false}, {4000, false}, {6000, false}}));
}

}  // namespace
}  // namespace skirlo
