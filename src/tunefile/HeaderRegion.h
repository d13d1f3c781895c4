#pragma once
// The header region of a tune: the text records, comments and tempo marks
// that stand before its music, and where its music begins.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "common/Measuring.h"
#include "tunefile/TextRecord.h"

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
// directly before it.
std::size_t bodyStart(std::string_view text, std::size_t firstAmpersand);

// Reads one tune's header records one call at a time.
//
// A build reads a snapshot of the script text taken when the build began.
// Edits the reader makes (bare strings given attribute lists in older files,
// records whose attribute list lacks its ')') go into the live script at the
// snapshot position plus `growth`, the number of bytes earlier edits of the
// same build have added before it; the reader adds its own edits to growth.
class HeaderRegionReader {
public:
    enum class Step {
        Record,  // a header record was added to the header's texts
        Skip,    // a comment: call again
        None,    // the header region is exhausted
    };

    HeaderRegionReader(std::string_view snapshot, std::size_t tuneStart, ScriptText& script,
                       std::ptrdiff_t& growth, bool convertBareStrings, MeasuringContext& context,
                       int layoutScaleH);

    Step next(TuneHeader& header);

private:
    // Reading position in the snapshot, the word cursors and the edit
    // context belong here.
};

}  // namespace skirlo
