#pragma once
// The geometry hook of the tune build. The notation library cuts the text,
// makes the symbols and sets every structural link; an implementation of
// SymbolPlacement (the layout, in view/) computes gaps, positions, advances,
// centres, stems, curves and the staff geometry.
//
// Order of calls for one tune:
//   beginTune            after the header region is read, before any part
//   beginStaff           per staff line, before its first bar
//   place                per symbol, in text order (see below)
//   finishStaff          per staff line, after its last bar
//   finishTune           after the last part (stretching belongs here)
// Without a placement the build is structure-only: every symbol stands at the
// running x with advance 0, centre and stem x equal to x, height the glyph
// extent height; staff height is its tallest bar, tune height the sum of its
// parts.

#include "notation/Symbol.h"
#include "notation/TuneTree.h"

namespace skirlo {

// What a symbol's placement may look at. When `place` runs, every structural
// link of the symbol is already set (back, forward and span links, tie target,
// in tuplet, repeat marks, time-line closing), including the forward link and
// tie-target flag it completes on an earlier mark or tie; the symbol is not
// yet in `bar.symbols`.
struct PlacementInput {
    Symbol* previous = nullptr;        // made just before it in this bar (the chain), or null
    Symbol* currentNote = nullptr;     // last melody note or tie since the last beat separator
    Symbol* lastNoteOfBar = nullptr;   // last melody note of the bar, not cleared by beat separators
    BarLayout& bar;                    // the bar being built
    BarLayout* previousBar = nullptr;  // the bar before it in the same staff line, or null
};

class SymbolPlacement {
public:
    virtual ~SymbolPlacement() = default;

    // Fills the layout fields of `symbol`. `runningX` is the bar's current x
    // (the symbol's x on entry); a placement may move it, and the bar width
    // grows by that move plus the symbol's advance width.
    virtual void place(Symbol& symbol, const PlacementInput& input, int& runningX) = 0;

    // May set tune.headerBandHeight: the first part starts that far below tune.y.
    virtual void beginTune(Tune& /*tune*/) {}
    // May set staff.ballBandHeight: the bars stand that far below staff.y.
    virtual void beginStaff(StaffLayout& /*staff*/) {}
    // May change staff.height (and move what it holds); the next staff line
    // starts at staff.y + staff.height.
    virtual void finishStaff(StaffLayout& /*staff*/) {}
    // May change tune.width and tune.height; the next tune starts at
    // tune.y + tune.height.
    virtual void finishTune(Tune& /*tune*/) {}
};

}  // namespace skirlo
