#pragma once
// Saving a tune document under the program's naming rules: a file whose
// extension is "tnz" in any letter case is written without asking; any other
// name, no name, or a read-only file goes through the save dialog with a
// proposal (the name with its extension made "tnz", or for an untitled tune
// its first title). The bytes written are the script's, exactly; the old
// file is replaced only by a complete new one.

#include <string>
#include <string_view>

namespace skirlo {

class MessageSink;
class TuneDocument;

inline constexpr std::string_view kTuneExtension = ".tnz";
inline constexpr std::string_view kTuneFilterName = "Skirlo Files (*.tnz)";

// The save-file dialog: title "Save As" or "Save Copy As", the proposal in its
// name box. Cancelled: the user gave up; otherwise the name as typed.
class SaveNameDialog {
public:
    struct Answer {
        bool cancelled = true;
        std::string name;
    };
    virtual ~SaveNameDialog() = default;
    virtual Answer ask(std::string_view title, std::string_view proposal) = 0;
};

struct SaveResult {
    bool saved = false;
    std::string path;  // where it went, when saved
};

// "&Save": the document's own name when that is a writable file, else the
// dialog with no name.
SaveResult saveDocument(TuneDocument& document, SaveNameDialog& dialog, MessageSink& messages);

// The name-choosing save. `name` may be empty; `replace` makes the saved
// name the document's path (Save As) and clears the modified flag; without it
// (Save Copy As) the document keeps its path and flag.
SaveResult saveDocumentAs(TuneDocument& document, std::string name, bool replace, SaveNameDialog& dialog,
                          MessageSink& messages);

// A file name that would not travel: characters that common file systems
// refuse (\ / : * ? " < > | and control characters) in the file's name. The
// save dialog refuses such a proposal instead of offering it.
bool isUsableFileName(std::string_view fileName);

}  // namespace skirlo
