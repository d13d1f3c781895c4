#pragma once
// Text placed in XML we write (SVG pictures, MusicXML scores).

#include <string>
#include <string_view>

namespace skirlo {

// UTF-8 text escaped for element content and attribute values. Control
// characters other than tab and line ends have no place in XML 1.0 and are
// dropped, so that a stray byte in a title never makes the file unreadable.
std::string xmlEscaped(std::string_view utf8);

}  // namespace skirlo
