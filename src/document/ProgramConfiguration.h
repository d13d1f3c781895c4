#pragma once
// The program-wide settings of the profile file that the desktop program
// reads at start-up and writes back at exit: the script pane's word wrap,
// tab stops and its two fonts. A key is written only when its value differs
// from the one read, so a profile edited by hand keeps what nobody changed.

#include <string>

namespace skirlo {

class Profile;

// A font as the profile stores it: the height in logical units (0: no font
// stored; negative: character height in pixels), weight 0..1000, and the
// face name of at most 31 characters.
struct LogicalFont {
    int height = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    int pitchAndFamily = 0;
    int charSet = 1;
    std::string faceName = "System";

    static constexpr std::size_t kMaxFaceName = 31;
    bool stored() const { return height != 0; }
    bool operator==(const LogicalFont&) const = default;
};

struct ScriptViewSettings {
    bool wordWrap = false;
    int tabStops = 32;  // edit-control units; the tab stop dialog shows a quarter
    LogicalFont font;       // section "Font": the script pane's display font
    LogicalFont printFont;  // section "PrintFont": not stored means the display font prints
    bool rebuildWhileTyping = true;  // the music follows the text a moment after typing stops
    bool operator==(const ScriptViewSettings&) const = default;
};

ScriptViewSettings readScriptViewSettings(const Profile& profile);

// Writes the keys whose values differ between `loaded` and `now`. The keys of
// a font other than its height are written only when that height is not 0.
void writeChangedScriptViewSettings(Profile& profile, const ScriptViewSettings& loaded, const ScriptViewSettings& now);

}  // namespace skirlo
