#include "document/DocumentSaving.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

namespace {

// Where the file name starts: the extension rule looks for the dot there, so
// that a dot in a folder's name is not taken for the extension's.
std::size_t fileNameStart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

bool isTuneExtension(std::string_view extension) {
    return extension.size() == 3 && std::toupper(static_cast<unsigned char>(extension[0])) == 'T' &&
           std::toupper(static_cast<unsigned char>(extension[1])) == 'N' &&
           std::toupper(static_cast<unsigned char>(extension[2])) == 'Z';
}

// Makes the extension "tnz"; false when the name had to change.
bool applyExtensionRule(std::string& name) {
    if (name.empty()) return true;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < fileNameStart(name)) {
        name += kTuneExtension;
        return false;
    }
    if (isTuneExtension(std::string_view(name).substr(dot + 1))) return true;
    name.replace(dot + 1, std::string::npos, "tnz");
    return false;
}

bool isWritableFile(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

std::string proposalFor(const TuneDocument& document, const std::string& name, bool acceptable, bool replace,
                        bool& fromTitle) {
    std::string proposal = acceptable ? document.path() : name;
    fromTitle = false;
    if (replace && proposal.empty()) {
        fromTitle = true;
        proposal = document.hasTunes() ? document.firstTitle() + std::string(kTuneExtension) : document.title();
    }
    if (proposal.find(kTuneExtension) == std::string::npos) proposal += kTuneExtension;
    return proposal;
}

bool writeDocument(TuneDocument& document, const std::string& path, bool replace, MessageSink& messages) {
    std::string error;
    if (!saveTuneFile(path, document.script().text(), error)) {
        messages.show(error, kApplicationTitle);
        return false;
    }
    if (replace) {
        document.setPath(path);
        document.script().setModified(false);
        document.noteDiskState();
    }
    return true;
}

}  // namespace

bool isUsableFileName(std::string_view fileName) {
    if (fileName.empty()) return false;
    return std::none_of(fileName.begin(), fileName.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    });
}

SaveResult saveDocument(TuneDocument& document, SaveNameDialog& dialog, MessageSink& messages) {
    const std::string name = isWritableFile(document.path()) ? document.path() : std::string();
    return saveDocumentAs(document, name, true, dialog, messages);
}

SaveResult saveDocumentAs(TuneDocument& document, std::string name, bool replace, SaveNameDialog& dialog,
                          MessageSink& messages) {
    SaveResult result;
    const bool acceptable = applyExtensionRule(name);
    if (name.empty() || !acceptable) {
        bool fromTitle = false;
        const std::string proposal = proposalFor(document, name, acceptable, replace, fromTitle);
        const std::string_view fileName =
            fromTitle ? std::string_view(proposal) : std::string_view(proposal).substr(fileNameStart(proposal));
        if (!isUsableFileName(fileName)) {
            messages.show("Illeagal file name, \"" + proposal +
                              "\".\nPlease change the title name or copy the tune to a new file.",
                          "File Save Error");
            return result;
        }
        const SaveNameDialog::Answer answer = dialog.ask(replace ? "Save As" : "Save Copy As", proposal);
        if (answer.cancelled) return result;
        name = answer.name;
    }
    if (!writeDocument(document, name, replace, messages)) return result;
    result.saved = true;
    result.path = name;
    return result;
}

}  // namespace skirlo
