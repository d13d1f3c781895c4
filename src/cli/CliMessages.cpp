#include "cli/CliMessages.h"

#include <cstdio>

#include "document/SourceProblems.h"
#include "tunefile/ScriptText.h"

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

bool isError(std::string_view caption) { return caption.find("Error") != std::string_view::npos; }

}  // namespace

MessageAnswer CliMessages::show(std::string_view text, std::string_view caption, MessageButtons buttons) {
    if (isError(caption)) ++errors_;
    text = trimmedEnd(text);
    if (shown_.emplace(std::string(caption), std::string(text)).second) print(caption, text);
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

void CliMessages::report(const TuneProblem& problem) {
    if (script_ == nullptr) {
        MessageSink::report(problem);
        return;
    }
    TuneProblem inFile = problem;
    inFile.source = SourceRange::between(offsetInFile(problem.source.begin), offsetInFile(problem.source.end));
    reportInFile(inFile);
}

void CliMessages::follow(std::string path, ScriptText& script) {
    edits_.clear();
    path_ = std::move(path);
    fileText_ = script.text();
    script_ = &script;
    script.setObserver([this](std::size_t begin, std::size_t removed, std::string_view inserted) {
        edits_.push_back({begin, removed, inserted.size()});
    });
}

void CliMessages::stopFollowing() {
    if (script_ != nullptr) script_->setObserver({});
    script_ = nullptr;
    edits_.clear();
}

void CliMessages::reportInFile(const TuneProblem& problem) {
    if (isError(problem.caption)) ++errors_;
    if (!shownAt_.emplace(problem.source.begin, problem.text).second) return;
    const LineColumn at = lineColumnOf(fileText_, problem.source.begin);
    std::fprintf(stderr, "%s:%d:%d: ", path_.c_str(), at.line, at.column);
    print(problem.caption, problem.text);
}

// Undoes the edits newest first; a place inside written text goes to where
// the writing began.
std::size_t CliMessages::offsetInFile(std::size_t at) const {
    for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
        if (at >= edit->begin + edit->inserted) {
            at = at - edit->inserted + edit->removed;
        } else if (at > edit->begin) {
            at = edit->begin;
        }
    }
    return at;
}

}  // namespace skirlo
