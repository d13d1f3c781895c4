#pragma once
// One token of a tune body, as the bar builder makes it.
//
// Owned by its BarLayout. Links are raw pointers into the same tune tree and
// are valid as long as the tree is. The fonts are reached through the FontSet
// the bar was built with, which must outlive the tree and stay where it is;
// playback class and data belong to the SymbolMap entry the symbol was made
// from, and the map outlives every tree. Fields marked (layout) are
// filled by a SymbolPlacement; a structure-only build leaves x at the running
// x and the advance at 0.
//
// A tune file makes hundreds of thousands of symbols, so the fonts and the
// map row are kept as one pointer each, what is the same for the whole build
// (the font height, the spacing) is not kept per symbol, and the members are
// ordered by size so that nothing is lost to padding.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Measuring.h"
#include "common/SourceRange.h"
#include "notation/SymbolMapEntry.h"
#include "notation/SymbolVocabulary.h"

namespace skirlo {

class TextRecord;
struct StaffLayout;

struct Symbol {
    // Fonts of the FontSet the bar was built with; null when absent.
    // QTN3: the high-A ledger line.
    const Font* ledgerFont() const { return fonts_ != nullptr ? fonts_->musicFont(3) : nullptr; }
    // The text font, or for arcs their own glyph font.
    const Font* secondaryFont() const {
        if (fonts_ == nullptr) return nullptr;
        return arc_ ? fonts_->musicFont(glyphSection_) : fonts_->textFont();
    }
    // QTN1: measures '!' for bar lines; null for arcs.
    const Font* staffFont() const { return fonts_ != nullptr && !arc_ ? fonts_->musicFont(1) : nullptr; }
    // The font of the map section the glyph came from; null when nothing is drawn.
    const Font* glyphFont() const { return fonts_ != nullptr && !arc_ ? fonts_->musicFont(glyphSection_) : nullptr; }

    void setFonts(const FontSet& fonts) { fonts_ = &fonts; }
    // The music font height H the bar was built at; 0 without fonts.
    int scale() const { return fonts_ != nullptr ? fonts_->height : 0; }
    // The symbol map section 1..8 whose music font draws the glyph; 0 for none.
    void setGlyphSection(int section) { glyphSection_ = static_cast<std::uint8_t>(section); }
    // Arcs are drawn, not set in their font: the glyph font moves aside to be
    // the secondary font, and there is no staff font.
    void drawAsArc() { arc_ = true; }

    // From the map row; empty when the name was not found.
    void setEntry(const SymbolMapEntry* entry) { entry_ = entry; }
    std::string_view playbackClass() const { return entry_ != nullptr ? entry_->playbackClass : std::string_view{}; }
    std::string_view playbackData() const {
        if (soundsAsE_) return eOfValue(noteValue);
        return entry_ != nullptr ? entry_->playbackData : std::string_view{};
    }
    // A camach mark makes the note it leads to sound as E of the note's own
    // value, in this performance and every later one of the same tree.
    void soundAsE() { soundsAsE_ = true; }

    // The glyph character as the one-byte string it is drawn and measured with.
    std::string glyphText() const { return std::string(1, static_cast<char>(glyphCharacter)); }

private:
    const FontSet* fonts_ = nullptr;
    const SymbolMapEntry* entry_ = nullptr;

public:
    std::string name;  // the token as written
    // The token in the script. A beat separator made of tabs has its first
    // tab; the bar line put before a clef is empty at the clef.
    SourceRange source;

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

    std::int32_t noteValue = 0;

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

    // Codes of the vocabulary, all small.
    std::int16_t category = CAT_BEAT_SEPARATOR;
    std::int16_t pitch = PITCH_LG;
    std::int16_t tailCode = TAIL_N;

    TimeLineFlags timeLines = 0;      // in force when made; 0 for arcs
    // One byte: what the name is, and what sign follows the note.
    BarLineKind barLine : 3 = BarLineKind::None;       // set from the name once
    DirectionKind direction : 3 = DirectionKind::None;  // set from the name once
    std::uint8_t repeatMark : 2 = 0;                    // 0 none, 1 a fine follows, 2 a coda follows
    std::uint8_t glyphCharacter = 0;  // a code of its section's music font, 32..171
    bool tieTarget : 1 = false;       // a preceding tie joins to this note
    bool inTuplet : 1 = false;        // covered by a triplet mark
    bool marked : 1 = false;          // selected or sounding (view)
    bool unknown : 1 = false;         // the name is in no map section (reported as a Symbol Error)

private:
    // The playback data of a note sounded as E: an E of its own length.
    static std::string_view eOfValue(std::int32_t noteValue) {
        switch (noteValue) {
            case 2: return "e2";
            case 4: return "e4";
            case 8: return "e8";
            case 16: return "e16";
            case 32: return "e32";
            default: return "e1";
        }
    }

    // Packed with the flags above.
    bool arc_ : 1 = false;
    bool soundsAsE_ : 1 = false;
    std::uint8_t glyphSection_ = 0;
};

// 184 bytes is a 192-byte heap block; one byte more would take 208.
static_assert(sizeof(Symbol) <= 184);

}  // namespace skirlo
