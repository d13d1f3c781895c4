#pragma once
// Numbers in tune text and profile values are read leniently: leading blanks
// skipped, an optional sign, then digits until the first character that cannot
// continue the number; nothing readable gives 0. Values beyond the 32-bit range
// saturate instead of overflowing.

#include <string_view>

namespace skirlo {

int leadingInt(std::string_view text);
// Only decimal digits, no blanks and no sign: the reading of the digits that
// follow a "TuneTempo," mark.
int leadingDigits(std::string_view text);
double leadingDouble(std::string_view text);

}  // namespace skirlo
