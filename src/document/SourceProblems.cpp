#include "document/SourceProblems.h"

#include <algorithm>
#include <string>

#include "common/FixedMetrics.h"
#include "common/MessageSink.h"
#include "notation/TuneBuilder.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

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
    // Read as it stands, the places are the file's own.
    ScriptText copy{std::string(fileText)};
    FixedMetricsContext measuring;
    FontSet noFonts;
    RecordingMessageSink quiet;
    TuneBuildContext context{symbols, measuring, noFonts, quiet};
    context.repairs = TextRepairs::Leave;
    return findTuneProblems(buildTunes(copy, false, context));
}

}  // namespace skirlo
