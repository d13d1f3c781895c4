#include "common/LenientNumber.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace skirlo {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitsFrom(std::string_view text, std::size_t i, bool negative) {
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (value < limit) value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

}  // namespace

int leadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return digitsFrom(text, i, negative);
}

int leadingDigits(std::string_view text) { return digitsFrom(text, 0, false); }

double leadingDouble(std::string_view text) {
    // strtod needs a terminated string; a number is short, so copy only the
    // characters that can belong to one.
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    std::size_t end = i;
    while (end < text.size() && end - i < 64 &&
           (isDigit(text[end]) || text[end] == '.' || text[end] == '+' || text[end] == '-' ||
            text[end] == 'e' || text[end] == 'E')) {
        ++end;
    }
    std::string number(text.substr(i, end - i));
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace skirlo
