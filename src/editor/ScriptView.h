#pragma once
// The script pane: the tune's text in a plain-text editor, byte for byte (see
// ScriptEditorBinding), with the insert-symbol popup on the right button, the
// pane's fonts, tab stops and word wrap, find and replace, and printing of the
// script with the header and footer of the script page setup.
//
// The settings and the page setup are program-wide, shared by every script
// pane and owned by the application; the script is the document's text, owned
// by the document and outliving the view. While the view lives it is the
// script's observer.

#include <QPlainTextEdit>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/ScriptFindDialog.h"
#include "editor/ScriptPageFormat.h"
#include "editor/ScriptPrinter.h"
#include "notation/TuneProblems.h"

class QMenu;
class QPagedPaintDevice;

namespace skirlo {

class MessageSink;
class ScriptCompleter;
class ScriptEditorBinding;
class ScriptText;
struct ScriptViewSettings;

class ScriptView : public QPlainTextEdit {
    Q_OBJECT
public:
    ScriptView(ScriptText& script, ScriptViewSettings& settings, ScriptPageSetup& pageSetup, MessageSink& messages,
               QWidget* parent = nullptr);
    ~ScriptView() override;

    // Puts the script's bytes into the editor (undo history cleared) and from
    // then on keeps both in step: a program edit made through ScriptText is one
    // undo step here; every user edit reaches ScriptText and marks it modified.
    void loadFromScript();
    // What "&f" prints: the document's path, or its title when it has none.
    void setDocumentName(const QString& pathOrTitle, bool hasPath);
    // The right-button popup; each action's data() is its command id.
    QMenu* insertSymbolMenu() const { return symbolMenu_; }

    // Whether a separate print font is stored ("Set font for printing" checked)
    // or the display font prints ("Use same font for printing as for display").
    bool hasPrintFont() const;
    QFont printFont() const;
    // Byte offset in the script of an editor position.
    std::size_t byteOffset(int position) const;
    std::size_t caretByte() const;
    // Selects the bytes (the caret at the end) and scrolls them into view.
    void selectBytes(SourceRange range);

    // Underlines each problem's bytes; its text is the tool tip there.
    void showProblems(std::vector<TuneProblem> problems);
    const std::vector<TuneProblem>& problems() const { return problems_; }
    // Symbol names offered while typing; null: none.
    void setCompleter(ScriptCompleter* completer);

    // What the commands do once their dialogs have answered.
    bool applyTabStops(int count);  // count 1..16; refused with the validation message otherwise
    void applyFont(const QFont& font);
    void applyPrintFont(const QFont& font);
    bool findNext(const ScriptSearch& search);  // selects the next match, wrapping around; false: none
    bool replaceNext(const ScriptSearch& search, const QString& replacement);
    int replaceAll(const ScriptSearch& search, const QString& replacement);
    // Prints every page of the script on the device; returns the page count.
    int printTo(QPagedPaintDevice& device);

public slots:
    void insertSymbol(int commandId);  // 4045..4349
    void chooseFont();                 // 1004 "Set &Font..."
    void choosePrintFont();            // 32770 "Set font for printing"
    void usePrintFontOfDisplay();      // 104 "Use same font for printing as for display"
    void toggleWordWrap();             // 1006 "&Word Wrap"
    void chooseTabStops();             // 1005 "Set Ta&b Stops..."
    void findText();                   // "&Find..."
    void findNext();                   // "Find &Next"
    void replaceText();                // "&Replace..."
    void deleteSelection();            // "&Delete"
    void printScript();                // 32775 "Print Script"
    void previewScript();              // 32776 "Print Preview Script"
    void scriptPageSetup();            // 32769

signals:
    // After every change that reached the script, from the program or the user.
    void scriptEdited();

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void typeKey(QKeyEvent* event);
    const TuneProblem* problemAt(std::size_t byte) const;
    std::size_t roomForInput() const;
    // An insert-symbol text for [begin, end) with one blank on each side
    // where a neighbouring word would otherwise be glued to it, and without
    // its own blank where a separator follows already.
    std::string spacedForInsertion(std::string_view text, std::size_t begin, std::size_t end) const;
    void applyWordWrap();
    void applyTabStopDistance();
    ScriptFindDialog* findDialog(ScriptFindDialog::Mode mode);
    ScriptPrinter::FrameOfPage pageFrames() const;

    ScriptText& script_;
    ScriptViewSettings& settings_;
    ScriptPageSetup& pageSetup_;
    MessageSink& messages_;
    std::unique_ptr<ScriptEditorBinding> binding_;
    QMenu* symbolMenu_;
    ScriptFindDialog* findDialog_ = nullptr;
    ScriptSearch lastSearch_;
    QString documentName_;
    bool hasPath_ = false;
    std::vector<TuneProblem> problems_;  // of the last build, in text order
    ScriptCompleter* completer_ = nullptr;
};

}  // namespace skirlo
