#pragma once
// Completion of symbol names in the script pane: while a word of at least
// two characters is typed, the names of the symbol map that begin with it
// are offered; choosing one (Enter, Tab or a click) replaces the word.

#include <QObject>

class QCompleter;
class QKeyEvent;
class QPlainTextEdit;

namespace skirlo {

class SymbolMap;

class ScriptCompleter final : public QObject {
    Q_OBJECT
public:
    ScriptCompleter(const SymbolMap& symbols, QPlainTextEdit& editor);

    // Keys the open list takes for itself: the editor must leave them alone.
    bool takesKey(const QKeyEvent& event) const;
    // After a key reached the editor: offers the names for the word before
    // the caret, or closes the list.
    void textTyped(const QKeyEvent& event);
    bool offering() const;

private:
    QString wordBeforeCaret() const;
    // Wide enough for the longest name offered, with the scroll bar.
    int popupWidth() const;
    void complete(const QString& name);

    QPlainTextEdit& editor_;
    QCompleter* completer_;
};

}  // namespace skirlo
