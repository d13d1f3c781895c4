#include "cli/CliMessages.h"

#include <cstdio>

#include "document/SourceProblems.h"

namespace skirlo {

namespace {

// A box's text may end in blank lines that space it out on screen.
std::string_view trimmedEnd(std::string_view text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

void print(std::string_view caption, std::string_view text) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
}

}  // namespace

MessageAnswer CliMessages::show(std::string_view text, std::string_view caption, MessageButtons buttons) {
    if (caption.find("Error") != std::string_view::npos) ++errors_;
    text = trimmedEnd(text);
    const MessageAnswer answer = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    if (source_ && caption == kSymbolErrorCaption) {
        // Builds report in text order, so the n-th message of a text is its
        // n-th occurrence; a later build's repeats find every one printed.
        bool known = false;
        if (const std::optional<TuneProblem> problem = nextOccurrence(text, caption, known)) {
            reportProblem(*problem);
            return answer;
        }
        if (known) return answer;
    }
    if (shown_.emplace(std::string(caption), std::string(text)).second) print(caption, text);
    return answer;
}

void CliMessages::setSource(std::string path, std::string fileText, const SymbolMap& symbols) {
    source_ = Source{std::move(path), std::move(fileText), &symbols, std::nullopt, {}};
}

std::optional<TuneProblem> CliMessages::nextOccurrence(std::string_view text, std::string_view caption, bool& known) {
    Source& source = *source_;
    if (!source.problems) source.problems = problemsInFileText(source.text, *source.symbols);
    for (std::size_t i = 0; i < source.problems->size(); ++i) {
        const TuneProblem& problem = (*source.problems)[i];
        if (problem.caption != caption || problem.text != text) continue;
        known = true;
        if (!source.printed.insert(i).second) continue;
        return problem;
    }
    return std::nullopt;
}

void CliMessages::reportProblem(const TuneProblem& problem) {
    const std::string& path = source_ ? source_->path : std::string();
    const LineColumn at = lineColumnOf(source_ ? std::string_view(source_->text) : std::string_view(),
                                       problem.source.begin);
    std::fprintf(stderr, "%s:%d:%d: ", path.c_str(), at.line, at.column);
    print(problem.caption, problem.text);
}

}  // namespace skirlo
