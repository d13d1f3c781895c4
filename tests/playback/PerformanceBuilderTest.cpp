// The order in which parts, passes, endings and replays are played.

#include <gtest/gtest.h>

#include <atomic>

#include "PerformanceHelpers.h"
#include "tunefile/TextRecord.h"

namespace skirlo::test {
namespace {

using Durations = std::vector<std::uint32_t>;

std::string played(std::string_view music, PlaybackSettings settings = {}) {
    TreeMaker maker;
    maker.add(music);
    return letters(perform(maker, settings).events);
}

TEST(PerformanceBuilder, RepeatedPartWithFirstAndSecondEndings) {
    EXPECT_EQ(played("LA_4 ! B_4 ! '1 C_4 _' ! '2 D_4 _' ''!I"), "abcabd");
    // The second pass starts at the bar holding "I!''", after the sign.
    EXPECT_EQ(played("E_4 ! F_4 I!'' LA_4 ! '1 C_4 _' ! '2 D_4 _' ''!I"), "efacad");
    // "''!I" ends the bar: what follows it in the text is the next part.
    EXPECT_EQ(played("I!'' LA_4 ''!I B_4 !I"), "aab");
}

TEST(PerformanceBuilder, FirstEndingWithoutSecondAndSecondWithoutFirst) {
    EXPECT_EQ(played("LA_4 ! '1 C_4 _' ''!I"), "aca");
    EXPECT_EQ(played("LA_4 ! '2 D_4 _' ''!I"), "aad");
}

TEST(PerformanceBuilder, LaterPartEndingReplacesTheFirstEndingOfThatRendition) {
    TreeMaker maker;
    maker.add("LA_4 ! '1 B_4 _' '22 E_4 F_4 _' ''!I");  // part 1 plays '22 itself: it is not part 2
    maker.add("C_4 ! '1 D_4 _' ! HG_4 ''!I");
    EXPECT_EQ(letters(perform(maker).events), "abef" "aef" "cdG" "cefG");
}

TEST(PerformanceBuilder, LaterPartEndingIsSkippedWhereTheRenditionHasNoSuchBar) {
    TreeMaker maker;
    maker.add("LA_4 ! B_4 ! '23 E_4 _' !I");
    maker.add("C_4 ''!I");
    maker.add("D_4 ''!I");  // rendition 3 has two passes but only one bar
    EXPECT_EQ(letters(perform(maker).events), "abe" "cc" "dd");
}

TEST(PerformanceBuilder, DalSegnoReplaysFromTheSignWithDoublingAndVariationTempo) {
    TreeMaker maker;
    maker.add("LA_4 !I");
    maker.add("segno B_4 ! 'si C_4 _' ! 'do D_4 _' !I");
    maker.add("E_4 ! F_4 !I dalsegno");
    maker.add("HA_4 !I");
    auto tune = maker.take();
    tune->header.variationTempo = 120;
    std::vector<std::unique_ptr<Tune>> tunes;
    tunes.push_back(std::move(tune));
    const Played p = perform(std::move(tunes));
    EXPECT_EQ(letters(p.events), "a" "bc" "ef" "bd" "ef" "A");
    EXPECT_EQ(durations(p.events), (Durations{666, 666, 666, 666, 666, 500, 500, 500, 500, 666}));
}

TEST(PerformanceBuilder, DaCapoAlFine) {
    TreeMaker maker;
    maker.add("LA_4 B_4 fine ! C_4 !I");
    maker.add("D_4 ! E_4 !I dacapoalfine");
    maker.add("F_4 !I");  // never reached
    EXPECT_EQ(letters(perform(maker).events), "abcde" "ab");
}

TEST(PerformanceBuilder, DaCapoAlCodaPlaysTheCodaOnlyAfterTheReturn) {
    TreeMaker maker;
    maker.add("LA_4 B_4 coda ! C_4 !I");
    maker.add("D_4 !I dacapoalcoda");
    maker.add("codasection E_4 ! F_4 !I");
    EXPECT_EQ(letters(perform(maker).events), "abcd" "abef");
}

TEST(PerformanceBuilder, BisPlaysItsBarsTwice) {
    // The first time the bar stops at the end of the 'bis line: D_4 follows only the repeat.
    EXPECT_EQ(played("LA_4 ! 'bis B_4 ! C_4 _'b D_4 !I E_4 !I"), "abcbcde");
}

TEST(PerformanceBuilder, DefaultTempoByTuneType) {
    const std::pair<std::string_view, int> types[] = {
        {"March", 84},          {"Strathspey", 130}, {"REEL", 98},        {"jig", 132},
        {"Retreat March", 94},  {"Hornpipe", 94},    {"Slow Air", 46},    {"air", 46},
        {"Gaelic Air", 46},     {"slow march", 46},  {"2/4 March", 90},   {"", 90}};
    for (auto [type, bpm] : types) EXPECT_EQ(defaultTempoForTuneType(type), bpm) << type;
}

std::unique_ptr<Tune> tuneOfType(std::string_view type, int tempo) {
    TreeMaker maker;
    maker.add("LA_4 !I");
    auto tune = maker.take();
    tune->header.tempo = tempo;
    auto record = std::make_unique<TextRecord>();
    record->kind = 'Y';
    record->text = std::string(type);
    tune->header.texts.push_back(std::move(record));
    return tune;
}

TEST(PerformanceBuilder, TuneTempoOrTheDefaultOfItsType) {
    std::vector<std::unique_ptr<Tune>> tunes;
    tunes.push_back(tuneOfType("Strathspey", 0));
    tunes.push_back(tuneOfType("Reel", 0));
    tunes.push_back(tuneOfType("Reel", 60));
    const Played p = perform(std::move(tunes));
    EXPECT_EQ(durations(p.events), (Durations{461, 612, 1000}));
    EXPECT_EQ(p.settings.tempo, 90);
}

TEST(PerformanceBuilder, FirstBuildWritesTheMissingTempoLine) {
    std::vector<std::unique_ptr<Tune>> tunes;
    tunes.push_back(tuneOfType("Reel", 0));
    tunes.push_back(tuneOfType("Jig", 0));
    PlaybackSettings settings;
    Performance performance;
    bool lacksTempoLine = true;
    std::vector<int> written;
    const NoteMap map = noteMapFor(settings);
    ASSERT_TRUE(performance.build(tunes, settings, map, lacksTempoLine, [&](int t) { written.push_back(t); }));
    EXPECT_EQ(written, std::vector<int>{98});
    EXPECT_FALSE(lacksTempoLine);
    EXPECT_EQ(settings.tempo, 98);  // the written tempo stays current
    performance.build(tunes, settings, map, lacksTempoLine, [&](int t) { written.push_back(t); });
    EXPECT_EQ(written.size(), 1u);
    EXPECT_EQ(settings.tempo, 98);
}

TEST(PerformanceBuilder, NoBuildWhilePlaying) {
    TreeMaker maker;
    maker.add("LA_4 B_4 !I");
    std::vector<std::unique_ptr<Tune>> tunes;
    tunes.push_back(maker.take());
    PlaybackSettings settings;
    const NoteMap map = noteMapFor(settings);
    bool lacks = false;
    Performance performance;
    std::atomic<bool> playing{false};
    performance.setPlayingFlag(&playing);
    ASSERT_TRUE(performance.build(tunes, settings, map, lacks, {}));
    playing = true;
    std::vector<std::unique_ptr<Tune>> none;
    EXPECT_FALSE(performance.build(none, settings, map, lacks, {}));
    EXPECT_EQ(performance.events().size(), 2u);
    playing = false;
    EXPECT_TRUE(performance.build(none, settings, map, lacks, {}));
    EXPECT_TRUE(performance.events().empty());
}

TEST(PerformanceBuilder, SelectionPlaysTheFirstMarkedRunOnly) {
    TreeMaker maker;
    maker.add("LA_4 ! C_4 uprev D_4 ! E_4 F_4");
    auto tune = maker.take();
    const auto& bars = tune->parts[0]->staves[0]->bars;
    std::vector<std::unique_ptr<Tune>> tunes;
    tunes.push_back(std::move(tune));
    PlaybackSettings settings;
    const NoteMap map = noteMapFor(settings);
    bool lacks = false;
    Performance performance;
    performance.build(tunes, settings, map, lacks, {});
    EXPECT_EQ(letters(performance.events()), "aGceddef");  // nothing marked: everything

    // LA_4, then C_4 with the mark (whose inserted gracenote has no symbol) and
    // D_4; E_4 is not marked, so the marked F_4 after it is not played.
    bars[0]->symbols[0]->marked = true;
    for (int i : {0, 1, 2}) bars[1]->symbols[i]->marked = true;
    bars[2]->symbols[1]->marked = true;
    performance.build(tunes, settings, map, lacks, {});
    EXPECT_EQ(letters(performance.events()), "aGcedd");
    EXPECT_EQ(performance.playIndex(), 0u);
}

TEST(IsPlayed, TimeLinesOnEachPass) {
    constexpr TimeLineFlags first = 0x2, second = 0x4, of22 = 0x8, of224 = 0x40, singling = 0x800,
                            doubling = 0x1000, intro = 0x2000, bis = 0x4000;
    // pass 1
    EXPECT_TRUE(isPlayed(0, 1, 1, false, false, 1));
    EXPECT_TRUE(isPlayed(bis, 1, 1, false, false, 1));
    EXPECT_TRUE(isPlayed(first | second, 1, 1, false, false, 1));
    EXPECT_TRUE(isPlayed(intro, 1, 1, false, false, 1));
    EXPECT_FALSE(isPlayed(second, 1, 1, false, false, 1));
    EXPECT_FALSE(isPlayed(second | bis, 1, 1, false, false, 1));
    EXPECT_TRUE(isPlayed(of22, 1, 1, false, false, 1));
    EXPECT_FALSE(isPlayed(of22, 1, 2, false, false, 1));
    EXPECT_FALSE(isPlayed(of224, 1, 4, false, false, 1));
    EXPECT_TRUE(isPlayed(of224, 1, 3, false, false, 1));
    EXPECT_TRUE(isPlayed(singling, 1, 1, false, true, 1));
    EXPECT_FALSE(isPlayed(singling, 1, 1, false, true, 2));
    EXPECT_TRUE(isPlayed(doubling, 1, 1, false, true, 2));
    EXPECT_FALSE(isPlayed(doubling, 1, 1, false, true, 1));
    EXPECT_TRUE(isPlayed(doubling, 1, 1, false, false, 1));
    // pass 2
    EXPECT_TRUE(isPlayed(second, 2, 1, true, false, 1));
    EXPECT_TRUE(isPlayed(of22, 2, 2, true, false, 1));
    EXPECT_TRUE(isPlayed(first, 2, 1, false, false, 1));
    EXPECT_FALSE(isPlayed(first, 2, 1, true, false, 1));
    EXPECT_FALSE(isPlayed(singling, 2, 1, false, true, 2));
    EXPECT_TRUE(isPlayed(doubling, 2, 1, false, true, 2));
}

}  // namespace
}  // namespace skirlo::test
