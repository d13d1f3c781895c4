#pragma once
// What the music pane's mouse selects, in the tree's logical units: the
// placed text under a point, and the symbols whose boxes meet a rectangle
// (marked symbols are drawn in the highlight colour and are what plays).

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engraving/Surface.h"
#include "notation/TuneTree.h"

namespace skirlo {

class TextRecord;

// A symbol's box for selecting: x to x + advance and y to y + height; a tie
// or triplet arc spans its curve's width over the note's height; time-line
// labels, fermatas, pibroch marks, signs and repeat signs their glyph's text
// extent.
Rect selectionBox(const Symbol& symbol);

// Unselects every placed text, then selects the first whose box holds the
// point; null when none does.
TextRecord* selectTextAt(const std::vector<std::unique_ptr<Tune>>& tunes, int x, int y);

// Marks the symbols whose boxes meet `area` and unmarks the others of the
// staves that `affected` meets (all of them when `affected` is null);
// `changed` hears of every symbol whose mark flipped.
void markInside(const std::vector<std::unique_ptr<Tune>>& tunes, const Rect& area, const Rect* affected,
                const std::function<void(const Symbol&)>& changed);

// The script bytes of the placed text at the point, else of the symbol with
// the smallest box there; none when nothing is there.
std::optional<SourceRange> sourceAt(const std::vector<std::unique_ptr<Tune>>& tunes, int x, int y);

// The symbol whose token holds the byte, else the one whose token ends just
// before it (a caret right after a word); null when none.
const Symbol* symbolWrittenAt(const std::vector<std::unique_ptr<Tune>>& tunes, std::size_t byte);

void unmarkAll(const std::vector<std::unique_ptr<Tune>>& tunes, const std::function<void(const Symbol&)>& changed);

}  // namespace skirlo
