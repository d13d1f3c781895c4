#pragma once
// The music layout: spaces the symbols of every bar, measures the staves,
// stretches them to a common width (or aligns their bar lines in columns)
// and places the texts. It is the SymbolPlacement that the tune build calls
// while it cuts the text, so the tree comes out of the build fully placed.
//
// Everything is in logical units of the measuring context. Every musical
// distance derives from the music font height H that the font set was
// created at; the spacing tables are in 1/130 of H. Integer arithmetic with
// truncating division, in the order the rules are written.
//
// Conventions of the placed tree that drawing relies on:
// - a glyph is written with its cell's top-left at (x + spaceBefore, y);
// - the staff's beam and time-line boxes hold the font's own origin; the top
//   of such a box below the cell top is font ascent - originY;
// - a tie or triplet curve is its 261-point polygon in `Symbol::curve`.

#include <array>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/Measuring.h"
#include "engraving/EngravingStyle.h"
#include "notation/LaidOutMusic.h"
#include "notation/SymbolMap.h"
#include "notation/SymbolPlacement.h"
#include "notation/TuneTree.h"
#include "tunefile/TextRepairs.h"
#include "tunefile/TuneSettings.h"

namespace skirlo {

class MessageSink;
class ScriptText;

inline constexpr int kLayoutReference = 130;  // the font height the spacing tables are written for
inline constexpr int kDefaultBallSize = 7;
// The zooms a tune is laid out at, in percent: a stored zoom outside them is
// brought to the nearer end.
inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 1000;
inline constexpr int kMaxFontHeight = 10 * kLayoutReference;  // zoom 1000 % at 100 % scale

struct LayoutSettings {
    EngravingStyle engraving = EngravingStyle::Classic;
    int zoom = 100;                   // percent
    int xScale = 90;                  // percent; 0: the glyphs' natural width
    int yScale = 100;                 // percent
    int spacePercent = 80;            // scales the gaps after notes and before gracenotes
    bool alignBars = false;           // bar lines in columns instead of stretched staves
    int ballSize = kDefaultBallSize;  // room above each staff for the bouncing ball, 1/130 of H
    bool printing = false;
    int printableOffsetX = 0;  // printer units: fixed texts are placed less these
    int printableOffsetY = 0;
    // Printing with the staves spread across the paper: every staff (or, with
    // aligned bars, the columns) widened to this width less the tune's overhang.
    int spreadWidth = 0;
};

// The layout settings a tune text stores (its FontSizes and TuneFormat
// lines) with the bouncing-ball size of the profile.
LayoutSettings layoutSettingsFor(const TuneSettings& settings, int ballSize);

// The heights a zoom and the two scales give: base B, music font height H
// (before font creation lowers it) and the width argument W, each between
// 0 and kMaxFontHeight.
struct DerivedHeights {
    int base = 0;
    int height = 0;
    int width = 0;
};
DerivedHeights derivedHeights(int zoom, int xScale, int yScale);

class MusicLayout final : public SymbolPlacement {
public:
    // `fonts` and `spacing` outlive the layout; H is fonts.height.
    MusicLayout(const FontSet& fonts, const CategorySpacing& spacing, MeasuringContext& measuring,
                const LayoutSettings& settings);

    void place(Symbol& symbol, const PlacementInput& input, int& runningX) override;
    void beginTune(Tune& tune) override;
    void beginStaff(StaffLayout& staff) override;
    void finishStaff(StaffLayout& staff) override;
    void finishTune(Tune& tune) override;
    // Modern: stretches a finished tune's staves to `width` (its own width
    // at least) and places its curves and texts again.
    void widenTune(Tune& tune, int width);

private:
    int units(int tableValue) const { return tableValue * height_ / kLayoutReference; }
    bool modern() const { return settings_.engraving == EngravingStyle::Modern; }
    // Modern: the room a melody note of this value takes from its head to
    // whatever follows, in logical units.
    int roomOf(int noteValue, bool dotted) const;
    int minimumGap() const { return staffSpace_ * 3 / 10; }
    // Modern: the weight of the stretch point at `index` of its bar (the
    // room of the note before it), so extra width follows the durations.
    int stretchWeight(const BarLayout& bar, std::size_t index) const;
    int stretchWeights(const BarLayout& bar, bool withRests) const;
    int scaledUnits(int tableValue) const;
    int preGap(const Symbol& symbol, const PlacementInput& input) const;
    int postGap(const Symbol& symbol) const;

    void placeTailedNote(Symbol& note, const PlacementInput& input, int& runningX);
    void placeDefault(Symbol& symbol, const PlacementInput& input, int& runningX);
    void setIntoRoomBefore(Symbol& group, const PlacementInput& input, int groupWidth, int& runningX) const;
    void placeDot(Symbol& dot, const PlacementInput& input, int& runningX);
    void placeFermata(Symbol& fermata, const PlacementInput& input, int runningX);
    void placeRepeatSign(Symbol& sign, const PlacementInput& input, int runningX);
    void placeUnderPrevious(Symbol& mark, const PlacementInput& input, int runningX);
    void placeTimeLine(Symbol& symbol, int runningX);
    void adjustHighA(Symbol& note, const PlacementInput& input, int& runningX) const;
    void hangPendingMarks(Symbol& target);
    void hangMark(Symbol& mark, const Symbol& target);
    void dropBelow(Symbol& mark, const Symbol& target);

    void measureStaffGlyphs();
    void moveMarks(BarLayout& bar, std::vector<std::pair<const Symbol*, int>>& moved) const;
    void allowForInlineTexts(StaffLayout& staff);
    void measureStaffLines(StaffLayout& staff);
    void clearDirections(StaffLayout& staff) const;
    // Modern: each beam group's own flat beam line, and normal stems for
    // the notes no beam joins.
    void assignStemEnds(StaffLayout& staff) const;

    void stretchStaves(Tune& tune);
    void alignColumns(Tune& tune);
    void stretchStaff(StaffLayout& staff, int extra);
    void layOutBar(BarLayout& bar, int extra);
    void reflow(Tune& tune);
    // Modern: the width a staff of this natural width is stretched to.
    int stretchTarget(int natural, int widest) const;
    void computeCurves(Tune& tune);
    void placeTexts(Tune& tune);
    void placeInlineTexts(StaffLayout& staff);
    void keepHeadingApart(Tune& tune);

    const FontSet& fonts_;
    const CategorySpacing& spacing_;
    MeasuringContext& measuring_;
    LayoutSettings settings_;
    int height_;
    int staffSpace_;  // between two staff lines, from the staff glyph

    // What every staff measures of the staff glyphs, the same for all of them.
    struct StaffGlyphs {
        std::array<GlyphBox, 3> beamBoxes{};
        std::array<GlyphBox, 4> timeLineBoxes{};
        int lineThickness = 1;
        Extent extent;
        std::vector<int> lineTops;  // below the cell top
    };
    StaffGlyphs staffGlyphs_;

    StaffLayout* staff_ = nullptr;
    BarLayout* pendingBar_ = nullptr;
    std::vector<Symbol*> pendingMarks_;  // marks waiting for the symbol they hang on
    // Marks and their symbols, so that stretching can move them along.
    std::unordered_map<const Symbol*, const Symbol*> hungOn_;
};

// How far drawing moves an under-mark down so that it clears the symbol it
// hangs on by 3/130 of H; 0 when its top is already below that symbol.
int underMarkDrop(const Symbol& mark, const Symbol& target, int fontHeight);

// Modern: tunes set one under another read as one page, so every tune is
// widened to the widest.
void giveTunesOneWidth(const std::vector<std::unique_ptr<Tune>>& tunes, MusicLayout& layout);

// Where the music ends: the widest tune plus the left margin, and the total
// height, each at least 1.
Extent musicExtent(const std::vector<std::unique_ptr<Tune>>& tunes, int leftX);

// Creates the fonts at the settings' zoom and scales and builds the tree
// with this layout, at left x = zoom x 20 / 100.
LaidOutMusic layOutMusic(ScriptText& script, bool convertBareStrings, const SymbolMap& symbols,
                         MeasuringContext& measuring, MessageSink& messages, const LayoutSettings& settings,
                         TextRepairs repairs = TextRepairs::Mend);

}  // namespace skirlo
