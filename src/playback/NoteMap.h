#pragma once
// Chanter pitch names to the numbers that sound them: MIDI note numbers, or
// frequencies in Hz for the PC speaker. Nine pitches, "g" (low G) to "A"
// (high A), each plain and with a "$" (flat), "#" (sharp) or "^" (natural)
// prefix: 36 keys, always all present.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace skirlo {

// Natural, flat and sharp values of the nine pitches, low G to high A.
struct NoteTable {
    std::array<int, 9> flat{};
    std::array<int, 9> sharp{};
    std::array<int, 9> natural{};
};

class NoteMap {
public:
    static constexpr std::size_t kKeyCount = 36;

    NoteMap() = default;
    // Plain and "^" keys from the natural column, "$" from flat, "#" from sharp.
    static NoteMap fromTable(const NoteTable& table);

    // The value of a key; nothing when the text is not one of the 36 keys.
    std::optional<int> find(std::string_view key) const;
    // Sets an existing key; false (and nothing changed) for any other text.
    bool set(std::string_view key, int value);

private:
    static std::optional<std::size_t> indexOf(std::string_view key);

    std::array<int, kKeyCount> values_{};
};

}  // namespace skirlo
