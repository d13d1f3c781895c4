#pragma once
// Tune texts built as the program builds them, for the playback tests and
// benchmarks: the real profile and its symbol map, the settings lines read
// from the text, fixed glyph metrics.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/FixedMetrics.h"
#include "common/Measuring.h"
#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "notation/TuneTree.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneSettings.h"

namespace skirlo::test {

struct RealDocument {
    ScriptText script;
    TuneSettings settings;
    std::vector<std::unique_ptr<Tune>> tunes;
};

class RealBuild {
public:
    RealBuild() : profile_(IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI")) { symbols_.load(*profile_, messages_); }

    std::unique_ptr<RealDocument> open(std::string text) {
        auto document = std::make_unique<RealDocument>();
        document->script.load(std::move(text));
        TuneSettingsLines(document->script, document->settings).readAtSetUp();
        const TuneBuildContext context{symbols_, measuring_, fonts_, messages_, 130};
        document->tunes = buildTunes(document->script, false, context);
        return document;
    }

    const Profile& profile() const { return *profile_; }

private:
    std::unique_ptr<IniProfile> profile_;
    SymbolMap symbols_;
    FixedMetricsContext measuring_;
    FontSet fonts_;
    RecordingMessageSink messages_;
};

inline std::vector<std::filesystem::path> exampleTunes() {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(SKIRLO_RESOURCE_DIR "/examples")) {
        if (entry.path().extension() == ".tnz") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace skirlo::test
