#pragma once
// The glyph codes that layout, drawing and printing use by number rather
// than through the symbol map: the staff and its lines, and the bar lines.

namespace skirlo::glyph {

inline constexpr int kThinBar = 33;  // also the reference bar line that spans the staff
inline constexpr int kThickBar = 34;
inline constexpr int kEndBar = 35;
inline constexpr int kLine = 57;
inline constexpr int kLedger = 77;
inline constexpr int kStaff = 87;

}  // namespace skirlo::glyph
