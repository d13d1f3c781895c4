#pragma once
// The problems of a tune text at their places in the file as it is on disk:
// before opening adds settings lines, the header line and the conversions,
// so that a position can be looked up in any editor.

#include <cstddef>
#include <string_view>
#include <vector>

#include "notation/TuneProblems.h"

namespace skirlo {

class SymbolMap;

struct LineColumn {
    int line = 1;    // 1 for the first line
    int column = 1;  // bytes from the line's start, 1 for the first
};

// Line ends are LF bytes (a CR LF counts once).
LineColumn lineColumnOf(std::string_view text, std::size_t offset);

// Builds `fileText` as it stands, without geometry and without showing any
// message, and lists its problems with ranges in `fileText`.
std::vector<TuneProblem> problemsInFileText(std::string_view fileText, const SymbolMap& symbols);

}  // namespace skirlo
