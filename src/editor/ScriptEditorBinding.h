#pragma once
// Keeps the script pane's QTextDocument and the document's ScriptText in step,
// both ways, byte for byte (see ScriptTextCodec.h for how bytes show):
// - a program edit made through ScriptText (select + replaceSelection) is
//   applied to the editor as one edit block, so it is one undo step;
// - every change of the editor (typing, paste, cut, undo, redo) is written
//   into ScriptText, which marks it modified;
// - an undo or redo back to the text last marked unmodified in the editor
//   (loaded or saved) clears ScriptText's modified mark.
// Each edit costs time in the size of the edit plus a logarithmic lookup of
// its place, never a pass over the whole text.
//
// The binding takes the script's observer for as long as it lives; the script
// must outlive it.

#include <QObject>

#include <cstddef>
#include <string_view>

class QTextDocument;

namespace skirlo {

class ScriptText;

class ScriptEditorBinding final : public QObject {
    Q_OBJECT
public:
    ScriptEditorBinding(ScriptText& script, QTextDocument& document, QObject* parent = nullptr);
    ~ScriptEditorBinding() override;

    // Puts the script's bytes into the editor and clears the undo history.
    void load();

    // Byte offset of an editor position, and the editor position of a byte
    // offset that does not fall between the CR and LF of a block break.
    std::size_t byteOffset(int position) const;
    int position(std::size_t byteOffset) const;

    ScriptText& script() const { return script_; }

signals:
    // After every change that reached ScriptText, from either side.
    void edited();
    // After a program edit: where ScriptText left its caret, as an editor position.
    void programEdited(int caretPosition);

private:
    void editorChanged(int position, int removed, int added);
    void scriptReplaced(std::size_t begin, std::size_t removed, std::string_view inserted);
    void repairUnmappableCharacters();

    ScriptText& script_;
    QTextDocument& document_;
    bool syncing_ = false;
    bool repairPending_ = false;
};

}  // namespace skirlo
