// The bundled example tunes as a piper reads them, laid out and drawn with
// the real fonts at 100 % and 200 %: beams by the beat that meet their stems,
// beamlets that stop short of the next stem, tuplets with their numbers and
// directions clear of everything else.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "FontTestSupport.h"
#include "support/EngravingTestSupport.h"
#include "view/MusicRenderer.h"

namespace skirlo {
namespace {

using test::stavesOf;
using test::symbolsOf;

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool overlaps(const Box& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
};

// The glyph's black box where drawing puts it.
Box drawnBox(const Symbol& s) {
    const int left = s.x + s.spaceBefore + s.glyphOrigin.width;
    const int top = s.y + s.glyphOrigin.height;
    return {left, top, left + s.glyphBox.width, top + s.glyphBox.height};
}

struct GlyphCall {
    const Font* font;
    int code;
    int x;
    int y;
};

class RecordingSurface final : public Surface {
public:
    SurfaceKind kind() const override { return SurfaceKind::Image; }
    void glyph(const Font& font, int code, int x, int y, Colour) override { glyphs.push_back({&font, code, x, y}); }
    void fillRect(const Rect& rect, Colour) override { fills.push_back(rect); }
    void fillPolygon(const std::vector<OutlinePoint>&, Colour) override {}
    void frameRect(const Rect&, Colour, Colour) override {}
    void text(const Font&, std::string_view, int, int, Colour) override {}
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point p) const override { return p; }

    std::vector<GlyphCall> glyphs;
    std::vector<Rect> fills;
};

std::vector<std::string> exampleTexts() {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        if (entry.path().extension() == ".tnz") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> texts;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return texts;
}

bool isTailed(const Symbol& s) {
    return (s.category == CAT_MELODY_RIGHT_TAIL || s.category == CAT_MELODY_LEFT_TAIL) && isJoiningTail(s.tailCode);
}

// Every example at 100 % and 200 %, each staff handed to `check`.
class EngravingExamplesTest : public ::testing::TestWithParam<int> {
protected:
    template <typename Check>
    void forEachStaff(Check check) {
        const std::vector<std::string> texts = exampleTexts();
        ASSERT_EQ(texts.size(), 5u);
        for (const std::string& text : texts) {
            LayoutSettings settings;
            settings.zoom = GetParam();
            const LaidOutMusic& music = engraving.layOut(text, settings);
            ASSERT_FALSE(music.tunes.empty());
            for (const auto& tune : music.tunes) {
                for (StaffLayout* staff : stavesOf(*tune)) check(*tune, *staff);
            }
        }
    }
    test::Engraving engraving;
};

// The left-most, tallest contour of a note: its stem, in the cell.
test::Bounds stemOf(const Symbol& note) {
    test::Bounds stem{INT_MAX, 0, 0, 0};
    for (const Contour& c : note.glyphFont->outline(note.glyphCharacter)) {
        const test::Bounds b = test::boundsOf(c);
        if (b.left < stem.left || (b.left == stem.left && b.height() > stem.height())) stem = b;
    }
    return stem;
}

TEST_P(EngravingExamplesTest, BeamsMeetTheirStemsAndBeamletsStopShortOfTheNextStem) {
    int beams = 0;
    forEachStaff([&](const Tune&, const StaffLayout& staff) {
        std::map<const Symbol*, const Symbol*> next;
        for (const Symbol* s : symbolsOf(staff)) {
            if (isTailed(*s) && s->backLink != nullptr) next[s->backLink] = s;
        }
        for (const Symbol* note : symbolsOf(staff)) {
            if (!isTailed(*note)) continue;
            // The stem ends inside the beam farthest from the heads.
            const test::Bounds stem = stemOf(*note);
            const int stemLeft = note->x + note->spaceBefore + stem.left;
            const int stemRight = note->x + note->spaceBefore + stem.right;
            ASSERT_EQ(stemLeft, note->stemX) << note->name;
            RecordingSurface flags;
            drawFlags(*note, staff, flags, kBlack);
            const Rect level0 = flags.fills.back();
            EXPECT_GE(note->y + stem.bottom, level0.top) << note->name;
            EXPECT_LE(note->y + stem.bottom, level0.bottom) << note->name;
            // No beamlet passes the stem of the note it is joined to.
            for (const Rect& r : flags.fills) {
                if (note->tailCode == TAIL_R && next.count(note) != 0) {
                    EXPECT_LE(r.right, next[note]->stemX) << note->name;
                }
                if (note->tailCode == TAIL_L && note->backLink != nullptr) {
                    EXPECT_GE(r.left, note->backLink->stemX + 1) << note->name;
                }
            }
            RecordingSurface joined;
            drawBeams(*note, staff, joined, kBlack);
            for (const Rect& r : joined.fills) {
                ++beams;
                const int linkedRight = note->backLink->stemX + (stem.right - stem.left);
                EXPECT_GE(r.left, note->backLink->stemX) << note->name;
                EXPECT_LT(r.left, linkedRight) << note->name;
                EXPECT_GT(r.right, stemLeft) << note->name;
                EXPECT_LE(r.right, stemRight + 1) << note->name;
            }
        }
    });
    EXPECT_GT(beams, 100);
}

TEST_P(EngravingExamplesTest, EveryTupletDrawsItsNumberOverItsCurve) {
    int tuplets = 0;
    forEachStaff([&](const Tune& tune, const StaffLayout& staff) {
        for (const Symbol* s : symbolsOf(staff)) {
            if ((s->category != CAT_RUNS_OF_3 && s->category != CAT_RUNS_OF_3_END) || !s->curve) continue;
            ++tuplets;
            RecordingSurface surface;
            MusicRenderer(kBlack).drawTune(tune, surface);
            const auto number = std::find_if(surface.glyphs.begin(), surface.glyphs.end(), [&](const GlyphCall& g) {
                return g.font == s->secondaryFont && g.code == s->glyphCharacter;
            });
            ASSERT_NE(number, surface.glyphs.end()) << "the number of " << s->name;
            const GlyphBox box = s->secondaryFont->glyphBox(s->glyphCharacter);
            const int left = number->x + box.originX;
            const int bottom = number->y + s->secondaryFont->ascent() - box.originY + box.height;
            int curveLeft = INT_MAX, curveRight = INT_MIN, curveTop = INT_MAX;
            for (const OutlinePoint& p : *s->curve) {
                curveLeft = std::min(curveLeft, p.x);
                curveRight = std::max(curveRight, p.x);
                curveTop = std::min(curveTop, p.y);
            }
            EXPECT_LT(bottom, curveTop);
            EXPECT_NEAR(left + box.width / 2, (curveLeft + curveRight) / 2, 1);
        }
    });
    EXPECT_GT(tuplets, 0);
}

TEST_P(EngravingExamplesTest, DirectionsStandInsideTheirBarClearOfEveryOtherGlyph) {
    int directions = 0;
    forEachStaff([&](const Tune&, const StaffLayout& staff) {
        bool endsWithDirection = false;
        for (const auto& bar : staff.bars) {
            for (const auto& s : bar->symbols) {
                if ((s->category != CAT_SIGN_REPEAT && s->category != CAT_SIGN) || s->glyphFont == nullptr) continue;
                ++directions;
                endsWithDirection = endsWithDirection || s->category == CAT_SIGN_REPEAT;
                const Box mine = drawnBox(*s);
                EXPECT_GE(mine.left, bar->x) << s->name;
                EXPECT_LE(mine.right, bar->x + bar->width) << s->name;
                for (const Symbol* other : symbolsOf(staff)) {
                    if (other == s.get() || other->glyphFont == nullptr || other->glyphBox.width == 0) continue;
                    EXPECT_FALSE(mine.overlaps(drawnBox(*other))) << s->name << " over " << other->name;
                }
            }
        }
        if (endsWithDirection) {
            EXPECT_EQ(staff.overhang, 0);
        }
    });
    EXPECT_GE(directions, 4);
}

// Note lengths in 384ths of a whole note.
int lengthOf(const Symbol& note, const Symbol* dot) {
    int length = 384 / note.noteValue;
    if (dot != nullptr) length += dot->name.rfind("''", 0) == 0 ? length * 3 / 4 : length / 2;
    return note.inTuplet ? length * 2 / 3 : length;
}

int beatOf(const Tune& tune) {
    for (StaffLayout* staff : stavesOf(tune)) {
        for (const Symbol* s : symbolsOf(*staff)) {
            if (s->category != CAT_TIME_SIGNATURE) continue;
            if (s->name == "C" || s->name == "C_") return s->name == "C" ? 96 : 192;
            const int top = std::stoi(s->name);
            const int bottom = std::stoi(s->name.substr(s->name.find('_') + 1));
            // Compound time counts dotted beats.
            return bottom == 8 && top % 3 == 0 ? 3 * 384 / 8 : 384 / bottom;
        }
    }
    return 0;
}

TEST_P(EngravingExamplesTest, ExamplesAreBeamedByTheBeat) {
    int groups = 0;
    forEachStaff([&](const Tune& tune, const StaffLayout& staff) {
        const int beat = beatOf(tune);
        ASSERT_GT(beat, 0);
        for (const auto& bar : staff.bars) {
            // Lengths of the open beam group, closed by a beat separator or an unjoined note.
            int length = 0;
            int members = 0;
            const Symbol* last = nullptr;
            auto close = [&] {
                if (members > 1) {
                    ++groups;
                    EXPECT_EQ(length, beat) << "beam group ending at " << last->name;
                }
                length = 0;
                members = 0;
            };
            const auto& symbols = bar->symbols;
            for (std::size_t i = 0; i < symbols.size(); ++i) {
                const Symbol& s = *symbols[i];
                if (s.category == CAT_BEAT_SEPARATOR) {
                    close();
                    continue;
                }
                if (!isMelodyCategory(s.category)) continue;
                if (!isTailed(s) || s.backLink == nullptr) close();
                const Symbol* dot = i + 1 < symbols.size() && symbols[i + 1]->category == CAT_DOTS ? symbols[i + 1].get()
                                                                                                  : nullptr;
                if (isTailed(s)) {
                    length += lengthOf(s, dot);
                    ++members;
                    last = &s;
                }
            }
            close();
        }
    });
    EXPECT_GT(groups, 50);
}

INSTANTIATE_TEST_SUITE_P(Zooms, EngravingExamplesTest, ::testing::Values(100, 200));

}  // namespace
}  // namespace skirlo
