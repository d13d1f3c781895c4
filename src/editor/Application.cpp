#include "editor/Application.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include "document/FileHistory.h"
#include "document/Workspace.h"
#include "editor/EditorContext.h"
#include "editor/MainWindow.h"
#include "editor/PlaybackDevices.h"
#include "editor/QtMessageSink.h"
#include "editor/QtSaveNameDialog.h"
#include "editor/ScriptPageFormat.h"
#include "editor/SingleInstance.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/PlaybackClock.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SystemMidiPlatform.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

// The notice shown while the program loads: one centred line in a borderless window.
std::unique_ptr<QLabel> showLoadingNotice() {
    auto notice = std::make_unique<QLabel>(QObject::tr("Please wait while Skirlo loads."));
    notice->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    notice->setAlignment(Qt::AlignCenter);
    notice->setMargin(24);
    notice->setFrameStyle(QFrame::Box | QFrame::Plain);
    notice->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        notice->move(screen->availableGeometry().center() - notice->rect().center());
    }
    notice->show();
    QApplication::processEvents();
    return notice;
}

}  // namespace

Application::Application(Options options) : options_(std::move(options)) {}

Application::~Application() { shutDown(); }

bool Application::start() {
    const std::unique_ptr<QLabel> notice = showLoadingNotice();
    boxes_ = std::make_unique<QtMessageSink>(notice.get());
    MessageSink& messages = options_.messages ? *options_.messages : *boxes_;

    log_ = std::make_unique<StderrDiagnosticLog>();
    tone_ = openToneOutput(*log_);
    speakerPorts_ = std::make_unique<PitSpeakerPorts>(*tone_);
    speaker_ = std::make_unique<SpeakerTone>(*speakerPorts_);

    WorkspaceOpening opening = openWorkspace({options_.profile.toStdString(), true}, messages);
    if (!opening.workspace) {
        messages.show("Skirlo cannot start: " + opening.error + ".", kApplicationTitle);
        return false;
    }
    workspace_ = std::move(opening.workspace);
    measuring_ = std::make_unique<QtMeasuringContext>(workspace_->resourceDir);
    loadedScriptSettings_ = readScriptViewSettings(*workspace_->profile);
    scriptSettings_ = loadedScriptSettings_;
    pageSetup_ = std::make_unique<ScriptPageSetup>();
    tuneFolder_ = std::make_unique<TuneFolder>(*workspace_->profile);
    recentFiles_ = std::make_unique<RecentFiles>(*workspace_->profile);

    fileDialog_ = std::make_unique<QtSaveNameDialog>();
    SaveNameDialog& saveDialog = options_.saveDialog ? *options_.saveDialog : *fileDialog_;
    if (!options_.devices) {
        midiPlatform_ = std::make_unique<SystemMidiPlatform>(*log_, pipesSoundfont(workspace_->resourceDir));
        clock_ = std::make_unique<SteadyPlaybackClock>();
        devices_.reset(new PlaybackDevices{*midiPlatform_, *speaker_, *clock_, *log_});
    }
    PlaybackDevices& devices = options_.devices ? *options_.devices : *devices_;
    context_.reset(
        new EditorContext{*workspace_, *measuring_, messages, scriptSettings_, *pageSetup_, saveDialog, devices});
    mainWindow_ = std::make_unique<MainWindow>(*context_, *tuneFolder_, *recentFiles_);
    boxes_->setParent(mainWindow_.get());
    fileDialog_->setParent(mainWindow_.get());

    if (!options_.instanceName.isEmpty()) {
        instance_ = std::make_unique<SingleInstance>(options_.instanceName);
        instance_->listen();
        connect(instance_.get(), &SingleInstance::filesReceived, this, &Application::openFiles);
    }
    mainWindow_->showMaximized();
    running_ = true;
    for (const QString& file : options_.files) mainWindow_->openTune(file);
    return true;
}

void Application::openFiles(const QStringList& files) {
    for (const QString& file : files) mainWindow_->openTune(file);
    mainWindow_->activateWindow();
    mainWindow_->raise();
}

void Application::shutDown() {
    if (!running_) return;
    running_ = false;
    // The windows stop their playing before the devices go.
    mainWindow_.reset();
    devices_.reset();
    midiPlatform_.reset();
    speaker_.reset();
    speakerPorts_.reset();
    tone_.reset();
    instance_.reset();
    writeChangedScriptViewSettings(*workspace_->profile, loadedScriptSettings_, scriptSettings_);
    recentFiles_->save(*workspace_->profile);
}

}  // namespace skirlo
