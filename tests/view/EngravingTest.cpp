// Engraving as a piper reads it: melody stems and flags on the common beam
// line, lettering in its band, thin lines on whole pixels, and the example
// tunes at 100 % and 200 %: beams by the beat that meet their stems, tuplets
// with their numbers, directions clear of every other glyph.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "FontTestSupport.h"
#include "engraving/MusicRenderer.h"
#include "support/EngravingTestSupport.h"
#include "view/Specimen.h"

namespace skirlo {
namespace {

using test::Bounds;
using test::boundsOf;
using test::boxBottom;
using test::boxTop;

class EngravingTest : public ::testing::Test {
protected:
    template <typename Wanted>
    std::vector<std::pair<SpecimenEntry, const SymbolMapEntry*>> rows(Wanted wanted) {
        std::vector<std::pair<SpecimenEntry, const SymbolMapEntry*>> out;
        for (const SpecimenEntry& e : specimenEntries(*engraving.profile)) {
            const SymbolMapEntry* row = engraving.symbols.find(e.name).entry;
            if (row != nullptr && wanted(*row)) out.emplace_back(e, row);
        }
        return out;
    }
    std::unique_ptr<Font> font(int section, int height) {
        return engraving.measuring.createMusicFont("QTN" + std::to_string(section), height, 0);
    }
    test::Engraving engraving;
};

TEST_F(EngravingTest, EveryMelodyStemAndFlagEndsOnTheBeamLineAtEveryZoom) {
    const auto stemmed = rows([](const SymbolMapEntry& r) { return isMelodyCategory(r.category) && r.noteValue > 1; });
    ASSERT_EQ(stemmed.size(), 99u);
    for (int height = 39; height <= 260; ++height) {  // zoom 30 % to 200 %
        const auto beams = font(3, height);
        for (int section : {2, 3}) {
            const auto notes = font(section, height);
            for (const auto& [e, row] : stemmed) {
                if (e.section == section) {
                    ASSERT_EQ(boxBottom(*notes, e.code), boxBottom(*beams, 88)) << e.name << " at " << height;
                }
            }
        }
    }
    // Curved tails leave the stem at the beam levels, below the staff.
    const auto design = font(3, 1300);
    const auto notes = font(2, 1300);
    for (const auto& [e, row] : stemmed) {
        if (row->category != CAT_MELODY_NO_TAIL) continue;
        std::vector<int> flagEnds;
        for (const Contour& c : notes->outline(e.code)) {
            const Bounds b = boundsOf(c);
            if (b.width() > 40 && b.top > boxBottom(*design, 57) + 400) flagEnds.push_back(b.bottom);
        }
        std::sort(flagEnds.rbegin(), flagEnds.rend());
        const std::vector<int> levels = beamLevels(row->noteValue);
        ASSERT_EQ(flagEnds.size(), levels.size()) << e.name;
        for (std::size_t k = 0; k < levels.size(); ++k) {
            EXPECT_EQ(flagEnds[k], boxBottom(*design, 88 + static_cast<int>(k))) << e.name;
        }
    }
}

TEST_F(EngravingTest, LetteringStaysInItsBandAndIsLegibleAtOneHundredPercent) {
    const auto design = font(1, 1300);
    const auto atHundred = font(1, 128);  // zoom 100 % once the reference bar line is a multiple of 4 high
    const auto grace = rows([](const SymbolMapEntry& r) { return r.category == CAT_GRACENOTES; }).front().first;
    const int graceLine = boxTop(*font(grace.section, 1300), grace.code);
    for (const auto& [e, row] : rows([](const SymbolMapEntry& r) {
             return r.category == CAT_SIGN_REPEAT || r.category == CAT_START_TIMELINE;
         })) {
        EXPECT_GT(boxTop(*design, e.code), boxBottom(*design, 72)) << e.name;  // below a bracket's stroke
        EXPECT_LT(boxBottom(*design, e.code), graceLine) << e.name;            // above the gracenotes
        if (row->category == CAT_START_TIMELINE && e.name != "'bis") {
            EXPECT_GE(atHundred->glyphBox(e.code).height, 9) << e.name;
        }
        // Directions end where their cell starts, at the bar line or note they follow.
        if (row->category == CAT_SIGN_REPEAT) {
            EXPECT_LE(design->glyphBox(e.code).originX + design->glyphBox(e.code).width, 0) << e.name;
        }
    }
}

TEST(SnapRectangles, UprightRectanglesLandOnWholePixelsOtherContoursStay) {
    QPainterPath path;
    path.addRect(QRectF(QPointF(3.2, 10.4), QPointF(3.65, 10.8)));
    EXPECT_EQ(snapRectangles(path).boundingRect(), QRectF(3, 10, 1, 1));  // at least a pixel
    QPainterPath slanted;
    slanted.addPolygon(QPolygonF({{0.5, 0.5}, {4.3, 1.7}, {4.3, 3.2}, {0.5, 2.1}}));
    EXPECT_EQ(snapRectangles(slanted).boundingRect(), slanted.boundingRect());
}

// ---------------------------------------------------------------------------

struct Recorder final : Surface {
    SurfaceKind kind() const override { return SurfaceKind::Image; }
    void glyph(const Font& font, int code, int x, int y, Colour) override { glyphs.push_back({&font, code, x, y}); }
    void fillRect(const Rect& rect, Colour) override { fills.push_back(rect); }
    void fillPolygon(const std::vector<OutlinePoint>&, Colour) override {}
    void frameRect(const Rect&, Colour, Colour) override {}
    void text(const Font&, std::string_view, int, int, Colour) override {}
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point p) const override { return p; }
    struct Glyph {
        const Font* font;
        int code, x, y;
    };
    std::vector<Glyph> glyphs;
    std::vector<Rect> fills;
};

bool joins(const Symbol* s) { return s != nullptr && isMelodyCategory(s->category) && isJoiningTail(s->tailCode); }

Bounds drawnBox(const Symbol& s) {
    const int left = s.x + s.spaceBefore + s.glyphOrigin.width, top = s.y + s.glyphOrigin.height;
    return {left, top, left + s.glyphBox.width, top + s.glyphBox.height};
}

bool overlap(const Bounds& a, const Bounds& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

class EngravedExamples : public ::testing::TestWithParam<int> {
protected:
    template <typename Check>
    void eachStaff(Check check) {
        int tunes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
            std::ifstream in(entry.path(), std::ios::binary);
            LayoutSettings settings;
            settings.zoom = GetParam();
            const LaidOutMusic& music = engraving.layOut({std::istreambuf_iterator<char>(in), {}}, settings);
            for (const auto& tune : music.tunes) {
                ++tunes;
                for (StaffLayout* staff : test::stavesOf(*tune)) check(*tune, *staff);
            }
        }
        ASSERT_EQ(tunes, 7);
    }
    test::Engraving engraving;
};

TEST_P(EngravedExamples, StemsEndInTheirBeamAndBeamsAndBeamletsMeetTheStemsExactly) {
    eachStaff([](const Tune&, const StaffLayout& staff) {
        std::map<const Symbol*, const Symbol*> next;
        for (const Symbol* s : test::symbolsOf(staff)) {
            if (joins(s) && joins(s->backLink)) next[s->backLink] = s;
        }
        for (const Symbol* note : test::symbolsOf(staff)) {
            if (!joins(note)) continue;
            Recorder flags, beams;
            drawFlags(*note, staff, flags, kBlack);
            drawBeams(*note, staff, beams, kBlack);
            // A note beamed from the left has no level-0 flag: its beam is the level-0 line.
            const Rect& level0 = beams.fills.empty() ? flags.fills.back() : beams.fills.back();
            EXPECT_GE(drawnBox(*note).bottom, level0.top) << note->name;
            EXPECT_LE(drawnBox(*note).bottom, level0.bottom) << note->name;
            EXPECT_EQ(drawnBox(*note).left, note->stemX) << note->name;
            for (const Rect& r : flags.fills) {  // a beamlet never passes the stem it points to
                if (next.count(note) != 0) {
                    EXPECT_LE(r.right, next[note]->stemX) << note->name;
                }
                if (joins(note->backLink)) {
                    EXPECT_GT(r.left, note->backLink->stemX) << note->name;
                }
            }
            for (const Rect& r : beams.fills) EXPECT_EQ(r.left, note->backLink->stemX) << note->name;
        }
    });
}

TEST_P(EngravedExamples, EveryTupletDrawsItsNumberCentredOverItsCurve) {
    int tuplets = 0;
    eachStaff([&](const Tune& tune, const StaffLayout& staff) {
        for (const Symbol* s : test::symbolsOf(staff)) {
            if ((s->category != CAT_RUNS_OF_3 && s->category != CAT_RUNS_OF_3_END) || !s->curve) continue;
            ++tuplets;
            Recorder drawn;
            MusicRenderer(kBlack).drawTune(tune, drawn);
            const auto number = std::find_if(drawn.glyphs.begin(), drawn.glyphs.end(), [&](const Recorder::Glyph& g) {
                return g.font == s->secondaryFont() && g.code == s->glyphCharacter;
            });
            ASSERT_NE(number, drawn.glyphs.end()) << s->name;
            const Bounds curve = boundsOf(*s->curve);
            const GlyphBox box = s->secondaryFont()->glyphBox(s->glyphCharacter);
            EXPECT_LT(number->y + s->secondaryFont()->ascent() - box.originY + box.height, curve.top);
            EXPECT_NEAR(number->x + box.originX + box.width / 2, (curve.left + curve.right) / 2, 1);
        }
    });
    EXPECT_GT(tuplets, 0);
}

TEST_P(EngravedExamples, DirectionsStandInsideTheirBarClearOfEveryOtherGlyph) {
    int directions = 0;
    eachStaff([&](const Tune&, const StaffLayout& staff) {
        for (const auto& bar : staff.bars) {
            for (const auto& s : bar->symbols) {
                if (s->category != CAT_SIGN_REPEAT && s->category != CAT_SIGN) continue;
                ++directions;
                EXPECT_GE(drawnBox(*s).left, bar->x) << s->name;
                EXPECT_LE(drawnBox(*s).right, bar->x + bar->width) << s->name;
                for (const Symbol* other : test::symbolsOf(staff)) {
                    if (other != s.get() && other->glyphFont() != nullptr) {
                        EXPECT_FALSE(overlap(drawnBox(*s), drawnBox(*other))) << s->name << " on " << other->name;
                    }
                }
            }
        }
        EXPECT_EQ(staff.overhang, 0);
    });
    EXPECT_EQ(directions, 10);
}

// In 384ths of a whole note.
int beatOf(const Tune& tune) {
    for (StaffLayout* staff : test::stavesOf(tune)) {
        for (const Symbol* s : test::symbolsOf(*staff)) {
            if (s->category != CAT_TIME_SIGNATURE) continue;
            if (s->name == "C") return 96;
            const int top = std::stoi(s->name), bottom = std::stoi(s->name.substr(s->name.find('_') + 1));
            return bottom == 8 && top % 3 == 0 ? 3 * 384 / 8 : 384 / bottom;  // compound time beats dotted
        }
    }
    return 0;
}

TEST_P(EngravedExamples, TailedNotesAreBeamedByTheBeat) {
    int groups = 0;
    eachStaff([&](const Tune& tune, const StaffLayout& staff) {
        for (const auto& bar : staff.bars) {
            int length = 0, members = 0;
            auto close = [&] {
                if (members > 1) {
                    ++groups;
                    EXPECT_EQ(length, beatOf(tune)) << members << " notes in " << tune.header.texts.front()->text;
                }
                length = members = 0;
            };
            for (std::size_t i = 0; i < bar->symbols.size(); ++i) {
                const Symbol& s = *bar->symbols[i];
                if (s.category == CAT_BEAT_SEPARATOR || (isMelodyCategory(s.category) && s.backLink == nullptr)) {
                    close();
                }
                if (!joins(&s) || s.category == CAT_MELODY_NO_TAIL) continue;
                const bool dotted = i + 1 < bar->symbols.size() && bar->symbols[i + 1]->category == CAT_DOTS;
                const int plain = 384 / s.noteValue + (dotted ? 192 / s.noteValue : 0);
                length += s.inTuplet ? plain * 2 / 3 : plain;
                ++members;
            }
            close();
        }
    });
    EXPECT_GT(groups, 50);
}

INSTANTIATE_TEST_SUITE_P(Zooms, EngravedExamples, ::testing::Values(100, 200));

}  // namespace
}  // namespace skirlo
