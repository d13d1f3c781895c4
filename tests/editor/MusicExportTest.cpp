// "Save As &Midi" and "Save As &Image.." on a tune built as the music pane
// builds it, with the real fonts and profile: the files are the very bytes
// that skirlo-cli writes for the same tune, and a cancel or a failure leaves
// nothing behind.

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "common/MessageSink.h"
#include "document/MusicSettings.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/ImageFileDialog.h"
#include "editor/MusicExport.h"
#include "editor/ProgressWindow.h"
#include "engraving/MusicLayout.h"
#include "support/FileTestSupport.h"
#include "tunefile/Profile.h"
#include "view/QtMeasuring.h"

using namespace skirlo;
using namespace skirlo::test;
namespace fs = std::filesystem;

namespace {

class MusicExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("skirlo_music_export_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "out");
        fs::copy_file(SKIRLO_RESOURCE_DIR "/QTN32.INI", folder / "QTN32.INI");
        fs::copy_file(SKIRLO_RESOURCE_DIR "/examples/highland-laddie.tnz", folder / "laddie.tnz");
        WorkspaceOptions options;
        options.explicitProfile = (folder / "QTN32.INI").string();
        WorkspaceOpening opening = openWorkspace(options, messages);
        ASSERT_TRUE(opening.workspace) << opening.error;
        workspace = std::move(opening.workspace);
        measuring = std::make_unique<QtMeasuringContext>(workspace->resourceDir);
        exporter = std::make_unique<MusicExporter>(*workspace, *measuring, messages);
        exporter->chooseMidi = exporter->chooseImage = exporter->chooseMusicXml = [this](QWidget*, const std::string& proposal) {
            proposals.push_back(proposal);
            return chosen.string();
        };
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // Opened, set up and built as the music pane does on first display.
    std::unique_ptr<TuneDocument> open(const fs::path& path) {
        auto opening = TuneDocument::open(path.string());
        EXPECT_TRUE(opening.document) << opening.error;
        TuneDocument& document = *opening.document;
        document.firstSetUp(messages);
        document.layOut(workspace->symbols, *measuring, messages, screenLayoutOf(document.settings(), *workspace->profile));
        document.rebuildPlayback(*workspace->profile, PlaybackOutput::Midi);
        return std::move(opening.document);
    }

    // Runs skirlo-cli, which lies beside the test program, on the same profile.
    std::string runCli(const QString& command, const fs::path& tune, const fs::path& out,
                       const QStringList& extra = {}) {
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        cli.setProcessEnvironment(environment);
        const QStringList arguments{command, "--profile", QString::fromStdString((folder / "QTN32.INI").string()),
                                    QString::fromStdString(tune.string()), "-o", QString::fromStdString(out.string())};
        cli.start(QCoreApplication::applicationDirPath() + "/skirlo-cli", arguments + extra);
        EXPECT_TRUE(cli.waitForFinished(60000)) << "skirlo-cli is built beside the tests";
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return readFile(out);
    }

    // Presses the progress window's Cancel as soon as it shows.
    void cancelProgressWhenShown() {
        QTimer::singleShot(0, [this] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<ProgressWindow*>(window);
                if (progress == nullptr || !progress->isVisible()) continue;
                for (QPushButton* button : progress->findChildren<QPushButton*>()) {
                    if (button->text() == " Cancel ") QTest::mouseClick(button, Qt::LeftButton);
                }
                return;
            }
            cancelProgressWhenShown();
        });
    }

    fs::path folder;
    RecordingMessageSink messages;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<QtMeasuringContext> measuring;
    std::unique_ptr<MusicExporter> exporter;
    fs::path chosen;
    std::vector<std::string> proposals;
};

}  // namespace

TEST_F(MusicExportTest, MidiAndMusicXmlAreTheCommandLinesAlsoWhenThePcSpeakerIsSelected) {
    const auto document = open(folder / "laddie.tnz");
    const std::string expected = runCli("midi", folder / "laddie.tnz", folder / "cli.mid");
    ASSERT_GT(expected.size(), 100u);

    chosen = folder / "out" / "laddie.mid";
    exporter->saveMidi(*document, nullptr);
    EXPECT_EQ(proposals, std::vector<std::string>{(folder / "laddie.mid").string()});
    EXPECT_TRUE(readFile(chosen) == expected) << "the menu's file differs from skirlo-cli midi";

    // The speaker's performance holds frequencies: the file is made from MIDI
    // notes all the same, and the document keeps what it plays.
    document->rebuildPlayback(*workspace->profile, PlaybackOutput::Speaker);
    const auto speakerEvents = document->playback().performance.events();
    chosen = folder / "out" / "speaker.mid";
    exporter->saveMidi(*document, nullptr);
    EXPECT_TRUE(readFile(chosen) == expected) << "the speaker's frequencies reached the file";
    EXPECT_EQ(document->playback().performance.events().front().pitch, speakerEvents.front().pitch);
    EXPECT_TRUE(messages.messages().empty());

    const std::string bent = runCli("midi", folder / "laddie.tnz", folder / "cli-pipes.mid", {"--pipe-tuning"});
    EXPECT_NE(bent, expected);
    chosen = folder / "out" / "pipes.mid";
    exporter->saveMidi(*document, nullptr, pipeTuning(*workspace->profile));
    EXPECT_TRUE(readFile(chosen) == bent) << "the menu's pipe-tuned file differs from skirlo-cli midi --pipe-tuning";

    const std::string xml = runCli("musicxml", folder / "laddie.tnz", folder / "cli.musicxml");
    chosen = folder / "out" / "speaker.musicxml";
    exporter->saveMusicXml(*document, nullptr);
    EXPECT_TRUE(readFile(chosen) == xml) << "the speaker's frequencies reached the MusicXML file";
}

TEST_F(MusicExportTest, PicturesAreTheCommandLinesInEachFormat) {
    const auto document = open(folder / "laddie.tnz");
    for (const char* name : {"laddie.pcx", "laddie.bmp", "laddie.png", "laddie.jpg"}) {
        SCOPED_TRACE(name);
        // The menu writes PCX for any other extension; the command line takes
        // only the names of formats, so it is asked for the PCX.
        const std::string cliName = std::string(name) == "laddie.jpg" ? "laddie.pcx" : name;
        const std::string expected = runCli("image", folder / "laddie.tnz", folder / ("cli-" + cliName));
        ASSERT_GT(expected.size(), 128u);
        chosen = folder / "out" / name;
        exporter->saveImage(*document, nullptr);
        EXPECT_TRUE(readFile(chosen) == expected) << "the menu's picture differs from skirlo-cli image";
    }
    EXPECT_EQ(readFile(folder / "out" / "laddie.jpg")[0], '\x0A') << "any other extension writes PCX";
    EXPECT_EQ(proposals.front(), (folder / "laddie.pcx").string());
    EXPECT_TRUE(messages.messages().empty());
}

// The window and the command line read a tune's layout in one place, so
// values at and past the edges give them the same picture.
TEST_F(MusicExportTest, EdgeSettingsGiveTheWindowAndTheCommandLineOnePicture) {
    workspace->profile->writeInt("PlayOptions", "BouncingBallSize", 0);
    const fs::path tune = folder / "edges.tnz";
    std::ofstream(tune, std::ios::binary) << "Chantrel:1.0\r\n\r\nFontSizes,(90,100,5000,400,250)\r\n\r\n"
                                             "\"Edges\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n"
                                             "& sharpf sharpc LA_4 B_4 !I";
    const auto document = open(tune);
    EXPECT_EQ(screenLayoutOf(document->settings(), *workspace->profile).zoom, kMaxZoom);
    const std::string expected = runCli("image", tune, folder / "cli-edges.pcx");
    ASSERT_GT(expected.size(), 128u);
    chosen = folder / "out" / "edges.pcx";
    exporter->saveImage(*document, nullptr);
    EXPECT_TRUE(readFile(chosen) == expected) << "the menu's picture differs from skirlo-cli image";
}

TEST_F(MusicExportTest, CancellingTheProgressKeepsTheOlderFileAndRemembersThePlace) {
    const auto document = open(folder / "laddie.tnz");
    chosen = folder / "out" / "laddie.pcx";
    std::ofstream(chosen, std::ios::binary) << "older";
    workspace->profile->writeInt("Settings", "X", 30);  // read for the window's place, written back after
    workspace->profile->writeInt("Settings", "Y", 40);

    cancelProgressWhenShown();
    exporter->saveImage(*document, nullptr);

    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Saving Cancelled");
    EXPECT_EQ(readFile(chosen), "older");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), {}), 1) << "a partial file was left behind";
    EXPECT_EQ(workspace->profile->getInt("Settings", "X", -1), 30);
    EXPECT_EQ(workspace->profile->getInt("Settings", "Y", -1), 40);
}

TEST_F(MusicExportTest, FailuresAreReportedAndLeaveNoFile) {
    const auto document = open(folder / "laddie.tnz");
    chosen = folder / "missing" / "laddie.pcx";
    exporter->saveImage(*document, nullptr);
    chosen = folder / "missing" / "laddie.mid";
    exporter->saveMidi(*document, nullptr);
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(messages.messages()[0].caption, "Image File Save");
    EXPECT_EQ(messages.messages()[0].text.rfind("Error in saving the image file!\n", 0), 0u);
    EXPECT_EQ(messages.messages()[1].caption, "Midi File Save");
    EXPECT_EQ(messages.messages()[1].text, "Error in saving the midi file!");
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST(ImageFileDialogTest, TheNameFollowsTheChosenFileType) {
    EXPECT_EQ(nameForImageType("/home/a.b/my.tune", "PDF Files (*.pdf)"), "/home/a.b/my.pdf");
    // The real dialog, its file type chosen from the keyboard, in an empty
    // folder: files listed beside the name would be offered in its place.
    QTemporaryDir empty;
    ImageFileDialog dialog(nullptr, QDir(empty.path()).filePath("tune.pcx"));
    dialog.show();
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(types, nullptr);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "tune.pcx");
    const QStringList expected = {"tune.bmp", "tune.png", "tune.svg", "tune.pdf", "tune"};
    for (const QString& after : expected) {
        QTest::keyClick(types, Qt::Key_Down);
        QApplication::processEvents();
        EXPECT_EQ(name->text(), after) << types->currentText().toStdString();
    }
}

TEST(ProgressWindowTest, ShowsThePercentageIgnoresAPlaceOffTheScreenAndCancelsOnEscape) {
    auto profile = IniProfile::fromText("[Settings]\r\nX=5000\r\nY=20\r\n");
    ProgressWindow window(*profile, nullptr);
    window.begin("Saving Progress", "Saving \"tune.pcx\"", 0, 8);
    EXPECT_NE(window.pos(), QPoint(5000, 20));
    for (int i = 0; i < 3; ++i) window.step();
    EXPECT_EQ(window.windowTitle(), "Saving Progress [37%]");
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.cancelled());
    EXPECT_FALSE(window.isVisible());
}
