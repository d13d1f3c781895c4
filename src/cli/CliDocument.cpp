#include "cli/CliDocument.h"

#include <cstdio>

#include "cli/CliEnvironment.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

std::unique_ptr<TuneDocument> loadDocument(const std::string& path, CliEnvironment& environment) {
    TuneDocument::Opening opening = TuneDocument::open(path);
    if (!opening.document) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), opening.error.c_str());
        return nullptr;
    }
    opening.document->firstSetUp(environment.messages);
    return std::move(opening.document);
}

std::unique_ptr<TuneDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                           PlaybackOutput output) {
    std::unique_ptr<TuneDocument> document = loadDocument(path, environment);
    if (!document) return nullptr;
    document->rebuildStructure(environment.symbols, environment.messages);
    document->rebuildPlayback(*environment.profile, output);
    return document;
}

bool writeScript(const TuneDocument& document, const std::string& path) {
    std::string error;
    if (saveTuneFile(path, document.script().text(), error)) return true;
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return false;
}

int usageError(const char* usage) {
    std::fprintf(stderr, "usage: skirlo-cli %s\n", usage);
    return 1;
}

}  // namespace skirlo
