#pragma once
// 26.6 fixed-point arithmetic with the rounding the desktop program's font
// engine applies, so that metrics computed here land on the same 1/64 pixel.

#include <cstdint>
#include <cstdlib>

namespace skirlo::fixed {

// Truncates toward zero, as a floating value is turned into 26.6.
inline int fromReal(double value) { return static_cast<int>(value * 64.0); }

inline double toReal(int value) { return value / 64.0; }

// Nearest whole pixel, halves upward.
inline int roundToInt(int value) { return ((value + 32) & -64) >> 6; }

// a / b in 26.6, rounded to the nearest 1/64 (magnitudes, then the sign).
inline int divide(int a, int b) {
    if (b == 0) return 0x7FFFFFFF;
    bool negative = false;
    std::int64_t x = a;
    std::int64_t y = b;
    if (x < 0) { x = -x; negative = true; }
    if (y < 0) { y = -y; negative = !negative; }
    const int result = static_cast<int>(((x << 6) + (y >> 1)) / y);
    return negative ? -result : result;
}

}  // namespace skirlo::fixed
