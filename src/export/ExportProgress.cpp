#include "export/ExportProgress.h"

#include <unistd.h>

#include <cstdio>

namespace skirlo {

void ProgressCounter::setRange(int lower, int upper, int step) {
    lower_ = lower;
    upper_ = upper;
    step_ = step;
    position_ = lower;
    percent_ = -1;
}

bool ProgressCounter::setPosition(int position) {
    position_ = position;
    const long long span = static_cast<long long>(upper_) - lower_;
    const int percent = span > 0 ? static_cast<int>(static_cast<long long>(position) * 100 / span) : 0;
    if (percent == percent_) return false;
    percent_ = percent;
    return true;
}

std::string ProgressCounter::caption(std::string_view title) const {
    std::string text(title);
    text += " [" + std::to_string(percent_) + "%]";
    return text;
}

TerminalProgress::TerminalProgress() : terminal_(isatty(STDERR_FILENO) != 0) {}

void TerminalProgress::begin(std::string_view title, std::string_view message, int lower, int upper) {
    title_ = std::string(title);
    counter_.setRange(lower, upper);
    if (!terminal_) return;
    counter_.setPosition(lower);
    // The percentage shows at once: a long job may take a while to its first step.
    const std::string caption = counter_.caption(title_);
    std::fprintf(stderr, "%.*s\n%s", static_cast<int>(message.size()), message.data(), caption.c_str());
}

void TerminalProgress::step() {
    if (counter_.stepIt() && terminal_) std::fprintf(stderr, "\r%s", counter_.caption(title_).c_str());
}

void TerminalProgress::end() {
    if (terminal_) std::fprintf(stderr, "\n");
}

std::string savingMessage(std::string_view path) {
    // Our paths use '/', the file dialogs of other systems '\\': either ends the folder part.
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string_view::npos) return std::string(path);
    return "Saving \"" + std::string(path.substr(slash + 1)) + "\"";
}

}  // namespace skirlo
