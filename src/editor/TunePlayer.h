#pragma once
// A tune window's playback: its MIDI devices and the scheduler that plays the
// document's performance. The scheduler's playing flag is the only one: the
// performance reads it to refuse rebuilds, the device layer to refuse sends,
// the window to enable its commands. Notifications from the playback thread
// are queued to the window's thread.

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"

namespace skirlo {

class MessageSink;
class Profile;
class TuneDocument;
struct PlaybackDevices;
struct Symbol;

class TunePlayer final : public QObject {
    Q_OBJECT
public:
    // The profile remembers the chosen output device.
    TunePlayer(TuneDocument& document, Profile& profile, PlaybackDevices& devices, MessageSink& messages,
               QObject* parent = nullptr);
    ~TunePlayer() override;

    bool playing() const { return scheduler_->playing(); }
    bool continuous() const { return scheduler_->continuous(); }
    bool hasPerformance() const;

    // The device box: the MIDI output devices, then "PC Speaker"; selected
    // is the device the profile remembers, else the pipes voice, else the
    // layer's choice.
    OutputDeviceList listDevices();
    // Applies the device box's choice and remembers it in the profile;
    // false when the device in use could not be closed.
    bool selectDevice(std::optional<std::size_t> index);
    // Closes the devices before the window closes; false when the user chose
    // to keep a busy device, so the window must stay.
    bool closeDevices();

    void play();
    void playContinuous();
    void stop();
    void rewind();
    void setVolume(VolumeChannel channel, int value);

    // The symbol of the entry at `index` of the list in use, and of the next
    // entry after it that has one; null where there is none.
    const Symbol* symbolAt(std::size_t index) const;
    const Symbol* nextSymbolAfter(std::size_t index) const;

signals:
    // The entry at this index of the list in use has started.
    void sounding(std::size_t index);
    // Playing began or stopped.
    void stateChanged();

private:
    void onEnd();
    // After every rebuild of the performance (the document tells the player):
    // the new lists, from their start.
    void useNewLists();

    TuneDocument& document_;
    Profile& profile_;
    MidiDeviceLayer layer_;
    // The names of the device box's entries, as last listed.
    std::vector<std::string> deviceNames_;
    std::unique_ptr<PlaybackScheduler> scheduler_;
};

}  // namespace skirlo
