// The music on the clipboard: Copy in the music pane (menu or Ctrl+C) gives
// every tune as SVG and PNG and the tune text; Copy in the script pane stays
// a text copy; tune files dropped on the main window open.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "RunningProgram.h"
#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/TuneDocument.h"
#include "editor/Application.h"
#include "editor/MainWindow.h"
#include "editor/MusicClipboard.h"
#include "editor/MusicView.h"
#include "editor/PlaybackDevices.h"
#include "editor/ScriptView.h"
#include "editor/TuneWindow.h"
#include "export/MusicImage.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "support/FileTestSupport.h"

using namespace skirlo;
using namespace skirlo::test;
namespace fs = std::filesystem;

namespace {

const std::string kExamples = SKIRLO_RESOURCE_DIR "/examples/";

class ClipboardTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        devicesInUse = &steadyDevices;
        start({QString::fromStdString(kExamples + "two-tunes.tnz")});
        ASSERT_NE(tune, nullptr);
        QGuiApplication::clipboard()->clear();
    }
    void expectMusicOnClipboard() {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr);
        const TuneDocument& document = tune->document();
        const std::string& bytes = document.script().text();
        EXPECT_EQ(data->data(kTuneMimeType), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        EXPECT_TRUE(data->text().contains(QStringLiteral("MIDINoteMappings")));

        const Extent size = pictureSize(document.tunes(), document.music().extent);
        const QImage png = QImage::fromData(data->data(kPngMimeType), "PNG");
        ASSERT_FALSE(png.isNull());
        EXPECT_EQ(png.size(), QSize(size.width, size.height)) << "the laid-out music and its margin";
        EXPECT_GT(document.music().extent.height, document.tunes().front()->height) << "both tunes are drawn";

        const QByteArray svg = data->data(kSvgMimeType);
        EXPECT_TRUE(svg.contains("<svg"));
        EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(size.width).arg(size.height).toUtf8()));
    }

    // A real clock: several windows play here, and a hand-moved clock serves one sleeper only.
    SteadyPlaybackClock steadyClock;
    RecordingMidiPlatform steadyPlatform{steadyClock};
    PlaybackDevices steadyDevices{steadyPlatform, speaker, steadyClock, log};
};

}  // namespace

TEST_F(ClipboardTest, CopyOrCtrlCInTheMusicPanePutsEveryTuneAsPicturesAndTheTuneText) {
    tune->musicView()->setFocus();
    ASSERT_TRUE(window->action(command::kCopy)->isEnabled()) << "Copy follows the pane with the focus";
    window->action(command::kCopy)->trigger();
    expectMusicOnClipboard();

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(tune->musicView(), Qt::Key_C, Qt::ControlModifier);
    expectMusicOnClipboard();
}

TEST_F(ClipboardTest, CopyInTheScriptPaneCopiesOnlyTheSelectedText) {
    ScriptView* script = tune->scriptView();
    script->setFocus();
    QTextCursor cursor = script->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    script->setTextCursor(cursor);
    window->action(command::kCopy)->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), cursor.selectedText());
    EXPECT_FALSE(data->hasFormat(kTuneMimeType));
    EXPECT_FALSE(data->hasImage());
}

TEST_F(ClipboardTest, DroppingTwoTuneFilesOpensTwoWindows) {
    const int before = static_cast<int>(window->tunes().size());
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(kExamples + "heather-brae.tnz")),
                   QUrl::fromLocalFile(QString::fromStdString(kExamples + "maggie-cameron.tnz"))});
    // The offscreen platform has no drag and drop of its own: the window gets the events a drop delivers.
    QObject& target = *window;
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    target.event(&enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    target.event(&drop);
    QCoreApplication::processEvents();  // the files open once the drop is over
    ASSERT_EQ(static_cast<int>(window->tunes().size()), before + 2);
    QStringList titles;
    for (TuneWindow* each : window->tunes()) titles << QString::fromStdString(each->document().title());
    EXPECT_TRUE(titles.contains("heather-brae.tnz"));
    EXPECT_TRUE(titles.contains("maggie-cameron.tnz"));
}
