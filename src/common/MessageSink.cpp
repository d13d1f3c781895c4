#include "common/MessageSink.h"

#include <cstdio>

namespace skirlo {

// The box ends its message with a line break that spaces it out on screen.
void MessageSink::report(const TuneProblem& problem) {
    show(problem.text + "\n", problem.caption, MessageButtons::Ok);
}

MessageAnswer StderrMessageSink::show(std::string_view text, std::string_view caption, MessageButtons buttons) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

MessageAnswer RecordingMessageSink::show(std::string_view text, std::string_view caption, MessageButtons buttons) {
    messages_.push_back({std::string(text), std::string(caption), buttons});
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : answer_;
}

}  // namespace skirlo
