#include "editor/TextSetupValues.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace skirlo {

namespace {

constexpr std::int64_t kThousandths = 1000;
constexpr char kInchMark = '"';

template <std::size_t N>
int indexIn(const std::array<char, N>& letters, char letter, int fallback) {
    const auto found = std::find(letters.begin(), letters.end(), letter);
    return found == letters.end() ? fallback : static_cast<int>(found - letters.begin());
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string writableFace(std::string face) {
    std::erase_if(face, [](char c) { return c == ',' || c == ')' || c == '"' || c == '\r' || c == '\n'; });
    return face;
}

std::uint8_t mergedFlag(std::uint8_t stored, bool shown, bool chosen) {
    return shown == chosen ? stored : static_cast<std::uint8_t>(chosen ? 1 : 0);
}

}  // namespace

int textKindIndex(char kind) { return indexIn(kTextKinds, kind, 0); }

int textAlignmentIndex(char alignment) {
    return indexIn(kTextAlignments, alignment, static_cast<int>(kTextAlignments.size()) - 1);
}

std::string inchText(int thousandths) {
    const std::int64_t value = thousandths;
    const std::int64_t magnitude = value < 0 ? -value : value;
    std::string fraction = std::to_string(magnitude % kThousandths);
    fraction.insert(0, 3 - fraction.size(), '0');
    return (value < 0 ? "-" : "") + std::to_string(magnitude / kThousandths) + "." + fraction + kInchMark;
}

std::string normalisedInchText(std::string_view typed) {
    while (!typed.empty() && isBlank(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && isBlank(typed.back())) typed.remove_suffix(1);
    std::string text(typed);
    if (text.empty() || text.back() != kInchMark) text += kInchMark;
    if (text.front() == '.') text.insert(0, 1, '0');
    return text;
}

int thousandthsOfInchText(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<int>::max();
    std::int64_t value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        value = std::min(value * 10 + (text[at] - '0') * kThousandths, kLimit);
    }
    if (at < text.size() && text[at] == '.') {
        ++at;
        for (std::int64_t place = kThousandths / 10; place > 0 && at < text.size() && isDigit(text[at]); place /= 10) {
            value = std::min(value + (text[at++] - '0') * place, kLimit);
        }
    }
    return static_cast<int>(negative ? -value : value);
}

FontDescription mergeFontChoice(const FontDescription& record, const FontChoice& shown, const FontChoice& chosen) {
    FontDescription merged = record;
    if (chosen.face != shown.face) merged.faceName = writableFace(chosen.face);
    if (chosen.heightTenths != shown.heightTenths) merged.heightTenthsOfPoint = chosen.heightTenths;
    if (chosen.weight != shown.weight) merged.weight = chosen.weight;
    merged.italic = mergedFlag(record.italic, shown.italic, chosen.italic);
    merged.underline = mergedFlag(record.underline, shown.underline, chosen.underline);
    merged.strikeOut = mergedFlag(record.strikeOut, shown.strikeOut, chosen.strikeOut);
    return merged;
}

}  // namespace skirlo
