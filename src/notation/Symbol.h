#pragma once
// One token of a tune body, as the bar builder makes it.
//
// Owned by its BarLayout. Links are raw pointers into the same tune tree and
// are valid as long as the tree is. Playback class and data point into the
// SymbolMap entry the symbol was made from: the map outlives every tree.
// Fields marked (layout) are filled by a SymbolPlacement; a structure-only
// build leaves x at the running x and the advance at 0.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Measuring.h"
#include "notation/SymbolVocabulary.h"
#include "tunefile/SourceRange.h"

namespace skirlo {

class TextRecord;
struct StaffLayout;

struct Symbol {
    // Fonts of the FontSet the bar was built with; null when absent.
    const Font* ledgerFont = nullptr;     // QTN3: the high-A ledger line
    const Font* secondaryFont = nullptr;  // the text font, or for arcs their own glyph font
    const Font* staffFont = nullptr;      // QTN1: measures '!' for bar lines; null for arcs
    const Font* glyphFont = nullptr;      // from the map lookup; null when nothing is drawn

    std::string name;  // the token as written
    // The token in the script. A beat separator made of tabs has its first
    // tab; the bar line put before a clef is empty at the clef.
    SourceRange source;

    // Copied from the map row; empty when the name was not found.
    std::string_view playbackClass;
    std::string_view playbackData;

    // Joined note: the note before it. Tie, triplet mark, span end: the
    // current note it starts (or ends) at. Fermata, under-previous mark,
    // fine/coda, time-line end: the symbol made just before it.
    Symbol* backLink = nullptr;
    Symbol* forwardLink = nullptr;     // tie, over/under-next mark or sign: the note that follows
    Symbol* spanStart = nullptr;       // triplet or tie end: first symbol after the matching start
    Symbol* previousSymbol = nullptr;  // made just before in the bar (beat separators and tempo marks skipped)
    StaffLayout* staff = nullptr;
    TextRecord* inlineText = nullptr;  // owned by the tune's list of texts
    std::unique_ptr<Contour> curve;    // ties and triplet arcs (layout); null otherwise

    std::int32_t category = CAT_BEAT_SEPARATOR;
    std::int32_t pitch = PITCH_LG;
    std::int32_t tailCode = TAIL_N;
    std::int32_t noteValue = 0;
    std::int32_t glyphCharacter = 0;

    std::int32_t scale = 130;        // staff scale H
    std::int32_t spacePercent = 100;

    Extent glyphBox;     // black box, height at least 1
    Extent glyphOrigin;  // origin x, font ascent - origin y
    Extent glyphExtent;  // text extent of the glyph character

    std::int32_t x = 0;
    std::int32_t y = 0;             // top of the bar: the reference line of all its glyphs
    std::int32_t spaceBefore = 0;   // (layout)
    std::int32_t spaceAfter = 0;    // (layout)
    std::int32_t stemX = 0;         // (layout)
    std::int32_t centreX = 0;       // (layout)
    std::int32_t advanceWidth = 0;  // (layout)
    std::int32_t height = 0;        // (layout)

    TimeLineFlags timeLines = 0;    // in force when made; 0 for arcs
    std::uint8_t repeatMark = 0;    // 0 none, 1 a fine follows, 2 a coda follows
    bool tieTarget = false;         // a preceding tie joins to this note
    bool inTuplet = false;          // covered by a triplet mark
    bool marked = false;            // selected or sounding (view)
    bool unknown = false;           // the name is in no map section (reported as a Symbol Error)

    // The glyph character as the one-byte string it is drawn and measured with.
    std::string glyphText() const { return std::string(1, static_cast<char>(glyphCharacter & 0xFF)); }
};

}  // namespace skirlo
