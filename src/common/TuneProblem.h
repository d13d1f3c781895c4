#pragma once
// A problem of a tune text, the one form in which every layer passes it on:
// the message boxes, the underlines and their tool tips, the status bar's
// count and `check` all read these. The build goes on past every problem.

#include <string>
#include <string_view>

#include "common/SourceRange.h"

namespace skirlo {

enum class ProblemKind {
    UnknownSymbol,     // a name in no map section
    OpenTimeLine,      // a time line not closed before the end of its part
    TieWithoutNote,    // a tie with no note after it in its bar
    OpenTie,           // a tie start without an end in its bar or the next
    OpenTriplet,       // a triplet start without an end in its bar or the next
    UnclosedStaff,     // a staff line that no staff-end bar closes
    WordAfterMusic,    // a name of the map after a tune's last bar line
};

struct TuneProblem {
    ProblemKind kind = ProblemKind::UnknownSymbol;
    SourceRange source;   // the token at fault, in the text the build read
    std::string caption;  // the message box's caption
    std::string text;     // the message, without the box's closing line break
};

inline constexpr std::string_view kSymbolErrorCaption = "Symbol Error";

}  // namespace skirlo
