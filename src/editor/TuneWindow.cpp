#include "editor/TuneWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QSlider>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/ControlBar.h"
#include "editor/EditorContext.h"
#include "editor/MusicView.h"
#include "editor/ScriptView.h"

namespace skirlo {

namespace {

constexpr int kFirstVolumeItem = 4501;
constexpr int kVolumeGroupSize = 11;  // "%100" down to "%0"
constexpr int kMinZoom = 1;
constexpr int kMaxZoom = 1000;

}  // namespace

TuneWindow::TuneWindow(std::unique_ptr<TuneDocument> document, EditorContext& context, QWidget* parent)
    : QWidget(parent), document_(std::move(document)), context_(context) {
    controls_ = new ControlBar(context.workspace.resourceDir);
    panes_ = new QSplitter(Qt::Vertical);
    panes_->setChildrenCollapsible(false);

    script_ = new ScriptView(document_->script(), context.scriptSettings, context.pageSetup, context.messages);
    script_->setDocumentName(QString::fromStdString(document_->path().empty() ? document_->title() : document_->path()),
                             !document_->path().empty());
    script_->loadFromScript();
    music_ = new MusicView(*document_, context);
    panes_->addWidget(music_);
    panes_->addWidget(script_);
    panes_->setStretchFactor(0, 2);
    panes_->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(controls_);
    layout->addWidget(panes_, 1);

    document_->firstSetUp(context.messages);
    music_->setUp();
    controls_->showZoom(music_->zoom());

    // Playing in the window, and the choice of device, come with the playback work.
    for (int id : {command::kRewind, command::kStop, command::kPlay, command::kContinuous}) {
        controls_->button(id)->setEnabled(false);
    }
    controls_->deviceBox()->setEnabled(false);

    connect(script_, &ScriptView::scriptEdited, this, &TuneWindow::updateCaption);
    connect(controls_, &ControlBar::command, this, &TuneWindow::onCommand);
    connect(controls_, &ControlBar::zoomChanged, this, &TuneWindow::applyZoom);
    setFocusProxy(script_);
    updateCaption();
}

// The panes hold the document's text and tree: they go before the document.
TuneWindow::~TuneWindow() { delete panes_; }

void TuneWindow::refreshMusic() {
    const int zoom = controls_->typedZoom();
    if (zoom >= kMinZoom && zoom <= kMaxZoom) music_->setZoom(zoom);
    music_->refresh();
    controls_->showZoom(music_->zoom());
}

void TuneWindow::applyZoom() {
    refreshMusic();
    document_->settings().fontSizes.zoom = music_->zoom();
    TuneSettingsLines(document_->script(), document_->settings()).writeFontSizes();
}

void TuneWindow::setVolumeFromMenu(int commandId) {
    const int group = (commandId - kFirstVolumeItem) / kVolumeGroupSize;
    const int lastId = kFirstVolumeItem + group * kVolumeGroupSize + kVolumeGroupSize - 1;
    QSlider* slider = group == 0 ? controls_->chanterSlider() : group == 1 ? controls_->tenorSlider()
                                                                           : controls_->bassSlider();
    slider->setValue((lastId - commandId) * slider->maximum() * 10 / 100);
}

void TuneWindow::onCommand(int commandId) {
    PlaybackSettings& settings = document_->playback().settings;
    switch (commandId) {
        case command::kRefresh: refreshMusic(); break;
        case command::kChanterSlider: settings.chanterVolume = controls_->chanterSlider()->value(); break;
        case command::kTenorSlider: settings.tenorVolume = controls_->tenorSlider()->value(); break;
        case command::kBassSlider: settings.bassVolume = controls_->bassSlider()->value(); break;
        default: break;
    }
}

void TuneWindow::focusOtherPane() {
    if (script_->hasFocus()) {
        music_->setFocus(Qt::OtherFocusReason);
    } else {
        script_->setFocus(Qt::OtherFocusReason);
    }
}

bool TuneWindow::save(SaveNameDialog& dialog) {
    const std::string oldPath = document_->path();
    const SaveResult result = saveDocument(*document_, dialog, context_.messages);
    updateCaption();
    if (result.saved && document_->path() != oldPath) {
        script_->setDocumentName(QString::fromStdString(document_->path()), true);
        emit pathChanged(QString::fromStdString(document_->path()));
    }
    return result.saved;
}

bool TuneWindow::saveAs(SaveNameDialog& dialog) {
    const SaveResult result = saveDocumentAs(*document_, std::string(), true, dialog, context_.messages);
    updateCaption();
    if (result.saved) {
        script_->setDocumentName(QString::fromStdString(document_->path()), true);
        emit pathChanged(QString::fromStdString(document_->path()));
    }
    return result.saved;
}

bool TuneWindow::agreeToClose(SaveNameDialog& dialog) {
    if (!document_->modified()) return true;
    const MessageAnswer answer = context_.messages.show("Save changes to " + document_->title() + "?",
                                                        kApplicationTitle, MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Cancel) return false;
    if (answer == MessageAnswer::No) return true;
    return save(dialog);
}

void TuneWindow::closeEvent(QCloseEvent* event) {
    if (agreeToClose(context_.saveDialog)) {
        event->accept();
    } else {
        event->ignore();
    }
}

QString TuneWindow::caption() const {
    return QString::fromStdString(document_->title()) + (document_->modified() ? QStringLiteral(" *") : QString());
}

void TuneWindow::updateCaption() {
    setWindowTitle(caption());
    emit captionChanged();
}

}  // namespace skirlo
