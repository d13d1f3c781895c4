// The desktop program as a user meets it: started with the real profile,
// fonts and example tunes, driven through its menus and keys, with message
// boxes and the save dialog answered by recorders.

#include <QAction>
#include <QDeadlineTimer>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSlider>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/ControlBar.h"
#include "editor/MainWindow.h"
#include "editor/MusicView.h"
#include "editor/ScriptView.h"
#include "editor/SingleInstance.h"
#include "editor/TuneWindow.h"
#include "support/FileTestSupport.h"
#include "tunefile/Profile.h"

using namespace skirlo;
using namespace skirlo::test;
namespace fs = std::filesystem;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo_main_window_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(SKIRLO_RESOURCE_DIR "/QTN32.INI", folder / "QTN32.INI");
        fs::copy_file(SKIRLO_RESOURCE_DIR "/examples/highland-laddie.tnz", folder / "laddie.tnz");
    }
    void TearDown() override {
        application.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    MainWindow& start(QStringList files = {}) {
        Application::Options options;
        options.files = std::move(files);
        options.profile = QString::fromStdString((folder / "QTN32.INI").string());
        options.messages = &messages;
        options.saveDialog = &dialog;
        application = std::make_unique<Application>(options);
        EXPECT_TRUE(application->start());
        MainWindow& window = *application->mainWindow();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        return window;
    }
    QString path(const char* name) const { return QString::fromStdString((folder / name).string()); }
    static bool visible(MainWindow& window, const QString& menu) {
        for (QAction* item : window.menuBar()->actions()) {
            if (item->text() == menu) return item->isVisible();
        }
        return false;
    }

    fs::path folder;
    RecordingMessageSink messages;
    ScriptedSaveDialog dialog;
    std::unique_ptr<Application> application;
};

}  // namespace

TEST_F(MainWindowTest, StartsEmptyWithTheShortMenusAndOpensATuneWithTheFullOnes) {
    MainWindow& window = start();
    EXPECT_TRUE(window.tunes().isEmpty());
    EXPECT_EQ(window.windowTitle(), "Skirlo");
    for (const char* menu : {"&File", "&View", "&Help"}) EXPECT_TRUE(visible(window, menu)) << menu;
    for (const char* menu : {"&Edit", "&Configure", "&Player", "&Window"}) EXPECT_FALSE(visible(window, menu)) << menu;
    EXPECT_FALSE(window.action(command::kSave)->isVisible());

    TuneWindow* tune = window.openTune(path("laddie.tnz"));
    ASSERT_NE(tune, nullptr);
    for (const char* menu : {"&Edit", "&Configure", "&Player", "&Window"}) EXPECT_TRUE(visible(window, menu)) << menu;
    EXPECT_EQ(window.windowTitle(), "Skirlo - laddie.tnz");
    EXPECT_EQ(window.action(command::kRefresh)->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(window.action(command::kUndo)->shortcuts().size(), 2) << "Ctrl+Z and Alt+Backspace";
    EXPECT_TRUE(window.area()->activeSubWindow()->isMaximized());
    EXPECT_TRUE(tune->scriptView()->hasFocus());
    EXPECT_FALSE(tune->document().tunes().empty()) << "the music is built";
    EXPECT_GT(tune->musicView()->horizontalScrollBar()->maximum() + tune->document().music().extent.width, 0);
    EXPECT_EQ(tune->controlBar()->zoomBox()->currentText(), "100");
    // Opening the same file again shows its window instead of a second copy.
    EXPECT_EQ(window.openTune(path("laddie.tnz")), tune);
    EXPECT_EQ(window.tunes().size(), 1);
}

TEST_F(MainWindowTest, TheScriptPaneHoldsTheDocumentBytesAndTypingMarksItModified) {
    // A file with every high byte, the five undefined ones included, that the
    // first set-up leaves as it is (header and settings lines present).
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
    const std::string laddie = readFile(folder / "laddie.tnz");
    {
        auto opening = TuneDocument::open((folder / "laddie.tnz").string());
        opening.document->firstSetUp(messages);
        opening.document->script().select(opening.document->script().size(), opening.document->script().size());
        opening.document->script().replaceSelection(" \"" + high + "\"");
        std::ofstream(folder / "high.tnz", std::ios::binary) << opening.document->script().text();
    }
    const std::string bytes = readFile(folder / "high.tnz");
    MainWindow& window = start();
    TuneWindow* tune = window.openTune(path("high.tnz"));
    ASSERT_NE(tune, nullptr);
    const std::string opened = tune->document().script().text();
    EXPECT_EQ(opened.size(), bytes.size());
    EXPECT_NE(opened.find(high), std::string::npos);
    EXPECT_FALSE(tune->document().modified()) << opened.substr(0, 200);

    tune->scriptView()->moveCursor(QTextCursor::End);
    QTest::keyClicks(tune->scriptView(), " HA_4");
    EXPECT_EQ(tune->document().script().text(), opened + " HA_4");
    EXPECT_TRUE(tune->document().modified());
    EXPECT_EQ(window.windowTitle(), "Skirlo - high.tnz *");
    for (int i = 0; i < 5; ++i) window.action(command::kUndo)->trigger();
    EXPECT_EQ(tune->document().script().text(), opened);

    // F5 rebuilds from the text as it stands.
    QTest::keyClicks(tune->scriptView(), " LA_4 LA_4");
    QSignalSpy rebuilt(tune->musicView(), &MusicView::rebuilt);
    QTest::keyClick(tune->scriptView(), Qt::Key_F5);
    EXPECT_EQ(rebuilt.count(), 1);
}

TEST_F(MainWindowTest, SavingClosingAndReopeningGoThroughTheMenusAndTheRecentList) {
    MainWindow& window = start();
    TuneWindow* tune = window.newTune();
    ASSERT_NE(tune, nullptr);
    EXPECT_EQ(window.windowTitle(), "Skirlo - QTN321 *") << "a new tune has its default text, not yet saved";
    dialog.answer = {false, (folder / "new.tnz").string()};
    window.action(command::kSave)->trigger();
    ASSERT_EQ(dialog.proposals.size(), 1u);
    EXPECT_EQ(dialog.proposals[0], "Title.tnz") << "the default text's title record";
    EXPECT_EQ(readFile(folder / "new.tnz"), tune->document().script().text());
    EXPECT_EQ(window.windowTitle(), "Skirlo - new.tnz");
    EXPECT_TRUE(window.action(command::kFirstRecentFile)->isVisible());
    EXPECT_TRUE(window.action(command::kFirstRecentFile)->text().endsWith("new.tnz"));

    // Closing a modified tune asks; Cancel keeps it, No discards the edit.
    QTest::keyClicks(tune->scriptView(), "x");
    messages.setAnswer(MessageAnswer::Cancel);
    window.action(command::kClose)->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Save changes to new.tnz?");
    EXPECT_EQ(window.tunes().size(), 1);
    messages.setAnswer(MessageAnswer::No);
    window.action(command::kClose)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(window.tunes().isEmpty());
    EXPECT_EQ(readFile(folder / "new.tnz").find('x'), std::string::npos);

    // A file that cannot be opened says why and opens nothing.
    messages.clear();
    EXPECT_EQ(window.openTune(path("missing.tnz")), nullptr);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find("missing.tnz"), std::string::npos);
    window.action(command::kFirstRecentFile)->trigger();
    EXPECT_EQ(window.tunes().size(), 1) << "the recent list reopens new.tnz";
}

TEST_F(MainWindowTest, PaneKeysVolumeMenusAndZoomReachTheTuneWindow) {
    MainWindow& window = start({path("laddie.tnz")});
    TuneWindow* tune = window.activeTune();
    ASSERT_NE(tune, nullptr);
    tune->scriptView()->setFocus();
    QTest::keyClick(tune->scriptView(), Qt::Key_F6);
    EXPECT_TRUE(tune->musicView()->hasFocus());
    QTest::keyClick(tune->musicView(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(tune->scriptView()->hasFocus());

    window.action(4502)->trigger();  // Chanter %90
    EXPECT_EQ(tune->controlBar()->chanterSlider()->value(), 114);
    EXPECT_EQ(tune->document().playback().settings.chanterVolume, 114);
    window.action(4533)->trigger();  // Bass %0
    EXPECT_EQ(tune->controlBar()->bassSlider()->value(), 0);

    tune->controlBar()->showZoom(110);
    EXPECT_EQ(tune->controlBar()->zoomBox()->currentText(), "110");
    tune->controlBar()->zoomBox()->setEditText("130");
    QTest::keyClick(tune->controlBar()->zoomBox()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(tune->musicView()->zoom(), 130);
    EXPECT_NE(tune->document().script().text().find("FontSizes,(90,100,130,80,250)"), std::string::npos);
}

TEST_F(MainWindowTest, ExitWritesOnlyTheSettingsThatChanged) {
    MainWindow& window = start();
    const std::string before = readFile(folder / "QTN32.INI");
    window.close();
    application->shutDown();
    EXPECT_EQ(readFile(folder / "QTN32.INI"), before) << "nothing changed, nothing written";

    start({path("laddie.tnz")});
    application->mainWindow()->activeTune()->scriptView()->toggleWordWrap();
    application->mainWindow()->close();
    application->shutDown();
    auto profile = IniProfile::open((folder / "QTN32.INI").string());
    EXPECT_EQ(profile->getInt("Settings", "WordWrap", 0), 1);
    EXPECT_EQ(profile->getString("Settings", "TabStops", ""), "32");
    EXPECT_EQ(profile->getString("Font", "Height", "unset"), "unset");
    EXPECT_EQ(profile->getString("File", "TuneLocation", ""), folder.string() + "/");
    EXPECT_EQ(profile->getString("Recent File List", "File1", ""), (folder / "laddie.tnz").string());
}

TEST_F(MainWindowTest, ASecondStartHandsItsFilesToTheRunningProgram) {
    const QString name = QStringLiteral("skirlo-test-%1").arg(::getpid());
    Application::Options options;
    options.profile = QString::fromStdString((folder / "QTN32.INI").string());
    options.messages = &messages;
    options.instanceName = name;
    application = std::make_unique<Application>(options);
    ASSERT_TRUE(application->start());
    EXPECT_TRUE(SingleInstance(name).handOver({path("laddie.tnz")}));
    QDeadlineTimer deadline(5000);
    while (application->mainWindow()->tunes().isEmpty() && !deadline.hasExpired()) QTest::qWait(20);
    EXPECT_EQ(application->mainWindow()->tunes().size(), 1);
    EXPECT_FALSE(SingleInstance(name + "-nobody").handOver({path("laddie.tnz")}));
}

// A message box runs an event loop of its own, in which the second start
// hangs up and its socket goes; the program and its unsaved edit stay.
TEST_F(MainWindowTest, AHandedOverFileThatRaisesABoxLeavesTheEditedTuneIntact) {
    class ModalBoxes final : public MessageSink {
    public:
        MessageAnswer show(std::string_view, std::string_view, MessageButtons) override {
            ++shown;
            QTest::qWait(30);
            return MessageAnswer::Ok;
        }
        int shown = 0;
    };
    ModalBoxes boxes;
    const QString name = QStringLiteral("skirlo-box-test-%1").arg(::getpid());
    Application::Options options;
    options.files = {path("laddie.tnz")};
    options.profile = QString::fromStdString((folder / "QTN32.INI").string());
    options.messages = &boxes;
    options.saveDialog = &dialog;
    options.instanceName = name;
    application = std::make_unique<Application>(options);
    ASSERT_TRUE(application->start());
    TuneWindow* tune = application->mainWindow()->activeTune();
    ASSERT_NE(tune, nullptr);
    tune->scriptView()->setFocus();
    QTest::keyClicks(tune->scriptView(), "X");
    const std::string edited = tune->document().script().text();
    {
        std::ofstream tooLarge(folder / "big.tnz", std::ios::binary);
        tooLarge << std::string(ScriptText::kMaxSize + 1, 'a');
    }
    for (int round = 1; round <= 20; ++round) {
        ASSERT_TRUE(SingleInstance(name).handOver({path("big.tnz")}));
        QDeadlineTimer deadline(5000);
        while (boxes.shown < round && !deadline.hasExpired()) QTest::qWait(5);
        ASSERT_EQ(boxes.shown, round);
    }
    ASSERT_EQ(application->mainWindow()->tunes().size(), 1);
    EXPECT_EQ(application->mainWindow()->activeTune(), tune);
    EXPECT_TRUE(tune->document().modified());
    EXPECT_EQ(tune->document().script().text(), edited);
}
