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

// True when the bytes are well-formed UTF-8 holding at least one multi-byte
// sequence: text a Linux editor wrote, which Windows-1252 would garble.
bool isMultiByteUtf8(std::string_view bytes);

// A text of the tune as its writer meant it, for drawing and printing: the
// bytes themselves when they are multi-byte UTF-8, else Windows-1252 decoded.
// The file keeps its bytes either way.
std::string tuneTextToUtf8(std::string_view bytes);

}  // namespace skirlo
