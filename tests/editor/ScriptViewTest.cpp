// The script pane driven as a user drives it: bytes in, keys, clipboard, undo,
// the popup, dialogs answered by the test; after every step the editor and the
// script must still say the same bytes.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>

#include "common/MessageSink.h"
#include "document/ProgramConfiguration.h"
#include "editor/ScriptTextCodec.h"
#include "editor/ScriptView.h"
#include "editor/TabStopDialog.h"
#include "tunefile/ScriptText.h"

using namespace skirlo;

namespace {

std::string allByteValues() {
    std::string bytes = "\n";  // a lone LF first
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes + "\r\n\r\r\n\n\r";  // a pair, CR before a pair, LF then a lone CR last
}

// Types text as a keyboard layout would, characters beyond ASCII included.
void typeText(QWidget& widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&widget, &press);
    }
}

class ScriptViewTest : public ::testing::Test {
protected:
    void load(const std::string& bytes) {
        script.load(bytes);
        view.loadFromScript();
    }
    // The bytes the editor shows, as a save would write them from it.
    std::string editorBytes() const { return editorTextToScriptBytes(view.document()->toRawText()); }
    void undoAll() {
        while (view.document()->isUndoAvailable()) view.undo();
    }
    void moveTo(int position) {
        QTextCursor cursor = view.textCursor();
        cursor.setPosition(position);
        view.setTextCursor(cursor);
    }

    ScriptText script;
    ScriptViewSettings settings;
    ScriptPageSetup pageSetup;
    RecordingMessageSink messages;
    ScriptView view{script, settings, pageSetup, messages};
};

TEST_F(ScriptViewTest, EveryByteValueRoundTripsThroughTheEditorAndTheClipboard) {
    const std::string bytes = allByteValues();
    load(bytes);
    EXPECT_EQ(editorBytes(), bytes);
    EXPECT_FALSE(script.modified());
    EXPECT_EQ(view.document()->blockCount(), 3);  // only the two CR LF pairs break blocks
    const QTextBlock last = view.document()->lastBlock();
    EXPECT_EQ(view.byteOffset(last.position()), bytes.size() - 2);

    view.selectAll();
    view.cut();
    EXPECT_EQ(script.text(), "");
    view.paste();
    EXPECT_EQ(script.text(), bytes);
    EXPECT_EQ(editorBytes(), bytes);
    EXPECT_TRUE(script.modified());
}

TEST_F(ScriptViewTest, TypingWritesTheBytesAndUndoRedoFollow) {
    const std::string original = "LG_4 B_4\r\n! ";
    load(original);
    QSignalSpy edited(&view, &ScriptView::scriptEdited);
    moveTo(4);
    typeText(view, QString::fromUtf8("x\xC3\xA9\xE2\x82\xAC\xCE\xA9"));  // x, e acute, euro, omega
    QTest::keyClick(&view, Qt::Key_Return, Qt::ShiftModifier);  // a line separator would not be a line end
    QTest::keyClick(&view, Qt::Key_Tab);
    const std::string typed = "LG_4x\xE9\x80?\r\n\t B_4\r\n! ";
    EXPECT_EQ(script.text(), typed);
    EXPECT_EQ(editorBytes(), typed);  // the omega is '?' in the editor too
    EXPECT_TRUE(script.modified());
    EXPECT_GT(edited.count(), 0);

    undoAll();
    EXPECT_EQ(script.text(), original);
    while (view.document()->isRedoAvailable()) view.redo();
    EXPECT_EQ(script.text(), typed);
    QTest::keyClick(&view, Qt::Key_Backspace);
    QTest::keyClick(&view, Qt::Key_Backspace);  // the tab, then the whole CR LF
    EXPECT_EQ(script.text(), "LG_4x\xE9\x80? B_4\r\n! ");
}

TEST_F(ScriptViewTest, PastedLineEndsBecomeCrLfAndForeignCharactersQuestionMarks) {
    load("ab");
    moveTo(1);
    QApplication::clipboard()->setText(QString::fromUtf8("1\n2\r3\r\n4\xE2\x80\xA8" "5\xF0\x9F\x8E\xB5"));
    view.paste();
    EXPECT_EQ(script.text(), "a1\r\n2\r\n3\r\n4\r\n5?b");
    EXPECT_EQ(editorBytes(), script.text());
}

TEST_F(ScriptViewTest, ProgramEditsAreOneUndoStepAndMayMakeOrSplitLinePairs) {
    const std::string original = "a\r\nb\rc";
    load(original);
    view.selectAll();  // a program edit does not care where the user's selection is
    script.select(2, 2);  // between CR and LF
    script.replaceSelection("Z");
    EXPECT_EQ(editorBytes(), "a\rZ\nb\rc");
    EXPECT_EQ(view.document()->blockCount(), 1);
    EXPECT_EQ(view.textCursor().position(), 3);  // the caret follows the script's

    script.select(2, 3);
    script.replaceSelection("");  // the pair comes back
    EXPECT_EQ(editorBytes(), original);
    EXPECT_EQ(view.document()->blockCount(), 2);

    script.select(5, 5);
    script.replaceSelection("\nTuneTempo,90\r\n");  // a lone CR gains its LF
    EXPECT_EQ(editorBytes(), "a\r\nb\r\nTuneTempo,90\r\nc");
    EXPECT_EQ(view.document()->blockCount(), 4);

    view.undo();
    EXPECT_EQ(script.text(), original);
    EXPECT_EQ(editorBytes(), original);
    view.undo();
    view.undo();
    EXPECT_EQ(script.text(), original);  // the split and rejoin were a step each
    EXPECT_FALSE(view.document()->isUndoAvailable());
}

TEST_F(ScriptViewTest, InputStopsAtTheScriptSizeLimit) {
    load(std::string(ScriptText::kMaxSize - 1, 'x'));
    view.moveCursor(QTextCursor::End);
    QTest::keyClick(&view, Qt::Key_Return);  // two bytes do not fit
    QTest::keyClicks(&view, "ab");
    EXPECT_EQ(script.size(), ScriptText::kMaxSize);
    EXPECT_EQ(script.text().back(), 'a');
    QApplication::clipboard()->setText("cd");
    view.paste();
    view.insertSymbol(4045);
    EXPECT_EQ(script.size(), ScriptText::kMaxSize);

    QTextCursor cursor = view.textCursor();  // replacing a selection frees its bytes
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    view.paste();
    EXPECT_EQ(script.text().substr(0, 3), "cdx");
    EXPECT_EQ(script.size(), ScriptText::kMaxSize);
}

TEST_F(ScriptViewTest, InsertSymbolReplacesTheSelectionAndNeverGluesTwoWords) {
    load("A B");
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(1);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    view.insertSymbol(4284);
    EXPECT_EQ(script.text(), "A\tB");
    view.insertSymbol(4287);  // "!t", which brings no blank of its own
    EXPECT_EQ(script.text(), "A\t!t B");
    view.insertSymbol(4341);
    EXPECT_EQ(script.text(), "A\t!t \"Title\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\nB");
    EXPECT_EQ(editorBytes(), script.text());
    EXPECT_TRUE(script.modified());
    view.undo();
    EXPECT_EQ(script.text(), "A\t!t B");
    view.undo();
    view.undo();
    EXPECT_EQ(script.text(), "A B");

    // Right after a note, the embellishment becomes a word of its own.
    load("LAl_16 B_4");
    cursor = view.textCursor();
    cursor.setPosition(6);
    view.setTextCursor(cursor);
    view.insertSymbol(4207);
    EXPECT_EQ(script.text(), "LAl_16 gste B_4");
}

TEST_F(ScriptViewTest, TheSymbolGoesWhereTheRightButtonWasPressedAndUndoKeepsTheView) {
    std::string text;
    for (int line = 0; line < 200; ++line) text += "LA_4 B_4 C_4 D_4 !\r\n";
    load(text + "E_4 !I");
    view.resize(400, 200);
    view.show();
    view.moveCursor(QTextCursor::End);
    view.ensureCursorVisible();
    QTextCursor target = view.textCursor();
    target.movePosition(QTextCursor::StartOfBlock);
    target.movePosition(QTextCursor::NextWord);  // before "!I"
    const QPoint at = view.cursorRect(target).center();
    view.moveCursor(QTextCursor::End);  // the caret is elsewhere
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &click);
    view.insertSymbolMenu()->hide();
    const int scrolled = view.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    view.insertSymbol(4207);
    EXPECT_TRUE(script.text().ends_with("E_4 gste !I")) << script.text().substr(script.size() - 20);
    view.undo();
    EXPECT_TRUE(script.text().ends_with("E_4 !I"));
    EXPECT_EQ(view.verticalScrollBar()->value(), scrolled);
}

TEST_F(ScriptViewTest, RightButtonOpensThePopupWhoseActionsInsert) {
    load("");
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), view.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(view.viewport(), &click);
    EXPECT_TRUE(view.insertSymbolMenu()->isVisible());
    view.insertSymbolMenu()->hide();
    for (QAction* action : view.insertSymbolMenu()->actions()) {
        if (action->data().toInt() == 4349) action->trigger();
    }
    EXPECT_EQ(script.text(), "TuneTempo,90 ");
}

TEST_F(ScriptViewTest, TabStopsRefuseZeroAndSeventeenAndApplyFourTimesTheCount) {
    const double averageWidth = QFontMetricsF(view.font()).averageCharWidth();
    EXPECT_DOUBLE_EQ(view.tabStopDistance(), 32 * averageWidth / 4);
    EXPECT_FALSE(view.applyTabStops(0));
    EXPECT_FALSE(view.applyTabStops(17));
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(messages.messages()[1].text, "Please enter an integer between 1 and 16.");
    EXPECT_EQ(settings.tabStops, 32);
    EXPECT_TRUE(view.applyTabStops(16));
    EXPECT_EQ(settings.tabStops, 64);
    EXPECT_DOUBLE_EQ(view.tabStopDistance(), 64 * averageWidth / 4);
}

TEST_F(ScriptViewTest, TabStopDialogKeepsAskingUntilTheCountIsInRange) {
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TabStopDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Dialog");
        EXPECT_EQ(dialog->countEdit()->text(), "8");
        dialog->countEdit()->setText("17");
        dialog->accept();
        EXPECT_TRUE(dialog->isVisible());
        dialog->countEdit()->setText(" 3");
        dialog->accept();
    });
    view.chooseTabStops();
    EXPECT_EQ(settings.tabStops, 12);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Please enter an integer between 1 and 16.");
}

TEST_F(ScriptViewTest, WordWrapToggledTwiceKeepsTextCaretFontAndTabStops) {
    load("LG_4 B_4 C_4 D_4 E_4 F_4 HG_4 HA_4 LG_4 B_4 C_4 D_4 E_4 F_4 HG_4 HA_4\r\n!I");
    view.applyTabStops(3);
    moveTo(7);
    const double tabs = view.tabStopDistance();
    const QFont font = view.font();
    view.toggleWordWrap();
    EXPECT_TRUE(settings.wordWrap);
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    view.toggleWordWrap();
    EXPECT_FALSE(settings.wordWrap);
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(editorBytes(), script.text());
    EXPECT_FALSE(script.modified());
    EXPECT_EQ(view.textCursor().position(), 7);
    EXPECT_EQ(view.tabStopDistance(), tabs);
    EXPECT_EQ(view.font(), font);
}

TEST_F(ScriptViewTest, FontsAreStoredAsLogicalFontsAndComeBackInANewPane) {
    EXPECT_FALSE(settings.font.stored());
    EXPECT_FALSE(view.hasPrintFont());
    QFont chosen("Liberation Mono");
    chosen.setPointSize(12);
    chosen.setBold(true);
    view.applyFont(chosen);
    EXPECT_EQ(settings.font.height, -(12 * view.logicalDpiY() + 36) / 72);
    EXPECT_EQ(settings.font.weight, 700);
    EXPECT_EQ(settings.font.faceName, "Liberation Mono");
    EXPECT_EQ(view.tabStopDistance(), 32 * QFontMetricsF(chosen).averageCharWidth() / 4);

    ScriptText other;
    ScriptView reopened(other, settings, pageSetup, messages);
    EXPECT_EQ(reopened.font().family(), "Liberation Mono");
    EXPECT_NEAR(reopened.font().pointSizeF(), 12.0, 0.01);
    EXPECT_EQ(reopened.font().weight(), QFont::Bold);

    view.applyPrintFont(QFont("Liberation Serif", 10));
    EXPECT_TRUE(view.hasPrintFont());
    EXPECT_EQ(view.printFont().family(), "Liberation Serif");
    view.usePrintFontOfDisplay();
    EXPECT_FALSE(view.hasPrintFont());
    EXPECT_EQ(view.printFont(), view.font());
}

TEST_F(ScriptViewTest, FindWrapsAroundAndReplaceAllIsOneUndoStep) {
    const std::string original = "dbe tar\r\nDBE dbe";
    load(original);
    moveTo(5);
    EXPECT_TRUE(view.findNext({"DBE", true, true}));
    EXPECT_EQ(view.byteOffset(view.textCursor().selectionStart()), 9u);
    EXPECT_TRUE(view.findNext({"dbe", true, true}));
    EXPECT_EQ(view.byteOffset(view.textCursor().selectionStart()), 13u);
    EXPECT_TRUE(view.findNext({"dbe", true, true}));  // wraps to the start
    EXPECT_EQ(view.textCursor().selectionStart(), 0);
    EXPECT_TRUE(view.findNext({"dbe", false, false}));  // upwards, wrapping to the end
    EXPECT_EQ(view.byteOffset(view.textCursor().selectionStart()), 13u);
    EXPECT_FALSE(view.findNext({"grp", false, true}));

    EXPECT_TRUE(view.replaceNext({"dbe", false, true}, "dbf"));  // replaces the selected match
    EXPECT_EQ(script.text(), "dbe tar\r\nDBE dbf");
    EXPECT_EQ(view.replaceAll({"dbe", false, true}, "hdbe"), 2);
    EXPECT_EQ(script.text(), "hdbe tar\r\nhdbe dbf");
    view.undo();
    EXPECT_EQ(script.text(), "dbe tar\r\nDBE dbf");
}

}  // namespace
