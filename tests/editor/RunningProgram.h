#pragma once
// The desktop program started for a test: a profile of its own in a scratch
// folder, MIDI devices and a speaker that record what reaches them, a clock
// the test moves by hand, and message boxes and the save dialog answered by
// recorders. The main window is active, so keys and focus behave as on a desktop.

#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "common/MessageSink.h"
#include "editor/Application.h"
#include "editor/MainWindow.h"
#include "editor/PlaybackDevices.h"
#include "editor/TuneWindow.h"
#include "live/LiveTestSupport.h"
#include "playback/live/DiagnosticLog.h"
#include "support/FileTestSupport.h"

namespace skirlo::test {

class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("skirlo_program_" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(SKIRLO_RESOURCE_DIR "/QTN32.INI", folder / "QTN32.INI");
        platform.outputs = {{"Recorder", kMidiSupportsVolume}};
    }
    void TearDown() override {
        application.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    // Starts the program on the files; `window` is its main window and `tune`
    // the active tune window (null when no file was opened).
    void start(QStringList files = {}) {
        Application::Options options;
        options.files = std::move(files);
        options.profile = QString::fromStdString((folder / "QTN32.INI").string());
        options.messages = &messages;
        options.saveDialog = &saveDialog;
        options.devices = devicesInUse;
        application = std::make_unique<Application>(options);
        ASSERT_TRUE(application->start());
        window = application->mainWindow();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        tune = window->activeTune();
    }
    static QString example(const char* name) {
        return QString::fromStdString(std::string(SKIRLO_RESOURCE_DIR "/examples/") + name);
    }
    QString path(const char* name) const { return QString::fromStdString((folder / name).string()); }

    std::filesystem::path folder;
    ManualClock clock;
    RecordingMidiPlatform platform{clock};
    RecordingSpeakerPorts ports;
    SpeakerTone speaker{ports};
    RecordingDiagnosticLog log;
    PlaybackDevices devices{platform, speaker, clock, log};
    // What the program plays through; a test that needs other devices points it at them before start().
    PlaybackDevices* devicesInUse = &devices;
    RecordingMessageSink messages;
    ScriptedSaveDialog saveDialog;
    std::unique_ptr<Application> application;
    MainWindow* window = nullptr;
    TuneWindow* tune = nullptr;
};

}  // namespace skirlo::test
