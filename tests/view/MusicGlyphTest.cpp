// The shapes of the music fonts: the glyphs layout and drawing read by code,
// and the notes and gracenotes of the default map, checked at a height where
// one design unit is one pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FontTestSupport.h"
#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "view/Specimen.h"

namespace skirlo {
namespace {

using test::Bounds;
using test::boundsOf;
using test::boxBottom;
using test::boxTop;

class MusicGlyphTest : public ::testing::Test {
protected:
    void SetUp() override {
        context = test::resourceContext();
        for (int section = 1; section <= 8; ++section) {
            fonts.push_back(test::designFont(*context, section));
            ASSERT_NE(fonts.back(), nullptr) << "QTN" << section;
        }
        profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
        map.load(*profile, messages);
        entries = specimenEntries(*profile);
        for (const Contour& line : font(3).outline(87)) lines.push_back(boundsOf(line));
        std::sort(lines.begin(), lines.end(), [](const Bounds& a, const Bounds& b) { return a.top < b.top; });
        ASSERT_EQ(lines.size(), 5u);
    }

    const QtMusicFont& font(int section) const { return *fonts[static_cast<std::size_t>(section - 1)]; }
    int spacing() const { return lines[1].top - lines[0].top; }
    int thickness() const { return lines[0].height(); }
    // Where a head of this pitch (0 low G .. 8 high A) has its centre.
    int pitchCentre(int pitch) const {
        return lines[4].top + thickness() / 2 - (pitch + 2) * spacing() / 2;
    }

    template <typename Predicate>
    std::vector<SpecimenEntry> rows(Predicate wanted) const {
        std::vector<SpecimenEntry> out;
        for (const SpecimenEntry& e : entries) {
            const SymbolMap::Lookup found = map.find(e.name);
            if (found.entry && wanted(*found.entry)) out.push_back(e);
        }
        return out;
    }

    std::unique_ptr<QtMeasuringContext> context;
    std::vector<std::unique_ptr<QtMusicFont>> fonts;
    std::unique_ptr<IniProfile> profile;
    RecordingMessageSink messages;
    SymbolMap map;
    std::vector<SpecimenEntry> entries;
    std::vector<Bounds> lines;
};

TEST_F(MusicGlyphTest, StaffGlyphHasFiveEvenLinesOfTheStaffLineThickness) {
    for (std::size_t k = 1; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].top - lines[k - 1].top, spacing()) << "line " << k;
        EXPECT_EQ(lines[k].left, lines[0].left);
        EXPECT_EQ(lines[k].right, lines[0].right);
    }
    EXPECT_GT(spacing(), 0);
    EXPECT_EQ(font(3).glyphBox(57).height, thickness());
    for (const Bounds& line : lines) EXPECT_EQ(line.height(), thickness());
}

TEST_F(MusicGlyphTest, ReferenceBarLineSpansTheStaffFromTopLineToTopOfBottomLine) {
    EXPECT_EQ(boxTop(font(1), 33), lines[0].top);
    EXPECT_EQ(boxBottom(font(1), 33), lines[4].top);
    const int thin = font(1).glyphBox(33).width;
    EXPECT_GT(thin, 0);
    EXPECT_GT(font(1).glyphBox(34).width, thin);  // thick bar line
    EXPECT_EQ(font(1).glyphBox(35).width, thin);  // a line ends on a thin bar line, as a piper writes it
    // Every bar line glyph spans the staff the same way, so that the lines
    // drawn by the program and the glyphs coincide.
    for (const SpecimenEntry& e : rows([](const SymbolMapEntry& r) { return isBarLineCategory(r.category); })) {
        EXPECT_EQ(boxTop(font(e.section), e.code), lines[0].top) << e.name;
        EXPECT_EQ(boxBottom(font(e.section), e.code), lines[4].top) << e.name;
    }
}

TEST_F(MusicGlyphTest, BeamBoxesStackBelowTheStaffAndStartAtTheStem) {
    const Font& f = font(3);
    for (int code : {88, 89, 90}) {
        EXPECT_EQ(f.glyphBox(code).originX, 0) << code;
        EXPECT_GT(f.glyphBox(code).width, 0) << code;
        EXPECT_EQ(f.glyphBox(code).height, f.glyphBox(88).height) << code;
        EXPECT_GT(boxTop(f, code), lines[4].bottom) << code;
    }
    // Level 0 is farthest from the heads; the levels do not touch.
    EXPECT_LT(boxBottom(f, 89), boxTop(f, 88));
    EXPECT_LT(boxBottom(f, 90), boxTop(f, 89));
    EXPECT_LE(boxBottom(f, 88), f.height());
}

TEST_F(MusicGlyphTest, TimeLineBracketsAndLedgerLineSitAboveTheStaff) {
    const Font& f = font(1);
    for (auto [vertical, horizontal] : {std::pair{71, 72}, std::pair{53, 54}}) {
        EXPECT_EQ(boxTop(f, vertical), boxTop(f, horizontal));
        EXPECT_GT(f.glyphBox(vertical).height, f.glyphBox(horizontal).height);
        EXPECT_GT(boxTop(f, vertical), 0);
        EXPECT_LT(boxBottom(f, vertical), lines[0].top);
    }
    EXPECT_NE(boxTop(f, 71), boxTop(f, 53));  // the 'bis bracket is told apart
    EXPECT_EQ(boxTop(font(3), 77), lines[0].top - spacing());
    EXPECT_EQ(font(3).glyphBox(77).height, thickness());
}

// The head of a melody note: the contour as wide as a head and no taller.
Bounds melodyHead(const std::vector<Contour>& contours, int spacing) {
    Bounds head{};
    for (const Contour& c : contours) {
        const Bounds b = boundsOf(c);
        if (b.height() > spacing / 2 && b.height() < spacing * 6 / 5 && b.width() > spacing) head = b;
    }
    return head;
}

TEST_F(MusicGlyphTest, MelodyNotesCarryTheirHeadAtTheirPitch) {
    const auto notes = rows([](const SymbolMapEntry& r) { return isMelodyCategory(r.category); });
    ASSERT_EQ(notes.size(), 108u);
    for (const SpecimenEntry& e : notes) {
        const SymbolMapEntry& row = *map.find(e.name).entry;
        const Bounds head = melodyHead(font(e.section).outline(e.code), spacing());
        ASSERT_GT(head.width(), 0) << e.name;
        EXPECT_NEAR(head.centreY(), pitchCentre(row.pitch), 2) << e.name;
    }
}

TEST_F(MusicGlyphTest, TailedNotesStemsStartTheBoxAndEndOnTheBeamLine) {
    const int beamLine = boxBottom(font(3), 88);
    for (const SpecimenEntry& e : rows([](const SymbolMapEntry& r) {
             return r.category == CAT_MELODY_LEFT_TAIL || r.category == CAT_MELODY_RIGHT_TAIL;
         })) {
        const QtMusicFont& f = font(e.section);
        EXPECT_EQ(boxBottom(f, e.code), beamLine) << e.name;
        // The stem is the tallest of the leftmost contours (the head touches
        // it), straight down to the beam line.
        std::vector<Bounds> parts;
        for (const Contour& c : f.outline(e.code)) parts.push_back(boundsOf(c));
        const Bounds stem = *std::min_element(parts.begin(), parts.end(), [](const Bounds& a, const Bounds& b) {
            return a.left != b.left ? a.left < b.left : a.height() > b.height();
        });
        EXPECT_EQ(stem.left, f.glyphBox(e.code).originX) << e.name;
        EXPECT_LT(stem.width(), spacing() / 4) << e.name;
        EXPECT_EQ(stem.bottom, beamLine) << e.name;
    }
}

TEST_F(MusicGlyphTest, TailedStemsMeetTheBeamLineAtEveryZoom) {
    // Edges are rounded from the cell's top, so a stem end and the beam box
    // drawn to it land on the same pixel row at any height.
    const auto tailed = rows([](const SymbolMapEntry& r) {
        return r.category == CAT_MELODY_LEFT_TAIL || r.category == CAT_MELODY_RIGHT_TAIL;
    });
    for (int height = 39; height <= 260; ++height) {
        const auto beams = context->createMusicFont("QTN3", height, 0);
        const auto notes = context->createMusicFont("QTN" + std::to_string(tailed.front().section), height, 0);
        const int beamLine = boxBottom(*beams, 88);
        for (const SpecimenEntry& e : tailed) {
            ASSERT_EQ(boxBottom(*notes, e.code), beamLine) << e.name << " at height " << height;
        }
    }
}

// Gracenote heads, left to right: small contours about as wide as tall.
std::vector<Bounds> gracenoteHeads(const std::vector<Contour>& contours, int spacing) {
    std::vector<Bounds> heads;
    for (const Contour& c : contours) {
        const Bounds b = boundsOf(c);
        if (b.height() > spacing * 2 / 5 && b.height() < spacing * 7 / 10 && b.width() > spacing / 2 &&
            b.width() < spacing * 9 / 10) {
            heads.push_back(b);
        }
    }
    std::sort(heads.begin(), heads.end(), [](const Bounds& a, const Bounds& b) { return a.left < b.left; });
    return heads;
}

int pitchOfLetter(char letter) {
    const std::string letters = "gabcdefGA";
    if (letter == 'q') return 0;
    const std::size_t at = letters.find(letter);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

TEST_F(MusicGlyphTest, EveryEmbellishmentShowsTheGracenotesItSounds) {
    const auto graced = rows([](const SymbolMapEntry& r) { return isEmbellishmentLike(r.category); });
    ASSERT_GT(graced.size(), 120u);
    const int commonLine = boxTop(font(graced.front().section), graced.front().code);
    EXPECT_LT(commonLine, lines[0].top - spacing());  // above high A
    for (const SpecimenEntry& e : graced) {
        const SymbolMapEntry& row = *map.find(e.name).entry;
        std::vector<int> sounded;
        for (char c : row.playbackData) {
            if (pitchOfLetter(c) >= 0) sounded.push_back(pitchOfLetter(c));
        }
        const std::vector<Bounds> heads = gracenoteHeads(font(e.section).outline(e.code), spacing());
        ASSERT_EQ(heads.size(), sounded.size()) << e.name << " " << row.playbackData;
        for (std::size_t i = 0; i < heads.size(); ++i) {
            EXPECT_NEAR(heads[i].centreY(), pitchCentre(sounded[i]), 2) << e.name << " gracenote " << i;
        }
        EXPECT_EQ(boxTop(font(e.section), e.code), commonLine) << e.name;
    }
}

TEST_F(MusicGlyphTest, EveryRowHasAGlyphInItsFontAndHighCodesAreReached) {
    int highCodes = 0;
    for (const SpecimenEntry& e : entries) {
        EXPECT_NE(font(e.section).glyphIndex(e.code), 0u) << e.name;
        // Directions stand left of their cell and take no room after the bar line.
        const bool direction = map.find(e.name).entry->category == CAT_SIGN_REPEAT;
        EXPECT_EQ(font(e.section).advanceWidth(e.code) > 0, !direction) << e.name;
        if (e.code > 127) ++highCodes;
    }
    EXPECT_GT(highCodes, 0);
    EXPECT_EQ(font(1).glyphIndex(200), 0u);
    EXPECT_EQ(font(1).glyphIndex(-1), 0u);
    EXPECT_EQ(font(1).glyphBox(300).height, 0);
}

}  // namespace
}  // namespace skirlo
