#pragma once
// The piobaireachd movement marks as a score writes them above the staff:
// T and C, turned upside down for the a mach forms, and the trebling mark.
// MusicXML goes out and comes back in by this one table.

#include <optional>
#include <string_view>
#include <utility>

namespace skirlo {

inline constexpr std::pair<std::string_view, std::string_view> kMovementMarks[] = {
    {"txtaor", "T"}, {"txcrun", "C"}, {"txtaoram", "\u22A5"}, {"txcrunam", "\u2183"}, {"trebling", "\u2261"}};

// The words of a mark's symbol name, or none.
inline std::optional<std::string_view> movementMarkWords(std::string_view name) {
    for (const auto& [mark, words] : kMovementMarks) {
        if (mark == name) return words;
    }
    return std::nullopt;
}

// The symbol name of a mark's words, or none.
inline std::optional<std::string_view> movementMarkNamed(std::string_view words) {
    for (const auto& [mark, text] : kMovementMarks) {
        if (text == words) return mark;
    }
    return std::nullopt;
}

}  // namespace skirlo
