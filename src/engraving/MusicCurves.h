#pragma once
// The curves of ties and triplets: which notes a span covers, and the filled
// outline drawn for it.

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "common/Measuring.h"
#include "notation/Symbol.h"

namespace skirlo {

inline constexpr int kCurvePoints = 261;

// Every symbol of a staff line in order, with what spans ask of a run of
// them answered quickly however long the staff: the first melody note at or
// after a place, and the highest glyph top among the melody notes of a run.
class StaffSequence {
public:
    void add(const Symbol* symbol);
    // Call once after the last add.
    void index();

    std::optional<std::size_t> placeOf(const Symbol* symbol) const;
    // The first melody note at `from` or later, or null.
    const Symbol* firstNoteFrom(std::size_t from) const;
    // Smallest box top of the melody notes in [from, to]; INT_MAX when none.
    int highestTop(std::size_t from, std::size_t to) const;

private:
    std::vector<const Symbol*> symbols_;
    std::vector<std::pair<const Symbol*, std::size_t>> places_;  // sorted by symbol, for lookups
    std::vector<std::size_t> nextNote_;
    std::vector<int> tops_;  // a segment tree: leaves at size()..2 size()-1
};

struct CurveSpan {
    const Symbol* first = nullptr;
    const Symbol* last = nullptr;
    int top = 0;  // highest glyph top of the spanned notes
};

// What a tie or triplet spans: a tie's note and the note it joins, a triplet
// mark's three notes, or the melody notes from a span start's first symbol to
// the end's note. None when the span lacks a start or an end (a tie with no
// note after it, a triplet of fewer than three joined notes).
std::optional<CurveSpan> spanOf(const Symbol& arc, const StaffSequence& staff);

// The closed outline of a curve from x0 to x1 standing on y: an outer cubic
// rising by 18/130 of H and an inner one 4/130 of H thicker, each sampled at
// 129 points, closed at (x0, y).
Contour curvePolygon(int x0, int x1, int y, int fontHeight);

// The Modern curve: ends a quarter of a staff space over `headTop`, inset
// from the centres x0 and x1, rising 0.64 x atan(1.05 x span) staff spaces
// (at most one) and 0.12 of a space thick in the middle.
Contour slimCurvePolygon(int x0, int x1, int headTop, int staffSpace);

// Sets `arc.curve`: the Classic curve one staff-line spacing above the span's
// highest note, or with `slim` the Modern one; null when nothing is spanned.
void placeCurve(Symbol& arc, const std::optional<CurveSpan>& span, int lineSpacing, int fontHeight,
                bool slim = false);

}  // namespace skirlo
