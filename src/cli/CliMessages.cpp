#include "cli/CliMessages.h"

#include <cstdio>

namespace skirlo {

namespace {

// A box's text may end in blank lines that space it out on screen.
std::string_view trimmedEnd(std::string_view text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

MessageAnswer CliMessages::show(std::string_view text, std::string_view caption, MessageButtons buttons) {
    if (caption.find("Error") != std::string_view::npos) ++errors_;
    text = trimmedEnd(text);
    if (shown_.emplace(std::string(caption), std::string(text)).second) {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

}  // namespace skirlo
