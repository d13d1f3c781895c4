#pragma once
// Draws a laid-out tree onto a Surface: staff lines, bar lines, notes with
// their ledger lines, flags and beams, marks, time-line brackets, tie and
// triplet curves and the placed texts. Marked symbols are drawn in the
// highlight colour.
//
// On a Screen surface only what is visible is drawn and selected texts are
// framed; on a printer or preview surface everything is drawn and in-line
// texts are drawn by their symbols; an Image surface gets everything once.

#include <memory>
#include <optional>
#include <vector>

#include "engraving/Surface.h"
#include "notation/TuneTree.h"

namespace skirlo {

// A gracenote glyph's outline (its cell's top-left at 0, 0) as Modern draws
// it for staff lines `space` apart: heads grown, beams 0.3 spaces thick,
// stems never a hairline, a single gracenote's flags longer and apart.
std::vector<Contour> sturdyGracenoteOutline(const std::vector<Contour>& outline, int space);

class MusicRenderer {
public:
    explicit MusicRenderer(Colour highlight) : highlight_(highlight) {}
    Colour highlight() const { return highlight_; }

    void draw(const std::vector<std::unique_ptr<Tune>>& tunes, Surface& surface) const;
    void drawTune(const Tune& tune, Surface& surface) const;
    // The pieces of a tune, for printing a page that holds only some of its staves.
    void drawStaff(const StaffLayout& staff, Surface& surface) const;
    void drawText(const TextRecord& text, Surface& surface) const;
    // One symbol of a bar with its flags, beams and brackets.
    void drawBarSymbol(const BarLayout& bar, std::size_t index, const StaffLayout& staff, Surface& surface) const;

private:
    void drawStaffLines(const StaffLayout& staff, Surface& surface) const;
    // `next`: the note beamed to this one from the right, if any.
    void drawSymbol(const Symbol& symbol, const StaffLayout& staff, Surface& surface, const Symbol* next) const;
    void drawGlyph(const Symbol& symbol, const StaffLayout& staff, Surface& surface, Colour colour,
                   const Symbol* next) const;

    Colour highlight_;
};

// The rectangle of a bar line kind, widened on a preview surface until it
// covers a device column.
void drawBarLines(const Symbol& bar, const StaffLayout& staff, Surface& surface, Colour colour);
// The note that a beam joins to the tailed note at `index` from the right,
// or null.
const Symbol* beamedNext(const BarLayout& bar, std::size_t index);
// The flags of a tailed note at the levels no beam joins it at, `next`
// being the note beamed to it from the right.
void drawFlags(const Symbol& note, const StaffLayout& staff, Surface& surface, Colour colour,
               const Symbol* next = nullptr);
void drawBeams(const Symbol& note, const StaffLayout& staff, Surface& surface, Colour colour);
// A tuplet's number (its own glyph, set aside when the symbol became a curve)
// centred over its curve; nothing without a curve or a glyph.
std::optional<Point> tupletNumberPlace(const Symbol& tuplet);
void drawTupletNumber(const Symbol& tuplet, Surface& surface, Colour colour);
// How far a time-line label's glyph is moved right and down to stand clear
// of its bracket's hook.
Point timeLineLabelShift(const Symbol& label, const StaffLayout& staff);
void drawTimeLineSegments(const Symbol& symbol, const StaffLayout& staff, Surface& surface, Colour colour);
void drawTimeLineEnd(const Symbol& end, const StaffLayout& staff, Surface& surface, Colour colour);

// Whether the symbol at `index` is one of single gracenotes written one
// after another, drawn as one beamed group.
bool inGracenoteRun(const BarLayout& bar, std::size_t index);
// A gracenote of such a run: its head and stem without flags, and, from the
// first of the run (`runEnd` the last), the beams across the run.
void drawRunGracenote(const Symbol& grace, const Symbol* runEnd, const StaffLayout& staff, Surface& surface,
                      Colour colour);

// The beam levels of a note value, the deepest first: 8 gives {0}, 16
// {1, 0}, 32 {2, 1, 0}; nothing below an eighth, at most three levels.
std::vector<int> beamLevels(int noteValue);

}  // namespace skirlo
