#include "editor/ImportOpening.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "common/MessageSink.h"
#include "document/CompressedScore.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "interchange/AbcReader.h"
#include "interchange/EmbellishmentTable.h"
#include "interchange/MusicXmlReader.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

// A box holds this many of the reader's messages; the count says the rest.
constexpr std::size_t kMessagesShown = 20;

std::string skippedSummary(const std::string& name, const AbcImport& imported) {
    std::string text = "Parts of " + name + " were not read:";
    const std::size_t shown = std::min(imported.messages.size(), kMessagesShown);
    for (std::size_t i = 0; i < shown; ++i) {
        const AbcMessage& m = imported.messages[i];
        text += "\n" + std::to_string(m.line) + ":" + std::to_string(m.column) + ": " + m.text;
    }
    if (imported.messages.size() > shown) {
        text += "\nand " + std::to_string(imported.messages.size() - shown) + " more.";
    }
    return text;
}

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The file's bytes, or none with the reason shown.
std::optional<std::string> readImported(const std::string& path, MessageSink& messages) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        messages.show("Could not open " + std::filesystem::path(path).filename().string() + ".", kApplicationTitle,
                      MessageButtons::Ok);
        return std::nullopt;
    }
    return std::string{std::istreambuf_iterator<char>(in), {}};
}

// The document of the imported text, or null with the reason shown.
std::unique_ptr<TuneDocument> importedDocument(const std::string& name, int tunes, const std::string& text,
                                               int number, MessageSink& messages) {
    if (tunes == 0) {
        messages.show("No tune with music was found in " + name + ".", kApplicationTitle, MessageButtons::Ok);
        return nullptr;
    }
    if (text.size() > ScriptText::kMaxSize) {
        messages.show("The tunes of " + name + " are too many for one tune file.", kApplicationTitle,
                      MessageButtons::Ok);
        return nullptr;
    }
    return TuneDocument::createImported(number, text);
}

}  // namespace

bool isAbcPath(const std::string& path) { return lowerExtension(path) == ".abc"; }

bool isMusicXmlPath(const std::string& path) {
    const std::string extension = lowerExtension(path);
    return extension == ".musicxml" || extension == ".xml" || isCompressedScorePath(path);
}

std::unique_ptr<TuneDocument> importAbcDocument(const std::string& path, int number, const Workspace& workspace,
                                                MessageSink& messages) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::optional<std::string> abc = readImported(path, messages);
    if (!abc) return nullptr;
    const AbcImport imported = importAbc(*abc, EmbellishmentTable::fromProfile(*workspace.profile));
    if (imported.tunes > 0 && !imported.messages.empty()) {
        messages.show(skippedSummary(name, imported), kApplicationTitle, MessageButtons::Ok);
    }
    return importedDocument(name, imported.tunes, imported.tuneText, number, messages);
}

std::unique_ptr<TuneDocument> importMusicXmlDocument(const std::string& path, int number, const Workspace& workspace,
                                                     MessageSink& messages) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::optional<std::string> xml;
    if (isCompressedScorePath(path)) {
        CompressedScore score = readCompressedScore(path);
        if (!score.error.empty()) {
            messages.show(name + " could not be read: " + score.error + ".", kApplicationTitle, MessageButtons::Ok);
            return nullptr;
        }
        xml = std::move(score.xml);
    } else {
        xml = readImported(path, messages);
    }
    if (!xml) return nullptr;
    const MusicXmlImport imported = importMusicXml(*xml, EmbellishmentTable::fromProfile(*workspace.profile));
    if (!imported.error.empty()) {
        messages.show(name + " could not be read: " + imported.error + ".", kApplicationTitle, MessageButtons::Ok);
        return nullptr;
    }
    if (!imported.lost.empty()) {
        std::string text = "Parts of " + name + " were not read:";
        for (const std::string& lost : imported.lost) text += "\n" + lost;
        messages.show(text, kApplicationTitle, MessageButtons::Ok);
    }
    return importedDocument(name, imported.tunes, imported.tuneText, number, messages);
}

}  // namespace skirlo
