#include "editor/PlayOptionsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/MessageSink.h"
#include "editor/PlayOptionsFields.h"
#include "editor/PlayOptionsSubDialogs.h"

namespace skirlo {

namespace {

constexpr int kMaxMidiValue = 127;
constexpr int kMaxGracenote = 1000;
constexpr int kMaxTempo = 500;
constexpr int kMaxPercent = 100;
// A pause may hold a note up to five times its written length.
constexpr int kMaxPausePercent = 400;
constexpr int kMaxDroneIntroduction = 3000;

// Control ids of the note grid's rows: flats 1060, 1062, ...; naturals 1061, 1063, ...; sharps 1033...
int flatBoxId(int row) { return 1060 + 2 * row; }
int naturalBoxId(int row) { return 1061 + 2 * row; }
int sharpBoxId(int row) { return 1033 + row; }

QLineEdit* addLabelledBox(QGridLayout& grid, int row, const QString& label, int controlId) {
    QLineEdit* box = makeIntegerBox(controlId);
    auto* text = new QLabel(label);
    text->setBuddy(box);
    grid.addWidget(text, row, 0);
    grid.addWidget(box, row, 1, Qt::AlignLeft);
    return box;
}

void addLabelledWidget(QGridLayout& grid, int row, const QString& label, SpinEdit* spin) {
    auto* text = new QLabel(label);
    text->setBuddy(spin->box());
    grid.addWidget(text, row, 0);
    grid.addWidget(spin, row, 1, Qt::AlignLeft);
}

bool readInto(QLineEdit& box, int low, int high, MessageSink& messages, int& into) {
    const std::optional<int> value = readIntegerBox(box, low, high, messages);
    if (value) into = *value;
    return value.has_value();
}

}  // namespace

PlayOptionsDialog::PlayOptionsDialog(const TuneSettings& settings, bool ballOn, int pausePercent,
                                     PlayOptionsServices services,
                                     QWidget* parent)
    : QDialog(parent), values_(settings), ballOn_(ballOn), pausePercent_(pausePercent), services_(services),
      tones_(services.devices, services.messages) {
    setWindowTitle(tr("Play Music Setup"));
    auto* left = new QVBoxLayout;
    left->addWidget(makeTimingGroup());
    left->addWidget(makeInstrumentGroup());
    left->addWidget(makeTestGroup());
    auto* middle = new QVBoxLayout;
    middle->addWidget(makeNoteGrid());
    middle->addWidget(makePresetGroup());
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(middle);
    layout->addWidget(makeButtonColumn());
    showValues();
    speakerFrequency_->setText(QStringLiteral("440"));
    midiNote_->setText(QStringLiteral("57"));
}

QWidget* PlayOptionsDialog::makeTimingGroup() {
    auto* group = new QGroupBox(tr("Playing"));
    auto* grid = new QGridLayout(group);
    gracenote_ = new SpinEdit(1001, 1031, 0, kMaxGracenote);
    tempo_ = new SpinEdit(1002, 1032, 20, 200);
    smoothA_ = new SpinEdit(1042, 1043, 0, kMaxPercent);
    smoothB_ = new SpinEdit(1044, 1045, 0, kMaxPercent);
    addLabelledWidget(*grid, 0, tr("Gracenote duration (ms):"), gracenote_);
    addLabelledWidget(*grid, 1, tr("Tempo (beats/min):"), tempo_);
    addLabelledWidget(*grid, 2, tr("Smooth playing factor A (%):"), smoothA_);
    addLabelledWidget(*grid, 3, tr("Smooth playing factor B (%):"), smoothB_);
    pause_ = new SpinEdit(1046, 1047, 0, kMaxPausePercent);
    addLabelledWidget(*grid, 4, tr("Pause lengthens the note by (%):"), pause_);
    droneIntroduction_ = addLabelledBox(*grid, 5, tr("Drone introduction (ms):"), 1024);
    ball_ = new QCheckBox(tr("Moving Music Pointer"));
    ball_->setObjectName(QStringLiteral("1105"));
    grid->addWidget(ball_, 6, 0, 1, 2);
    return group;
}

QWidget* PlayOptionsDialog::makeNoteGrid() {
    auto* group = new QGroupBox(tr("Midi Note Mapping"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(tr("Flat")), 0, 1);
    grid->addWidget(new QLabel(tr("Natural")), 0, 2);
    grid->addWidget(new QLabel(tr("Sharp")), 0, 3);
    for (int row = 0; row < kChanterPitches; ++row) {
        grid->addWidget(new QLabel(tr(kPitchRowNames[row])), row + 1, 0);
        notes_[row] = makeIntegerBox(flatBoxId(row));
        notes_[2 * kChanterPitches + row] = makeIntegerBox(naturalBoxId(row));
        notes_[kChanterPitches + row] = makeIntegerBox(sharpBoxId(row));
        grid->addWidget(notes_[row], row + 1, 1);
        grid->addWidget(notes_[2 * kChanterPitches + row], row + 1, 2);
        grid->addWidget(notes_[kChanterPitches + row], row + 1, 3);
    }
    return group;
}

QWidget* PlayOptionsDialog::makeInstrumentGroup() {
    auto* group = new QGroupBox(tr("Instruments"));
    auto* grid = new QGridLayout(group);
    chanterInstrument_ = addLabelledBox(*grid, 0, tr("Chanter Instrument"), 1021);
    droneInstrument_ = addLabelledBox(*grid, 1, tr("Drone Instrument"), 1022);
    bassDrone_ = addLabelledBox(*grid, 2, tr("Bass Drone Note"), 1023);
    tenorDrone_ = addLabelledBox(*grid, 3, tr("Tenor Drone Note"), 1025);
    return group;
}

QWidget* PlayOptionsDialog::makePresetGroup() {
    auto* group = new QGroupBox(tr("Note Mapping Defaults"));
    auto* grid = new QGridLayout(group);
    const auto addPreset = [this, grid](int row, const QString& label, const QString& name, auto action) {
        auto* set = new QPushButton(tr("Set"));
        set->setObjectName(name);
        set->setAutoDefault(false);
        connect(set, &QPushButton::clicked, this, action);
        grid->addWidget(new QLabel(label), row, 0);
        grid->addWidget(set, row, 1);
    };
    addPreset(0, tr("Low A at B flat"), QStringLiteral("1026"), [this] { loadPreset(NoteMappingPreset::LowAAtBFlat); });
    addPreset(1, tr("Low A at A natural"), QStringLiteral("1027"),
              [this] { loadPreset(NoteMappingPreset::LowAAtANatural); });
    addPreset(2, tr("User Defined"), QStringLiteral("1029"), [this] { loadUserMapping(); });
    addPreset(3, tr("Highland Pipes"), QStringLiteral("HighlandPipes"),
              [this] { loadPreset(NoteMappingPreset::HighlandPipes); });
    return group;
}

QWidget* PlayOptionsDialog::makeTestGroup() {
    auto* group = new QGroupBox(tr("Test"));
    auto* grid = new QGridLayout(group);
    speakerFrequency_ = addLabelledBox(*grid, 0, tr("PC Speaker (Hz)"), 1028);
    speakerTest_ = new QCheckBox(tr("Test"));
    speakerTest_->setObjectName(QStringLiteral("1030"));
    grid->addWidget(speakerTest_, 0, 2);
    midiNote_ = addLabelledBox(*grid, 1, tr("MIDI note"), 1048);
    midiTest_ = new QCheckBox(tr("Test"));
    midiTest_->setObjectName(QStringLiteral("1049"));
    grid->addWidget(midiTest_, 1, 2);
    connect(speakerTest_, &QCheckBox::clicked, this, &PlayOptionsDialog::toggleSpeakerTest);
    connect(midiTest_, &QCheckBox::clicked, this, &PlayOptionsDialog::toggleMidiTest);
    return group;
}

QPushButton* PlayOptionsDialog::makeButton(int controlId, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::number(controlId));
    button->setAutoDefault(false);
    return button;
}

QWidget* PlayOptionsDialog::makeButtonColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    QPushButton* ok = makeButton(1, tr("OK"));
    ok->setDefault(true);
    QPushButton* cancel = makeButton(2, tr("Cancel"));
    QPushButton* user = makeButton(6, tr("User Defined"));
    QPushButton* frequencies = makeButton(3, tr("Frequency Mapping's"));
    QPushButton* gracenotes = makeButton(5, tr("Gracenote Duration"));
    for (QPushButton* button : {ok, cancel, user, frequencies, gracenotes}) layout->addWidget(button);
    layout->addStretch(1);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(user, &QPushButton::clicked, this, &PlayOptionsDialog::saveUserMapping);
    connect(frequencies, &QPushButton::clicked, this, &PlayOptionsDialog::editFrequencies);
    connect(gracenotes, &QPushButton::clicked, this, &PlayOptionsDialog::editCategoryDurations);
    return column;
}

void PlayOptionsDialog::showValues() {
    gracenote_->setValue(values_.gracenoteDurations[0]);
    tempo_->setValue(values_.tempo);
    smoothA_->setValue(values_.instruments.smoothFactorA);
    smoothB_->setValue(values_.instruments.smoothFactorB);
    ball_->setChecked(ballOn_);
    pause_->setValue(pausePercent_);
    droneIntroduction_->setText(QString::number(values_.instruments.droneIntroduction));
    for (std::size_t i = 0; i < notes_.size(); ++i) notes_[i]->setText(QString::number(values_.midiNotes[i]));
    chanterInstrument_->setText(QString::number(values_.instruments.chanterInstrument));
    droneInstrument_->setText(QString::number(values_.instruments.droneInstrument));
    bassDrone_->setText(QString::number(values_.instruments.bassDroneNote));
    tenorDrone_->setText(QString::number(values_.instruments.tenorDroneNote));
}

bool PlayOptionsDialog::takeValues() {
    MessageSink& messages = services_.messages;
    TuneSettings taken = values_;
    InstrumentMapping& instruments = taken.instruments;
    int pause = pausePercent_;
    if (!readInto(*gracenote_->box(), 0, kMaxGracenote, messages, taken.gracenoteDurations[0]) ||
        !readInto(*tempo_->box(), 0, kMaxTempo, messages, taken.tempo) ||
        !readInto(*smoothA_->box(), 0, kMaxPercent, messages, instruments.smoothFactorA) ||
        !readInto(*smoothB_->box(), 0, kMaxPercent, messages, instruments.smoothFactorB) ||
        !readInto(*pause_->box(), 0, kMaxPausePercent, messages, pause) ||
        !readInto(*droneIntroduction_, 0, kMaxDroneIntroduction, messages, instruments.droneIntroduction)) {
        return false;
    }
    for (std::size_t i = 0; i < notes_.size(); ++i) {
        if (!readInto(*notes_[i], 0, kMaxMidiValue, messages, taken.midiNotes[i])) return false;
    }
    if (!readInto(*chanterInstrument_, 0, kMaxMidiValue, messages, instruments.chanterInstrument) ||
        !readInto(*droneInstrument_, 0, kMaxMidiValue, messages, instruments.droneInstrument) ||
        !readInto(*bassDrone_, 0, kMaxMidiValue, messages, instruments.bassDroneNote) ||
        !readInto(*tenorDrone_, 0, kMaxMidiValue, messages, instruments.tenorDroneNote)) {
        return false;
    }
    values_ = taken;
    ballOn_ = ball_->isChecked();
    pausePercent_ = pause;
    return true;
}

// A preset replaces only the mapping: whatever else was typed stays in its box.
void PlayOptionsDialog::loadPreset(NoteMappingPreset preset) {
    if (!takeValues()) return;
    applyPreset(preset, values_);
    showValues();
}

void PlayOptionsDialog::loadUserMapping() {
    if (!takeValues()) return;
    skirlo::loadUserMapping(services_.profile, values_);
    showValues();
}

void PlayOptionsDialog::saveUserMapping() {
    if (!takeValues()) return;
    skirlo::saveUserMapping(services_.profile, values_);
}

void PlayOptionsDialog::editFrequencies() {
    FrequencyMappingDialog dialog(values_.frequencies, services_.messages, this);
    if (dialog.exec() == Accepted) values_.frequencies = dialog.frequencies();
}

void PlayOptionsDialog::editCategoryDurations() {
    if (!takeValues()) return;
    CategoryDurationDialog dialog(values_.gracenoteDurations, services_.messages, this);
    if (dialog.exec() != Accepted) return;
    values_.gracenoteDurations = dialog.durations();
    showValues();
}

void PlayOptionsDialog::toggleSpeakerTest() {
    if (tones_.speakerOn()) {
        tones_.stopSpeaker();
    } else {
        tones_.startSpeaker(speakerFrequency_->text().trimmed().toInt());
    }
    speakerTest_->setChecked(tones_.speakerOn());
}

void PlayOptionsDialog::toggleMidiTest() {
    if (tones_.midiOn()) {
        tones_.stopMidi();
    } else if (takeValues() &&
               !tones_.startMidi(services_.midiDevice, values_.instruments.chanterInstrument,
                                 midiNote_->text().trimmed().toInt())) {
        QApplication::beep();
        services_.messages.show(kMidiTestOpenFailed, kApplicationTitle, MessageButtons::Ok);
    }
    midiTest_->setChecked(tones_.midiOn());
}

void PlayOptionsDialog::done(int result) {
    if (result == Accepted && !takeValues()) return;
    tones_.stopAll();
    speakerTest_->setChecked(false);
    midiTest_->setChecked(false);
    QDialog::done(result);
}

}  // namespace skirlo
