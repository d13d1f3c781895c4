#pragma once
// The tune file as a whole: recognising the program that wrote it, converting
// older files, the header line written at the first build, and the text of a
// new document.

#include <cstddef>
#include <string_view>

namespace skirlo {

class MessageSink;
class ScriptText;
class TuneSettingsLines;

inline constexpr std::string_view kHeaderWord = "Chantrel:";
inline constexpr std::string_view kOtherWriterHeaderWord = "Tartanix:";
inline constexpr std::string_view kHeaderLine = "Chantrel:1.0\r\n";

// What one document knows about the format of its text. Both flags start
// cleared for every opened or created document.
class FileRecognition {
public:
    // Looks for the header line. A text without an accepted one, in a
    // document not made by New, is announced with a message and its key
    // signatures are converted. An empty text is left alone.
    void recognise(ScriptText& script, std::string_view title, bool createdByNew, MessageSink& messages);

    // At the start of every layout build: on the first build writes or
    // replaces the header line. Returns the convert-bare-strings flag (set on
    // a build that began with current-format clear). Take the build's
    // snapshot of the text after this call.
    bool beginBuild(ScriptText& script);
    // At the end of every build: later builds write nothing.
    void endBuild();

    bool currentFormat() const { return currentFormat_; }
    bool replaceHeader() const { return replaceHeader_; }

private:
    bool currentFormat_ = false;
    bool replaceHeader_ = false;
    std::size_t otherWriterHeader_ = 0;  // where "Tartanix:" was found
};

// Every '&' becomes "& sharpf sharpc" (the clef of an older file gains the
// key signature). One edit; nothing happens when the text has no '&'.
void convertKeySignatures(ScriptText& script);

// Appends the default header texts and the first staff start of a new document.
void appendNewDocumentText(ScriptText& script);

// The script edits of a document's first set-up, in their order: the settings
// lines (all seven readers), a new document's default text, recognition.
void prepareAtFirstSetUp(ScriptText& script, TuneSettingsLines& lines, FileRecognition& recognition,
                         std::string_view title, bool createdByNew, MessageSink& messages);

}  // namespace skirlo
