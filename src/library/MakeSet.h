#pragma once
// A set: chosen tunes of tune files put one after another into one text,
// played, printed and exported as one document.

#include <string>
#include <vector>

namespace skirlo {

class SymbolMap;

struct SetTuneSource {
    std::string name;   // the file's name, for messages
    std::string bytes;  // the whole file
    int position = 0;   // the tune's place in the file, 0 for the first
};

struct SetText {
    std::string text;   // empty on failure
    std::string error;  // why there is no set
};

// The tunes in the given order, each with its own text as the build cuts it,
// after the header line and settings lines of the first tune's file. Every
// later tune is preceded by the comment that begins a new tune, and keeps a
// tempo mark of its own written before its records. A set larger than a tune
// file may be is refused.
SetText makeSetText(const std::vector<SetTuneSource>& tunes, const SymbolMap& symbols);

}  // namespace skirlo
