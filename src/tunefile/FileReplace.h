#pragma once
// Writing a whole file so that it is never left half written: the bytes go to
// a new file in the same folder, which is then renamed over the old one.

#include <string>
#include <string_view>

namespace skirlo {

// True when the file now holds exactly `bytes`. On failure the old file (if
// any) is untouched, no temporary file is left behind and `error` says why.
bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace skirlo
