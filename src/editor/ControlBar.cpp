#include "editor/ControlBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "common/LenientNumber.h"
#include "editor/ActionIcons.h"
#include "editor/CommandIds.h"
#include "editor/WhatsThisTexts.h"
#include "engraving/MusicLayout.h"
#include "playback/MidiBytes.h"
#include "playback/MidiEventList.h"

namespace skirlo {

namespace {

constexpr const char* kZoomList[] = {"200", "150", "120", "100", "88", "75", "60", "50", "30"};
constexpr int kDefaultZoomEntry = 3;  // "100"

// A control with its label above it, as the bar's template places them.
QWidget* labelled(const QString& label, QWidget* control) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new QLabel(label));
    layout->addWidget(control);
    return column;
}

}  // namespace

ControlBar::ControlBar(const std::filesystem::path& resourceDir, QWidget* parent)
    : QWidget(parent), resourceDir_(resourceDir) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(3);

    row->addWidget(addButton(command::kRefresh, "view-refresh", tr("Refresh the music (F5)")), 0, Qt::AlignBottom);

    zoomBox_ = new QComboBox;
    zoomBox_->setEditable(true);
    for (const char* zoom : kZoomList) zoomBox_->addItem(QString::fromLatin1(zoom));
    zoomBox_->setInsertPolicy(QComboBox::NoInsert);
    zoomBox_->setMinimumContentsLength(4);
    zoomBox_->setToolTip(tr("Zoom in percent: choose one or type a number and press Enter"));
    zoomBox_->setWhatsThis(whatsThisText(command::kZoomBox));
    zoomBox_->lineEdit()->installEventFilter(this);
    connect(zoomBox_, &QComboBox::activated, this, [this] { emit zoomChanged(); });
    row->addWidget(labelled(tr("Zoom"), zoomBox_));

    deviceBox_ = new QComboBox;
    deviceBox_->setMinimumContentsLength(24);
    deviceBox_->setToolTip(tr("Output device"));
    deviceBox_->setWhatsThis(whatsThisText(command::kDeviceBox));
    row->addWidget(labelled(QString(), deviceBox_));

    row->addWidget(addButton(command::kRewind, "media-seek-backward", tr("Rewind")), 0, Qt::AlignBottom);
    row->addWidget(addButton(command::kStop, "media-playback-stop", tr("Stop")), 0, Qt::AlignBottom);
    row->addWidget(addButton(command::kPlay, "media-playback-start", tr("Play")), 0, Qt::AlignBottom);
    row->addWidget(addButton(command::kContinuous, "media-playlist-repeat", tr("Play continuously")), 0,
                   Qt::AlignBottom);
    button(command::kContinuous)->setCheckable(true);

    tempo_ = new QSpinBox;
    tempo_->setRange(kMinTempoPercent, kMaxTempoPercent);
    tempo_->setSingleStep(5);
    tempo_->setValue(100);
    tempo_->setSuffix(QStringLiteral(" %"));
    tempo_->setToolTip(tr("Practice tempo: a percent of the tune's own"));
    tempo_->setWhatsThis(whatsThisText(command::kTempoBox));
    tempo_->setKeyboardTracking(false);
    connect(tempo_, &QSpinBox::valueChanged, this, [this] { emit command(command::kTempoBox); });
    row->addWidget(labelled(tr("Tempo"), tempo_));

    click_ = new QCheckBox(tr("Click"));
    click_->setToolTip(tr("Beat click: a click on every beat while playing"));
    click_->setWhatsThis(whatsThisText(command::kClickBox));
    connect(click_, &QCheckBox::toggled, this, [this] { emit command(command::kClickBox); });
    row->addWidget(click_, 0, Qt::AlignBottom);

    chanter_ = addSlider(tr("Chanter"), midi::kStartChanterVolume, command::kChanterSlider);
    tenor_ = addSlider(tr("Tenor"), midi::kStartTenorVolume, command::kTenorSlider);
    bass_ = addSlider(tr("Bass"), midi::kStartBassVolume, command::kBassSlider);
    for (QSlider* slider : {chanter_, tenor_, bass_}) row->addWidget(labelled(slider->toolTip(), slider));
    row->addStretch(1);
}

QToolButton* ControlBar::addButton(int commandId, const char* iconName, const QString& tip) {
    auto* button = new QToolButton;
    button->setObjectName(QString::number(commandId));
    button->setIcon(actionIcon(iconName, resourceDir_));
    button->setToolTip(tip);
    button->setWhatsThis(whatsThisText(commandId));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::clicked, this, [this, commandId] { emit command(commandId); });
    return button;
}

QSlider* ControlBar::addSlider(const QString& label, int start, int commandId) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(0, kVolumeMaximum);
    slider->setTickInterval(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setValue(start);
    slider->setToolTip(label);
    slider->setWhatsThis(whatsThisText(commandId));
    slider->setFixedWidth(90);
    connect(slider, &QSlider::valueChanged, this, [this, commandId] { emit command(commandId); });
    return slider;
}

QToolButton* ControlBar::button(int commandId) const {
    return findChild<QToolButton*>(QString::number(commandId));
}

void ControlBar::showZoom(int zoom) {
    const int entry = zoomBox_->findText(QString::number(zoom), Qt::MatchExactly);
    if (entry >= 0) {
        zoomBox_->setCurrentIndex(entry);
        return;
    }
    zoomBox_->setCurrentIndex(kDefaultZoomEntry);
    zoomBox_->setEditText(QString::number(zoom));
}

void ControlBar::stepZoom(int direction, int current) {
    // The list's entries are the steps; past its ends each step is a quarter.
    int next = 0;
    for (const char* entry : kZoomList) {
        const int zoom = leadingInt(entry);
        const bool closer = direction > 0 ? zoom > current && (next == 0 || zoom < next) : zoom < current && zoom > next;
        if (closer) next = zoom;
    }
    if (next == 0) {
        next = direction > 0 ? std::min(std::max(current * 5 / 4, current + 1), kMaxZoom)
                             : std::max(current * 4 / 5, kMinZoom);
    }
    showZoom(next);
    emit zoomChanged();
}

QList<QWidget*> ControlBar::focusChain() const {
    return {button(command::kRefresh), zoomBox_,   deviceBox_, button(command::kRewind), button(command::kStop),
            button(command::kPlay),    button(command::kContinuous), tempo_, click_, chanter_, tenor_, bass_};
}

int ControlBar::typedZoom() const { return leadingInt(zoomBox_->currentText().toStdString()); }

bool ControlBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == zoomBox_->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit zoomChanged();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace skirlo
