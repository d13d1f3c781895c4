#pragma once
// Cutting a tune's music into parts, staff lines and bars.
//
// All positions are offsets into one text (the build's snapshot); nothing
// copies the rest of the text. The "first occurrence in the rest" searches go
// through OccurrenceCursors, so reading a whole text forward is linear.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/SourceRange.h"
#include "common/TextSearch.h"

namespace skirlo {

struct TextRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Direction words (dalsegno, then dacapoalfine, then dacapoalcoda, each at
// most once) that follow a cut at `end` stay with the piece being cut: the
// end moves past each word found after bytes whose signed value is at most 32.
// Never moves beyond `limit`.
std::size_t skipDirections(std::string_view text, std::size_t end, std::size_t limit);

// The text of one bar as the bar builder reads it, and where it came from.
struct BarText {
    // The bytes "_bs" and a tab put after the first tab of every run of tabs.
    static constexpr std::size_t kInsertedSize = 4;

    std::string text;
    std::size_t source = 0;                    // where text[0] stands in the cut text
    std::vector<std::size_t> beatSeparators;   // offsets in `text` of the inserted bytes, ascending

    // The source range of a token (a view into `text`); the `_bs` of a tab
    // run has its first tab.
    SourceRange sourceOf(std::string_view token, std::size_t& separatorsBefore) const;
};

// The next bar of [rest, end): up to and including the first '!' with the
// marker letter after it and any direction words. Every run of tabs gets one
// "_bs" token (a tab, "_bs", a tab). False when the rest is empty.
bool nextBar(std::string_view text, std::size_t& rest, std::size_t end, BarText& bar);
bool nextBar(std::string_view text, std::size_t& rest, std::size_t end, std::string& bar);

// The staff lines of [begin, end) that no staff-end bar (!t, !I, ''!I)
// closes before the next staff line starts or the music ends: for each, the
// range of its last token. Quoted in-line texts are passed over whole.
std::vector<TextRange> unclosedStaffLines(std::string_view text, std::size_t begin, std::size_t end);

// The words of [begin, end), the text after a tune's last part, that no
// build reads: everything up to the next staff start ('&', which is an
// unclosed staff's) or header word, passing over quoted texts.
std::vector<TextRange> wordsAfterMusic(std::string_view text, std::size_t begin, std::size_t end);

class MusicCutter {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    struct PartCut {
        std::optional<TextRange> part;  // none: the tune has no further part
        bool tuneEnds = false;          // this was the tune's last part (or there was none)
        std::size_t nextTuneStart = 0;  // when tuneEnds: where the next tune begins (text size: none)
    };

    explicit MusicCutter(std::string_view text);

    // First '&' at or after `from`, or npos.
    std::size_t firstAmpersand(std::size_t from) { return ampersand_.from(from); }

    // Cuts the next part from `rest` (moved past it). `firstOfTune` is set for
    // the part that begins at the tune's body start.
    PartCut nextPart(std::size_t& rest, bool firstOfTune);
    // The next staff line of the part [rest, partEnd), or none.
    std::optional<TextRange> nextStaffLine(std::size_t& rest, std::size_t partEnd);

private:
    // Where a "Chantrel", else "Skirlo", else "Tartanix" first occurs from `from`.
    std::size_t headerWordPosition(std::size_t from);
    // Whether the rest from `from` begins another tune before its first '&'.
    bool beginsNextTune(std::size_t from, std::size_t ampersand);
    // The first part end at or after `from`: !I, or ''!I taken whole when it
    // starts first.
    std::optional<TextRange> firstPartEnd(std::size_t from);

    std::string_view text_;
    OccurrenceCursor ampersand_;
    OccurrenceCursor repeatEnd_;   // ''!I
    OccurrenceCursor partEnd_;     // !I
    OccurrenceCursor staffEnd_;    // !t
    OccurrenceCursor partStart_;   // I!
    OccurrenceCursor chantrel_;
    OccurrenceCursor skirlo_;
    OccurrenceCursor tartanix_;
    // Staff-line cuts search inside a part and must not disturb the cursors
    // of the part cuts, which run ahead of them.
    OccurrenceCursor lineRepeatEnd_;
    OccurrenceCursor linePartEnd_;
    OccurrenceCursor lineStaffEnd_;
};

}  // namespace skirlo
