// Note events: lengths from value, beat and tempo; gracenotes and
// embellishments; dots, tuplets, fermatas; the smoothing rules.

#include <gtest/gtest.h>

#include "PerformanceHelpers.h"
#include "playback/NoteEvents.h"

namespace skirlo::test {
namespace {

using Durations = std::vector<std::uint32_t>;

Played play(std::string_view music, PlaybackSettings settings = {}) {
    TreeMaker maker;
    maker.add(music);
    return perform(maker, settings);
}

TEST(NoteEvents, CommonTimeAndSixEightAtNinety) {
    const Played common = play("4_4 LA_4 LA_8 B_16 C_2 !");
    EXPECT_EQ(durations(common.events), (Durations{666, 333, 166, 1333}));
    EXPECT_EQ(letters(common.events), "aabc");
    const PerformanceEvent& first = common.events.front();
    EXPECT_EQ(first.numerator, 4);
    EXPECT_EQ(first.exponent, 2);
    EXPECT_EQ(first.beatFactor, 0.25);
    EXPECT_EQ(first.tempo, 90);
    EXPECT_EQ(first.name, "LA_4");

    const Played jig = play("6_8 LA_8 B_4 !");
    EXPECT_EQ(durations(jig.events), (Durations{222, 444}));
    EXPECT_EQ(jig.events.front().numerator, 6);
    EXPECT_EQ(jig.events.front().exponent, 3);
    EXPECT_EQ(jig.events.front().beatFactor, 0.375);
}

TEST(NoteEvents, TimeSignatureWords) {
    struct Case {
        std::string_view music;
        int numerator, exponent;
        double beatFactor;
    };
    for (const Case& c : {Case{"C LA_4", 4, 2, 0.25}, Case{"C_ LA_4", 2, 1, 0.5}, Case{"3_2 LA_4", 3, 1, 0.5},
                          Case{"2_4 LA_4", 2, 2, 0.25}}) {
        const Played p = play(c.music);
        ASSERT_EQ(p.events.size(), 1u) << c.music;
        EXPECT_EQ(p.events[0].numerator, c.numerator) << c.music;
        EXPECT_EQ(p.events[0].exponent, c.exponent) << c.music;
        EXPECT_EQ(p.events[0].beatFactor, c.beatFactor) << c.music;
        // The time signature is running state that outlasts the build.
        EXPECT_EQ(p.settings.numerator, c.numerator) << c.music;
    }
    EXPECT_EQ(play("C_ LA_4").events[0].duration, 333u);  // a half-note beat: the crotchet is half a beat
}

TEST(NoteEvents, DotsLengthenTheNoteBefore) {
    EXPECT_EQ(durations(play("LA_8 'e B_8 ''e").events), (Durations{499, 582}));
    // A dot with no note before it in the bar changes nothing.
    EXPECT_EQ(durations(play("'e LA_4").events), (Durations{666}));
}

TEST(NoteEvents, FermataAddsItsPercentage) {
    PlaybackSettings settings;
    settings.fermataPercent = 75;
    EXPECT_EQ(durations(play("LA_4 fermat", settings).events), (Durations{666 + 499}));
}

TEST(NoteEvents, TripletWithAndWithoutAnEmbellishmentBefore) {
    EXPECT_EQ(durations(play("^3s LA_8 B_8 C_8 ^3e").events), (Durations{222, 222, 222}));

    PlaybackSettings settings;
    settings.smoothFactorA = 50;
    const Played embellished = play("dbe ^3s LA_8 B_8 C_8 ^3e", settings);
    // Three gracenotes of 20 ms: each triplet note gives 60 * 50 / 100 / 3.
    EXPECT_EQ(durations(embellished.events), (Durations{20, 20, 20, 212, 212, 212}));
    EXPECT_EQ(letters(embellished.events), "Gefabc");

    // A duplet of crotchets in 6/8 and a quadruplet.
    EXPECT_EQ(durations(play("6_8 ^3s LA_8 B_8 ^2e").events), (Durations{333, 333}));
    EXPECT_EQ(durations(play("^3s LA_8 B_8 C_8 D_8 ^4e").events), (Durations{249, 249, 249, 249}));
    // Fewer notes than the tuplet covers: nothing changes.
    EXPECT_EQ(durations(play("^3s LA_8 B_8 ^3e").events), (Durations{333, 333}));
}

TEST(NoteEvents, TupletShareNeverLeavesLessThanTwentyMilliseconds) {
    PlaybackSettings settings;
    settings.smoothFactorA = 100;
    settings.gracenotes.plain = 300;
    EXPECT_EQ(durations(play("dbe ^3s LA_16 B_16 C_16 ^3e", settings).events),
              (Durations{300, 300, 300, 20, 20, 20}));
}

TEST(NoteEvents, SmoothPlayingTakesTheEmbellishmentsTimeFromTheNextNote) {
    PlaybackSettings settings;
    settings.smoothFactorA = 50;
    settings.gracenotes.plain = 40;
    // Three gracenotes of 40 ms: the note loses 120 * 50 / 100.
    EXPECT_EQ(durations(play("dbe LA_4", settings).events), (Durations{40, 40, 40, 606}));
    // Also across a bar line.
    EXPECT_EQ(durations(play("dbe ! LA_4", settings).events), (Durations{40, 40, 40, 606}));
    // Only the directly preceding embellishment counts, not an earlier one of another name.
    EXPECT_EQ(durations(play("grp dbe LA_4", settings).events), (Durations{40, 40, 40, 40, 40, 40, 606}));
    // A single gracenote is not an embellishment for this rule.
    EXPECT_EQ(durations(play("gg LA_4", settings).events), (Durations{40, 666}));
    // A cut of the whole note or more leaves 20 ms.
    settings.smoothFactorA = 100;
    settings.gracenotes.plain = 200;
    EXPECT_EQ(durations(play("dbe LA_16", settings).events), (Durations{200, 200, 200, 20}));
}

TEST(NoteEvents, EmbellishmentGroupsWithDurationCodes) {
    const Played p = play("g2d");
    EXPECT_EQ(letters(p.events), "gd");
    EXPECT_EQ(durations(p.events), (Durations{50, 20}));
    EXPECT_EQ(p.events[0].name, "g2d");
    ASSERT_NE(p.events[0].symbol, nullptr);
    EXPECT_EQ(p.events[0].symbol->name, "g2d");

    // "q" is low G; a letter the map lacks is skipped with its code.
    const Played q = play("qx*z");
    EXPECT_EQ(letters(q.events), "gA");
    EXPECT_EQ(durations(q.events), (Durations{20, 200}));
}

TEST(NoteEvents, GracenoteDurationCodes) {
    PlaybackSettings settings;
    const NoteMap map = noteMapFor(settings);
    const NoteEventGenerator generator(settings, map);
    EXPECT_EQ(generator.gracenoteDuration(""), 20u);
    const std::pair<std::string_view, std::uint32_t> codes[] = {{"1", 30},  {"2", 50},  {"3", 100}, {"4", 200},
                                                                {"5", 800}, {"6", 1200}, {"7", 250}, {"8", 250},
                                                                {"9", 250}, {"0", 500},  {"~", 200}, {"*", 40}};
    for (auto [code, ms] : codes) EXPECT_EQ(generator.gracenoteDuration(code), ms) << code;
    EXPECT_EQ(generator.gracenoteDuration("12"), 20u);
    EXPECT_EQ(generator.gracenoteDuration("x"), 20u);
}

TEST(NoteEvents, UnderPreviousMarkTakesItsTimeFromTheNoteBefore) {
    // e and d with code 3 (100 ms each): the note before loses 200 * 70 / 100.
    const Played afterHighA = play("HA_4 uprev");
    EXPECT_EQ(letters(afterHighA.events), "Aed");
    EXPECT_EQ(durations(afterHighA.events), (Durations{526, 100, 100}));

    const Played afterHighG = play("HG_4 uprev");
    EXPECT_EQ(letters(afterHighG.events), "AGed");
    EXPECT_EQ(durations(afterHighG.events), (Durations{20, 526, 100, 100}));
    EXPECT_EQ(afterHighG.events[0].name, "tg");
    EXPECT_EQ(afterHighG.events[0].symbol, nullptr);
    EXPECT_EQ(afterHighG.events[1].name, "HG_4");

    const Played afterC = play("C_4 uprev");
    EXPECT_EQ(letters(afterC.events), "Gced");
    EXPECT_EQ(afterC.events[0].name, "gg");
    EXPECT_EQ(durations(afterC.events), (Durations{20, 526, 100, 100}));

    // Nothing before it in the bar: nothing at all.
    EXPECT_TRUE(play("uprev LA_4").events.size() == 1);

    PlaybackSettings settings;
    settings.smoothFactorB = 100;
    EXPECT_EQ(durations(play("HA_16 uprev", settings).events), (Durations{20, 100, 100}));
}

TEST(NoteEvents, SecondUnderNextFormPlaysTheNextNoteAsAnE) {
    const Played p = play("camach LA_8 B_4 camach C_16");
    EXPECT_EQ(letters(p.events), "GebGe");
    // The E also gives the gracenote's time back: 20 * 60 / 100.
    EXPECT_EQ(durations(p.events), (Durations{20, 321, 666, 20, 154}));
    // The note keeps its new data: a later build plays it as an E again.
    ASSERT_NE(p.events[1].symbol, nullptr);
    EXPECT_EQ(p.events[1].symbol->playbackData(), "e8");
    EXPECT_EQ(p.events[4].symbol->playbackData(), "e16");
}

TEST(NoteEvents, KeySignatureHoldsForTheStaffAndAccidentalsForTheirBar) {
    TreeMaker maker;
    maker.add("& sharpc C_4 F_4 ! sharpf F_4 C_4 ! F_4 C_4 !t");
    maker.add("& C_4 F_4 !");
    const Played p = perform(maker);
    EXPECT_EQ(pitches(p.events), (std::vector<int>{61, 65, 66, 61, 65, 61, 60, 65}));
}

TEST(NoteEvents, TempoMarksChangeTheTempoUntilTheBuildEnds) {
    const Played p = play("LA_4 TuneTempo,120 LA_4 ! VariationTempo,(60,100) LA_4");
    EXPECT_EQ(durations(p.events), (Durations{666, 500, 1000}));
    EXPECT_EQ(p.events[1].tempo, 120);
    EXPECT_EQ(p.settings.tempo, 90);  // restored
    EXPECT_EQ(p.settings.variationTempo, 100);
}

TEST(NoteEvents, TempoZeroPlaysAsOneBeatPerMinute) {
    // A mark without its number, and a variation mark without its inner comma.
    for (std::string_view music : {"TuneTempo LA_4", "TuneTempo, LA_4", "VariationTempo,(60) LA_4",
                                   "VariationTempo LA_4"}) {
        const Played p = play(music);
        ASSERT_EQ(p.events.size(), 1u) << music;
        EXPECT_EQ(p.events[0].duration, 60000u) << music;
        EXPECT_EQ(p.events[0].tempo, 1) << music;
    }
}

TEST(NoteEvents, RestsOnTheSpeakerSoundAtAnInaudibleFrequency) {
    PlaybackSettings settings;
    EXPECT_EQ(pitches(play("REST_4 LA_4", settings).events), (std::vector<int>{59, 57}));
    settings.output = PlaybackOutput::Speaker;
    const Played speaker = play("REST_4 LA_4", settings);
    EXPECT_EQ(pitches(speaker.events), (std::vector<int>{30000, 440}));
    EXPECT_EQ(durations(speaker.events), (Durations{666, 666}));
}

TEST(NoteMap, ThirtySixKeysFromTheTable) {
    const NoteMap map = noteMapFor(PlaybackSettings{});
    EXPECT_EQ(map.find("g"), 55);
    EXPECT_EQ(map.find("A"), 69);
    EXPECT_EQ(map.find("$c"), 59);
    EXPECT_EQ(map.find("#f"), 66);
    EXPECT_EQ(map.find("^G"), 67);
    for (std::string_view bad : {"", "x", "h", "#", "##f", "%f", "ff", "G#"}) EXPECT_FALSE(map.find(bad)) << bad;
    NoteMap copy = map;
    EXPECT_TRUE(copy.set("c", 61));
    EXPECT_FALSE(copy.set("z", 1));
    EXPECT_EQ(copy.find("c"), 61);
    EXPECT_EQ(copy.find("^c"), 60);
}

}  // namespace
}  // namespace skirlo::test
