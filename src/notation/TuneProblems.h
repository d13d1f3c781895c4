#pragma once
// What is wrong in a built tune text, each at its place in the script:
// names in no map section, and time lines, ties and triplets opened and
// never closed. The build goes on past all of them; they are found by
// reading the tree afterwards, so a build costs nothing more for them.

#include <memory>
#include <string>
#include <vector>

#include "notation/TuneTree.h"
#include "tunefile/SourceRange.h"

namespace skirlo {

struct TuneProblem {
    SourceRange source;  // the token at fault
    std::string caption;
    std::string text;
};

inline constexpr std::string_view kSymbolErrorCaption = "Symbol Error";

// The Symbol Error message box's text for an unknown name.
std::string unknownSymbolText(std::string_view name);

// Every problem of the tunes, in text order.
std::vector<TuneProblem> findTuneProblems(const std::vector<std::unique_ptr<Tune>>& tunes);

}  // namespace skirlo
