#include "editor/ScriptEditorBinding.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

#include "editor/ScriptTextCodec.h"
#include "tunefile/ScriptText.h"

namespace skirlo {

namespace {

// Characters before the final block's end; the document always holds one more.
int editorLength(const QTextDocument& document) { return document.characterCount() - 1; }

std::size_t scriptLengthOf(const QTextDocument& document) {
    return static_cast<std::size_t>(editorLength(document) + document.blockCount() - 1);
}

QString editorText(QTextDocument& document, int from, int to) {
    QTextCursor cursor(&document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

}  // namespace

ScriptEditorBinding::ScriptEditorBinding(ScriptText& script, QTextDocument& document, QObject* parent)
    : QObject(parent), script_(script), document_(document) {
    connect(&document_, &QTextDocument::contentsChange, this, &ScriptEditorBinding::editorChanged);
    // Undo and redo that reach the saved text bring back its unmodified
    // state; the editor's undo stack is the one that knows where that is.
    connect(&document_, &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (!modified && !syncing_) script_.setModified(false);
    });
    script_.setObserver([this](std::size_t begin, std::size_t removed, std::string_view inserted) {
        scriptReplaced(begin, removed, inserted);
    });
}

ScriptEditorBinding::~ScriptEditorBinding() { script_.setObserver({}); }

void ScriptEditorBinding::load() {
    const QScopedValueRollback guard(syncing_, true);
    document_.setPlainText(scriptBytesToEditorText(script_.text()));
    document_.clearUndoRedoStacks();
    document_.setModified(false);
}

std::size_t ScriptEditorBinding::byteOffset(int position) const {
    position = std::clamp(position, 0, editorLength(document_));
    return static_cast<std::size_t>(position + document_.findBlock(position).blockNumber());
}

int ScriptEditorBinding::position(std::size_t byteOffset) const {
    // The block holding the offset is the last one whose first byte is not
    // beyond it; block k starts at byte position(k) + k.
    int low = 0;
    int high = document_.blockCount() - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        const auto start = static_cast<std::size_t>(document_.findBlockByNumber(middle).position() + middle);
        if (start <= byteOffset) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    const auto position = static_cast<int>(byteOffset) - low;
    return std::clamp(position, 0, editorLength(document_));
}

void ScriptEditorBinding::editorChanged(int position, int /*removed*/, int added) {
    if (syncing_) return;
    // The change may be reported as reaching into the final block end, which
    // is not text; the removed count is then equally overstated, so the bytes
    // removed are derived from the sizes instead.
    added = std::min(added, editorLength(document_) - position);
    const QString insertedText = editorText(document_, position, position + added);
    const std::string inserted = editorTextToScriptBytes(insertedText);
    const std::size_t begin = byteOffset(position);
    const std::size_t kept = scriptLengthOf(document_) - inserted.size();
    const std::size_t removed = script_.size() - kept;
    // Format-only changes report text that did not change.
    if (removed == inserted.size() && script_.text().compare(begin, removed, inserted) == 0) return;
    {
        const QScopedValueRollback guard(syncing_, true);
        script_.select(begin, begin + removed);
        script_.replaceSelection(inserted);
    }
    if (!repairPending_ && !std::all_of(insertedText.begin(), insertedText.end(), [](QChar c) {
            return holdsScriptByte(c) || c == QChar(0x2029);
        })) {
        // Input paths clean their text before it arrives; anything that still
        // slips through became '?' in the bytes and becomes '?' in the editor
        // as soon as the document may be edited again.
        repairPending_ = true;
        QTimer::singleShot(0, this, &ScriptEditorBinding::repairUnmappableCharacters);
    }
    emit edited();
}

void ScriptEditorBinding::scriptReplaced(std::size_t begin, std::size_t removed, std::string_view inserted) {
    if (syncing_) return;
    const std::string& now = script_.text();
    // Widen the range so that it neither splits nor makes a CR LF pair at its
    // ends: a CR before it or an LF after it may pair with the new bytes.
    std::size_t from = begin;
    if (from > 0 && now[from - 1] == '\r') --from;
    const std::size_t insertedEnd = begin + inserted.size();
    const std::size_t tail = insertedEnd < now.size() && now[insertedEnd] == '\n' ? 1 : 0;
    const int editorFrom = position(from);
    const int editorTo = position(begin + removed + tail);
    const QString replacement = scriptBytesToEditorText(std::string_view(now).substr(from, insertedEnd + tail - from));
    {
        const QScopedValueRollback guard(syncing_, true);
        QTextCursor cursor(&document_);
        // Undo puts the caret where the edit block began: at the edit, not
        // at the top of the text.
        cursor.setPosition(editorFrom);
        cursor.beginEditBlock();
        cursor.setPosition(editorTo, QTextCursor::KeepAnchor);
        if (replacement.isEmpty()) {
            cursor.removeSelectedText();
        } else {
            cursor.insertText(replacement);
        }
        cursor.endEditBlock();
    }
    emit programEdited(position(insertedEnd));
    emit edited();
}

void ScriptEditorBinding::repairUnmappableCharacters() {
    repairPending_ = false;
    const QScopedValueRollback guard(syncing_, true);
    QTextCursor cursor(&document_);
    bool joined = false;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (holdsScriptByte(text[i])) continue;
            if (!joined) cursor.joinPreviousEditBlock();
            joined = true;
            cursor.setPosition(block.position() + static_cast<int>(i));
            cursor.setPosition(block.position() + static_cast<int>(i) + 1, QTextCursor::KeepAnchor);
            cursor.insertText(QString(QChar(kUnmappableStandIn)));
        }
    }
    if (joined) cursor.endEditBlock();
}

}  // namespace skirlo
