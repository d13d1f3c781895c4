#include "editor/TuneWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/MessageSink.h"
#include "document/DocumentSaving.h"
#include "document/PlayOptions.h"
#include "document/ProgramConfiguration.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "playback/DocumentPlayback.h"
#include "playback/PipeTuning.h"
#include "editor/ControlBar.h"
#include "editor/EditorContext.h"
#include "document/MusicSettings.h"
#include "editor/MusicExport.h"
#include "editor/MusicPageSetupDialog.h"
#include "editor/MusicView.h"
#include "editor/PlayOptionsDialog.h"
#include "editor/ScriptCompleter.h"
#include "editor/ScriptHighlighter.h"
#include "editor/ScriptView.h"
#include "editor/TextSetupDialog.h"
#include "editor/TunePlayer.h"
#include "notation/TuneProblems.h"
#include "tunefile/TextRecord.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {


// While typing, the text's problems are underlined, not put in boxes; any
// other message still is.
class ProblemsUnderlined final : public MessageSink {
public:
    explicit ProblemsUnderlined(MessageSink& boxes) : boxes_(boxes) {}
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override {
        return boxes_.show(text, caption, buttons);
    }
    void report(const TuneProblem&) override {}

private:
    MessageSink& boxes_;
};

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
    new ScriptHighlighter(context.workspace.symbols, script_->document(), script_->palette());
    script_->setCompleter(new ScriptCompleter(context.workspace.symbols, *script_));
    typingPause_ = new QTimer(this);
    typingPause_->setObjectName(QStringLiteral("typingPause"));
    typingPause_->setSingleShot(true);
    typingPause_->setInterval(kTypingPauseMs);
    panes_->addWidget(music_);
    panes_->addWidget(script_);
    panes_->setStretchFactor(0, 2);
    panes_->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(controls_);
    layout->addWidget(panes_, 1);

    player_ = new TunePlayer(*document_, *context.workspace.profile, context.devices, context.messages, this);
    connect(music_, &MusicView::rebuilt, this, &TuneWindow::musicRebuilt);
    document_->firstSetUp(context.messages);
    music_->setUp();
    controls_->showZoom(music_->zoom());
    fillDeviceBox();
    applyDevice();

    connect(script_, &ScriptView::scriptEdited, this, &TuneWindow::updateCaption);
    connect(script_->document(), &QTextDocument::modificationChanged, this, &TuneWindow::updateCaption);
    connect(script_, &ScriptView::scriptEdited, this, &TuneWindow::textEdited);
    connect(typingPause_, &QTimer::timeout, this, &TuneWindow::rebuildFromTyping);
    connect(script_, &QPlainTextEdit::cursorPositionChanged, this, &TuneWindow::frameSymbolAtCaret);
    // The token is selected where it can be typed over at once.
    connect(music_, &MusicView::sourceRequested, this, [this](SourceRange source) {
        if (musicOlderThanText_) return;  // the places have moved since
        script_->selectBytes(source);
        script_->setFocus(Qt::OtherFocusReason);
    });
    connect(controls_, &ControlBar::command, this, &TuneWindow::runCommand);
    connect(controls_, &ControlBar::zoomChanged, this, &TuneWindow::applyZoom);
    connect(controls_->deviceBox(), &QComboBox::activated, this, &TuneWindow::applyDevice);
    connect(music_, &MusicView::markingChanged, this, &TuneWindow::performanceChanged);
    connect(music_, &MusicView::playOrStopRequested, this, [this] {
        runCommand(player_->playing() ? command::kStop : command::kPlay);
    });
    connect(music_, &MusicView::zoomStepRequested, this, [this](int direction) {
        if (!player_->playing()) controls_->stepZoom(direction, music_->zoom());
    });
    chainTabOrder();
    connect(player_, &TunePlayer::sounding, this, [this](std::size_t index) {
        music_->followPlayback(player_->symbolAt(index), player_->nextSymbolAfter(index));
    });
    connect(player_, &TunePlayer::stateChanged, this, &TuneWindow::onPlayState);
    setFocusProxy(script_);
    onPlayState();
    updateCaption();
}

// The panes and the player hold the document's text, tree and lists: they go
// before the document.
TuneWindow::~TuneWindow() {
    delete player_;
    delete panes_;
}

void TuneWindow::chainTabOrder() {
    // Tab goes round the control bar and the music. The text takes Tab as
    // the next-beat character, so it is reached with F6 or a click, and a
    // Tab from the music never lands in it.
    script_->setFocusPolicy(Qt::ClickFocus);
    QWidget* previous = music_;
    for (QWidget* control : controls_->focusChain()) {
        QWidget::setTabOrder(previous, control);
        previous = control;
    }
    QWidget::setTabOrder(previous, music_);
}

void TuneWindow::fillDeviceBox() {
    const OutputDeviceList devices = player_->listDevices();
    QComboBox* box = controls_->deviceBox();
    box->clear();
    for (const std::string& name : devices.names) box->addItem(QString::fromStdString(name));
    box->setCurrentIndex(static_cast<int>(devices.initialSelection));
}

void TuneWindow::applyDevice() {
    const int index = controls_->deviceBox()->currentIndex();
    if (index < 0) return;
    player_->selectDevice(static_cast<std::size_t>(index));
    updateControls();  // the click box follows the output
}

void TuneWindow::runCommand(int commandId) {
    switch (commandId) {
        case command::kRewind: player_->rewind(); break;
        case command::kStop: player_->stop(); break;
        case command::kPlay: player_->play(); break;
        case command::kContinuous: player_->playContinuous(); break;
        case command::kRefresh: refreshMusic(); break;
        case command::kChanterSlider: player_->setVolume(VolumeChannel::Chanter, controls_->chanterSlider()->value()); break;
        case command::kTenorSlider: player_->setVolume(VolumeChannel::Tenor, controls_->tenorSlider()->value()); break;
        case command::kBassSlider: player_->setVolume(VolumeChannel::Bass, controls_->bassSlider()->value()); break;
        case command::kTempoBox: applyTempo(); break;
        case command::kFaster: controls_->tempoBox()->stepUp(); break;
        case command::kSlower: controls_->tempoBox()->stepDown(); break;
        case command::kWrittenTempo: controls_->tempoBox()->setValue(100); break;
        case command::kClickBox: applyBeatClick(); break;
        case command::kBeatClick: controls_->clickBox()->toggle(); break;
        default: break;
    }
}

void TuneWindow::refreshMusic() { mendAndRebuild(context_.messages); }

void TuneWindow::reloadFromDisk() {
    if (player_->playing()) player_->stop();
    std::string error;
    if (!document_->reloadFromDisk(error)) {
        context_.messages.show(error, kApplicationTitle);
        return;
    }
    // The editor's clean state is now the file's text; Undo goes back to the edits before.
    script_->document()->setModified(false);
    refreshMusic();
    updateCaption();
}

void TuneWindow::mendText() {
    if (!musicOlderThanText_ && !unmendedTyping_) return;
    ProblemsUnderlined underlinedInstead(context_.messages);
    mendAndRebuild(underlinedInstead);
}

void TuneWindow::mendAndRebuild(MessageSink& messages) {
    if (player_->playing()) return;
    const int zoom = controls_->typedZoom();
    if (zoom >= kMinZoom && zoom <= kMaxZoom) music_->setZoom(zoom);
    // Every repair the build writes is one step for Undo.
    // Begun at the caret, which is where Undo leaves it.
    QTextCursor oneUndoStep = script_->textCursor();
    oneUndoStep.beginEditBlock();
    music_->refresh(messages, TextRepairs::Mend);
    oneUndoStep.endEditBlock();
    unmendedTyping_ = false;
    controls_->showZoom(music_->zoom());
}

void TuneWindow::textEdited() {
    musicOlderThanText_ = true;
    if (context_.scriptSettings.rebuildWhileTyping) typingPause_->start();
}

void TuneWindow::frameSymbolAtCaret() {
    // Music built from an older text has its symbols at older places.
    music_->frameSymbolWrittenAt(musicOlderThanText_ ? ScriptText::npos : script_->caretByte());
}

void TuneWindow::rebuildFromTyping() {
    if (player_->playing()) {
        rebuildAfterPlaying_ = true;
        return;
    }
    ProblemsUnderlined underlinedInstead(context_.messages);
    // The typist's text is read as it stands: a build that wrote its repairs
    // here would be heard as typing and undone only to be written again.
    if (music_->refresh(underlinedInstead, TextRepairs::Leave)) unmendedTyping_ = true;
    controls_->showZoom(music_->zoom());
}

void TuneWindow::musicRebuilt() {
    musicOlderThanText_ = false;
    // The build's own repairs are in the music it made.
    typingPause_->stop();
    // A tune that had nothing to play may have now.
    updateControls();
    script_->showProblems(findTuneProblems(document_->tunes()));
    frameSymbolAtCaret();
    emit problemsChanged();
}

int TuneWindow::problemCount() const { return static_cast<int>(script_->problems().size()); }

void TuneWindow::applyZoom() {
    if (player_->playing()) return;
    // The zoom is written into the text first, so that it is the text's
    // zoom the view shows, and undoing the write zooms back.
    const int zoom = controls_->typedZoom();
    if (zoom >= kMinZoom && zoom <= kMaxZoom && zoom != document_->settings().fontSizes.zoom) {
        document_->settings().fontSizes.zoom = zoom;
        TuneSettingsLines(document_->script(), document_->settings()).writeFontSizes();
    }
    refreshMusic();
}

void TuneWindow::performanceChanged() {
    document_->rebuildPlayback(*context_.workspace.profile, document_->playback().settings.output, SendList::Build,
                               TextRepairs::Leave);
}

void TuneWindow::applyTempo() {
    if (player_->playing()) return;
    document_->playback().tempoPercent = controls_->tempoBox()->value();
    performanceChanged();
}

void TuneWindow::applyBeatClick() {
    if (player_->playing()) return;
    document_->playback().beatClick = controls_->clickBox()->isChecked();
    performanceChanged();
}

void TuneWindow::setVolumeFromMenu(int commandId) {
    const std::optional<MenuVolume> volume = menuVolume(commandId, ControlBar::kVolumeMaximum);
    if (!volume) return;
    QSlider* slider = volume->channel == VolumeChannel::Chanter ? controls_->chanterSlider()
                      : volume->channel == VolumeChannel::Tenor ? controls_->tenorSlider()
                                                                : controls_->bassSlider();
    slider->setValue(volume->position);
}

void TuneWindow::setUpSelectedText() {
    TextRecord* record = music_->selectedText();
    if (record == nullptr || player_->playing()) return;
    const std::string oldPrefix = record->prefix();
    if (!editTextRecord(*record, this)) return;
    record->rewrite(oldPrefix, document_->script(), context_.measuring, document_->music().fonts->height);
    if (record->kind == 'X') {
        music_->textChanged();
    } else {
        refreshMusic();
    }
}

void TuneWindow::saveAsMidi() { saveMusicAsMidi(*document_, context_, this); }

void TuneWindow::saveAsPipeTunedMidi() {
    saveMusicAsMidi(*document_, context_, this, pipeTuning(*context_.workspace.profile));
}

void TuneWindow::saveAsImage() { saveMusicAsImage(*document_, context_, this); }

void TuneWindow::saveAsMusicXml() { saveMusicAsMusicXml(*document_, context_, this); }

void TuneWindow::playOptions() {
    if (player_->playing()) return;
    // The device box lists the MIDI devices, then the PC speaker.
    const QComboBox* box = controls_->deviceBox();
    std::optional<unsigned> midiDevice;
    if (box->currentIndex() >= 0 && box->currentIndex() < box->count() - 1) {
        midiDevice = static_cast<unsigned>(box->currentIndex());
    }
    Profile& profile = *context_.workspace.profile;
    PlayOptionsDialog dialog(document_->settings(), music_->ballOn(), pausePercentOf(profile),
                             {profile, context_.messages, context_.devices, midiDevice}, this);
    if (dialog.exec() != QDialog::Accepted) return;
    music_->setBallOn(dialog.ballOn());
    profile.writeInt("PlayOptions", "BouncingBall", dialog.ballOn() ? 1 : 0);
    profile.writeInt("PlayOptions", "FermataDuration", dialog.pausePercent());
    // Begun at the caret, which is where Undo leaves it.
    QTextCursor oneUndoStep = script_->textCursor();
    oneUndoStep.beginEditBlock();
    acceptPlayOptions(dialog.settings(), *document_);
    oneUndoStep.endEditBlock();
    performanceChanged();
    updateCaption();
}

void TuneWindow::musicPageSetup() {
    if (player_->playing()) return;
    Profile& profile = *context_.workspace.profile;
    const EngravingStyle engraving = engravingStyleOf(profile);
    MusicPageSetupDialog dialog(musicPageSetupOf(document_->settings()), engraving, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The style is the program's, for every open tune: the main window lays them all out again.
    if (dialog.engraving() != engraving) {
        rememberEngravingStyle(profile, dialog.engraving());
        emit engravingStyleChanged();
    }
    // Begun at the caret, which is where Undo leaves it.
    QTextCursor oneUndoStep = script_->textCursor();
    oneUndoStep.beginEditBlock();
    const bool relayout = acceptMusicPageSetup(dialog.values(), *document_);
    oneUndoStep.endEditBlock();
    updateCaption();
    if (relayout) refreshMusic();
}

void TuneWindow::onPlayState() {
    const bool playing = player_->playing();
    music_->setPlaying(playing);
    if (!playing && rebuildAfterPlaying_) {
        rebuildAfterPlaying_ = false;
        typingPause_->start();
    }
    if (!playing) music_->eraseBall();
    updateControls();
    emit playStateChanged();
}

bool TuneWindow::commandEnabled(int commandId) const {
    const bool playing = player_->playing();
    switch (commandId) {
        case command::kPlay:
        case command::kContinuous: return !playing && player_->hasPerformance();
        case command::kStop: return true;
        // The PC speaker sounds the chanter alone: it has no click.
        case command::kBeatClick: return !playing && document_->playback().settings.output == PlaybackOutput::Midi;
        default: return !playing;  // everything else rebuilds, writes or reads the tree
    }
}

bool TuneWindow::commandChecked(int commandId) const {
    const bool playing = player_->playing();
    switch (commandId) {
        case command::kPlay: return playing && !player_->continuous();
        case command::kContinuous: return playing && player_->continuous();
        case command::kStop: return !playing;
        case command::kBeatClick: return controls_->clickBox()->isChecked();
        default: return false;
    }
}

void TuneWindow::updateControls() {
    for (int id : {command::kPlay, command::kContinuous, command::kRewind, command::kRefresh}) {
        controls_->button(id)->setEnabled(commandEnabled(id));
    }
    controls_->button(command::kContinuous)->setChecked(commandChecked(command::kContinuous));
    const bool idle = !player_->playing();
    controls_->zoomBox()->setEnabled(idle);
    controls_->deviceBox()->setEnabled(idle);
    controls_->tempoBox()->setEnabled(idle);
    controls_->clickBox()->setEnabled(commandEnabled(command::kBeatClick));
}

void TuneWindow::focusOtherPane() {
    if (script_->hasFocus()) {
        music_->setFocus(Qt::OtherFocusReason);
    } else {
        script_->setFocus(Qt::OtherFocusReason);
    }
}

bool TuneWindow::save(SaveNameDialog& dialog) {
    mendText();
    const std::string oldPath = document_->path();
    const SaveResult result = saveDocument(*document_, dialog, context_.messages);
    if (result.saved) script_->document()->setModified(false);
    updateCaption();
    if (result.saved && document_->path() != oldPath) {
        script_->setDocumentName(QString::fromStdString(document_->path()), true);
        emit pathChanged(QString::fromStdString(document_->path()));
    }
    return result.saved;
}

bool TuneWindow::saveAs(SaveNameDialog& dialog) {
    mendText();
    const SaveResult result = saveDocumentAs(*document_, std::string(), true, dialog, context_.messages);
    if (result.saved) script_->document()->setModified(false);
    updateCaption();
    if (result.saved) {
        script_->setDocumentName(QString::fromStdString(document_->path()), true);
        emit pathChanged(QString::fromStdString(document_->path()));
    }
    return result.saved;
}

bool TuneWindow::agreeToClose(SaveNameDialog& dialog) {
    if (!player_->closeDevices()) return false;
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
