#pragma once
// Loading and saving a tune file. The file is the document: its bytes are
// the script text, unchanged in both directions.

#include <string>
#include <string_view>

namespace skirlo {

struct TuneFileLoad {
    bool ok = false;
    std::string bytes;  // the whole file when ok
    std::string error;  // the message to show when not ok
};

// Refuses a file of more than ScriptText::kMaxSize bytes with
// "The file is too large to open." without reading it whole.
TuneFileLoad loadTuneFile(const std::string& path);

// Writes the bytes as they are (no line end added). A read-only file is not
// overwritten. On failure the old file is kept and `error` holds the message.
bool saveTuneFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace skirlo
