#include "playback/NoteMap.h"

namespace skirlo {

namespace {

constexpr std::string_view kLetters = "gabcdefGA";
constexpr std::string_view kPrefixes = "$#^";

enum Column : std::size_t { kPlain = 0, kFlat = 1, kSharp = 2, kNatural = 3 };

}  // namespace

NoteMap NoteMap::fromTable(const NoteTable& table) {
    NoteMap map;
    for (std::size_t pitch = 0; pitch < kLetters.size(); ++pitch) {
        map.values_[kPlain * 9 + pitch] = table.natural[pitch];
        map.values_[kFlat * 9 + pitch] = table.flat[pitch];
        map.values_[kSharp * 9 + pitch] = table.sharp[pitch];
        map.values_[kNatural * 9 + pitch] = table.natural[pitch];
    }
    return map;
}

std::optional<std::size_t> NoteMap::indexOf(std::string_view key) {
    std::size_t column = kPlain;
    if (key.size() == 2) {
        const std::size_t prefix = kPrefixes.find(key[0]);
        if (prefix == std::string_view::npos) return std::nullopt;
        column = prefix + 1;
        key.remove_prefix(1);
    }
    if (key.size() != 1) return std::nullopt;
    const std::size_t pitch = kLetters.find(key[0]);
    if (pitch == std::string_view::npos) return std::nullopt;
    return column * 9 + pitch;
}

std::optional<int> NoteMap::find(std::string_view key) const {
    const auto index = indexOf(key);
    if (!index) return std::nullopt;
    return values_[*index];
}

bool NoteMap::set(std::string_view key, int value) {
    const auto index = indexOf(key);
    if (!index) return false;
    values_[*index] = value;
    return true;
}

}  // namespace skirlo
