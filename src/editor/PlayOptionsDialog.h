#pragma once
// "Play Music Setup": the playing values of a tune (gracenote durations,
// tempo, smoothing, drone introduction, the MIDI note grid, instruments and
// drone notes, the speaker frequencies), the moving music pointer, the
// note-mapping presets and the user's own mapping in the profile, and the
// speaker and MIDI test sounds. It works on a copy; the caller takes the
// values after OK. The tests are silenced whichever way it closes.

#include <QDialog>

#include <array>
#include <optional>

#include "document/PlayOptions.h"
#include "editor/PlayOptionsTestTones.h"
#include "tunefile/TuneSettings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace skirlo {

class MessageSink;
class Profile;
class SpinEdit;
struct PlaybackDevices;

struct PlayOptionsServices {
    Profile& profile;
    MessageSink& messages;
    PlaybackDevices& devices;
    // The MIDI device chosen in the control bar; none when it shows the PC speaker.
    std::optional<unsigned> midiDevice;
};

class PlayOptionsDialog final : public QDialog {
    Q_OBJECT
public:
    // `pausePercent` is the profile's pause (fermata) length: how much longer
    // than written a note under a pause sounds.
    PlayOptionsDialog(const TuneSettings& settings, bool ballOn, int pausePercent, PlayOptionsServices services,
                      QWidget* parent = nullptr);

    const TuneSettings& settings() const { return values_; }
    bool ballOn() const { return ballOn_; }
    int pausePercent() const { return pausePercent_; }
    const PlayOptionsTestTones& testTones() const { return tones_; }

    // A "Set" button's preset, loaded into the boxes.
    void loadPreset(NoteMappingPreset preset);
    // The "User Defined" Set button.
    void loadUserMapping();
    // The "User Defined" button: the boxes, checked, into the profile.
    void saveUserMapping();
    void editFrequencies();
    void editCategoryDurations();
    void toggleSpeakerTest();
    void toggleMidiTest();

    void done(int result) override;

private:
    QWidget* makeTimingGroup();
    QWidget* makeNoteGrid();
    QWidget* makeInstrumentGroup();
    QWidget* makePresetGroup();
    QWidget* makeTestGroup();
    QWidget* makeButtonColumn();
    QPushButton* makeButton(int controlId, const QString& text);
    // Every checked box into `values_`; false at the first refused one.
    bool takeValues();
    void showValues();

    TuneSettings values_;
    bool ballOn_;
    int pausePercent_;
    PlayOptionsServices services_;
    PlayOptionsTestTones tones_;

    SpinEdit* gracenote_ = nullptr;
    SpinEdit* tempo_ = nullptr;
    SpinEdit* smoothA_ = nullptr;
    SpinEdit* smoothB_ = nullptr;
    SpinEdit* pause_ = nullptr;
    QCheckBox* ball_ = nullptr;
    QLineEdit* droneIntroduction_ = nullptr;
    // In the settings' order: flats, sharps, naturals.
    std::array<QLineEdit*, 27> notes_{};
    QLineEdit* chanterInstrument_ = nullptr;
    QLineEdit* droneInstrument_ = nullptr;
    QLineEdit* bassDrone_ = nullptr;
    QLineEdit* tenorDrone_ = nullptr;
    QLineEdit* speakerFrequency_ = nullptr;
    QCheckBox* speakerTest_ = nullptr;
    QLineEdit* midiNote_ = nullptr;
    QCheckBox* midiTest_ = nullptr;
};

}  // namespace skirlo
