#pragma once
// 26.6 fixed-point arithmetic with the rounding the desktop program's font
// engine applies, so that metrics computed here land on the same 1/64 pixel.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace skirlo::fixed {

inline double toReal(int value) { return value / 64.0; }

// Nearest whole pixel, halves upward.
inline int roundToInt(std::int64_t value) {
    const std::int64_t pixels = ((value + 32) & -64) / 64;
    return static_cast<int>(std::clamp<std::int64_t>(pixels, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
}

// a / b in 26.6, rounded to the nearest 1/64 (magnitudes, then the sign).
// Results beyond the 26.6 range saturate instead of wrapping, so that an
// absurd font size gives huge metrics rather than garbage.
inline int divide(std::int64_t a, std::int64_t b) {
    if (b == 0) return std::numeric_limits<int>::max();
    const bool negative = (a < 0) != (b < 0);
    const std::int64_t x = a < 0 ? -a : a;
    const std::int64_t y = b < 0 ? -b : b;
    const std::int64_t magnitude = std::min<std::int64_t>(((x << 6) + (y >> 1)) / y, std::numeric_limits<int>::max());
    return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace skirlo::fixed
