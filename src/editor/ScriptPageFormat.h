#pragma once
// The header and footer printed on every page of a script: the formats the
// script page setup dialog holds for the whole program, and how a format
// becomes the text of one page.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace skirlo {

// Which time a header or footer formats.
enum ScriptPageTime : int { kNoTimeChoice = -1, kFileTime = 0, kSystemTime = 1 };

// One per program, shared by every script pane, empty at every start.
// Texts are UTF-8 as typed.
struct ScriptPageSetup {
    std::string header;
    std::string footer;
    int headerTime = kNoTimeChoice;
    int footerTime = kNoTimeChoice;
};

// The text of a header or footer on page `page`: the first "&p" becomes the
// page number, the first "&f" the file name, then the time conversions of
// strftime ("%d", "%H", "%%" ...) apply to `time` in local time. Empty when
// the result is longer than 127 characters or the time has no local time.
std::string expandScriptPageFormat(std::string_view format, int page, std::string_view fileName, std::time_t time);

// The time a header or footer shows: the file's modification time when the
// choice is File Time and the document's path has a dot (an untitled
// document has none), otherwise the current time.
std::time_t chooseScriptPageTime(int choice, std::string_view pathName, std::time_t now,
                                 std::optional<std::time_t> fileTime);

}  // namespace skirlo
