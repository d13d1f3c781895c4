#pragma once
// The row of controls along the top of a tune window: refresh, the zoom box,
// the output device box, rewind, stop, play and continuous, the practice
// tempo and beat click, and the chanter, tenor and bass volume sliders. The bar only holds the controls and turns
// their use into commands; the music pane does the work.

#include <QWidget>

#include <filesystem>

#include "editor/CommandIds.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;
class QToolButton;

namespace skirlo {


class ControlBar final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kVolumeMaximum = 127;

    ControlBar(const std::filesystem::path& resourceDir, QWidget* parent = nullptr);

    QToolButton* button(int commandId) const;
    QComboBox* zoomBox() const { return zoomBox_; }
    QComboBox* deviceBox() const { return deviceBox_; }
    QSlider* chanterSlider() const { return chanter_; }
    QSlider* tenorSlider() const { return tenor_; }
    QSlider* bassSlider() const { return bass_; }
    // The practice tempo in percent of the written one, 50 to 150 in steps of 5.
    QSpinBox* tempoBox() const { return tempo_; }
    // The practice beat click, on or off.
    QCheckBox* clickBox() const { return click_; }

    // Selects the list entry that reads `zoom`; otherwise selects "100" and
    // shows the number as typed text.
    void showZoom(int zoom);
    // One step of the zoom list up (direction > 0) or down from `current`,
    // shown in the box and applied as if chosen there.
    void stepZoom(int direction, int current);
    // The number in the zoom box's edit field, read as a decimal integer.
    int typedZoom() const;
    // The controls in the order Tab visits them, left to right.
    QList<QWidget*> focusChain() const;

signals:
    // A button's or slider's command id.
    void command(int commandId);
    // A zoom chosen from the list, or Enter in the edit field.
    void zoomChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* addButton(int commandId, const char* iconName, const QString& tip);
    QSlider* addSlider(const QString& label, int start, int commandId);

    std::filesystem::path resourceDir_;
    QComboBox* zoomBox_ = nullptr;
    QComboBox* deviceBox_ = nullptr;
    QSpinBox* tempo_ = nullptr;
    QCheckBox* click_ = nullptr;
    QSlider* chanter_ = nullptr;
    QSlider* tenor_ = nullptr;
    QSlider* bass_ = nullptr;
};

}  // namespace skirlo
