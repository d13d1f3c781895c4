#pragma once
// The running desktop program: start-up in its order (the notice, the
// speaker, the workspace with its profile and symbol map, the script panes'
// settings, the tune folder, the main window, the files named on the command
// line), and shut-down (the speaker closed, the changed settings and the
// recent files written back).

#include <QObject>
#include <QStringList>

#include <memory>

#include "document/ProgramConfiguration.h"

namespace skirlo {

class DiagnosticLog;
class MainWindow;
class MidiPlatform;
class PlaybackClock;
class SpeakerPorts;
class SpeakerTone;
class MessageSink;
class QtMeasuringContext;
class QtMessageSink;
class QtSaveNameDialog;
class RecentFiles;
class SaveNameDialog;
class SingleInstance;
class ToneOutput;
class TuneFolder;
struct EditorContext;
struct PlaybackDevices;
struct ScriptPageSetup;
struct Workspace;

class Application final : public QObject {
    Q_OBJECT
public:
    struct Options {
        QStringList files;           // opened after start-up
        QString profile;             // --profile FILE; empty: looked up
        QString instanceName;        // the single-instance socket; empty: none
        MessageSink* messages = nullptr;    // null: message boxes
        SaveNameDialog* saveDialog = nullptr;  // null: the file dialog
        PlaybackDevices* devices = nullptr;    // null: the ALSA ports, the synthesizer and the speaker
    };

    explicit Application(Options options);
    ~Application() override;

    // False, with the reason shown, when the program cannot run.
    bool start();
    // Writes back what changed; the destructor does it when not called.
    void shutDown();

    MainWindow* mainWindow() const { return mainWindow_.get(); }
    const ScriptViewSettings& scriptSettings() const { return scriptSettings_; }

private:
    void openFiles(const QStringList& files);

    Options options_;
    std::unique_ptr<QtMessageSink> boxes_;
    std::unique_ptr<QtSaveNameDialog> fileDialog_;
    std::unique_ptr<DiagnosticLog> log_;
    std::unique_ptr<ToneOutput> tone_;
    std::unique_ptr<SpeakerPorts> speakerPorts_;
    std::unique_ptr<SpeakerTone> speaker_;
    std::unique_ptr<MidiPlatform> midiPlatform_;
    std::unique_ptr<PlaybackClock> clock_;
    std::unique_ptr<PlaybackDevices> devices_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<QtMeasuringContext> measuring_;
    ScriptViewSettings loadedScriptSettings_;
    ScriptViewSettings scriptSettings_;
    std::unique_ptr<ScriptPageSetup> pageSetup_;
    std::unique_ptr<TuneFolder> tuneFolder_;
    std::unique_ptr<RecentFiles> recentFiles_;
    std::unique_ptr<EditorContext> context_;
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<SingleInstance> instance_;
    bool running_ = false;
};

}  // namespace skirlo
