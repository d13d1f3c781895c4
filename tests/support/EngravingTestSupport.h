#pragma once
// Tune texts laid out as the music view lays them out: the real music
// fonts, the real default profile and its symbol map.

#include <memory>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "engraving/MusicLayout.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"
#include "view/QtMeasuring.h"

namespace skirlo::test {

// Zoom, scales and space at 100 %: every gap is its table value at H.
inline LayoutSettings plainSettings() {
    LayoutSettings settings;
    settings.xScale = 100;
    settings.spacePercent = 100;
    return settings;
}

class Engraving {
public:
    Engraving() : measuring(SKIRLO_RESOURCE_DIR) {
        profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
        if (profile) symbols.load(*profile, messages);
    }

    // The script must outlive the tree: its records point into the tree only.
    const LaidOutMusic& layOut(std::string text, const LayoutSettings& settings = LayoutSettings{}) {
        script = std::make_unique<ScriptText>(std::move(text));
        music = layOutMusic(*script, false, symbols, measuring, messages, settings);
        return music;
    }

    int height() const { return music.fonts->height; }
    int units(int table) const { return table * height() / kLayoutReference; }

    QtMeasuringContext measuring;
    std::unique_ptr<IniProfile> profile;
    SymbolMap symbols;
    RecordingMessageSink messages;
    std::unique_ptr<ScriptText> script;
    LaidOutMusic music;
};

inline std::vector<Symbol*> symbolsOf(const StaffLayout& staff) {
    std::vector<Symbol*> all;
    for (const auto& bar : staff.bars) {
        for (const auto& s : bar->symbols) all.push_back(s.get());
    }
    return all;
}

inline std::vector<StaffLayout*> stavesOf(const Tune& tune) {
    std::vector<StaffLayout*> all;
    for (const auto& part : tune.parts) {
        for (const auto& staff : part->staves) all.push_back(staff.get());
    }
    return all;
}

// The n-th symbol (from 0) of that name in the staff, or null.
inline Symbol* named(const StaffLayout& staff, const std::string& name, int n = 0) {
    for (Symbol* s : symbolsOf(staff)) {
        if (s->name == name && n-- == 0) return s;
    }
    return nullptr;
}

inline int boxTopOf(const Symbol& s) { return s.y + s.glyphOrigin.height; }
inline int boxBottomOf(const Symbol& s) { return boxTopOf(s) + s.glyphBox.height; }

}  // namespace skirlo::test
