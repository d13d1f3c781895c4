#pragma once
// Tune files are Windows-1252 bytes. Text shown or exported elsewhere (the
// editor, JSON) is Unicode; the conversion must round-trip every byte, so the
// five bytes Windows-1252 leaves undefined map to the C1 control code points
// of the same value and back.

#include <string>
#include <string_view>

namespace skirlo {

char32_t windows1252ToCodePoint(unsigned char byte);
std::string windows1252ToUtf8(std::string_view bytes);

}  // namespace skirlo
