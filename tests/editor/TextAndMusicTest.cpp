// The script and the music as one: a double-click in the music selects the
// token, the caret's symbol is framed, typing rebuilds with the problems
// underlined instead of boxed, and the script is coloured by the symbol map.

#include <QAbstractItemView>
#include <QCompleter>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include "document/TuneDocument.h"
#include "editor/MusicSelection.h"
#include "editor/MusicView.h"
#include "editor/RunningProgram.h"
#include "editor/ScriptView.h"
#include "tunefile/Profile.h"

namespace skirlo::test {
namespace {

class TextAndMusicTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        start({example("highland-laddie.tnz")});
        ASSERT_NE(tune, nullptr);
        script = tune->scriptView();
        music = tune->musicView();
    }

    const Symbol* nthNote(int n) const {
        for (const auto& part : tune->document().tunes().front()->parts)
            for (const auto& staff : part->staves)
                for (const auto& bar : staff->bars)
                    for (const auto& symbol : bar->symbols) {
                        if (isMelodyCategory(symbol->category) && n-- == 0) return symbol.get();
                    }
        return nullptr;
    }
    std::string selectedBytes() const {
        const QTextCursor cursor = script->textCursor();
        const std::size_t begin = script->byteOffset(cursor.selectionStart());
        return tune->document().script().text().substr(begin, script->byteOffset(cursor.selectionEnd()) - begin);
    }
    // The caret just after the first occurrence of `bytes`.
    void putCaretAfter(const std::string& bytes) {
        const std::size_t at = tune->document().script().text().find(bytes);
        ASSERT_NE(at, std::string::npos);
        script->selectBytes(SourceRange::between(at + bytes.size(), at + bytes.size()));
    }
    // Typing's rebuild comes a moment after the last key: waits for it.
    bool waitForProblems(std::size_t count) {
        for (int waited = 0; waited < 3000; waited += 20) {
            if (script->problems().size() == count && !tune->findChild<QTimer*>("typingPause")->isActive()) return true;
            QTest::qWait(20);
        }
        return false;
    }
    QString statusCount() const { return window->statusBar()->findChild<QLabel*>("problemCount")->text(); }

    ScriptView* script = nullptr;
    MusicView* music = nullptr;
};

TEST_F(TextAndMusicTest, DoubleClickSelectsTheTokenAndTheCaretFramesItsSymbol) {
    const Symbol* third = nthNote(2);
    ASSERT_NE(third, nullptr);
    const Rect box = selectionBox(*third);
    const QPoint scroll(music->horizontalScrollBar()->value(), music->verticalScrollBar()->value());
    const QPoint centre = QPoint((box.left + box.right) / 2, (box.top + box.bottom) / 2) - scroll;
    QTest::mouseDClick(music->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(script->byteOffset(script->textCursor().selectionStart()), third->source.begin);
    EXPECT_EQ(selectedBytes(), third->name);
    EXPECT_EQ(music->framedSymbol(), third);
    EXPECT_TRUE(script->hasFocus());  // to be typed over at once

    // The caret alone, inside or right after another token, frames that symbol.
    const Symbol* fifth = nthNote(4);
    script->selectBytes({fifth->source.begin + 1, fifth->source.begin + 1});
    EXPECT_EQ(music->framedSymbol(), fifth);
    script->selectBytes({fifth->source.end, fifth->source.end});
    EXPECT_EQ(music->framedSymbol(), fifth);
    // The marking colour keeps its meaning: nothing was marked to play.
    EXPECT_FALSE(third->marked || fifth->marked);
}

TEST_F(TextAndMusicTest, TypingAWrongNameUnderlinesItWithoutABoxAndFixingItClears) {
    script->setFocus();
    putCaretAfter("2_4 ");
    QTest::keyClicks(script, "zzq ");
    ASSERT_TRUE(waitForProblems(1));
    const std::size_t typedAt = tune->document().script().text().find("zzq ");
    EXPECT_EQ(script->problems()[0].source, SourceRange::between(typedAt, typedAt + 3));
    ASSERT_EQ(script->extraSelections().size(), 1);
    const QTextCursor underline = script->extraSelections()[0].cursor;
    EXPECT_EQ(script->byteOffset(underline.selectionStart()), typedAt);
    EXPECT_EQ(script->byteOffset(underline.selectionEnd()), typedAt + 3);
    EXPECT_EQ(statusCount(), "1 problem in the text");
    EXPECT_TRUE(messages.messages().empty());

    for (int i = 0; i < 4; ++i) QTest::keyClick(script, Qt::Key_Backspace);
    ASSERT_TRUE(waitForProblems(0));
    EXPECT_TRUE(script->extraSelections().isEmpty());
    EXPECT_EQ(statusCount(), "");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(TextAndMusicTest, RefreshStillShowsOneBoxPerOccurrence) {
    script->setFocus();
    putCaretAfter("2_4 ");
    QTest::keyClicks(script, "zzq zzq ");
    ASSERT_TRUE(waitForProblems(2));
    EXPECT_TRUE(messages.messages().empty());
    QTest::keyClick(script, Qt::Key_F5);
    ASSERT_EQ(messages.messages().size(), 2u);
    for (const auto& message : messages.messages()) {
        EXPECT_EQ(message.text, "Symbol zzq could not be found in map!\n");
        EXPECT_EQ(message.caption, "Symbol Error");
    }
    EXPECT_EQ(statusCount(), "2 problems in the text");
}

TEST_F(TextAndMusicTest, RebuildWhileTypingOffWaitsForRefreshAndIsRemembered) {
    const auto menuItem = [this] {
        for (QAction* action : window->findChildren<QAction*>()) {
            if (action->text() == "Rebuild While &Typing") return action;
        }
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_NE(menuItem(), nullptr);
    EXPECT_TRUE(menuItem()->isChecked());
    menuItem()->trigger();
    script->setFocus();
    putCaretAfter("2_4 ");
    QTest::keyClicks(script, "zzq ");
    QTest::qWait(3 * TuneWindow::kTypingPauseMs);
    EXPECT_TRUE(script->problems().empty());
    // The music is older than the text: its places are no longer the text's.
    const std::size_t caret = script->caretByte();
    const Symbol* before = nthNote(0);
    script->selectBytes({before->source.begin, before->source.begin});
    EXPECT_EQ(music->framedSymbol(), nullptr);
    QTest::keyClick(script, Qt::Key_F5);
    EXPECT_EQ(script->problems().size(), 1u);
    script->selectBytes(SourceRange::between(caret - 2, caret - 2));
    ASSERT_NE(music->framedSymbol(), nullptr);
    EXPECT_EQ(music->framedSymbol()->name, "zzq");

    messages.setAnswer(MessageAnswer::No);  // the edit is not saved
    window->close();
    application->shutDown();
    EXPECT_EQ(IniProfile::open((folder / "QTN32.INI").string())->getInt("Settings", "RebuildWhileTyping", 1), 0);
    start();
    EXPECT_FALSE(menuItem()->isChecked());
}

TEST_F(TextAndMusicTest, AMapWordAndAnUnknownWordAreColouredDifferently) {
    script->setFocus();
    putCaretAfter("2_4 ");
    QTest::keyClicks(script, "zzq ");
    const QTextBlock block = script->textCursor().block();
    const auto colourAt = [&](const QString& word) {
        const int column = static_cast<int>(block.text().indexOf(word));
        EXPECT_GE(column, 0) << word.toStdString();
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (column >= range.start && column < range.start + range.length) return range.format.foreground().color();
        }
        return QColor();
    };
    const QColor note = colourAt("LAr_8");
    const QColor unknown = colourAt("zzq");
    EXPECT_TRUE(note.isValid());
    EXPECT_TRUE(unknown.isValid());
    EXPECT_NE(note, unknown);
    EXPECT_NE(colourAt("dbc"), note);  // an embellishment is not a melody note
}

TEST_F(TextAndMusicTest, TypingANameOffersTheMapsNamesAndEnterTakesOne) {
    script->setFocus();
    putCaretAfter("2_4 ");
    QTest::keyClicks(script, "thr");
    QAbstractItemView* list = script->findChild<QCompleter*>()->popup();
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(list->currentIndex().data().toString().startsWith("thr"));
    // Every name offered can be read whole.
    const QFontMetrics metrics(list->font());
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QString name = list->model()->index(row, 0).data().toString();
        EXPECT_LT(metrics.horizontalAdvance(name), list->viewport()->width()) << name.toStdString();
    }
    const QString offered = list->currentIndex().data().toString();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    putCaretAfter("2_4 ");
    EXPECT_EQ(tune->document().script().text().substr(script->caretByte(), offered.size() + 1),
              offered.toStdString() + "I");  // the word became the name, nothing else changed
}

}  // namespace
}  // namespace skirlo::test
