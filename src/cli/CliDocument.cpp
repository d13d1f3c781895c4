#include "cli/CliDocument.h"

#include <cstdio>
#include <filesystem>

#include "cli/CliEnvironment.h"
#include "common/FixedMetrics.h"
#include "notation/TuneBuilder.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

namespace {

void buildStructure(CliDocument& document, CliEnvironment& environment) {
    FixedMetricsContext measuring;
    const FontSet noFonts;
    const bool convertBareStrings = document.recognition.beginBuild(document.script);
    const TuneBuildContext context{environment.symbols, measuring, noFonts, environment.messages, 130,
                                   document.settings.fontSizes.spacing};
    document.tunes = buildTunes(document.script, convertBareStrings, context);
    document.recognition.endBuild();
}

}  // namespace

std::unique_ptr<CliDocument> loadDocument(const std::string& path, CliEnvironment& environment) {
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
    return document;
}

std::unique_ptr<CliDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                          PlaybackOutput output) {
    std::unique_ptr<CliDocument> document = loadDocument(path, environment);
    if (!document) return nullptr;
    buildStructure(*document, environment);
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

int usageError(const char* usage) {
    std::fprintf(stderr, "usage: skirlo-cli %s\n", usage);
    return 1;
}

}  // namespace skirlo
