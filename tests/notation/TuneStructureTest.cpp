// Where tunes, parts, staff lines and bars are cut, and what each level
// carries for the others.

#include <gtest/gtest.h>

#include "support/NotationTestSupport.h"

namespace skirlo {
namespace {

using test::findSymbol;
using test::NotationBuild;

class TuneStructureTest : public ::testing::Test {
protected:
    std::vector<std::unique_ptr<Tune>>& build(std::string text) {
        tunes_ = build_.build(std::move(text));
        return tunes_;
    }
    // Bars of every staff line of every part: "part|staff: names | names |".
    static std::string outline(const Tune& tune) {
        std::string out;
        for (std::size_t p = 0; p < tune.parts.size(); ++p) {
            for (std::size_t s = 0; s < tune.parts[p]->staves.size(); ++s) {
                out += std::to_string(p) + "." + std::to_string(s) + ": " +
                       NotationBuild::names(*tune.parts[p]->staves[s]) + "\n";
            }
        }
        return out;
    }

    NotationBuild build_;
    std::vector<std::unique_ptr<Tune>> tunes_;
};

TEST_F(TuneStructureTest, OnePartOfTwoStaffLines) {
    const auto& tunes = build("& 4_4 I! LA_4 ! B_4 !t & C_4 ''!I");
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(outline(*tunes[0]),
              "0.0: ! & 4_4 I! | LA_4 ! | B_4 !t | \n"
              "0.1: ! & C_4 ''!I | \n");
}

TEST_F(TuneStructureTest, DirectionStaysAsLastTokenOfThePart) {
    const auto& tunes = build("& LA_4 ''!I dalsegno\r\n\r\n& I! B_4 !I");
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(outline(*tunes[0]),
              "0.0: ! & LA_4 ''!I dalsegno | \n"
              "1.0: ! & I! | B_4 !I | \n");
}

TEST_F(TuneStructureTest, TerminatingBarLinesAloneMakeParts) {
    const auto& tunes = build("& LA_4 !t & B_4 !t");
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(outline(*tunes[0]),
              "0.0: ! & LA_4 !t | \n"
              "1.0: ! & B_4 !t | \n");
}

TEST_F(TuneStructureTest, PartEndBeforeTheNextPartStartJoinsThePart) {
    const auto& tunes = build("& I! LA_4 !I & B_4 !I & I! C_4 !I");
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(outline(*tunes[0]),
              "0.0: ! & I! | LA_4 !I | \n"
              "0.1: ! & B_4 !I | \n"
              "1.0: ! & I! | C_4 !I | \n");
}

TEST_F(TuneStructureTest, RepeatEndIsTakenWholeAndMusicAfterTheLastEndIsDropped) {
    const auto& tunes = build("& LA_4 ''!I & B_4 !I C_4 D_8");
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_EQ(outline(*tunes[0]),
              "0.0: ! & LA_4 ''!I | \n"
              "0.1: ! & B_4 !I | \n");
    EXPECT_EQ(findSymbol(*tunes[0], "C_4"), nullptr);
}

TEST_F(TuneStructureTest, TextsWithoutMusic) {
    EXPECT_TRUE(build("").empty());
    const auto& tunes = build("no clef here !t");
    ASSERT_EQ(tunes.size(), 1u);
    EXPECT_TRUE(tunes[0]->parts.empty());
    // Music without any end marker is neither shown nor played.
    const auto& open = build("& LA_4 B_4");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_TRUE(open[0]->parts.empty());
}

TEST_F(TuneStructureTest, TimeLinesEndWithTheirPart) {
    const auto& tunes = build("& '2 LA_4 ! B_4 _' ! C_4 !t & '1 LG_4 !I & I! HA_4 !I");
    const Tune& tune = *tunes.at(0);
    EXPECT_EQ(findSymbol(tune, "LA_4")->timeLines, 0x0004);
    EXPECT_EQ(findSymbol(tune, "B_4")->timeLines, 0x0004);
    EXPECT_EQ(findSymbol(tune, "C_4")->timeLines, 0);
    EXPECT_EQ(findSymbol(tune, "LG_4")->timeLines, 0x0002);
    EXPECT_EQ(findSymbol(tune, "HA_4")->timeLines, 0);  // a new part starts with none
}

TEST_F(TuneStructureTest, CodaSectionCarriesToTheEndOfItsStaffLineAndPart) {
    const auto& tunes = build(
        "& LA_4 ! B_4 !t & LA_4 ! B_4 !t & LA_4 ! codasection B_4 ! C_4 !t & LA_4 ! B_4 ''!I & I! LA_4 !I");
    const Tune& tune = *tunes.at(0);
    ASSERT_EQ(tune.parts.size(), 2u);
    const PartLayout& part = *tune.parts[0];
    ASSERT_EQ(part.staves.size(), 4u);
    EXPECT_EQ(part.codaSection, 1);
    std::string flags;
    for (const auto& staff : part.staves) {
        flags += std::to_string(staff->codaSection) + ":";
        for (const auto& bar : staff->bars) flags += std::to_string(bar->codaSection);
        flags += " ";
    }
    // Later staff lines carry the flag, their bars keep their own.
    EXPECT_EQ(flags, "0:00 0:00 1:011 1:00 ");
    EXPECT_EQ(tune.parts[1]->codaSection, 0);
    EXPECT_EQ(tune.parts[1]->staves[0]->codaSection, 0);
}

TEST_F(TuneStructureTest, TrailingRepeatSignsAndTheDaCapoFlag) {
    const auto& tunes = build("& LA_4 !I dalsegno dacapoalfine");
    const Tune& tune = *tunes.at(0);
    const StaffLayout& staff = *tune.parts.at(0)->staves.at(0);
    EXPECT_EQ(staff.bars.back()->trailingRepeatWidth, 64);  // two glyphs 32 wide
    EXPECT_EQ(staff.trailingRepeatWidth, 64);
    EXPECT_EQ(tune.daCapo, 1);
    EXPECT_EQ(build("& LA_4 !I dalsegno").at(0)->daCapo, 0);
}

TEST_F(TuneStructureTest, HeaderWordBeforeTheNextClefStartsANewTune) {
    const std::string two = "& LA_4 !I\r\n\"Skirlo tune two\"\r\n& I! B_4 !I";
    const auto& tunes = build(two);
    ASSERT_EQ(tunes.size(), 2u);
    EXPECT_EQ(tunes[0]->parts.size(), 1u);
    EXPECT_NE(findSymbol(*tunes[0], "LA_4"), nullptr);
    EXPECT_EQ(tunes[1]->parts.size(), 1u);
    EXPECT_NE(findSymbol(*tunes[1], "B_4"), nullptr);
    EXPECT_EQ(tunes[1]->y, tunes[0]->y + tunes[0]->height);

    // A Chantrel anywhere in the rest is the word looked at, and it lies after the clef.
    const auto& one = build(two + " \"Chantrel\"");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]->parts.size(), 2u);
}

TEST_F(TuneStructureTest, PlacedTextsAreNumberedAcrossTunes) {
    const auto& tunes = build(
        "& \"a\",(I,L,0,0,Times New Roman,9,400,0,0,0,0,0,0) LA_4 !I\r\n\"Skirlo\"\r\n"
        "& \"b\",(I,L,0,0,Times New Roman,9,400,0,0,0,0,0,0) B_4 \"c\",(I,R,0,0,Times New Roman,9,400,0,0,0,0,0,0) C_4 !I");
    ASSERT_EQ(tunes.size(), 2u);
    ASSERT_EQ(tunes[0]->header.texts.size(), 1u);
    ASSERT_EQ(tunes[1]->header.texts.size(), 2u);
    EXPECT_EQ(tunes[0]->header.texts[0]->number, 0);
    EXPECT_EQ(tunes[1]->header.texts[0]->text, "b");
    EXPECT_EQ(tunes[1]->header.texts[0]->number, 1);
    EXPECT_EQ(tunes[1]->header.texts[1]->number, 2);
    EXPECT_EQ(findSymbol(*tunes[1], "C_4")->inlineText, tunes[1]->header.texts[1].get());
}

TEST_F(TuneStructureTest, StaffAndPartGeometryStacks) {
    const auto& tunes = build("& LA_4 !t & B_4 !I & I! C_4 !I");
    const Tune& tune = *tunes.at(0);
    ASSERT_EQ(tune.parts.size(), 2u);
    const PartLayout& first = *tune.parts[0];
    ASSERT_EQ(first.staves.size(), 2u);
    // Structure only: heights are the glyph extent heights (130), no advances.
    EXPECT_EQ(first.staves[0]->height, 130);
    EXPECT_EQ(first.staves[1]->y, 130);
    EXPECT_EQ(first.height, 260);
    EXPECT_EQ(tune.parts[1]->y, 260);
    EXPECT_EQ(tune.height, 390);
    EXPECT_EQ(findSymbol(tune, "C_4")->y, 260);
    EXPECT_EQ(findSymbol(tune, "C_4")->staff, tune.parts[1]->staves[0].get());
}

}  // namespace
}  // namespace skirlo
