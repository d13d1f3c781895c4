#pragma once
// The header region of a tune: the text records, comments and tempo marks
// that stand before its music, and where its music begins.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "common/Measuring.h"
#include "common/TextSearch.h"
#include "tunefile/TextRecord.h"
#include "tunefile/TextRepairs.h"

namespace skirlo {

class ScriptText;

// What the header region gives its tune.
struct TuneHeader {
    int tempo = 0;           // the tune's own tempo; 0 = none of its own
    int variationTempo = 0;  // 0 = none
    std::vector<std::unique_ptr<TextRecord>> texts;
};

// Where the music of a text begins, given the position of its first '&':
// at that '&', or at the opening quote of an in-line text record standing
// directly before it (only bytes 0-32 between). A position past the text is
// returned unchanged.
std::size_t bodyStart(std::string_view text, std::size_t firstAmpersand);

// The word searches of one build over its snapshot. The readers of all the
// build's tunes share one, so that a file of thousands of tunes is read in
// linear time: every search only moves forward through the snapshot.
class HeaderSearch {
public:
    explicit HeaderSearch(std::string_view snapshot);
    std::string_view snapshot() const { return snapshot_; }

    OccurrenceCursor quote;
    OccurrenceCursor ampersand;
    OccurrenceCursor attributeEnd;
    OccurrenceCursor tuneTempo;
    OccurrenceCursor variationTempo;
    // The VariationTempo list: the comma after the word, the comma between
    // its values and its ')'. Kept apart so each cursor only moves forward.
    OccurrenceCursor variationComma;
    OccurrenceCursor variationSeparator;
    OccurrenceCursor variationEnd;

private:
    std::string_view snapshot_;
};

// Reads one tune's header records one call at a time.
//
// A build reads a snapshot of the script text taken when the build began
// (a copy: the live text changes under the reader). Edits the reader makes
// (bare strings given attribute lists in older files, records whose
// attribute list lacks its ')') go into the live script at the snapshot
// position plus `growth`, the number of bytes earlier edits of the same
// build have added before it; the reader adds its own edits to growth.
// With TextRepairs::Leave nothing is written: a record is read with the list
// it would be given, and its source is its quoted text as it stands.
class HeaderRegionReader {
public:
    enum class Step {
        Record,  // a header record was added to the header's texts
        Skip,    // a comment: call again
        None,    // the header region is exhausted (and stays so)
    };

    // The reader of one tune of a build; `search` (and its snapshot) outlive it.
    HeaderRegionReader(HeaderSearch& search, std::size_t tuneStart, ScriptText& script, std::ptrdiff_t& growth,
                       bool convertBareStrings, MeasuringContext& context, int layoutScaleH,
                       TextRepairs repairs = TextRepairs::Mend);
    // A reader with searches of its own: its first call may scan the rest of
    // the snapshot, so a build of many tunes uses the constructor above.
    HeaderRegionReader(std::string_view snapshot, std::size_t tuneStart, ScriptText& script,
                       std::ptrdiff_t& growth, bool convertBareStrings, MeasuringContext& context,
                       int layoutScaleH, TextRepairs repairs = TextRepairs::Mend);

    Step next(TuneHeader& header);

private:
    struct VariationMark {
        bool hasFirst = false;
        int first = 0;
        bool hasSecond = false;
        int second = 0;
    };

    std::size_t bodyStartFrom(std::size_t ampersandAt);
    int tempoMarkAt(std::size_t at);
    void readTempoMarks(TuneHeader& header, std::size_t body);
    VariationMark readVariationMark(std::size_t at);
    // Writes the record with the default list for the position in place of
    // the quoted text [open, close] and returns the list.
    // `written` receives the record's range in the live script.
    std::string_view mendRecord(std::size_t open, std::size_t close, SourceRange& written);
    // [begin, end) of the snapshot in the live script, after the edits so far.
    SourceRange liveRange(std::size_t begin, std::size_t end) const;
    bool needsLineBreakBefore(std::size_t liveQuote) const;

    std::unique_ptr<HeaderSearch> ownSearch_;
    HeaderSearch& search_;
    std::string_view snapshot_;
    std::size_t tuneStart_;
    std::size_t position_;
    ScriptText& script_;
    std::ptrdiff_t& growth_;
    bool convertBareStrings_;
    TextRepairs repairs_;
    MeasuringContext& context_;
    int layoutScaleH_;
    int recordsRead_ = 0;  // the position counter: 0 for the first record, at most 3
    bool exhausted_ = false;

    // The body start depends only on the '&' it starts from; remembered so a
    // long run of blanks before it is walked once.
    std::size_t bodyAmpersand_ = std::string_view::npos;
    std::size_t bodyAt_ = std::string_view::npos;
    std::size_t tempoMarkAt_ = std::string_view::npos;
    int tempoMarkValue_ = 0;
    std::size_t variationCommaAt_ = std::string_view::npos;
    VariationMark variationMark_;
};

}  // namespace skirlo
