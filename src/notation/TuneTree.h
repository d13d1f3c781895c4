#pragma once
// The tree built from a tune text: Tune > PartLayout > StaffLayout >
// BarLayout > Symbol. It is at once the music structure, the layout and the
// input of the performance builder. Each level owns the next in text order.
//
// The structure (lists, coda-section flags, repeat-sign widths, da-capo flag,
// the symbols' links) is filled by the tune builder. Positions and sizes are
// filled as the tree is built: the structure-only defaults are documented on
// each field; a SymbolPlacement may refine them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Measuring.h"
#include "notation/Symbol.h"
#include "tunefile/HeaderRegion.h"

namespace skirlo {

struct BarLayout {
    std::vector<std::unique_ptr<Symbol>> symbols;  // text order; ends with its bar line and any direction
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;   // sum of the symbol advances (and the moves their placement made)
    std::int32_t height = 0;  // tallest symbol
    std::int32_t trailingRepeatWidth = 0;  // glyph-extent widths of the category-29 symbols ending the bar
    std::int32_t codaSection = 0;          // 1 from the codasection bar to the end of its staff line
};

struct StaffLayout {
    std::vector<std::unique_ptr<BarLayout>> bars;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;   // sum of the bar widths
    std::int32_t height = 0;  // ball band plus tallest bar (structure only: tallest bar)
    std::int32_t codaSection = 0;
    std::int32_t trailingRepeatWidth = 0;  // that of its last bar

    // Layout values, filled by the layout (0 in a structure-only build).
    std::int32_t ballBandHeight = 0;  // bars stand at y + ballBandHeight
    std::array<std::int32_t, 5> lineY{};
    std::int32_t lineThickness = 0;
    std::int32_t overhang = 0;
    std::int32_t bottomAllowance = 0;
    std::array<GlyphBox, 3> beamBoxes{};      // QTN3 88, 89, 90
    std::array<GlyphBox, 4> timeLineBoxes{};  // QTN1 72, 71, 54, 53
    Extent staffGlyphExtent;                  // QTN3 87
    // Modern: where each stemmed note's stem ends (its farthest beam's
    // bottom) below the note's y, sorted by `StemEnd::byNote`; a note not
    // listed keeps the stem and flags its glyph draws. A flat list: a staff
    // is built and dropped on every rebuild, and freeing a hash node per
    // note made the Modern layout a third slower.
    struct StemEnd {
        const Symbol* note = nullptr;
        std::int32_t end = 0;
        static bool byNote(const StemEnd& a, const StemEnd& b) { return std::less<>()(a.note, b.note); }
    };
    std::vector<StemEnd> stemEnds;
    const std::int32_t* stemEndOf(const Symbol& note) const {
        const auto it = std::lower_bound(stemEnds.begin(), stemEnds.end(), StemEnd{&note, 0}, StemEnd::byNote);
        return it != stemEnds.end() && it->note == &note ? &it->end : nullptr;
    }
    // Modern: gracenotes drawn to be read at arm's length, with thicker
    // beams and stems than their glyphs have.
    bool sturdyGracenotes = false;
};

struct PartLayout {
    std::vector<std::unique_ptr<StaffLayout>> staves;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;   // widest staff line
    std::int32_t height = 0;  // sum of the staff-line heights
    std::int32_t overhang = 0;
    std::int32_t codaSection = 0;
};

struct Tune {
    // Tempo, variation tempo and the list of texts: header records first,
    // then the in-line texts found in the music, in text order.
    TuneHeader header;
    std::vector<std::unique_ptr<PartLayout>> parts;
    std::int32_t daCapo = 0;  // a dacapoalfine or dacapoalcoda repeat sign occurs
    // The last token of each staff line that no staff-end bar closes; its
    // music is built as the cut leaves it, these only say where to mend it.
    std::vector<SourceRange> unclosedStaves;
    // Words after the tune's last part: read by nothing, each a problem.
    struct StrayWord {
        std::string name;
        SourceRange source;
        bool known = false;  // a name of the map, out of place; else an unknown name
    };
    std::vector<StrayWord> wordsAfterMusic;

    // Layout values (structure only: y stacked, height the sum of the parts).
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t headerBandHeight = 0;
    std::int32_t footerBandHeight = 0;
    std::int32_t printedHeight = 0;
    std::int32_t overhang = 0;
    bool alignBars = false;
};

}  // namespace skirlo
