#include "document/SourceProblems.h"

#include <algorithm>
#include <string>

#include "common/FixedMetrics.h"
#include "common/MessageSink.h"
#include "notation/TuneBuilder.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

// The edits a build made to its copy of the text (records completed with
// their attribute lists), undone for positions after them.
class EditLog {
public:
    void add(std::size_t begin, std::size_t removed, std::size_t inserted) { edits_.push_back({begin, removed, inserted}); }
    std::size_t original(std::size_t at) const {
        for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
            if (at >= edit->begin + edit->inserted) {
                at = at - edit->inserted + edit->removed;
            } else if (at > edit->begin) {
                at = edit->begin;  // inside written text: its start
            }
        }
        return at;
    }

private:
    struct Edit {
        std::size_t begin;
        std::size_t removed;
        std::size_t inserted;
    };
    std::vector<Edit> edits_;
};

}  // namespace

LineColumn lineColumnOf(std::string_view text, std::size_t offset) {
    const std::string_view before = text.substr(0, std::min(offset, text.size()));
    LineColumn position;
    position.line += static_cast<int>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t lineStart = before.rfind('\n');
    position.column += static_cast<int>(lineStart == std::string_view::npos ? before.size()
                                                                             : before.size() - lineStart - 1);
    return position;
}

std::vector<TuneProblem> problemsInFileText(std::string_view fileText, const SymbolMap& symbols) {
    ScriptText copy{std::string(fileText)};
    EditLog edits;
    copy.setObserver([&edits](std::size_t begin, std::size_t removed, std::string_view inserted) {
        edits.add(begin, removed, inserted.size());
    });
    FixedMetricsContext measuring;
    FontSet noFonts;
    RecordingMessageSink quiet;
    const TuneBuildContext context{symbols, measuring, noFonts, quiet};
    std::vector<TuneProblem> problems = findTuneProblems(buildTunes(copy, false, context));
    for (TuneProblem& problem : problems) {
        problem.source = SourceRange::between(edits.original(problem.source.begin), edits.original(problem.source.end));
    }
    return problems;
}

}  // namespace skirlo
