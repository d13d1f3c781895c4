#include "document/ProgramConfiguration.h"

#include "tunefile/Profile.h"

namespace skirlo {

namespace {

LogicalFont readFont(const Profile& profile, std::string_view section) {
    LogicalFont font;
    font.height = profile.getInt(section, "Height", 0);
    if (!font.stored()) return font;
    font.weight = profile.getInt(section, "Weight", 0);
    font.italic = profile.getInt(section, "Italic", 0) != 0;
    font.underline = profile.getInt(section, "Underline", 0) != 0;
    font.pitchAndFamily = profile.getInt(section, "PitchAndFamily", 0);
    font.charSet = profile.getInt(section, "CharSet", 1);
    font.faceName = profile.getString(section, "FaceName", "System").substr(0, LogicalFont::kMaxFaceName);
    return font;
}

void writeIntIfChanged(Profile& profile, std::string_view section, std::string_view key, int loaded, int now) {
    if (loaded != now) profile.writeInt(section, key, now);
}

void writeChangedFont(Profile& profile, std::string_view section, const LogicalFont& loaded, const LogicalFont& now) {
    writeIntIfChanged(profile, section, "Height", loaded.height, now.height);
    if (!now.stored()) return;
    writeIntIfChanged(profile, section, "Weight", loaded.weight, now.weight);
    writeIntIfChanged(profile, section, "Italic", loaded.italic, now.italic);
    writeIntIfChanged(profile, section, "Underline", loaded.underline, now.underline);
    writeIntIfChanged(profile, section, "PitchAndFamily", loaded.pitchAndFamily, now.pitchAndFamily);
    writeIntIfChanged(profile, section, "CharSet", loaded.charSet, now.charSet);
    if (loaded.faceName != now.faceName) {
        profile.writeString(section, "FaceName", now.faceName.substr(0, LogicalFont::kMaxFaceName));
    }
}

}  // namespace

ScriptViewSettings readScriptViewSettings(const Profile& profile) {
    ScriptViewSettings settings;
    settings.wordWrap = profile.getInt("Settings", "WordWrap", 0) != 0;
    settings.tabStops = profile.getInt("Settings", "TabStops", 32);
    settings.rebuildWhileTyping = profile.getInt("Settings", "RebuildWhileTyping", 1) != 0;
    settings.font = readFont(profile, "Font");
    settings.printFont = readFont(profile, "PrintFont");
    return settings;
}

void writeChangedScriptViewSettings(Profile& profile, const ScriptViewSettings& loaded, const ScriptViewSettings& now) {
    writeIntIfChanged(profile, "Settings", "WordWrap", loaded.wordWrap, now.wordWrap);
    writeIntIfChanged(profile, "Settings", "TabStops", loaded.tabStops, now.tabStops);
    writeIntIfChanged(profile, "Settings", "RebuildWhileTyping", loaded.rebuildWhileTyping, now.rebuildWhileTyping);
    writeChangedFont(profile, "Font", loaded.font, now.font);
    writeChangedFont(profile, "PrintFont", loaded.printFont, now.printFont);
}

}  // namespace skirlo
