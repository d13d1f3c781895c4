#include "editor/ScriptPageFormat.h"

#include <algorithm>
#include <vector>

namespace skirlo {

namespace {

constexpr std::size_t kMaxExpandedCharacters = 127;

void replaceFirst(std::string& text, std::string_view what, std::string_view with) {
    const auto at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
}

// A file name is text, not format: a percent sign in it must print as itself
// rather than turn into a date.
std::string escapePercents(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

std::size_t utf8Characters(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

std::string expandScriptPageFormat(std::string_view format, int page, std::string_view fileName, std::time_t time) {
    std::string text(format);
    replaceFirst(text, "&p", std::to_string(page));
    replaceFirst(text, "&f", escapePercents(fileName));
    std::tm local{};
    if (text.empty() || localtime_r(&time, &local) == nullptr) return {};
    // Room for every conversion at its longest; a result that fills it is
    // over the limit anyway.
    std::vector<char> buffer(text.size() * 64 + 256);
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), text.c_str(), &local);
    const std::string_view result(buffer.data(), length);
    if (utf8Characters(result) > kMaxExpandedCharacters) return {};
    return std::string(result);
}

std::time_t chooseScriptPageTime(int choice, std::string_view pathName, std::time_t now,
                                 std::optional<std::time_t> fileTime) {
    const bool fileTimeApplies = choice == kFileTime && pathName.find('.') != std::string_view::npos;
    return fileTimeApplies && fileTime ? *fileTime : now;
}

}  // namespace skirlo
