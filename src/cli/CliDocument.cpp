#include "cli/CliDocument.h"

#include <cstdio>
#include <filesystem>

#include "cli/CliEnvironment.h"
#include "notation/TuneBuilder.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

namespace {

void buildFirst(CliDocument& document, CliEnvironment& environment, MeasuringContext& measuring,
                const FontSet& fonts) {
    const bool convertBareStrings = document.recognition.beginBuild(document.script);
    const int scale = fonts.height > 0 ? fonts.height : 130;
    const TuneBuildContext context{environment.symbols, measuring, fonts, environment.messages, scale,
                                   document.settings.fontSizes.spacing};
    document.tunes = buildTunes(document.script, convertBareStrings, context);
    document.recognition.endBuild();
}

}  // namespace

std::unique_ptr<CliDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                          MeasuringContext& measuring, const FontSet& fonts,
                                          PlaybackOutput output) {
    TuneFileLoad load = loadTuneFile(path);
    if (!load.ok) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), load.error.c_str());
        return nullptr;
    }
    auto document = std::make_unique<CliDocument>();
    document->path = path;
    document->script.load(std::move(load.bytes));
    TuneSettingsLines lines(document->script, document->settings);
    const std::string title = std::filesystem::path(path).filename().string();
    prepareAtFirstSetUp(document->script, lines, document->recognition, title, false, environment.messages);
    buildFirst(*document, environment, measuring, fonts);
    buildDocumentPlayback(document->tunes, document->script, document->settings, *environment.profile, output,
                          document->playback);
    return document;
}

bool writeScript(const CliDocument& document, const std::string& path) {
    std::string error;
    if (saveTuneFile(path, document.script.text(), error)) return true;
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return false;
}

}  // namespace skirlo
