#pragma once
// What is wrong in a built tune text, each at its place in the script:
// names in no map section; time lines, ties and triplets opened and never
// closed; staff lines no staff-end bar closes (noted by the tune builder as
// it cuts, since their music may not be in the tree at all). The build goes
// on past all of them; they are found by reading the tree afterwards, so a
// build costs nothing more for them.

#include <memory>
#include <string>
#include <vector>

#include "common/TuneProblem.h"
#include "notation/TuneTree.h"

namespace skirlo {

// The problem of a word after a tune's last bar line.
TuneProblem strayWordProblem(const Tune::StrayWord& word);

// The problem of an unknown name at its place.
TuneProblem unknownSymbolProblem(std::string_view name, SourceRange source);

// Every problem of the tunes, in text order.
std::vector<TuneProblem> findTuneProblems(const std::vector<std::unique_ptr<Tune>>& tunes);

}  // namespace skirlo
