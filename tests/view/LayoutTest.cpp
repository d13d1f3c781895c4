// The music layout on the real fonts: heights, gaps, marks, staff lines,
// stretching, aligned columns, texts and the music extent.

#include <gtest/gtest.h>
#include <QFontInfo>

#include <climits>
#include <string>

#include "support/EngravingTestSupport.h"

namespace skirlo {
namespace {

using test::boxBottomOf;
using test::boxTopOf;
using test::named;
using test::plainSettings;
using test::stavesOf;
using test::symbolsOf;

constexpr const char* kTitle = "\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n";

class LayoutTest : public ::testing::Test {
protected:
    const Tune& tune(std::string body, const LayoutSettings& settings = plainSettings()) {
        const LaidOutMusic& music = engraving.layOut(std::move(body), settings);
        EXPECT_EQ(music.tunes.size(), 1u);
        return *music.tunes.front();
    }
    const StaffLayout& onlyStaff(std::string body, const LayoutSettings& settings = plainSettings()) {
        const Tune& t = tune(std::move(body), settings);
        return *stavesOf(t).front();
    }
    int scaled(int table, int percent) const { return percent * engraving.units(table) / 100; }
    // The staff laid out on its own, in a second layout that stays alive.
    const StaffLayout& alone(std::string body, const LayoutSettings& settings = plainSettings()) {
        return *stavesOf(*reference.layOut(std::move(body), settings).tunes.front()).front();
    }

    test::Engraving engraving;
    test::Engraving reference;
};

TEST(LayoutHeights, ZoomAndScalesGiveBaseHeightAndWidth) {
    const DerivedHeights normal = derivedHeights(100, 100, 100);
    EXPECT_EQ(normal.base, 130);
    EXPECT_EQ(normal.height, 130);
    EXPECT_EQ(normal.width, 130);
    const DerivedHeights half = derivedHeights(50, 100, 100);
    EXPECT_EQ(half.height, 65);
    EXPECT_EQ(half.width, 65);
    const DerivedHeights large = derivedHeights(150, 90, 100);
    EXPECT_EQ(large.base, 195);
    EXPECT_EQ(large.height, 195);
    EXPECT_EQ(large.width, 175);  // 195 x 90 / 100, truncated
    const DerivedHeights wide = derivedHeights(100, 150, 100);
    EXPECT_EQ(wide.height, 130);
    EXPECT_EQ(wide.width, 195);
    // Whatever a tune text asks for, the heights stay within bounds.
    const DerivedHeights huge = derivedHeights(INT_MAX, INT_MAX, INT_MAX);
    EXPECT_EQ(huge.height, kMaxFontHeight);
    EXPECT_EQ(huge.width, kMaxFontHeight);
    const DerivedHeights negative = derivedHeights(-100, 100, 100);
    EXPECT_EQ(negative.height, 0);
    EXPECT_EQ(derivedHeights(100, 100, 0).height, 0);
}

TEST_F(LayoutTest, FontHeightIsLoweredUntilTheStaffSpacingIsWhole) {
    for (const int zoom : {50, 100, 150}) {
        LayoutSettings settings = plainSettings();
        settings.zoom = zoom;
        const StaffLayout& staff = onlyStaff("& LA_4 !t", settings);
        const int requested = derivedHeights(zoom, 100, 100).height;
        const int h = engraving.height();
        EXPECT_LE(h, requested) << zoom;
        EXPECT_GT(h, requested - 8) << zoom;
        const int reference = engraving.music.fonts->musicFont(1)->glyphBox(33).height;
        EXPECT_EQ(reference % 4, 0) << zoom;
        for (int k = 1; k < 5; ++k) EXPECT_EQ(staff.lineY[k] - staff.lineY[k - 1], reference / 4) << zoom;
    }
}

TEST_F(LayoutTest, XScaleWidensGlyphsOnly) {
    const Symbol& natural = *named(alone("& LA_4 !t"), "LA_4");
    const int naturalHeight = reference.height();
    LayoutSettings wide = plainSettings();
    wide.xScale = 150;
    const Symbol& stretched = *named(onlyStaff("& LA_4 !t", wide), "LA_4");
    EXPECT_EQ(engraving.height(), naturalHeight);
    EXPECT_GT(stretched.glyphExtent.width, natural.glyphExtent.width * 13 / 10);
    EXPECT_EQ(stretched.glyphBox.height, natural.glyphBox.height);
    EXPECT_EQ(stretched.y, natural.y);
}

TEST_F(LayoutTest, SymbolsKeepTheirFontsWhenTheMusicIsHandedOn) {
    engraving.layOut("& HA_4 !t");
    const LaidOutMusic music = std::move(engraving.music);
    const StaffLayout& staff = *stavesOf(*music.tunes.front()).front();
    const Symbol& note = *named(staff, "HA_4");
    const Font* glyphFont = music.fonts->musicFont(engraving.symbols.find("HA_4").section);
    ASSERT_NE(glyphFont, nullptr);
    EXPECT_EQ(note.glyphFont(), glyphFont);
    EXPECT_EQ(note.ledgerFont(), music.fonts->musicFont(3));
    EXPECT_EQ(note.secondaryFont(), music.fonts->textFont());
}

TEST_F(LayoutTest, NotesCarryTheScaledSpaceAfterAndFollowEachOther) {
    LayoutSettings settings = plainSettings();
    settings.spacePercent = 80;
    const StaffLayout& staff = onlyStaff("& LA_4 B_4 !t", settings);
    const Symbol& a = *named(staff, "LA_4");
    const Symbol& b = *named(staff, "B_4");
    EXPECT_EQ(a.spaceBefore, 0);
    EXPECT_EQ(a.spaceAfter, scaled(10, 80));
    EXPECT_EQ(a.advanceWidth, a.spaceAfter + a.glyphExtent.width);
    EXPECT_EQ(a.centreX, a.x + a.glyphExtent.width / 2);
    EXPECT_EQ(b.x, a.x + a.advanceWidth);
    EXPECT_EQ(a.height, a.glyphExtent.height);
}

TEST_F(LayoutTest, GracenoteGapsDependOnWhatStandsBefore) {
    LayoutSettings settings = plainSettings();
    settings.spacePercent = 80;
    const StaffLayout& staff = onlyStaff("& gg LA_4 gg B_4 !t", settings);
    const Symbol& first = *named(staff, "gg", 0);
    const Symbol& second = *named(staff, "gg", 1);
    // After the clef the gracenote keeps its own scaled space before...
    EXPECT_EQ(first.spaceBefore, scaled(10, 80));
    // ...after a note the note's space after already separates them.
    EXPECT_EQ(second.spaceBefore, 0);
    EXPECT_EQ(first.spaceAfter, engraving.units(3));
    EXPECT_EQ(second.spaceAfter, engraving.units(3));
}

TEST_F(LayoutTest, InsideATailedGroupGracenotesStayClose) {
    LayoutSettings settings = plainSettings();
    settings.spacePercent = 80;
    const StaffLayout& staff = onlyStaff("& LAr_8 gg Bl_8 !t", settings);
    // Not the zero gap after a note: the group's fixed 4/130 of H.
    EXPECT_EQ(named(staff, "gg")->spaceBefore, engraving.units(4));
}

TEST_F(LayoutTest, PibrochMarksAndSignsHangOnTheirNotes) {
    // The default map has no pibroch marks: give three of them a glyph.
    const SymbolMap::Lookup fermata = engraving.symbols.find("fermat");
    ASSERT_NE(fermata.entry, nullptr);
    for (const auto& [name, category] : {std::pair{"over", CAT_PIOB_OVERNEXT}, std::pair{"under", CAT_PIOB_UNDERNEXT},
                                         std::pair{"underprev", CAT_PIOB_UNDERPREV}}) {
        SymbolMapEntry entry = *fermata.entry;
        entry.name = name;
        entry.category = category;
        engraving.symbols.insert(fermata.section, entry);
    }
    const StaffLayout& staff = onlyStaff("& LA_4 over B_4 under E_4 HG_4 underprev segno C_4 !t");
    const Symbol& b = *named(staff, "B_4");
    const Symbol& over = *named(staff, "over");
    EXPECT_EQ(over.advanceWidth, 0);
    EXPECT_EQ(over.x, b.centreX - over.glyphExtent.width / 2);
    EXPECT_EQ(over.y, b.y);

    const Symbol& e = *named(staff, "E_4");
    const Symbol& under = *named(staff, "under");
    EXPECT_EQ(under.x, e.centreX - under.glyphExtent.width / 2);
    // Hung below its note, clear of it, and the staff makes room for it.
    EXPECT_GE(boxTopOf(under), boxBottomOf(e) + engraving.units(3) - 1);
    EXPECT_GE(staff.y + staff.height, boxBottomOf(under));

    const Symbol& g = *named(staff, "HG_4");
    const Symbol& prev = *named(staff, "underprev");
    const int third = prev.glyphExtent.width / 3;
    EXPECT_EQ(prev.x, g.centreX - third);
    EXPECT_EQ(prev.centreX, prev.x + 2 * third);

    const Symbol& c = *named(staff, "C_4");
    const Symbol& segno = *named(staff, "segno");
    EXPECT_EQ(segno.x, c.x + c.spaceBefore);
    // Above its note's glyph box, and half a staff space clear of the staff.
    EXPECT_LE(boxBottomOf(segno), boxTopOf(c));
    EXPECT_LE(boxBottomOf(segno), staff.lineY[0] - (staff.lineY[1] - staff.lineY[0]) / 2);
}

TEST_F(LayoutTest, DotTakesBackTheSpaceAfterItsTailedNote) {
    const StaffLayout& staff = onlyStaff("& LAr_8 'la Bl_16 !t");
    const Symbol& note = *named(staff, "LAr_8");
    const Symbol& dot = *named(staff, "'la");
    const Symbol& next = *named(staff, "Bl_16");
    EXPECT_EQ(note.spaceAfter, 0);
    EXPECT_EQ(note.advanceWidth, note.glyphOrigin.width + note.glyphBox.width);
    EXPECT_EQ(dot.x, note.x + note.advanceWidth);
    EXPECT_EQ(dot.spaceBefore, engraving.units(4));
    EXPECT_EQ(next.x, dot.x + dot.advanceWidth);
    EXPECT_EQ(note.stemX, note.x + note.glyphOrigin.width);
    EXPECT_EQ(note.centreX, note.x + (note.glyphOrigin.width + note.glyphBox.width) / 2);
    // Joined for beaming: both tails join.
    EXPECT_EQ(next.backLink, &note);
}

TEST_F(LayoutTest, HighAAfterAGracenoteMakesRoomForItsLedgerLine) {
    const StaffLayout& staff = onlyStaff("& gg HAr_8 !t");
    const Symbol& grace = *named(staff, "gg");
    const Symbol& note = *named(staff, "HAr_8");
    const int ledger = engraving.music.fonts->musicFont(3)->glyphBox(77).width;
    const int shift = (ledger - note.glyphBox.width) / 2;
    ASSERT_GT(shift, 0);
    EXPECT_EQ(grace.advanceWidth, grace.spaceBefore + grace.glyphExtent.width + grace.spaceAfter + shift);
    EXPECT_EQ(note.x, grace.x + grace.advanceWidth);
    EXPECT_EQ(note.advanceWidth, note.spaceBefore + ledger + note.spaceAfter);
}

TEST_F(LayoutTest, FermataStandsCentredOverItsNoteAndClearOfIt) {
    const StaffLayout& staff = onlyStaff("& HA_4 fermat B_4 !t");
    const Symbol& note = *named(staff, "HA_4");
    const Symbol& fermata = *named(staff, "fermat");
    EXPECT_EQ(fermata.advanceWidth, 0);
    EXPECT_EQ(fermata.x, note.centreX - fermata.glyphExtent.width / 2);
    EXPECT_LE(boxBottomOf(fermata), boxTopOf(note) - engraving.units(3));
    EXPECT_EQ(named(staff, "B_4")->x, note.x + note.advanceWidth);
    // Raised above the bar, it still stays inside its own staff.
    EXPECT_GE(boxTopOf(fermata), staff.y);
}

TEST_F(LayoutTest, RepeatSignHangsAfterTheBarLineAsOverhang) {
    const Tune& t = tune("& LA_4 !I dalsegno");
    const StaffLayout& staff = *stavesOf(t).front();
    const Symbol& bar = *named(staff, "!I");
    const Symbol& sign = *named(staff, "dalsegno");
    EXPECT_EQ(sign.advanceWidth, 0);
    EXPECT_EQ(sign.x, bar.x + bar.spaceBefore + bar.spaceAfter + bar.glyphExtent.width);
    EXPECT_EQ(staff.overhang, sign.glyphExtent.width);
    EXPECT_EQ(t.width, staff.width + staff.overhang);
}

TEST_F(LayoutTest, StaffLinesComeFromTheFirstBarLineOrElseFromTheStaffGlyph) {
    const Tune& t = tune("& LA_4 !t B_4 !I");
    const std::vector<StaffLayout*> staves = stavesOf(t);
    ASSERT_EQ(staves.size(), 2u);
    const StaffLayout& first = *staves[0];
    const Symbol& bar = *symbolsOf(first).front();
    ASSERT_EQ(bar.category, CAT_BAR);  // the bar line put before the clef
    const int d = bar.glyphBox.height / 4;
    for (int k = 0; k < 5; ++k) EXPECT_EQ(first.lineY[k], boxTopOf(bar) + k * d);
    EXPECT_EQ(first.lineThickness, engraving.music.fonts->musicFont(3)->glyphBox(57).height);

    // The second staff has no bar line before its end: the contours of the
    // staff glyph give its lines, which the fonts draw where bar lines end.
    const StaffLayout& second = *staves[1];
    const int firstBarY = first.y + first.ballBandHeight;
    const int secondBarY = second.y + second.ballBandHeight;
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(second.lineY[k] - secondBarY, first.lineY[k] - firstBarY, 1);
    EXPECT_EQ(second.y, first.y + first.height);
    EXPECT_EQ(first.ballBandHeight, engraving.units(kDefaultBallSize));
}

TEST_F(LayoutTest, NarrowStaffSharesItsExtraWidthAmongStretchPoints) {
    const std::string narrow = "& LA_4 B_4 ! C_4 !t\r\n";
    const StaffLayout& single = alone(narrow);
    std::vector<int> aloneGaps, aloneBars;
    for (const Symbol* s : symbolsOf(single)) aloneGaps.push_back(s->spaceBefore);
    for (const auto& bar : single.bars) aloneBars.push_back(bar->width);

    const Tune& t = tune("& LA_4 B_4 C_4 D_4 ! E_4 F_4 !t\r\n" + narrow);
    const std::vector<StaffLayout*> staves = stavesOf(t);
    ASSERT_EQ(staves.size(), 2u);
    const StaffLayout& wide = *staves[0];
    const StaffLayout& stretched = *staves[1];
    const int extra = wide.width - single.width;
    const int points = 3;  // the three notes; clef and bar lines take nothing
    ASSERT_GT(extra, points);
    EXPECT_EQ(stretched.width, wide.width);
    EXPECT_EQ(stretched.bars[0]->width, aloneBars[0] + 2 * (extra / points));
    EXPECT_EQ(stretched.bars[1]->width, aloneBars[1] + extra / points + extra % points);

    const std::vector<Symbol*> after = symbolsOf(stretched);
    for (std::size_t i = 0; i < after.size(); ++i) {
        int grown = isMelodyCategory(after[i]->category) ? extra / points : 0;
        if (i + 1 == after.size()) grown += extra % points;  // the remainder at the last bar's end
        EXPECT_EQ(after[i]->spaceBefore, aloneGaps[i] + grown) << after[i]->name;
    }
    EXPECT_EQ(stretched.bars[1]->x, stretched.bars[0]->x + stretched.bars[0]->width);
    EXPECT_EQ(named(stretched, "B_4")->x, named(stretched, "LA_4")->x + named(stretched, "LA_4")->advanceWidth);
}

TEST_F(LayoutTest, MoreStretchPointsThanPixelsGivesTheLastBarEverything) {
    const std::string bar = "LA_4 LA_4 LA_4 LA_4 LA_4 LA_4 LA_4 LA_4 ";
    const std::string narrow = "& " + bar + "! " + bar + "!t\r\n";
    const StaffLayout& single = alone(narrow);
    const int firstBar = single.bars[0]->width;
    const int lastBar = single.bars[1]->width;

    // A tempo mark takes room but no note: the other staff is a few pixels wider.
    const Tune& t = tune("& " + bar + "! " + bar + "TuneTempo,80 !t\r\n" + narrow);
    const StaffLayout& wide = *stavesOf(t)[0];
    const StaffLayout& stretched = *stavesOf(t)[1];
    const int extra = wide.width - single.width;
    ASSERT_GT(extra, 0);
    ASSERT_LT(extra, 16);
    EXPECT_EQ(stretched.bars[0]->width, firstBar);
    EXPECT_EQ(stretched.bars[1]->width, lastBar + extra);
    EXPECT_EQ(stretched.width, wide.width);
    EXPECT_EQ(symbolsOf(stretched).back()->x + symbolsOf(stretched).back()->advanceWidth,
              stretched.x + stretched.width);
}

TEST_F(LayoutTest, AlignedBarsStandInColumnsCountedFromTheEnd) {
    LayoutSettings settings = plainSettings();
    settings.alignBars = true;
    const Tune& t = tune("& LA_4 ! B_4 B_4 ! C_4 !t\r\n& LA_4 ! B_4 ! C_4 ! D_4 D_4 ! E_4 !t\r\n", settings);
    const std::vector<StaffLayout*> staves = stavesOf(t);
    ASSERT_EQ(staves.size(), 2u);
    const StaffLayout& shorter = *staves[0];
    const StaffLayout& longer = *staves[1];
    ASSERT_EQ(shorter.bars.size(), 3u);
    ASSERT_EQ(longer.bars.size(), 5u);
    auto right = [](const BarLayout& bar) { return bar.x + bar.width; };
    // K = 3: the longer staff's first three bars make its first column.
    EXPECT_EQ(right(*longer.bars[2]), right(*shorter.bars[0]));
    EXPECT_EQ(right(*longer.bars[3]), right(*shorter.bars[1]));
    EXPECT_EQ(right(*longer.bars[4]), right(*shorter.bars[2]));
    EXPECT_EQ(longer.width, shorter.width);
    for (const StaffLayout* staff : staves) {
        for (std::size_t b = 1; b < staff->bars.size(); ++b) {
            EXPECT_EQ(staff->bars[b]->x, right(*staff->bars[b - 1]));
        }
    }
}

TEST_F(LayoutTest, TextsArePlacedByKindAndAlignment) {
    const std::string text =
        "\"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
        "\"Reel\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"
        "\"Composer\",(M,R,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"
        "\"Footer\",(F,R,0,0,Times New Roman,10,400,0,0,18,0,0,0)\r\n"
        "\"Fixed\",(X,L,1000,500,Times New Roman,10,400,0,0,18,0,0,0)\r\n"
        "& LA_4 B_4 C_4 D_4 E_4 \"Hi\",(I,C,0,0,Times New Roman,10,400,0,0,18,0,0,0) F_4 "
        "\"At\",(I,L,0,0,Times New Roman,10,400,0,0,18,0,0,0) HG_4 HA_4 !t";
    const Tune& t = tune(text);
    const auto& texts = t.header.texts;
    auto find = [&](const std::string& s) -> const TextRecord& {
        for (const auto& r : texts) {
            if (r->text == s) return *r;
        }
        ADD_FAILURE() << s;
        return *texts.front();
    };
    int header = 0;
    for (const char* s : {"Title", "Reel", "Composer"}) header = std::max(header, find(s).measure(true).height);
    EXPECT_EQ(t.headerBandHeight, header);
    EXPECT_EQ(t.footerBandHeight, find("Footer").measure(true).height);

    const TextRecord& title = find("Title");
    EXPECT_EQ(title.box.left, t.x);
    EXPECT_EQ(title.box.bottom, t.y + t.headerBandHeight);
    EXPECT_EQ(title.box.right - title.box.left, title.measure(false).width);
    const TextRecord& type = find("Reel");
    EXPECT_EQ(type.box.left, t.x + t.width / 2 - type.measure(false).width / 2);
    EXPECT_EQ(find("Composer").box.right, t.x + t.width);
    EXPECT_EQ(find("Footer").box.bottom, t.y + t.height);
    EXPECT_EQ(find("Footer").box.right, t.x + t.width);

    const StaffLayout& staff = *stavesOf(t).front();
    const Symbol& f = *named(staff, "F_4");
    const TextRecord& hi = find("Hi");
    EXPECT_EQ(f.inlineText, &hi);
    EXPECT_EQ(hi.box.left, f.centreX - hi.measure(false).width / 2);
    EXPECT_EQ(hi.box.bottom, f.y);
    EXPECT_EQ(find("At").box.left, named(staff, "HG_4")->centreX);
    // The staff made room above its music for its in-line texts.
    EXPECT_EQ(staff.ballBandHeight, engraving.units(kDefaultBallSize) + hi.measure(false).height);
    EXPECT_GE(hi.box.top, staff.y);
    // Fixed texts: thousandths of an inch at the context's resolution.
    const TextRecord& fixed = find("Fixed");
    EXPECT_EQ(fixed.box.left, 1000 * 96 / 1000);
    EXPECT_EQ(fixed.box.top, 500 * 96 / 1000);
}

TEST(LayoutTextFonts, RecordFontsFollowTheZoomOnScreenOnly) {
    QtMeasuringContext screen(SKIRLO_RESOURCE_DIR);
    QtMeasuringContext printer(SKIRLO_RESOURCE_DIR, 600, 600, true);
    const std::string attributes = "(T,L,0,0,Times New Roman,14,400,0,0,18,0,0,0)";
    const auto atFull = TextRecord::create(screen, "Reel", attributes, 130);
    const auto atHalf = TextRecord::create(screen, "Reel", attributes, 65);
    const auto onPaper = TextRecord::create(printer, "Reel", attributes, 65);
    ASSERT_TRUE(atFull && atHalf && onPaper);
    // 14 points at 96 pixels to the inch is an em of about 19 pixels.
    const auto* full = dynamic_cast<const QtTextFont*>(atFull->font());
    const auto* half = dynamic_cast<const QtTextFont*>(atHalf->font());
    const auto* paper = dynamic_cast<const QtTextFont*>(onPaper->font());
    ASSERT_TRUE(full && half && paper);
    EXPECT_EQ(full->font().pixelSize(), 19);
    EXPECT_EQ(half->font().pixelSize(), 9);     // 140 x 65 / 130 tenths: 7 points
    EXPECT_EQ(paper->font().pixelSize(), 117);  // unscaled: 14 points at 600 per inch
    // The face resolves through fontconfig to a metric-compatible serif.
    EXPECT_EQ(QFontInfo(full->font()).family().toStdString(), "Liberation Serif");
    // Whole-string and per-character measures agree in width for plain text.
    EXPECT_NEAR(atFull->measure(false).width, atFull->measure(true).width, 1);
    EXPECT_GE(atFull->measure(true).height, atFull->measure(false).height);
    EXPECT_GT(atFull->measure(false).width, atHalf->measure(false).width * 18 / 10);
}

TEST_F(LayoutTest, AbsoluteAlignmentKeepsTheStoredX) {
    const Tune& t = tune("\"Here\",(T,N,37,0,Times New Roman,12,400,0,0,18,0,0,0)\r\n& LA_4 !t");
    EXPECT_EQ(t.header.texts.front()->box.left, 37);
}

TEST_F(LayoutTest, EmptyTextHasTheSmallestExtent) {
    const LaidOutMusic& music = engraving.layOut("");
    EXPECT_TRUE(music.tunes.empty());
    EXPECT_EQ(music.extent.width, 1);
    EXPECT_EQ(music.extent.height, 1);
}

TEST_F(LayoutTest, TuneWithoutMusicShowsItsHeaderTextsInsideTheExtent) {
    const LaidOutMusic& music = engraving.layOut(std::string(kTitle) + "no music here");
    ASSERT_EQ(music.tunes.size(), 1u);
    const Tune& t = *music.tunes.front();
    EXPECT_TRUE(t.parts.empty());
    ASSERT_EQ(t.header.texts.size(), 1u);
    const TextRecord& title = *t.header.texts.front();
    EXPECT_EQ(t.height, t.headerBandHeight);
    EXPECT_GE(title.box.left, 0);
    EXPECT_LE(title.box.right, music.extent.width);
    EXPECT_LE(title.box.bottom, music.extent.height);
}

TEST_F(LayoutTest, TunesFollowEachOtherAndMakeTheExtent) {
    const LaidOutMusic& music = engraving.layOut(
        std::string(kTitle) + "& LA_4 B_4 !t\r\n\"Skirlo: the next tune\"\r\n" + kTitle + "& LA_4 B_4 C_4 D_4 !t\r\n");
    ASSERT_EQ(music.tunes.size(), 2u);
    const Tune& first = *music.tunes[0];
    const Tune& second = *music.tunes[1];
    EXPECT_EQ(first.x, music.leftX);
    EXPECT_EQ(second.y, first.y + first.height);
    EXPECT_EQ(music.extent.height, first.height + second.height);
    EXPECT_EQ(music.extent.width, std::max(first.width, second.width) + music.leftX);
    EXPECT_EQ(first.height, first.headerBandHeight + first.parts.front()->height + first.footerBandHeight);
}

TEST_F(LayoutTest, TiesAndTripletsGetCurvesOverTheirNotes) {
    const StaffLayout& staff = onlyStaff("& LAr_8 ^3s Br_8 Cl_8 Dl_8 ^3e ! E_4 ^ts F_4 ! HG_4 ^te !t");
    const Symbol& triplet = *named(staff, "^3e");
    ASSERT_TRUE(triplet.curve);
    EXPECT_EQ(triplet.curve->size(), 261u);
    EXPECT_EQ(triplet.curve->front().x, named(staff, "Br_8")->centreX);
    EXPECT_EQ(triplet.curve->at(129).x, named(staff, "Dl_8")->centreX);
    const int spacing = staff.lineY[1] - staff.lineY[0];
    int highest = boxTopOf(*named(staff, "Br_8"));
    for (const char* n : {"Cl_8", "Dl_8"}) highest = std::min(highest, boxTopOf(*named(staff, n)));
    EXPECT_EQ(triplet.curve->front().y, highest - spacing);

    const Symbol& tie = *named(staff, "^te");
    ASSERT_TRUE(tie.curve);
    EXPECT_EQ(tie.curve->front().x, named(staff, "F_4")->centreX);
    EXPECT_EQ(tie.curve->at(129).x, named(staff, "HG_4")->centreX);
}

TEST_F(LayoutTest, MarksWithNothingToHangOnNeitherCrashNorDraw) {
    // Only marks; a tie first and last; a time line never closed.
    const LaidOutMusic& music =
        engraving.layOut("& fermat ^t ^te ^3e ^3 segno fermat ! '1 ^t LA_4 ^t ! ^ts ^3s B_4 !t");
    ASSERT_EQ(music.tunes.size(), 1u);
    const StaffLayout& staff = *stavesOf(*music.tunes.front()).front();
    for (const Symbol* s : symbolsOf(staff)) {
        if (s->name == "^te" || s->name == "^3e" || s->name == "^3") {
            EXPECT_FALSE(s->curve) << s->name;
        }
    }
    EXPECT_FALSE(named(staff, "^t", 2)->curve);  // nothing after it
    EXPECT_NE(named(staff, "B_4")->timeLines, 0);
    EXPECT_GE(music.extent.width, 1);
}

TEST_F(LayoutTest, ZeroScaleGivesAnEmptyPageInsteadOfACrash) {
    LayoutSettings settings = plainSettings();
    settings.yScale = 0;
    const LaidOutMusic& music = engraving.layOut(std::string(kTitle) + "& LA_4 gg HAr_8 'ha !t", settings);
    EXPECT_EQ(music.fonts->height, 0);
    EXPECT_FALSE(engraving.messages.messages().empty());  // the fonts could not be made
    EXPECT_GE(music.extent.width, 1);
    EXPECT_GE(music.extent.height, 1);
}

}  // namespace
}  // namespace skirlo
