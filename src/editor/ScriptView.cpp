#include "editor/ScriptView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QHelpEvent>
#include <QToolTip>

#include <algorithm>
#include <ctime>

#include "document/ProgramConfiguration.h"
#include "editor/InsertSymbolMenu.h"
#include "editor/ScriptCompleter.h"
#include "editor/ScriptEditorBinding.h"
#include "editor/ScriptFonts.h"
#include "editor/ScriptPageSetupDialog.h"
#include "editor/ScriptTextCodec.h"
#include "editor/TabStopDialog.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

// What a key press would put into the text: a block break for either kind of
// Enter, its printable text, or nothing.
QString typedText(const QKeyEvent& event) {
    if (event.matches(QKeySequence::InsertParagraphSeparator) || event.matches(QKeySequence::InsertLineSeparator)) {
        return QStringLiteral("\n");
    }
    const QString text = event.text();
    if (!text.isEmpty() && (text.front().isPrint() || text.front() == u'\t')) return text;
    return {};
}

QTextDocument::FindFlags findFlags(const ScriptSearch& search) {
    QTextDocument::FindFlags flags;
    if (search.matchCase) flags |= QTextDocument::FindCaseSensitively;
    if (!search.down) flags |= QTextDocument::FindBackward;
    return flags;
}

}  // namespace

ScriptView::ScriptView(ScriptText& script, ScriptViewSettings& settings, ScriptPageSetup& pageSetup,
                       MessageSink& messages, QWidget* parent)
    : QPlainTextEdit(parent),
      script_(script),
      settings_(settings),
      pageSetup_(pageSetup),
      messages_(messages),
      binding_(std::make_unique<ScriptEditorBinding>(script, *document())),
      symbolMenu_(createInsertSymbolMenu(this)) {
    connect(binding_.get(), &ScriptEditorBinding::edited, this, &ScriptView::scriptEdited);
    connect(binding_.get(), &ScriptEditorBinding::programEdited, this, [this](int caret) {
        QTextCursor cursor(document());
        cursor.setPosition(caret);
        setTextCursor(cursor);
    });
    connect(symbolMenu_, &QMenu::triggered, this, [this](QAction* action) { insertSymbol(action->data().toInt()); });
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (settings_.font.stored()) setFont(fontFromLogicalFont(settings_.font, logicalDpiY()));
    // The margin keeps the text off the frame; it shows as part of the page.
    setViewportMargins(logicalDpiX() / 8, 0, 0, 0);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    applyWordWrap();
    applyTabStopDistance();
}

ScriptView::~ScriptView() = default;

void ScriptView::loadFromScript() {
    binding_->load();
    moveCursor(QTextCursor::Start);
}

void ScriptView::setDocumentName(const QString& pathOrTitle, bool hasPath) {
    documentName_ = pathOrTitle;
    hasPath_ = hasPath;
}

bool ScriptView::hasPrintFont() const { return settings_.printFont.stored(); }

QFont ScriptView::printFont() const {
    return hasPrintFont() ? fontFromLogicalFont(settings_.printFont, logicalDpiY()) : font();
}

std::size_t ScriptView::byteOffset(int position) const { return binding_->byteOffset(position); }

std::size_t ScriptView::caretByte() const { return byteOffset(textCursor().position()); }

void ScriptView::selectBytes(SourceRange range) {
    QTextCursor cursor(document());
    cursor.setPosition(binding_->position(std::min<std::size_t>(range.begin, script_.size())));
    cursor.setPosition(binding_->position(std::min<std::size_t>(range.end, script_.size())), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void ScriptView::showProblems(std::vector<TuneProblem> problems) {
    problems_ = std::move(problems);
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat underline;
    underline.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    underline.setUnderlineColor(Qt::red);
    for (const TuneProblem& problem : problems_) {
        if (problem.source.end > script_.size()) continue;  // the text changed under this tree
        QTextCursor cursor(document());
        cursor.setPosition(binding_->position(problem.source.begin));
        cursor.setPosition(binding_->position(problem.source.end), QTextCursor::KeepAnchor);
        marks.append({cursor, underline});
    }
    setExtraSelections(marks);
}

const TuneProblem* ScriptView::problemAt(std::size_t byte) const {
    for (const TuneProblem& problem : problems_) {
        if (problem.source.contains(byte)) return &problem;
    }
    return nullptr;
}

void ScriptView::setCompleter(ScriptCompleter* completer) { completer_ = completer; }

bool ScriptView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QPlainTextEdit::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor at = cursorForPosition(help->pos());
    const TuneProblem* problem = problemAt(byteOffset(at.position()));
    if (problem == nullptr) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), scriptBytesToEditorText(problem->text), this);
    return true;
}

// ---- edits from the keyboard, the input method and the clipboard ----------
// Every way text comes in is cleaned here, before the editor holds it, so that
// the editor and the bytes agree and the script never outgrows its limit.

std::size_t ScriptView::roomForInput() const {
    const QTextCursor cursor = textCursor();
    const std::size_t selected = byteOffset(cursor.selectionEnd()) - byteOffset(cursor.selectionStart());
    return ScriptText::kMaxSize - std::min(ScriptText::kMaxSize, script_.size() - selected);
}

void ScriptView::keyPressEvent(QKeyEvent* event) {
    // An open completion list answers Enter, Tab and Escape itself.
    if (completer_ != nullptr && completer_->takesKey(*event)) {
        event->ignore();
        return;
    }
    typeKey(event);
    if (completer_ != nullptr) completer_->textTyped(*event);
}

void ScriptView::typeKey(QKeyEvent* event) {
    const QString typed = isReadOnly() ? QString() : typedText(*event);
    if (typed.isEmpty()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString input = scriptInputText(typed);
    if (scriptByteCount(input) > roomForInput()) {
        QApplication::beep();
        event->accept();
        return;
    }
    if (input == typed && !event->matches(QKeySequence::InsertLineSeparator)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // A line separator would not be a line end in the file; a character the
    // file cannot hold would not survive saving.
    QKeyEvent cleaned(QEvent::KeyPress, input == "\n" ? Qt::Key_Return : event->key(),
                      input == "\n" ? Qt::NoModifier : event->modifiers(), input, event->isAutoRepeat());
    QPlainTextEdit::keyPressEvent(&cleaned);
    event->setAccepted(cleaned.isAccepted());
}

void ScriptView::inputMethodEvent(QInputMethodEvent* event) {
    const QString input = scriptInputText(event->commitString());
    const QStringView fitted = prefixWithinBytes(input, roomForInput());
    if (fitted == event->commitString()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cleaned(event->preeditString(), event->attributes());
    cleaned.setCommitString(fitted.toString(), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cleaned);
}

bool ScriptView::canInsertFromMimeData(const QMimeData* source) const {
    // Files dropped here are for the window to open, not text to paste.
    const QList<QUrl> urls = source->urls();
    const bool files =
        !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    return source->hasText() && !files;
}

void ScriptView::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || !source->hasText()) return;
    const QString input = scriptInputText(source->text());
    const QStringView fitted = prefixWithinBytes(input, roomForInput());
    if (fitted.size() < input.size()) QApplication::beep();
    QMimeData cleaned;
    cleaned.setText(fitted.toString());
    QPlainTextEdit::insertFromMimeData(&cleaned);
}

QMimeData* ScriptView::createMimeDataFromSelection() const {
    // The selection's own characters: the editor's default copy would turn
    // no-break spaces into spaces.
    auto* data = new QMimeData;
    data->setText(textCursor().selectedText().replace(QChar(0x2029), u'\n'));
    return data;
}

// ---- the insert-symbol popup ---------------------------------------------

void ScriptView::contextMenuEvent(QContextMenuEvent* event) {
    // The symbol goes where the button was pressed, unless that is inside
    // the selection, which it then replaces; the menu key keeps the caret.
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QTextCursor clicked = cursorForPosition(event->pos());
        const QTextCursor caret = textCursor();
        const bool inSelection = caret.hasSelection() && clicked.position() >= caret.selectionStart() &&
                                 clicked.position() <= caret.selectionEnd();
        if (!inSelection) setTextCursor(clicked);
    }
    symbolMenu_->popup(event->globalPos());
}

namespace {

bool isSeparatorByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string ScriptView::spacedForInsertion(std::string_view text, std::size_t begin, std::size_t end) const {
    const std::string& script = script_.text();
    std::string spaced(text);
    // A name glued to the word before it would be a different word.
    if (begin > 0 && !isSeparatorByte(script[begin - 1]) && !isSeparatorByte(text.front())) spaced.insert(0, 1, ' ');
    // The entry's own blank is left out where a separator follows already,
    // and one is added where the word after it would be glued on.
    const bool followed = end < script.size();
    if (spaced.back() == ' ' && followed && isSeparatorByte(script[end])) spaced.pop_back();
    if (!isSeparatorByte(spaced.back()) && followed && !isSeparatorByte(script[end])) spaced.push_back(' ');
    return spaced;
}

void ScriptView::insertSymbol(int commandId) {
    const std::string_view text = insertSymbolText(commandId);
    if (text.empty() || isReadOnly()) return;
    const QTextCursor cursor = textCursor();
    const std::size_t begin = byteOffset(cursor.selectionStart());
    const std::size_t end = byteOffset(cursor.selectionEnd());
    const std::string spaced = spacedForInsertion(text, begin, end);
    if (spaced.size() > roomForInput()) {
        QApplication::beep();
        return;
    }
    script_.select(begin, end);
    script_.replaceSelection(spaced);
    ensureCursorVisible();
}

void ScriptView::deleteSelection() { textCursor().removeSelectedText(); }

// ---- fonts, tab stops and word wrap --------------------------------------

void ScriptView::chooseFont() {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font(), this);
    if (ok) applyFont(chosen);
}

void ScriptView::applyFont(const QFont& font) {
    setFont(font);
    settings_.font = logicalFontFromFont(font, logicalDpiY(), settings_.font);
}

void ScriptView::choosePrintFont() {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, printFont(), this, "Set font for printing");
    if (ok) applyPrintFont(chosen);
}

void ScriptView::applyPrintFont(const QFont& font) {
    settings_.printFont = logicalFontFromFont(font, logicalDpiY(), settings_.printFont);
}

void ScriptView::usePrintFontOfDisplay() { settings_.printFont.height = 0; }

void ScriptView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) applyTabStopDistance();
}

void ScriptView::chooseTabStops() {
    TabStopDialog dialog(settings_.tabStops / 4, messages_, this);
    if (dialog.exec() == QDialog::Accepted) applyTabStops(dialog.count());
}

bool ScriptView::applyTabStops(int count) {
    if (!TabStopDialog::inRange(count, messages_)) return false;
    settings_.tabStops = count * 4;
    applyTabStopDistance();
    return true;
}

void ScriptView::applyTabStopDistance() {
    // Tab stops are kept in edit-control units: a quarter of the average
    // character width of the pane's font, as dialog units are.
    setTabStopDistance(settings_.tabStops * QFontMetricsF(font()).averageCharWidth() / 4);
}

void ScriptView::toggleWordWrap() {
    settings_.wordWrap = !settings_.wordWrap;
    applyWordWrap();
}

void ScriptView::applyWordWrap() {
    setLineWrapMode(settings_.wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(settings_.wordWrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

// ---- find and replace ----------------------------------------------------

ScriptFindDialog* ScriptView::findDialog(ScriptFindDialog::Mode mode) {
    if (findDialog_ != nullptr && findDialog_->mode() != mode) {
        findDialog_->deleteLater();
        findDialog_ = nullptr;
    }
    if (findDialog_ == nullptr) {
        findDialog_ = new ScriptFindDialog(mode, this);
        connect(findDialog_, &ScriptFindDialog::findNextRequested, this, [this] {
            lastSearch_ = findDialog_->search();
            findNext(lastSearch_);
        });
        connect(findDialog_, &ScriptFindDialog::replaceRequested, this, [this] {
            lastSearch_ = findDialog_->search();
            replaceNext(lastSearch_, findDialog_->replacement());
        });
        connect(findDialog_, &ScriptFindDialog::replaceAllRequested, this, [this] {
            lastSearch_ = findDialog_->search();
            replaceAll(lastSearch_, findDialog_->replacement());
        });
    }
    // A one-line selection is what the user most likely wants to find.
    ScriptSearch search = lastSearch_;
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar(0x2029))) search.text = selected;
    findDialog_->setSearch(search);
    return findDialog_;
}

void ScriptView::findText() {
    auto* dialog = findDialog(ScriptFindDialog::Mode::Find);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void ScriptView::replaceText() {
    auto* dialog = findDialog(ScriptFindDialog::Mode::Replace);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void ScriptView::findNext() {
    if (lastSearch_.text.isEmpty()) {
        findText();
        return;
    }
    findNext(lastSearch_);
}

bool ScriptView::findNext(const ScriptSearch& search) {
    if (search.text.isEmpty()) return false;
    QTextCursor found = document()->find(search.text, textCursor(), findFlags(search));
    if (found.isNull()) {
        QTextCursor wrapped(document());
        if (!search.down) wrapped.movePosition(QTextCursor::End);
        found = document()->find(search.text, wrapped, findFlags(search));
    }
    if (found.isNull()) {
        QApplication::beep();
        return false;
    }
    setTextCursor(found);
    return true;
}

bool ScriptView::replaceNext(const ScriptSearch& search, const QString& replacement) {
    const Qt::CaseSensitivity sensitivity = search.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() && cursor.selectedText().compare(search.text, sensitivity) == 0) {
        const QString input = scriptInputText(replacement);
        if (scriptByteCount(input) > roomForInput()) {
            QApplication::beep();
            return false;
        }
        cursor.insertText(input);
        setTextCursor(cursor);
    }
    return findNext(search);
}

int ScriptView::replaceAll(const ScriptSearch& search, const QString& replacement) {
    if (search.text.isEmpty()) return 0;
    const QString input = scriptInputText(replacement);
    const std::size_t replacementBytes = scriptByteCount(input);
    ScriptSearch forward = search;
    forward.down = true;
    QTextCursor edit = textCursor();  // where Undo will leave the caret
    edit.beginEditBlock();
    int count = 0;
    for (QTextCursor found = document()->find(search.text, 0, findFlags(forward)); !found.isNull();
         found = document()->find(search.text, found, findFlags(forward))) {
        const std::size_t foundBytes = byteOffset(found.selectionEnd()) - byteOffset(found.selectionStart());
        if (script_.size() - foundBytes + replacementBytes > ScriptText::kMaxSize) break;
        found.insertText(input);
        ++count;
    }
    edit.endEditBlock();
    return count;
}

// ---- printing ------------------------------------------------------------

ScriptPrinter::FrameOfPage ScriptView::pageFrames() const {
    // The times are taken once, when printing starts.
    const std::time_t now = std::time(nullptr);
    const std::string path = hasPath_ ? documentName_.toStdString() : std::string();
    std::optional<std::time_t> fileTime;
    const QFileInfo file(documentName_);
    if (hasPath_ && file.exists()) fileTime = file.lastModified().toSecsSinceEpoch();
    const std::time_t headerTime = chooseScriptPageTime(pageSetup_.headerTime, path, now, fileTime);
    const std::time_t footerTime = chooseScriptPageTime(pageSetup_.footerTime, path, now, fileTime);
    return [setup = pageSetup_, name = documentName_.toStdString(), headerTime, footerTime](int page) {
        return ScriptPrinter::PageFrame{
            QString::fromStdString(expandScriptPageFormat(setup.header, page, name, headerTime)),
            QString::fromStdString(expandScriptPageFormat(setup.footer, page, name, footerTime))};
    };
}

int ScriptView::printTo(QPagedPaintDevice& device) {
    ScriptPrinter printer(*document(), printFont(), settings_.tabStops, pageFrames());
    return printer.print(device);
}

void ScriptView::printScript() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) printTo(printer);
}

void ScriptView::previewScript() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    ScriptPrinter scriptPrinter(*document(), printFont(), settings_.tabStops, pageFrames());
    int caretPage = 1;
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
        scriptPrinter.print(*target);
        caretPage = scriptPrinter.pageOfPosition(textCursor().position());
    });
    // The preview opens on the page that holds the caret.
    if (auto* pages = preview.findChild<QPrintPreviewWidget*>()) {
        connect(pages, &QPrintPreviewWidget::previewChanged, &preview,
                [pages, &caretPage, shown = false]() mutable {
                    if (!shown) pages->setCurrentPage(caretPage);
                    shown = true;
                });
    }
    preview.exec();
}

void ScriptView::scriptPageSetup() {
    ScriptPageSetupDialog dialog(pageSetup_, this);
    if (dialog.exec() == QDialog::Accepted) pageSetup_ = dialog.values();
}

}  // namespace skirlo
