// The program as a keyboard user and a newcomer meet it: Tab, Space and the
// zoom keys in the music, the guide inside the program, the start page, and
// the colours on a dark desktop.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMdiArea>
#include <QProcess>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <QWheelEvent>
#include <QSlider>

#include <tuple>

#include "document/TuneDocument.h"
#include "editor/CommandIds.h"
#include "editor/ControlBar.h"
#include "editor/HelpWindow.h"
#include "editor/MusicView.h"
#include "editor/RunningProgram.h"
#include "editor/ScriptHighlighter.h"
#include "editor/ScriptView.h"
#include "editor/StartPage.h"
#include "editor/TunePlayer.h"
#include "support/NotationTestSupport.h"

namespace skirlo::test {
namespace {

class KeyboardAndHelpTest : public RunningProgram {
protected:
    void openExample() {
        start({example("two-tunes.tnz")});
        ASSERT_NE(tune, nullptr);
        music = tune->musicView();
        music->setFocus();
    }
    QString storedZoomLine() const {
        const std::string& text = tune->document().script().text();
        const std::size_t at = text.find("FontSizes,");
        return QString::fromStdString(text.substr(at, text.find('\r', at) - at));
    }
    MusicView* music = nullptr;
};

TEST_F(KeyboardAndHelpTest, SpacePlaysAndStopsAndZoomKeysAndTheWheelZoomAsAnEditOfTheText) {
    ASSERT_NO_FATAL_FAILURE(openExample());
    QTest::keyClick(music, Qt::Key_Space);
    EXPECT_TRUE(tune->player()->playing());
    QTest::keyClick(music, Qt::Key_Space);
    EXPECT_FALSE(tune->player()->playing());

    const QString before = storedZoomLine();
    QTest::keyClick(music, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(music->zoom(), 120);
    EXPECT_EQ(tune->controlBar()->zoomBox()->currentText(), QStringLiteral("120"));
    EXPECT_NE(storedZoomLine(), before);
    QWheelEvent down(QPointF(20, 20), QPointF(20, 20), {}, QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(music->viewport(), &down);
    EXPECT_EQ(music->zoom(), 100);
    QTest::keyClick(music, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(music->zoom(), 88);
    // Each step is one edit of the text: undo walks back through them.
    tune->scriptView()->undo();
    tune->scriptView()->undo();
    tune->scriptView()->undo();
    EXPECT_EQ(storedZoomLine(), before);
}

TEST_F(KeyboardAndHelpTest, TabGoesRoundTheControlBarAndTheMusicNeverIntoTheText) {
    ASSERT_NO_FATAL_FAILURE(openExample());
    const std::string text = tune->document().script().text();
    QList<QWidget*> visited;
    for (int press = 0; press < 16; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    EXPECT_TRUE(visited.contains(tune->controlBar()->button(command::kPlay)));
    EXPECT_TRUE(visited.contains(tune->controlBar()->zoomBox()) ||
                visited.contains(tune->controlBar()->zoomBox()->lineEdit()));
    EXPECT_TRUE(visited.contains(music));
    EXPECT_FALSE(visited.contains(tune->scriptView()));
    EXPECT_EQ(tune->document().script().text(), text);
    // F6 still reaches the text.
    music->setFocus();
    QTest::keyClick(music, Qt::Key_F6);
    EXPECT_TRUE(tune->scriptView()->hasFocus());
}

TEST_F(KeyboardAndHelpTest, F1OpensTheGuideInsideTheProgramWithSearchAndWhatsThisTexts) {
    ASSERT_NO_FATAL_FAILURE(openExample());
    QTest::keyClick(window, Qt::Key_F1);
    auto* help = window->findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("Skirlo")));
    help->searchBox()->setText(QStringLiteral("drone"));
    EXPECT_TRUE(help->findNext());
    EXPECT_EQ(help->browser()->textCursor().selectedText().toLower(), QStringLiteral("drone"));
    help->searchBox()->setText(QStringLiteral("xyzzy-not-in-the-guide"));
    EXPECT_FALSE(help->findNext());

    for (int id : {command::kPlay, command::kRefresh, command::kChanterSlider}) {
        QWidget* control = id == command::kChanterSlider ? static_cast<QWidget*>(tune->controlBar()->chanterSlider())
                                                         : tune->controlBar()->button(id);
        EXPECT_FALSE(control->whatsThis().isEmpty()) << id;
    }
    EXPECT_FALSE(tune->controlBar()->zoomBox()->whatsThis().isEmpty());
}

TEST_F(KeyboardAndHelpTest, WithNoTuneOpenTheStartPageOffersExamplesAndRecentFiles) {
    start();
    StartPage* page = window->startPage();
    ASSERT_TRUE(page->isVisible());
    EXPECT_EQ(page->size(), window->area()->viewport()->size());
    const QStringList examples = QDir(QString(SKIRLO_RESOURCE_DIR "/examples")).entryList({"*.tnz"}, QDir::Files);
    ASSERT_EQ(page->exampleList()->count(), examples.size());
    const QList<QListWidgetItem*> found = page->exampleList()->findItems("round-the-sign", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QListWidgetItem* item = found.front();
    const QRect place = page->exampleList()->visualItemRect(item);
    QTest::mouseClick(page->exampleList()->viewport(), Qt::LeftButton, {}, place.center());
    ASSERT_NE(window->activeTune(), nullptr);
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(QFileInfo(page->recentList()->item(0)->toolTip()).fileName(), QStringLiteral("round-the-sign.tnz"));
    window->activeTune()->parentWidget()->close();
    for (int waited = 0; !page->isVisible() && waited < 2000; waited += 20) QTest::qWait(20);
    EXPECT_TRUE(page->isVisible());
}

TEST_F(KeyboardAndHelpTest, TheTextsColoursFollowADarkPalette) {
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    QTextDocument document(QStringLiteral("& sharpf sharpc LA_4 ! B_4 !I"));
    const SymbolMap symbols = notationTestMap();
    ScriptHighlighter highlighter(symbols, &document, dark);
    highlighter.rehighlight();
    const QList<QTextLayout::FormatRange> formats = document.firstBlock().layout()->formats();
    ASSERT_FALSE(formats.isEmpty());
    for (const QTextLayout::FormatRange& range : formats) {
        // Every word stands out from the dark paper.
        EXPECT_GT(range.format.foreground().color().lightness(), 0x70) << range.start;
    }
}

// The program started with switches that need no window, and no display to run on.
TEST(ProgramSwitches, HelpVersionAndPrintingToAMissingPrinterNeedNoDisplay) {
    const auto run = [](const QStringList& arguments) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationDirPath() + "/skirlo", arguments);
        EXPECT_TRUE(program.waitForFinished(60000));
        return std::make_tuple(program.exitCode(), QString::fromLocal8Bit(program.readAllStandardOutput()),
                               QString::fromLocal8Bit(program.readAllStandardError()));
    };
    const auto [helpStatus, help, helpErrors] = run({"--help"});
    EXPECT_EQ(helpStatus, 0) << helpErrors.toStdString();
    EXPECT_TRUE(help.contains("--print-to <PRINTER>")) << help.toStdString();
    const auto [versionStatus, version, versionErrors] = run({"--version"});
    EXPECT_EQ(versionStatus, 0);
    EXPECT_TRUE(version.startsWith("Skirlo ")) << version.toStdString();
    const auto [printStatus, printed, printErrors] =
        run({"--print-to", "No Such Printer", QString(SKIRLO_RESOURCE_DIR "/examples/two-tunes.tnz")});
    EXPECT_EQ(printStatus, 1);
    EXPECT_TRUE(printErrors.contains("there is no printer named No Such Printer.")) << printErrors.toStdString();
}

}  // namespace
}  // namespace skirlo::test
