// The engraving conventions the music fonts carry: every melody stem on the
// common beam line with its flags at the beam levels, directions standing
// inside their bar above the gracenotes, legible labels, a thin line end,
// gracenotes apart, and thin lines snapped whole pixels at every zoom.

#include <gtest/gtest.h>

#include <QPainterPath>

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

constexpr int kBeamCodes[3] = {88, 89, 90};

class EngravingGlyphTest : public ::testing::Test {
protected:
    void SetUp() override {
        context = test::resourceContext();
        profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
        ASSERT_NE(profile, nullptr);
        map.load(*profile, messages);
        entries = specimenEntries(*profile);
    }

    // The rows of the default map whose entry satisfies `wanted`.
    template <typename Predicate>
    std::vector<SpecimenEntry> rows(Predicate wanted) const {
        std::vector<SpecimenEntry> out;
        for (const SpecimenEntry& e : entries) {
            const SymbolMap::Lookup found = map.find(e.name);
            if (found.entry && wanted(*found.entry)) out.push_back(e);
        }
        return out;
    }
    const SymbolMapEntry& row(const SpecimenEntry& e) const { return *map.find(e.name).entry; }
    std::unique_ptr<Font> font(int section, int height) {
        return context->createMusicFont("QTN" + std::to_string(section), height, 0);
    }

    std::unique_ptr<QtMeasuringContext> context;
    std::unique_ptr<IniProfile> profile;
    RecordingMessageSink messages;
    SymbolMap map;
    std::vector<SpecimenEntry> entries;
};

// Heights from zoom 30 % to 200 %, where rounding differs from height to height.
constexpr int kSmallest = 39;
constexpr int kLargest = 260;

TEST_F(EngravingGlyphTest, EveryMelodyStemOfEveryPitchAndValueEndsOnTheCommonBeamLine) {
    const auto stemmed = rows([](const SymbolMapEntry& r) { return isMelodyCategory(r.category) && r.noteValue > 1; });
    ASSERT_EQ(stemmed.size(), 99u);  // nine pitches: five plain values, and three tailed values on either side
    for (int height = kSmallest; height <= kLargest; ++height) {
        const int beamLine = boxBottom(*font(3, height), 88);
        for (int section : {2, 3}) {
            const auto notes = font(section, height);
            for (const SpecimenEntry& e : stemmed) {
                if (e.section != section) continue;
                ASSERT_EQ(boxBottom(*notes, e.code), beamLine) << e.name << " at height " << height;
            }
        }
    }
}

TEST_F(EngravingGlyphTest, CurvedTailsLeaveTheStemAtTheBeamLevelsBelowTheStaff) {
    const auto design = font(3, 1300);
    const auto notes = font(2, 1300);
    int staffBottom = 0;
    for (const Contour& line : design->outline(87)) staffBottom = std::max(staffBottom, boundsOf(line).bottom);
    for (const SpecimenEntry& e : rows([](const SymbolMapEntry& r) { return r.category == CAT_MELODY_NO_TAIL; })) {
        const int value = row(e).noteValue;
        std::vector<Bounds> parts;
        for (const Contour& c : notes->outline(e.code)) parts.push_back(boundsOf(c));
        // The stem is the tallest contour (high A's ledger line may reach further left).
        const int stemLeft =
            std::max_element(parts.begin(), parts.end(), [](const Bounds& a, const Bounds& b) {
                return a.height() < b.height();
            })->left;
        std::vector<int> flagEnds;
        // Flags: wider than the stem, hanging from it below the staff.
        auto isFlag = [&](const Bounds& b) { return b.left == stemLeft && b.width() > 30 && b.bottom > staffBottom; };
        for (const Bounds& b : parts) {
            if (isFlag(b)) flagEnds.push_back(b.bottom);
        }
        std::sort(flagEnds.rbegin(), flagEnds.rend());
        const std::size_t flags = value >= 8 ? static_cast<std::size_t>(value == 8 ? 1 : value == 16 ? 2 : 3) : 0;
        ASSERT_EQ(flagEnds.size(), flags) << e.name;
        for (std::size_t level = 0; level < flags; ++level) {
            EXPECT_EQ(flagEnds[level], boxBottom(*design, kBeamCodes[level])) << e.name << " flag " << level;
        }
        // A flag never reaches up into the staff lines.
        for (const Bounds& b : parts) {
            if (isFlag(b)) {
                EXPECT_GT(b.top, staffBottom) << e.name;
            }
        }
    }
}

TEST_F(EngravingGlyphTest, DirectionsEndAtTheirCellAboveTheGracenotesAndAddNoOverhang) {
    const auto design = font(1, 1300);
    const SpecimenEntry grace = rows([](const SymbolMapEntry& r) { return r.category == CAT_GRACENOTES; }).front();
    const int graceLine = boxTop(*font(grace.section, 1300), grace.code);
    const auto directions = rows([](const SymbolMapEntry& r) { return r.category == CAT_SIGN_REPEAT; });
    ASSERT_EQ(directions.size(), 6u);
    for (const SpecimenEntry& e : directions) {
        const GlyphBox box = design->glyphBox(e.code);
        EXPECT_GT(box.width, 0) << e.name;
        EXPECT_LE(box.originX + box.width, 0) << e.name;  // all of it left of the bar line it follows
        EXPECT_EQ(design->advanceWidth(e.code), 0) << e.name;
        EXPECT_GT(boxTop(*design, e.code), boxBottom(*design, 72)) << e.name;  // below a bracket's stroke
        EXPECT_LT(boxBottom(*design, e.code), graceLine) << e.name;
    }
}

TEST_F(EngravingGlyphTest, LabelsAndTupletNumbersAreLegibleAtOneHundredPercent) {
    // Zoom 100 gives H = 128 once the reference bar line is a multiple of 4 high.
    const auto labels = font(1, 128);
    const auto bracket = font(1, 1300);
    for (const SpecimenEntry& e : rows([](const SymbolMapEntry& r) {
             return r.category == CAT_START_TIMELINE || r.category == CAT_RUNS_OF_3_END;
         })) {
        const std::string name = e.name;
        if (name.back() == 's') continue;  // span starts draw nothing
        EXPECT_GE(labels->glyphBox(e.code).height, name == "'bis" ? 8 : 9) << e.name;
        if (row(e).category == CAT_START_TIMELINE) {
            // Inside the bracket: below its stroke, above the gracenotes.
            EXPECT_GT(boxTop(*bracket, e.code), boxBottom(*bracket, 72)) << e.name;
            EXPECT_LE(boxBottom(*bracket, e.code), boxBottom(*bracket, 71)) << e.name;
        }
    }
}

TEST_F(EngravingGlyphTest, OnlyAPartsEndIsHeavy) {
    for (int height = kSmallest; height <= kLargest; height += 13) {
        const auto bars = font(1, height);
        EXPECT_EQ(bars->glyphBox(35).width, bars->glyphBox(33).width) << height;
        EXPECT_GT(bars->glyphBox(34).width, bars->glyphBox(33).width) << height;
    }
}

TEST_F(EngravingGlyphTest, GracenotesOfAClusterStandApartAndClearOfTheirNote) {
    const auto graces = font(5, 1300);
    const SpecimenEntry note = rows([](const SymbolMapEntry& r) { return r.category == CAT_MELODY_NO_TAIL; }).front();
    const int stemMargin = font(note.section, 1300)->glyphBox(note.code).originX;
    const int spacing = 100;
    for (const SpecimenEntry& e : rows([](const SymbolMapEntry& r) { return r.category == CAT_EMBELISHMENTS; })) {
        if (e.section != 5) continue;
        std::vector<Bounds> heads;
        for (const Contour& c : graces->outline(e.code)) {
            const Bounds b = boundsOf(c);
            if (b.height() > 40 && b.height() < 70 && b.width() > 50 && b.width() < 90) heads.push_back(b);
        }
        std::sort(heads.begin(), heads.end(), [](const Bounds& a, const Bounds& b) { return a.left < b.left; });
        for (std::size_t i = 1; i < heads.size(); ++i) {
            EXPECT_GE(heads[i].left - heads[i - 1].right, spacing / 3) << e.name << " head " << i;
        }
        // The following note's stem starts its cell after a margin; the
        // cluster's own cell leaves room after its last stem.
        const int clusterRoom = graces->advanceWidth(e.code) - (graces->glyphBox(e.code).originX +
                                                                graces->glyphBox(e.code).width);
        EXPECT_GE(clusterRoom + stemMargin, spacing * 3 / 4) << e.name;
    }
}

// ---------------------------------------------------------------------------

QPainterPath rectangle(double left, double top, double right, double bottom) {
    QPainterPath path;
    path.moveTo(left, top);
    path.lineTo(right, top);
    path.lineTo(right, bottom);
    path.lineTo(left, bottom);
    path.closeSubpath();
    return path;
}

TEST(SnapRectangles, UprightRectanglesLandOnWholePixelsAtLeastOnePixelThick) {
    const QRectF thin = snapRectangles(rectangle(3.2, 10.4, 3.65, 10.8)).boundingRect();
    EXPECT_EQ(thin, QRectF(3, 10, 1, 1));
    const QRectF stem = snapRectangles(rectangle(7.6, 2.5, 9.0, 20.49)).boundingRect();
    EXPECT_EQ(stem, QRectF(8, 3, 1, 17));
    // A slanted or curved contour keeps its shape.
    QPainterPath slanted;
    slanted.moveTo(0.5, 0.5);
    slanted.lineTo(4.3, 1.7);
    slanted.lineTo(4.3, 3.2);
    slanted.lineTo(0.5, 2.1);
    slanted.closeSubpath();
    EXPECT_EQ(snapRectangles(slanted).boundingRect(), slanted.boundingRect());
}

TEST(SnapRectangles, ContoursKeepTheirWindingSoHolesStayOpen) {
    QPainterPath frame = rectangle(0.2, 0.2, 10.4, 10.4);
    QPainterPath hole;  // the other way round
    hole.moveTo(3.3, 3.3);
    hole.lineTo(3.3, 6.6);
    hole.lineTo(6.6, 6.6);
    hole.lineTo(6.6, 3.3);
    hole.closeSubpath();
    frame.addPath(hole);
    const QPainterPath snapped = snapRectangles(frame);
    EXPECT_EQ(snapped.fillRule(), Qt::WindingFill);
    EXPECT_TRUE(snapped.contains(QPointF(1.5, 1.5)));
    EXPECT_FALSE(snapped.contains(QPointF(5, 5)));
}

TEST_F(EngravingGlyphTest, ThinLinesKeepAWholePixelAtHalfZoom) {
    const auto small = font(4, 64);  // zoom 50 %
    for (const SpecimenEntry& e : rows([](const SymbolMapEntry& r) { return r.category == CAT_GRACENOTES; })) {
        for (const Contour& c : small->outline(e.code)) {
            const Bounds b = boundsOf(c);
            EXPECT_GE(b.width(), 1) << e.name;
            EXPECT_GE(b.height(), 1) << e.name;
        }
    }
    const auto lines = font(3, 64);
    EXPECT_GE(lines->glyphBox(57).height, 1);
    for (const Contour& line : lines->outline(87)) EXPECT_EQ(boundsOf(line).height(), lines->glyphBox(57).height);
}

}  // namespace
}  // namespace skirlo
