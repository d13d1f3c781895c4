#include <gtest/gtest.h>

#include "notation/SymbolVocabulary.h"

namespace skirlo {
namespace {

TEST(SymbolVocabulary, WordsConvertExactlyWithTheirDefaults) {
    EXPECT_EQ(categoryFromWord("CAT_MELODY_NO_TAIL"), 0);
    EXPECT_EQ(categoryFromWord("CAT_END_TIMELINE_BIS"), 31);
    EXPECT_EQ(categoryFromWord("CAT_SIGN_REPEAT"), 29);
    EXPECT_EQ(categoryFromWord("cat_bar"), CAT_END_SECTION);
    EXPECT_EQ(categoryFromWord(""), CAT_END_SECTION);
    EXPECT_EQ(categoryWord(16), "CAT_BAR");
    EXPECT_EQ(categoryWord(CAT_TEMPO_MARK), "");
    EXPECT_EQ(categoryWord(-1), "");

    EXPECT_EQ(pitchFromWord("HA"), 8);
    EXPECT_EQ(pitchFromWord("HG"), 7);
    EXPECT_EQ(pitchFromWord("ha"), 0);
    EXPECT_EQ(tailFromWord("N"), 0);
    EXPECT_EQ(tailFromWord("R"), 2);
    EXPECT_EQ(tailFromWord(""), 3);
    EXPECT_EQ(tailFromWord("r"), 3);

    EXPECT_EQ(playbackClassFromWord("melody"), PlaybackClass::Melody);
    EXPECT_EQ(playbackClassFromWord("septsex"), PlaybackClass::SeptSex);
    EXPECT_EQ(playbackClassFromWord("Melody"), PlaybackClass::Silent);
}

TEST(SymbolVocabulary, SpacingTablesAndEmbellishmentSpace) {
    CategorySpacing spacing = CategorySpacing::standard();
    EXPECT_EQ(spacing.spaceBefore(CAT_DOTS), 4);
    EXPECT_EQ(spacing.spaceBefore(CAT_REST), 10);
    EXPECT_EQ(spacing.spaceAfter(CAT_START_SECTION), 5);
    EXPECT_EQ(spacing.spaceAfter(CAT_TEMPO_MARK), 10);
    EXPECT_EQ(spacing.spaceAfter(99), 0);
    spacing.setEmbellishmentSpace(6);
    for (std::int32_t c : {4, 5, 6, 27}) EXPECT_EQ(spacing.spaceAfter(c), 6) << c;
    EXPECT_EQ(spacing.spaceAfter(CAT_REST), 3);
}

TEST(SymbolVocabulary, TimeLineBitsAndClosing) {
    EXPECT_EQ(timeLineBit("'1"), 0x0002);
    EXPECT_EQ(timeLineBit("'224"), 0x0040);
    EXPECT_EQ(timeLineBit("'25"), 0x0080);
    EXPECT_EQ(timeLineBit("'intro"), 0x2000);
    EXPECT_EQ(timeLineBit("'bis"), 0x4000);
    EXPECT_EQ(timeLineBit("'29"), 0);
    EXPECT_EQ(closeTimeLines(0x4002), 0x4000);
    EXPECT_EQ(closeTimeLines(0x4000), 0);
    EXPECT_EQ(closeTimeLines(0x0006), 0);
}

TEST(SymbolVocabulary, NamesWithFixedMeaning) {
    EXPECT_TRUE(isTempoMarkName("TuneTempo,90"));
    EXPECT_TRUE(isTempoMarkName("xVariationTempo"));
    EXPECT_FALSE(isTempoMarkName("tunetempo"));
    EXPECT_TRUE(isDaCapo(directionKindOf("dacapoalcoda")));
    EXPECT_FALSE(isDaCapo(directionKindOf("dalsegno")));
    // Kinds go by the exact token: a near miss is no bar line or direction.
    EXPECT_EQ(barLineKindOf("''!I"), BarLineKind::RepeatEnd);
    EXPECT_EQ(barLineKindOf("!I"), BarLineKind::PartEnd);
    EXPECT_EQ(barLineKindOf("!i"), BarLineKind::None);
    EXPECT_EQ(directionKindOf("dalsegn"), DirectionKind::None);
    for (const BarLineToken& token : kBarLineTokens) EXPECT_EQ(barLineKindOf(barLineName(token.kind)), token.kind);
    EXPECT_EQ(beamCount(4), 0);
    EXPECT_EQ(beamCount(8), 1);
    EXPECT_EQ(beamCount(32), 3);
}

}  // namespace
}  // namespace skirlo
