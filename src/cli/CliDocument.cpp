#include "cli/CliDocument.h"

#include <cstdio>

#include "cli/CliEnvironment.h"
#include "common/Windows1252.h"
#include "tunefile/TextRecord.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

std::unique_ptr<TuneDocument> loadDocument(const std::string& path, CliEnvironment& environment, FileNeed need) {
    TuneDocument::Opening opening = TuneDocument::open(path);
    if (!opening.document) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), opening.error.c_str());
        return nullptr;
    }
    // Every staff starts with '&': without one there is nothing to draw or
    // play, and the file is most likely not a tune at all.
    if (need == FileNeed::Music && opening.document->script().text().find('&') == std::string::npos) {
        std::fprintf(stderr, "%s: no music found\n", path.c_str());
        return nullptr;
    }
    environment.messages.follow(path, opening.document->script());
    opening.document->firstSetUp(environment.messages);
    return std::move(opening.document);
}

std::unique_ptr<TuneDocument> openTunes(const std::string& path, CliEnvironment& environment, FileNeed need) {
    std::unique_ptr<TuneDocument> document = loadDocument(path, environment, need);
    if (!document) return nullptr;
    document->rebuildStructure(environment.symbols, environment.messages);
    noteUtf8Texts(path, document->music());
    return document;
}

std::unique_ptr<TuneDocument> openDocument(const std::string& path, CliEnvironment& environment,
                                           PlaybackOutput output, FileNeed need, SendList sendList) {
    std::unique_ptr<TuneDocument> document = openTunes(path, environment, need);
    if (document) document->rebuildPlayback(*environment.profile, output, sendList);
    return document;
}

bool noteUtf8Texts(const std::string& path, const LaidOutMusic& music) {
    for (const std::unique_ptr<Tune>& tune : music.tunes) {
        for (const std::unique_ptr<TextRecord>& text : tune->header.texts) {
            if (!isMultiByteUtf8(text->text)) continue;
            std::fprintf(stderr, "%s: texts written in UTF-8 are shown as UTF-8; the file keeps its bytes\n",
                         path.c_str());
            return true;
        }
    }
    return false;
}

bool musicHasErrors(const CliEnvironment& environment, const std::string& input, const std::string& output) {
    if (environment.messages.errors() == 0) return false;
    std::fprintf(stderr, "skirlo-cli: %s not written: the music of %s has errors\n", output.c_str(), input.c_str());
    return true;
}

bool writeScript(const TuneDocument& document, const std::string& path) {
    std::string error;
    if (saveTuneFile(path, document.script().text(), error)) return true;
    std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
    return false;
}

}  // namespace skirlo
