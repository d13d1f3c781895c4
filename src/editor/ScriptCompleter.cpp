#include "editor/ScriptCompleter.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QCompleter>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>

#include <algorithm>

#include "editor/ScriptTextCodec.h"
#include "notation/SymbolMap.h"

namespace skirlo {

namespace {

constexpr int kShortestWord = 2;

bool endsWord(QChar c) { return c == u' ' || c == u'\t' || c == u'"'; }

}  // namespace

ScriptCompleter::ScriptCompleter(const SymbolMap& symbols, QPlainTextEdit& editor)
    : QObject(&editor), editor_(editor) {
    QStringList names;
    for (std::string_view name : symbols.names()) names << scriptBytesToEditorText(name);
    completer_ = new QCompleter(new QStringListModel(names, this), this);
    completer_->setCaseSensitivity(Qt::CaseSensitive);  // symbol names are
    completer_->setModelSorting(QCompleter::CaseSensitivelySortedModel);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setWidget(&editor);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this, &ScriptCompleter::complete);
}

bool ScriptCompleter::offering() const { return completer_->popup()->isVisible(); }

bool ScriptCompleter::takesKey(const QKeyEvent& event) const {
    if (!offering()) return false;
    switch (event.key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return true;
        default: return false;
    }
}

QString ScriptCompleter::wordBeforeCaret() const {
    const QTextCursor caret = editor_.textCursor();
    const QString line = caret.block().text().left(caret.positionInBlock());
    qsizetype begin = line.size();
    while (begin > 0 && !endsWord(line[begin - 1])) --begin;
    return line.mid(begin);
}

void ScriptCompleter::textTyped(const QKeyEvent& event) {
    const QString word = wordBeforeCaret();
    const bool typing = !event.text().isEmpty() && !endsWord(event.text().back());
    if (!typing || word.size() < kShortestWord || editor_.textCursor().hasSelection()) {
        completer_->popup()->hide();
        return;
    }
    if (word != completer_->completionPrefix()) completer_->setCompletionPrefix(word);
    if (completer_->completionCount() == 0 ||
        (completer_->completionCount() == 1 && completer_->currentCompletion() == word)) {
        completer_->popup()->hide();
        return;
    }
    completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
    QRect at = editor_.cursorRect();
    at.setWidth(popupWidth());
    completer_->complete(at);
}

int ScriptCompleter::popupWidth() const {
    // The view measures only the rows it has laid out, which before it is
    // shown may be none: the names are measured here, every one of them.
    QAbstractItemView* popup = completer_->popup();
    const QFontMetrics metrics(popup->font());
    const QAbstractItemModel* model = completer_->completionModel();
    int widest = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        widest = std::max(widest, metrics.horizontalAdvance(model->index(row, 0).data().toString()));
    }
    const int padding = 4 * metrics.averageCharWidth() + 2 * popup->frameWidth();
    return widest + padding + popup->verticalScrollBar()->sizeHint().width();
}

void ScriptCompleter::complete(const QString& name) {
    QTextCursor caret = editor_.textCursor();
    caret.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, static_cast<int>(wordBeforeCaret().size()));
    caret.insertText(name);
    editor_.setTextCursor(caret);
}

}  // namespace skirlo
