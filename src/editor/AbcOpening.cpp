#include "editor/AbcOpening.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "interchange/AbcReader.h"
#include "interchange/EmbellishmentTable.h"
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

}  // namespace

bool isAbcPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".abc";
}

std::unique_ptr<TuneDocument> importAbcDocument(const std::string& path, int number, const Workspace& workspace,
                                                MessageSink& messages) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        messages.show("Could not open " + name + ".", kApplicationTitle, MessageButtons::Ok);
        return nullptr;
    }
    const std::string abc{std::istreambuf_iterator<char>(in), {}};
    const AbcImport imported = importAbc(abc, EmbellishmentTable::fromProfile(*workspace.profile));
    if (imported.tunes == 0) {
        messages.show("No tune with music was found in " + name + ".", kApplicationTitle, MessageButtons::Ok);
        return nullptr;
    }
    if (imported.tuneText.size() > ScriptText::kMaxSize) {
        messages.show("The tunes of " + name + " are too many for one tune file.", kApplicationTitle,
                      MessageButtons::Ok);
        return nullptr;
    }
    if (!imported.messages.empty()) messages.show(skippedSummary(name, imported), kApplicationTitle, MessageButtons::Ok);
    return TuneDocument::createImported(number, imported.tuneText);
}

}  // namespace skirlo
