// The rebuild that follows the typist reads the text and never writes it:
// what is typed stays as typed, one Ctrl+Z undoes it, and the repairs that
// reading finds (a record's attribute list, a missing settings or tempo
// line) wait for Refresh Music, saving or printing, each as one undo step.

#include <QComboBox>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "document/TuneDocument.h"
#include "editor/CommandIds.h"
#include "editor/ControlBar.h"
#include "editor/MusicView.h"
#include "editor/RunningProgram.h"
#include "editor/ScriptView.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo::test {
namespace {

class TypingRebuildTest : public RunningProgram {
protected:
    void open(const char* exampleName) {
        start({QString(exampleName).contains('/') ? QString(exampleName) : example(exampleName)});
        ASSERT_NE(tune, nullptr);
        script = tune->scriptView();
        script->setFocus();
    }
    // A tune without a title, the caret at the start of its music: a record
    // typed there has no ')' after it, so reading completes its list.
    void openTitleless() {
        const std::filesystem::path file = folder / "titleless.tnz";
        std::ofstream(file, std::ios::binary) << "Chantrel:1.0\r\n\r\n& sharpf sharpc LA_4 B_4 C_4 D_4 !I";
        open(file.string().c_str());
        QTest::keyClick(script, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(script, Qt::Key_Home);
    }
    const std::string& text() const { return tune->document().script().text(); }
    // Waits until the pause after the last key has passed and its rebuild ran.
    void waitForTypingRebuild() {
        QTimer* pause = tune->findChild<QTimer*>("typingPause");
        QTest::qWait(TuneWindow::kTypingPauseMs + 50);
        for (int waited = 0; pause->isActive() && waited < 3000; waited += 20) QTest::qWait(20);
        ASSERT_FALSE(pause->isActive());
    }
    // Types, waits for the rebuild, and checks that it left the typed text alone.
    void typeAndWait(const QString& keys) {
        QTest::keyClicks(script, keys);
        const std::string typed = text();
        waitForTypingRebuild();
        EXPECT_EQ(text(), typed) << "after typing " << keys.toStdString();
    }
    void undo() { QTest::keyClick(script, Qt::Key_Z, Qt::ControlModifier); }

    ScriptView* script = nullptr;
};

TEST_F(TypingRebuildTest, ARecordTypedWithoutItsListStaysAsTypedAndOneUndoTakesItBack) {
    openTitleless();
    const std::string before = text();
    typeAndWait("\"My Tune\",");
    const std::string typed = text();
    // Still as typed a while later: nothing wrote and set off another rebuild.
    QTest::qWait(3 * TuneWindow::kTypingPauseMs);
    EXPECT_EQ(text(), typed);
    // The music shows the title all the same.
    ASSERT_EQ(tune->document().firstTitle(), "My Tune");
    undo();
    EXPECT_EQ(text(), before);
    waitForTypingRebuild();
    EXPECT_EQ(text(), before);
}

TEST_F(TypingRebuildTest, RefreshWritesTheRepairsAsOneUndoStep) {
    openTitleless();
    typeAndWait("\"My Tune\",");
    const std::string typed = text();
    QTest::keyClick(script, Qt::Key_F5);
    EXPECT_NE(text().find("\"My Tune\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)"), std::string::npos);
    undo();
    EXPECT_EQ(text(), typed);
    // The undone repair is typing like any other: the rebuild leaves it undone.
    waitForTypingRebuild();
    EXPECT_EQ(text(), typed);
}

TEST_F(TypingRebuildTest, ARecordTypedInPiecesIsNeverCompletedWhileTyping) {
    open("two-tunes.tnz");
    QTest::keyClick(script, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(script, Qt::Key_Return);
    QTest::keyClick(script, Qt::Key_Return);
    for (const char* piece : {"\"Ano", "ther Tune\"", ",", "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)"}) {
        typeAndWait(QString::fromLatin1(piece));
    }
    EXPECT_TRUE(text().ends_with("\"Another Tune\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)"));
}

TEST_F(TypingRebuildTest, SavingWritesTheRepairsFirstAndOneUndoTakesThemBack) {
    openTitleless();
    typeAndWait("\"My Tune\",");
    const std::string typed = text();
    const QString saved = path("titled.tnz");
    saveDialog.answer = {false, saved.toStdString()};
    ASSERT_TRUE(tune->saveAs(saveDialog));
    EXPECT_NE(text().find("\"My Tune\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)"), std::string::npos);
    const TuneFileLoad load = loadTuneFile(saved.toStdString());
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.bytes, text());
    undo();
    EXPECT_EQ(text(), typed);
}

TEST_F(TypingRebuildTest, NotesTypedIntoANewTuneCanBePlayedFromTheControlBar) {
    start();
    tune = window->newTune();
    ASSERT_NE(tune, nullptr);
    script = tune->scriptView();
    script->setFocus();
    QToolButton* play = tune->controlBar()->button(command::kPlay);
    EXPECT_FALSE(play->isEnabled());
    QTest::keyClick(script, Qt::Key_End, Qt::ControlModifier);
    typeAndWait(" LA_4 B_4 C_4 D_4 !I");
    EXPECT_TRUE(play->isEnabled());
    EXPECT_TRUE(tune->controlBar()->button(command::kContinuous)->isEnabled());
}

TEST_F(TypingRebuildTest, UndoingAZoomZoomsBackAndUndoingToTheSavedTextClearsTheModifiedMark) {
    open("two-tunes.tnz");
    const std::string saved = text();
    ASSERT_FALSE(tune->document().modified());
    QComboBox* zoomBox = tune->controlBar()->zoomBox();
    zoomBox->setEditText(QStringLiteral("150"));
    QTest::keyClick(zoomBox, Qt::Key_Return);
    ASSERT_EQ(tune->musicView()->zoom(), 150);
    EXPECT_TRUE(tune->document().modified());
    script->setFocus();
    undo();
    EXPECT_EQ(text(), saved);
    EXPECT_FALSE(tune->document().modified());
    EXPECT_FALSE(tune->caption().endsWith('*'));
    // The view and the box follow the text, whether the typing rebuild or F5 comes first.
    QTest::keyClick(script, Qt::Key_F5);
    EXPECT_EQ(tune->musicView()->zoom(), 100);
    EXPECT_EQ(zoomBox->currentText(), QStringLiteral("100"));
    QTest::keyClick(script, Qt::Key_Y, Qt::ControlModifier);
    waitForTypingRebuild();
    EXPECT_EQ(tune->musicView()->zoom(), 150);
    EXPECT_TRUE(tune->document().modified());
}

TEST_F(TypingRebuildTest, TheRebuildWhileTypingNeverChangesAnExample) {
    for (const char* name : {"heather-brae.tnz", "highland-laddie.tnz", "maggie-cameron.tnz", "round-the-sign.tnz",
                             "two-tunes.tnz"}) {
        open(name);
        QTest::keyClick(script, Qt::Key_End, Qt::ControlModifier);
        typeAndWait(" ");
        EXPECT_EQ(tune->document().modified(), true) << name;
        messages.setAnswer(MessageAnswer::No);
        window->close();
        application->shutDown();
    }
}

}  // namespace
}  // namespace skirlo::test
