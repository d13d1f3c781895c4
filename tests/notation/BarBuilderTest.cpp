// Symbols made from bar text: codes, fonts, the clef's bar line, beat
// separators, unknown names, links between symbols and in-line texts.

#include <gtest/gtest.h>

#include "notation/BarBuilder.h"
#include "support/NotationTestSupport.h"
#include "tunefile/TextRecord.h"

namespace skirlo {
namespace {

using test::allSymbols;
using test::findSymbol;

class BarBuilderTest : public ::testing::Test {
protected:
    // The tune of `text`, which must give one.
    const Tune& tune(std::string text) {
        tunes_ = build_.build(std::move(text));
        EXPECT_EQ(tunes_.size(), 1u);
        return *tunes_.at(0);
    }
    std::string namesOf(const Tune& tune) {
        std::string out;
        for (const Symbol* symbol : allSymbols(tune)) out += symbol->name + " ";
        return out;
    }

    test::NotationBuild build_;
    std::vector<std::unique_ptr<Tune>> tunes_;
};

TEST_F(BarBuilderTest, CodesAndFontsComeFromTheMapRow) {
    const Tune& t = tune("& sharpf sharpc LA_4 HAl_32 'la !t");
    EXPECT_EQ(namesOf(t), "! & sharpf sharpc LA_4 HAl_32 'la !t ");
    const Symbol* note = findSymbol(t, "HAl_32");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->category, CAT_MELODY_LEFT_TAIL);
    EXPECT_EQ(note->pitch, PITCH_HA);
    EXPECT_EQ(note->tailCode, TAIL_L);
    EXPECT_EQ(note->noteValue, 32);
    EXPECT_EQ(note->glyphCharacter, 171);
    EXPECT_EQ(note->playbackClass(), "melody");
    EXPECT_EQ(note->playbackData(), "A32");
    EXPECT_EQ(note->glyphFont(), build_.fonts.musicFont(1));
    EXPECT_EQ(note->ledgerFont(), build_.fonts.musicFont(3));
    EXPECT_EQ(note->staffFont(), build_.fonts.musicFont(1));
    EXPECT_EQ(note->secondaryFont(), build_.fonts.textFont());
    EXPECT_EQ(note->scale(), 130);
    // Fixed metrics at height 130: 32 wide cells, 16 by 65 boxes at the cell's left.
    EXPECT_EQ(note->glyphExtent.width, 32);
    EXPECT_EQ(note->glyphExtent.height, 130);
    EXPECT_EQ(note->glyphBox.width, 16);
    EXPECT_EQ(note->glyphBox.height, 65);
    EXPECT_EQ(note->glyphOrigin.height, 0);

    EXPECT_EQ(findSymbol(t, "sharpc")->glyphFont(), build_.fonts.musicFont(2));
    EXPECT_EQ(findSymbol(t, "'la")->glyphFont(), build_.fonts.musicFont(3));
    EXPECT_EQ(findSymbol(t, "'la")->category, CAT_DOTS);
    EXPECT_EQ(findSymbol(t, "!t")->category, CAT_END_SECTION);
    EXPECT_TRUE(build_.messages.messages().empty());
}

TEST_F(BarBuilderTest, ClefGetsABarLineBeforeIt) {
    const Tune& t = tune("& LA_4 & sharpf !t");
    EXPECT_EQ(namesOf(t), "! & LA_4 ! & sharpf !t ");
    const Symbol* bar = findSymbol(t, "!", 1);
    const Symbol* clef = findSymbol(t, "&", 1);
    EXPECT_EQ(bar->category, CAT_BAR);
    EXPECT_EQ(bar->previousSymbol, nullptr);  // the chain starts again at the clef
    EXPECT_EQ(clef->previousSymbol, bar);
    EXPECT_EQ(findSymbol(t, "sharpf")->previousSymbol, clef);
}

TEST_F(BarBuilderTest, BeatSeparatorsTempoMarksAndUnknownNames) {
    const Tune& t = tune("& LG_4\t\tTuneTempo,90 bogus VariationTempo,(80,70) bogus HA_4 !t");
    EXPECT_EQ(namesOf(t), "! & LG_4 _bs TuneTempo,90 bogus VariationTempo,(80,70) bogus HA_4 !t ");
    const Symbol* separator = findSymbol(t, "_bs");
    EXPECT_EQ(separator->category, CAT_BEAT_SEPARATOR);
    EXPECT_EQ(separator->glyphFont(), nullptr);
    EXPECT_EQ(findSymbol(t, "TuneTempo,90")->category, CAT_TEMPO_MARK);
    EXPECT_EQ(findSymbol(t, "VariationTempo,(80,70)")->category, CAT_TEMPO_MARK);
    const Symbol* unknown = findSymbol(t, "bogus");
    EXPECT_EQ(unknown->category, CAT_BEAT_SEPARATOR);
    EXPECT_EQ(unknown->glyphFont(), nullptr);
    // Separators and tempo marks stay out of the chain.
    EXPECT_EQ(findSymbol(t, "HA_4")->previousSymbol, findSymbol(t, "LG_4"));

    const auto& shown = build_.messages.messages();
    ASSERT_EQ(shown.size(), 2u);  // once per occurrence
    EXPECT_EQ(shown[0].text, "Symbol bogus could not be found in map!\n");
    EXPECT_EQ(shown[0].caption, "Symbol Error");
}

TEST_F(BarBuilderTest, NoUnknownNameMessageOnAPrinter) {
    build_.measuring.setPrinter(true);
    const Tune& t = tune("& bogus LA_4 !t");
    EXPECT_EQ(findSymbol(t, "bogus")->category, CAT_BEAT_SEPARATOR);
    EXPECT_TRUE(build_.messages.messages().empty());
}

TEST_F(BarBuilderTest, NullFontsMeasureNothing) {
    build_.fonts = FontSet{};
    const Tune& t = tune("& LA_4 !t");
    const Symbol* note = findSymbol(t, "LA_4");
    EXPECT_EQ(note->glyphFont(), nullptr);
    EXPECT_EQ(note->glyphExtent.width, 0);
    EXPECT_EQ(note->glyphBox.height, 0);
    EXPECT_EQ(note->category, CAT_MELODY_NO_TAIL);
}

TEST_F(BarBuilderTest, BarLinesAreMeasuredFromTheStaffFontsBarLine) {
    const Tune& t = tune("& LA_4 !t");
    const Symbol* end = findSymbol(t, "!t");
    EXPECT_EQ(end->glyphCharacter, 38);
    EXPECT_EQ(end->glyphBox.width, 16);
    EXPECT_EQ(end->glyphBox.height, 65);
}

TEST_F(BarBuilderTest, JoinedNotesNeedJoiningTailsOnBoth) {
    const Tune& t = tune("& LAr_8 Bl_8 D_8 Cr_8 El_8\tFr_16 LA_4 Cr_8 !t");
    EXPECT_EQ(findSymbol(t, "Bl_8")->backLink, findSymbol(t, "LAr_8"));
    EXPECT_EQ(findSymbol(t, "D_8")->backLink, nullptr);   // tail A never joins
    EXPECT_EQ(findSymbol(t, "Cr_8")->backLink, nullptr);  // its neighbour has tail A
    EXPECT_EQ(findSymbol(t, "El_8")->backLink, findSymbol(t, "Cr_8"));
    EXPECT_EQ(findSymbol(t, "Fr_16")->backLink, nullptr);  // a beat separator between
    EXPECT_EQ(findSymbol(t, "LA_4")->backLink, nullptr);   // no tail
    EXPECT_EQ(findSymbol(t, "Cr_8", 1)->backLink, nullptr);
}

TEST_F(BarBuilderTest, TiesLinkBothNotes) {
    const Tune& t = tune("& LAr_8 tie Bl_8 !t");
    const Symbol* tie = findSymbol(t, "tie");
    const Symbol* second = findSymbol(t, "Bl_8");
    EXPECT_EQ(tie->backLink, findSymbol(t, "LAr_8"));
    EXPECT_EQ(tie->forwardLink, second);
    EXPECT_TRUE(second->tieTarget);
    EXPECT_FALSE(findSymbol(t, "LAr_8")->tieTarget);
    // The note joins through the tie to the note before it.
    EXPECT_EQ(second->backLink, findSymbol(t, "LAr_8"));
    // Arcs are drawn with their font as secondary font and carry no time lines.
    EXPECT_EQ(tie->glyphFont(), nullptr);
    EXPECT_EQ(tie->staffFont(), nullptr);
    EXPECT_EQ(tie->secondaryFont(), build_.fonts.musicFont(3));
}

TEST_F(BarBuilderTest, AFontThatCouldNotBeMadeIsMissingFromEverySymbolThatUsesIt) {
    build_.fonts.fonts[2].reset();  // QTN3
    const Tune& t = tune("& HA_4 tie HA_4 'la !t");
    const Symbol* note = findSymbol(t, "HA_4");
    EXPECT_EQ(note->glyphFont(), build_.fonts.musicFont(1));
    EXPECT_EQ(note->ledgerFont(), nullptr);
    EXPECT_EQ(findSymbol(t, "tie")->secondaryFont(), nullptr);
    const Symbol* dot = findSymbol(t, "'la");
    EXPECT_EQ(dot->glyphFont(), nullptr);
    EXPECT_EQ(dot->glyphExtent.width, 0);  // nothing to measure it with
}

TEST_F(BarBuilderTest, TieAfterABeatSeparatorStartsFromTheBarsLastNote) {
    const Tune& t = tune("& LA_4 B_4\ttie C_4 !t");
    const Symbol* tie = findSymbol(t, "tie");
    EXPECT_EQ(tie->backLink, findSymbol(t, "B_4"));
    EXPECT_EQ(tie->previousSymbol, nullptr);  // rebuilt on a fresh chain
    EXPECT_EQ(tie->forwardLink, findSymbol(t, "C_4"));
    EXPECT_TRUE(findSymbol(t, "C_4")->tieTarget);
}

TEST_F(BarBuilderTest, TieLooksOneBarBackWithinTheStaffLine) {
    const Tune& t = tune("& LA_4 B_4 ! tie C_4 !t & tie D_8 !t");
    ASSERT_EQ(t.parts.size(), 2u);
    EXPECT_EQ(findSymbol(t, "tie")->backLink, findSymbol(t, "B_4"));
    // A new staff line does not look back.
    const Symbol* second = findSymbol(t, "tie", 1);
    EXPECT_EQ(second->backLink, nullptr);
    EXPECT_EQ(second->forwardLink, findSymbol(t, "D_8"));
}

TEST_F(BarBuilderTest, TripletMarkCoversThreeJoinedNotes) {
    const Tune& t = tune("& LA_4 LAr_8 Bl_8 Cr_8 ^3 LG_4 !t");
    const Symbol* mark = findSymbol(t, "^3e");
    ASSERT_NE(mark, nullptr);  // every triplet mark is named and drawn as ^3e
    EXPECT_EQ(mark->category, CAT_RUNS_OF_3);
    EXPECT_EQ(mark->glyphCharacter, 36);
    EXPECT_EQ(mark->secondaryFont(), build_.fonts.musicFont(3));
    EXPECT_EQ(mark->backLink, findSymbol(t, "Cr_8"));
    EXPECT_TRUE(findSymbol(t, "LAr_8")->inTuplet);
    EXPECT_TRUE(findSymbol(t, "Bl_8")->inTuplet);
    EXPECT_TRUE(findSymbol(t, "Cr_8")->inTuplet);
    EXPECT_FALSE(findSymbol(t, "LA_4")->inTuplet);
    EXPECT_FALSE(findSymbol(t, "LG_4")->inTuplet);
}

TEST_F(BarBuilderTest, TripletMarkWithoutTwoLinksBeforeCoversNothing) {
    const Tune& t = tune("& LA_4 B_4 C_4 ^3 !t");
    EXPECT_EQ(findSymbol(t, "^3e")->backLink, findSymbol(t, "C_4"));
    for (const char* name : {"LA_4", "B_4", "C_4"}) EXPECT_FALSE(findSymbol(t, name)->inTuplet) << name;
}

TEST_F(BarBuilderTest, TripletSpanFromItsStart) {
    const Tune& t = tune("& LA_4 ^3s B_4 dbe C_4 LG_4 ^3e HA_4 ^3e !t");
    const Symbol* end = findSymbol(t, "^3e");
    EXPECT_EQ(end->spanStart, findSymbol(t, "B_4"));
    EXPECT_EQ(end->backLink, findSymbol(t, "LG_4"));
    EXPECT_FALSE(findSymbol(t, "LA_4")->inTuplet);
    EXPECT_TRUE(findSymbol(t, "B_4")->inTuplet);
    EXPECT_TRUE(findSymbol(t, "C_4")->inTuplet);
    EXPECT_TRUE(findSymbol(t, "LG_4")->inTuplet);
    EXPECT_FALSE(findSymbol(t, "dbe")->inTuplet);
    // A second end finds the same start and reaches further.
    EXPECT_TRUE(findSymbol(t, "HA_4")->inTuplet);
    EXPECT_EQ(findSymbol(t, "^3e", 1)->spanStart, findSymbol(t, "B_4"));
    EXPECT_EQ(findSymbol(t, "^3s")->glyphFont(), nullptr);
}

TEST_F(BarBuilderTest, TripletSpanStartedInTheBarBefore) {
    const Tune& t = tune("& LA_4 ^3s B_4 ! C_4 ^3e D_8 !t");
    const Symbol* end = findSymbol(t, "^3e");
    EXPECT_EQ(end->spanStart, findSymbol(t, "B_4"));
    EXPECT_TRUE(findSymbol(t, "B_4")->inTuplet);
    EXPECT_TRUE(findSymbol(t, "C_4")->inTuplet);
    EXPECT_FALSE(findSymbol(t, "LA_4")->inTuplet);
    EXPECT_FALSE(findSymbol(t, "D_8")->inTuplet);
}

TEST_F(BarBuilderTest, TieSpanAndTieEndWithoutStart) {
    const Tune& t = tune("& LA_4 ^ts B_4 C_4 ^te ! D_8 ^te !t");
    const Symbol* end = findSymbol(t, "^te");
    EXPECT_EQ(end->spanStart, findSymbol(t, "B_4"));
    EXPECT_EQ(end->backLink, findSymbol(t, "C_4"));
    EXPECT_FALSE(findSymbol(t, "B_4")->inTuplet);
    // In the next bar the start of the bar before is found again.
    EXPECT_EQ(findSymbol(t, "^te", 1)->spanStart, findSymbol(t, "B_4"));

    const Tune& u = tune("& LA_4 ^te !t");
    EXPECT_EQ(findSymbol(u, "^te")->spanStart, nullptr);
    EXPECT_EQ(findSymbol(u, "^te")->backLink, findSymbol(u, "LA_4"));
}

TEST_F(BarBuilderTest, MarksOnThePreviousAndTheNextSymbol) {
    const Tune& t = tune("& LA_4 fermat overnext B_4 dbe underprev sign C_4 !t");
    EXPECT_EQ(findSymbol(t, "fermat")->backLink, findSymbol(t, "LA_4"));
    EXPECT_EQ(findSymbol(t, "overnext")->forwardLink, findSymbol(t, "B_4"));
    EXPECT_EQ(findSymbol(t, "underprev")->backLink, findSymbol(t, "dbe"));
    EXPECT_EQ(findSymbol(t, "sign")->forwardLink, findSymbol(t, "C_4"));
    EXPECT_FALSE(findSymbol(t, "B_4")->tieTarget);

    const Tune& u = tune("& LA_4 ! fermat B_4 !t");
    EXPECT_EQ(findSymbol(u, "fermat")->backLink, nullptr);
}

TEST_F(BarBuilderTest, FineAndCodaMarkTheNearestMelodyOrEmbellishment) {
    const Tune& t = tune("& LA_4 fine ! B_4 dbe sharpf coda ! fine C_4 !t");
    EXPECT_EQ(findSymbol(t, "LA_4")->repeatMark, 1);
    EXPECT_EQ(findSymbol(t, "fine")->backLink, findSymbol(t, "LA_4"));
    EXPECT_EQ(findSymbol(t, "dbe")->repeatMark, 2);
    EXPECT_EQ(findSymbol(t, "B_4")->repeatMark, 0);
    EXPECT_EQ(findSymbol(t, "coda")->backLink, findSymbol(t, "sharpf"));
    // First in its bar: marks nothing.
    EXPECT_EQ(findSymbol(t, "C_4")->repeatMark, 0);
    EXPECT_EQ(findSymbol(t, "fine", 1)->backLink, nullptr);
}

TEST_F(BarBuilderTest, InLineTextHangsOnTheFollowingSymbol) {
    const Tune& t = tune(
        "& \"first\",(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) \"Under\",(I,C,0,0,Times New Roman,11,700,0,0,0,0,0,0)"
        " _bs LA_4 \"title\",(T,L,0,0,Times New Roman,11,700,0,0,0,0,0,0) B_4 \"lost\",(I,L,0,0,x,1,1,0,0,0,0,0,0)"
        " _bs ! C_4 !t");
    const Symbol* barLine = findSymbol(t, "!", 1);
    const Symbol* note = findSymbol(t, "LA_4");
    ASSERT_NE(note->inlineText, nullptr);
    EXPECT_EQ(note->inlineText->text, "Under");
    EXPECT_EQ(note->inlineText->kind, 'I');
    EXPECT_EQ(note->inlineText->anchorX, note->centreX);
    EXPECT_EQ(note->inlineText->anchorY, note->y);
    EXPECT_EQ(findSymbol(t, "B_4")->inlineText, nullptr);  // not in-line: discarded
    // A beat separator does not take a text; the bar line after it does.
    ASSERT_NE(barLine->inlineText, nullptr);
    EXPECT_EQ(barLine->inlineText->text, "lost");
    ASSERT_EQ(t.header.texts.size(), 2u);
    EXPECT_EQ(t.header.texts[0].get(), note->inlineText);
    EXPECT_EQ(t.header.texts[0]->number, 0);
    EXPECT_EQ(t.header.texts[1]->number, 1);
}

TEST_F(BarBuilderTest, MalformedQuotedTokensAttachNothing) {
    const Tune& t = tune(
        "& \"no comma\" LA_4 \"unclosed,(I,L,0,0,a,1,1,0,0,0,0,0,0)\r\nB_4 \"x\",(I,L,0\r\n!t");
    EXPECT_EQ(namesOf(t), "! & LA_4 B_4 !t ");
    for (const Symbol* symbol : allSymbols(t)) EXPECT_EQ(symbol->inlineText, nullptr) << symbol->name;
    EXPECT_TRUE(t.header.texts.empty());
}

TEST_F(BarBuilderTest, TimeLinesAndTheBisRule) {
    const Tune& t = tune("& 'bis LA_4 '1 B_4 _' C_4 _' LG_4 '2 'zz HA_4 !t");
    EXPECT_EQ(findSymbol(t, "LA_4")->timeLines, 0x4000);
    EXPECT_EQ(findSymbol(t, "'1")->timeLines, 0x4002);
    EXPECT_EQ(findSymbol(t, "B_4")->timeLines, 0x4002);
    EXPECT_EQ(findSymbol(t, "_'")->timeLines, 0x4000);
    EXPECT_EQ(findSymbol(t, "_'")->backLink, findSymbol(t, "B_4"));
    EXPECT_EQ(findSymbol(t, "C_4")->timeLines, 0x4000);
    EXPECT_EQ(findSymbol(t, "LG_4")->timeLines, 0);
    EXPECT_EQ(findSymbol(t, "'2")->timeLines, 0x0004);
    // A start name outside the table closes everything.
    EXPECT_EQ(findSymbol(t, "'zz")->timeLines, 0);
    EXPECT_EQ(findSymbol(t, "HA_4")->timeLines, 0);
}

TEST_F(BarBuilderTest, BlankBarIsEmpty) {
    Tune owner;
    StaffLayout staff;
    int textNumber = 0;
    const TuneBuildContext context{build_.symbols, build_.measuring, build_.fonts, build_.messages, 130};
    BarBuilder builder(context, owner, textNumber);
    TimeLineFlags timeLines = 0x0004;
    const auto bar = builder.build(BarText{"  \r\n  ", 0, {}}, 40, 7, timeLines, staff);
    EXPECT_TRUE(bar->symbols.empty());
    EXPECT_EQ(bar->width, 0);
    EXPECT_EQ(bar->x, 40);
    EXPECT_EQ(bar->y, 7);
    EXPECT_EQ(timeLines, 0x0004);
}

}  // namespace
}  // namespace skirlo
