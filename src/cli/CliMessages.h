#pragma once
// The desktop program's message boxes on a terminal: "caption: text" on
// standard error, each message once however often the build repeats it.
// A problem of the tune text whose place is known is printed once per
// occurrence as "FILE:LINE:COLUMN: caption: text", the place counted in
// the file as it is on disk.

#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/MessageSink.h"
#include "notation/TuneProblems.h"

namespace skirlo {

class SymbolMap;

class CliMessages final : public MessageSink {
public:
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override;
    // How many errors were shown ("Symbol Error" and the like), repeats included.
    int errors() const { return errors_; }

    // The file whose text the next builds read, as it was loaded from disk:
    // their Symbol Errors are then printed with the place of each occurrence.
    void setSource(std::string path, std::string fileText, const SymbolMap& symbols);
    // Prints one problem of the source file with its place.
    void reportProblem(const TuneProblem& problem);

private:
    // The next occurrence of this problem not printed yet; none once all
    // were. `known`: the text holds the problem at all.
    std::optional<TuneProblem> nextOccurrence(std::string_view text, std::string_view caption, bool& known);

    std::set<std::pair<std::string, std::string>> shown_;
    int errors_ = 0;

    struct Source {
        std::string path;
        std::string text;
        const SymbolMap* symbols = nullptr;
        std::optional<std::vector<TuneProblem>> problems;  // found at the first one the build reports
        std::set<std::size_t> printed;                      // indexes into problems
    };
    std::optional<Source> source_;
};

}  // namespace skirlo
