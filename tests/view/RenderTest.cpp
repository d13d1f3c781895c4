// Drawing the laid-out tree, recorded call by call: colours of marked
// symbols, bar lines, flags and beams, brackets, curves, texts and what each
// kind of surface draws.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engraving/MusicCurves.h"
#include "engraving/MusicRenderer.h"
#include "support/EngravingTestSupport.h"

namespace skirlo {
namespace {

using test::named;
using test::plainSettings;
using test::stavesOf;

constexpr Colour kHighlight = 0x0000FF;

struct Call {
    enum Kind { Glyph, Fill, Polygon, Frame, Text } kind;
    Rect rect;  // a glyph's or text's (x, y) in left and top
    Colour colour = 0;
    int code = 0;
    std::size_t points = 0;
};

class RecordingSurface final : public Surface {
public:
    explicit RecordingSurface(SurfaceKind kind, int logicalPerDevice = 1, bool visible = true)
        : kind_(kind), scale_(logicalPerDevice), visible_(visible) {}

    SurfaceKind kind() const override { return kind_; }
    void glyph(const Font&, int code, int x, int y, Colour colour) override {
        calls.push_back({Call::Glyph, {x, y, x, y}, colour, code, 0});
    }
    void fillRect(const Rect& rect, Colour colour) override { calls.push_back({Call::Fill, rect, colour, 0, 0}); }
    void fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) override {
        calls.push_back({Call::Polygon, {}, colour, 0, points.size()});
    }
    void frameRect(const Rect& rect, Colour frame, Colour) override {
        calls.push_back({Call::Frame, rect, frame, 0, 0});
    }
    void text(const Font&, std::string_view, int x, int y, Colour colour) override {
        calls.push_back({Call::Text, {x, y, x, y}, colour, 0, 0});
    }
    bool isVisible(const Rect&) const override { return visible_; }
    // A coarse device: several logical units to a device pixel.
    Point toDevice(Point p) const override { return {p.x / scale_, p.y / scale_}; }

    std::vector<Call> calls;

private:
    SurfaceKind kind_;
    int scale_;
    bool visible_;
};

class RenderTest : public ::testing::Test {
protected:
    const StaffLayout& staffOf(std::string body, const LayoutSettings& settings = plainSettings()) {
        const LaidOutMusic& music = engraving.layOut(std::move(body), settings);
        return *stavesOf(*music.tunes.front()).front();
    }
    std::vector<Call> draw(SurfaceKind kind = SurfaceKind::Image, int logicalPerDevice = 1, bool visible = true) {
        RecordingSurface surface(kind, logicalPerDevice, visible);
        MusicRenderer(kHighlight).draw(engraving.music.tunes, surface);
        return surface.calls;
    }
    static std::vector<Call> fillsWithin(const std::vector<Call>& calls, int left, int right) {
        std::vector<Call> found;
        for (const Call& c : calls) {
            if (c.kind == Call::Fill && c.rect.left >= left && c.rect.right <= right) found.push_back(c);
        }
        return found;
    }
    static const Call* glyphAt(const std::vector<Call>& calls, int x, int code) {
        for (const Call& c : calls) {
            if (c.kind == Call::Glyph && c.rect.left == x && c.code == code) return &c;
        }
        return nullptr;
    }

    test::Engraving engraving;
};

TEST(RenderBeams, LevelsPerNoteValue) {
    EXPECT_EQ(beamLevels(4), std::vector<int>{});
    EXPECT_EQ(beamLevels(8), (std::vector<int>{0}));
    EXPECT_EQ(beamLevels(16), (std::vector<int>{1, 0}));
    EXPECT_EQ(beamLevels(32), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(beamLevels(1 << 30).size(), 3u);  // never past the three beam boxes
    EXPECT_TRUE(beamLevels(-8).empty());
}

TEST(RenderCurves, PolygonHasItsPointsAndStaysBetweenItsEnds) {
    const Contour curve = curvePolygon(100, 300, 500, 130);
    ASSERT_EQ(curve.size(), static_cast<std::size_t>(kCurvePoints));
    EXPECT_EQ(curve.front().x, 100);
    EXPECT_EQ(curve.front().y, 500);
    EXPECT_EQ(curve.back().x, 100);
    EXPECT_EQ(curve.back().y, 500);
    EXPECT_EQ(curve[129].x, 300);  // the outer curve's exact end
    EXPECT_EQ(curve[129].y, 500);
    EXPECT_EQ(curve[130].x, 301);  // the inner curve starts a quarter thickness outside
    int highest = 500;
    for (const OutlinePoint& p : curve) {
        EXPECT_GE(p.x, 99);
        EXPECT_LE(p.x, 301);
        highest = std::min(highest, p.y);
    }
    // Outer rise 18, inner 4 more, times the cubic's 3/4 at its middle.
    EXPECT_NEAR(highest, 500 - (18 + 4) * 3 / 4, 1);
    // The outer curve is sampled in order from left to right.
    for (std::size_t i = 1; i < 129; ++i) EXPECT_LE(curve[i].x, curve[i + 1].x);
}

TEST(RenderCurves, TinyFontStillRisesAndHasThickness) {
    const Contour curve = curvePolygon(10, 12, 20, 1);
    ASSERT_EQ(curve.size(), static_cast<std::size_t>(kCurvePoints));
    int highest = 20;
    for (const OutlinePoint& p : curve) highest = std::min(highest, p.y);
    EXPECT_LT(highest, 20);
}

TEST_F(RenderTest, MarkedNoteIsDrawnInTheHighlightColourAlone) {
    const StaffLayout& staff = staffOf("& LAr_8 Bl_16 C_4 !t");
    Symbol& marked = *named(staff, "Bl_16");
    const Symbol& before = *named(staff, "LAr_8");
    const Symbol& after = *named(staff, "C_4");
    marked.marked = true;
    const std::vector<Call> calls = draw();

    const Call* head = glyphAt(calls, marked.x + marked.spaceBefore, marked.glyphCharacter);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->colour, kHighlight);
    EXPECT_EQ(glyphAt(calls, before.x + before.spaceBefore, before.glyphCharacter)->colour, kBlack);
    EXPECT_EQ(glyphAt(calls, after.x + after.spaceBefore, after.glyphCharacter)->colour, kBlack);

    // The sixteenth's level-1 flag (to the left of its stem) and its beam back
    // to the eighth are its own: highlighted. No level-0 flag: the beam joins it there.
    int highlighted = 0;
    for (const Call& c : calls) {
        if (c.kind != Call::Fill) continue;
        if (c.rect.right == marked.stemX + 1) {
            EXPECT_EQ(c.colour, kHighlight);
            ++highlighted;
        } else {
            EXPECT_EQ(c.colour, kBlack);
        }
    }
    EXPECT_EQ(highlighted, 2);  // one flag, one beam (an eighth and a sixteenth share one)
}

TEST_F(RenderTest, FlagsAndBeamsComeFromTheStaffBeamBoxes) {
    const StaffLayout& staff = staffOf("& Cr_8 ! Dl_8 ! LAr_8 Bl_8 !t");
    const Symbol& lone = *named(staff, "Cr_8");
    const Symbol& loneLeft = *named(staff, "Dl_8");
    const Symbol& first = *named(staff, "LAr_8");
    const Symbol& second = *named(staff, "Bl_8");
    const std::vector<Call> calls = draw();
    const GlyphBox& box = staff.beamBoxes[0];
    const int top = first.y + first.ledgerFont()->ascent() - box.originY;
    // Right tail: from the stem rightwards; left tail: leftwards to the stem.
    const Rect rightFlag{lone.stemX - box.originX, top, lone.stemX + box.width + 1, top + box.height + 1};
    const Rect leftFlag{loneLeft.stemX - box.width, top, loneLeft.stemX + 1, top + box.height};
    const Rect beam{first.stemX - box.originX, top, second.stemX + 1, top + box.height + 1};
    // Where the beam joins the notes they carry no flag of their own.
    const Rect joinedRight{first.stemX - box.originX, top, first.stemX + box.width + 1, top + box.height + 1};
    const Rect joinedLeft{second.stemX - box.width, top, second.stemX + 1, top + box.height};
    auto has = [&](const Rect& r) {
        return std::any_of(calls.begin(), calls.end(), [&](const Call& c) {
            return c.kind == Call::Fill && c.rect.left == r.left && c.rect.top == r.top && c.rect.right == r.right &&
                   c.rect.bottom == r.bottom;
        });
    };
    EXPECT_TRUE(has(rightFlag));
    EXPECT_TRUE(has(leftFlag));
    EXPECT_TRUE(has(beam));
    EXPECT_FALSE(has(joinedRight));
    EXPECT_FALSE(has(joinedLeft));
    // Beams hang below the staff.
    EXPECT_GT(top, staff.lineY[4]);
}

TEST_F(RenderTest, BarLinesOfEveryKind) {
    for (const std::string start : {"I!", "I!''"}) {
        const StaffLayout& staff = staffOf("& " + start + " LA_4 ! B_4 !I");
        const std::vector<Call> calls = draw();
        const Font& bars = *engraving.music.fonts->musicFont(1);
        const int thin = bars.glyphBox(33).width;
        const int thick = bars.glyphBox(34).width;
        const int top = staff.lineY[0];
        const int bottom = staff.lineY[4] + staff.lineThickness;
        auto lineAt = [&](int left, int right) {
            return std::any_of(calls.begin(), calls.end(), [&](const Call& c) {
                return c.kind == Call::Fill && c.rect.left == left && c.rect.right == right && c.rect.top == top &&
                       c.rect.bottom == bottom;
            });
        };
        const Symbol* plain = named(staff, "!", 1);
        const Symbol* opening = named(staff, start);
        const Symbol* closing = named(staff, "!I");
        ASSERT_TRUE(plain && opening && closing) << start;
        const int x = plain->x + plain->spaceBefore;
        EXPECT_TRUE(lineAt(x, x + thin));
        const int s = opening->x + opening->spaceBefore;
        EXPECT_TRUE(lineAt(s, s + thick)) << start;
        EXPECT_TRUE(lineAt(s + thick + thick / 2, s + thick + thick / 2 + thin)) << start;
        const int r = closing->x + closing->advanceWidth;
        EXPECT_TRUE(lineAt(r - thick, r));
        EXPECT_TRUE(lineAt(r - (thick + thick / 2) - thin, r - (thick + thick / 2)));
        // Plain bar lines draw no glyph of their own; the repeat form also draws its dots.
        EXPECT_EQ(glyphAt(calls, x, plain->glyphCharacter), nullptr);
        EXPECT_EQ(glyphAt(calls, s, opening->glyphCharacter) != nullptr, start == "I!''") << start;
    }
}

TEST_F(RenderTest, TerminatingBarLineEndsAtTheSymbolsAdvance) {
    const StaffLayout& staff = staffOf("& LA_4 !t");
    const std::vector<Call> calls = draw();
    const Symbol& last = *named(staff, "!t");
    const int end = engraving.music.fonts->musicFont(1)->glyphBox(35).width;
    const int r = last.x + last.advanceWidth;
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const Call& c) {
        return c.kind == Call::Fill && c.rect.right == r && c.rect.left == r - end && c.rect.top == staff.lineY[0];
    }));
}

TEST_F(RenderTest, TimeLineBracketOpensRunsAndCloses) {
    const StaffLayout& staff = staffOf("& '1 LA_4 B_4 _' !t");
    const std::vector<Call> calls = draw();
    const Symbol& label = *named(staff, "'1");
    const Symbol& note = *named(staff, "LA_4");
    const Symbol& close = *named(staff, "_'");
    const GlyphBox& horizontal = staff.timeLineBoxes[0];
    const GlyphBox& vertical = staff.timeLineBoxes[1];
    const int top = note.y + label.staffFont()->ascent() - vertical.originY;
    auto has = [&](const Rect& r) {
        return std::any_of(calls.begin(), calls.end(), [&](const Call& c) {
            return c.kind == Call::Fill && c.rect.left == r.left && c.rect.top == r.top && c.rect.right == r.right &&
                   c.rect.bottom == r.bottom;
        });
    };
    EXPECT_TRUE(has({note.x, top, note.x + note.advanceWidth, top + horizontal.height}));
    EXPECT_TRUE(has({label.x, top, label.x + horizontal.height, top + vertical.height - horizontal.height}));
    const Symbol& previous = *close.backLink;
    const int corner = close.x + vertical.originX;
    EXPECT_TRUE(has({previous.x + previous.advanceWidth, top, corner, top + horizontal.height}));
    EXPECT_TRUE(has({corner, top, corner + vertical.width, top + vertical.height - horizontal.height}));
    // The bracket stands above the staff.
    EXPECT_LT(top + vertical.height, staff.lineY[0]);
}

TEST_F(RenderTest, TiesAndTripletsAreFilledPolygons) {
    staffOf("& LAr_8 ^3s Br_8 Cl_8 Dl_8 ^3e ! E_4 ^t E_4 !t");
    const std::vector<Call> calls = draw();
    const auto polygons = std::count_if(calls.begin(), calls.end(), [](const Call& c) {
        return c.kind == Call::Polygon && c.points == static_cast<std::size_t>(kCurvePoints);
    });
    EXPECT_EQ(polygons, 2);
}

TEST_F(RenderTest, StaffLinesNeverVanishOnAPreview) {
    // Ten logical units to a device row: a line two units thick would fall
    // within one row, so it is grown until it covers one.
    const StaffLayout& staff = staffOf("& LA_4 !t");
    RecordingSurface preview(SurfaceKind::Preview, 10);
    MusicRenderer(kHighlight).drawTune(*engraving.music.tunes.front(), preview);
    int lines = 0;
    for (const Call& c : preview.calls) {
        if (c.kind != Call::Fill || c.rect.left != staff.x + std::max(1, staff.lineThickness / 2)) continue;
        EXPECT_NE(preview.toDevice({0, c.rect.top}).y, preview.toDevice({0, c.rect.bottom}).y);
        ++lines;
    }
    EXPECT_EQ(lines, 5);
    // Bar lines likewise cover a device column.
    for (const Call& c : preview.calls) {
        if (c.kind == Call::Fill && c.rect.top == staff.lineY[0]) {
            EXPECT_NE(preview.toDevice({c.rect.left, 0}).x, preview.toDevice({c.rect.right, 0}).x);
        }
    }
}

TEST_F(RenderTest, SelectedTextIsFramedOnScreenOnly) {
    const LaidOutMusic& music =
        engraving.layOut("\"Title\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,255)\r\n& LA_4 !t");
    TextRecord& title = *music.tunes.front()->header.texts.front();
    title.selected = true;
    auto frames = [](const std::vector<Call>& calls) {
        return std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.kind == Call::Frame; });
    };
    const std::vector<Call> screen = draw(SurfaceKind::Screen);
    EXPECT_EQ(frames(screen), 1);
    EXPECT_EQ(frames(draw(SurfaceKind::Printer)), 0);
    EXPECT_EQ(frames(draw(SurfaceKind::Image)), 0);
    const auto text = std::find_if(screen.begin(), screen.end(), [](const Call& c) { return c.kind == Call::Text; });
    ASSERT_NE(text, screen.end());
    EXPECT_EQ(text->colour, 255);  // the record's own colour
    EXPECT_EQ(text->rect.left, title.box.left);
    EXPECT_EQ(text->rect.top, title.box.top);
}

TEST_F(RenderTest, OnlyTheScreenSkipsWhatIsNotVisible) {
    staffOf("\"Title\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n& LA_4 !t");
    const std::vector<Call> hidden = draw(SurfaceKind::Screen, 1, false);
    ASSERT_EQ(hidden.size(), 1u);  // the title only
    EXPECT_EQ(hidden.front().kind, Call::Text);
    EXPECT_GT(draw(SurfaceKind::Image, 1, false).size(), 5u);
    EXPECT_GT(draw(SurfaceKind::Printer, 1, false).size(), 5u);
}

TEST_F(RenderTest, InlineTextsAreDrawnOnceOnEverySurface) {
    staffOf("& LA_4 \"Hi\",(I,C,0,0,Times New Roman,10,400,0,0,18,0,0,0) B_4 !t");
    for (const SurfaceKind kind : {SurfaceKind::Screen, SurfaceKind::Image, SurfaceKind::Printer}) {
        const std::vector<Call> calls = draw(kind);
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.kind == Call::Text; }), 1);
    }
}

TEST_F(RenderTest, HighAInATailedGroupDrawsItsLedgerLineCentredOnTheHead) {
    const StaffLayout& staff = staffOf("& HAr_8 El_8 !t");
    const Symbol& note = *named(staff, "HAr_8");
    const std::vector<Call> calls = draw();
    const GlyphBox ledger = note.ledgerFont()->glyphBox(77);
    const Call* line = glyphAt(calls, note.centreX - ledger.originX - ledger.width / 2, 77);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->rect.top, note.y);
}

}  // namespace
}  // namespace skirlo
