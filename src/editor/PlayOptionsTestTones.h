#pragma once
// The two test sounds of the play options: a continuous tone on the PC
// speaker and a held note on the MIDI output device chosen in the control
// bar. Each is a toggle; both are silenced when the dialog closes, and by
// the destructor whatever way the dialog goes.
//
// The MIDI test opens the device on a layer of its own: the dialog is modal
// and opens only while the window's player is idle with its devices closed,
// so the test's sends are the only ones, and the layer accepts them only
// while the test sounds.

#include <cstdint>
#include <optional>

#include "playback/live/MidiDeviceLayer.h"

namespace skirlo {

class MessageSink;
class SpeakerTone;
struct PlaybackDevices;

inline constexpr const char* kMidiTestOpenFailed =
    "The MIDI device could not be opened!\nSelect another from the toolbar MIDI device combo box and try again.";

class PlayOptionsTestTones {
public:
    PlayOptionsTestTones(PlaybackDevices& devices, MessageSink& messages);
    ~PlayOptionsTestTones();
    PlayOptionsTestTones(const PlayOptionsTestTones&) = delete;
    PlayOptionsTestTones& operator=(const PlayOptionsTestTones&) = delete;

    bool speakerOn() const { return speakerOn_; }
    bool midiOn() const { return midiOn_; }

    void startSpeaker(std::int32_t frequency);
    // Restores the speaker port as it was before the tone, gates cleared.
    void stopSpeaker();

    // Program change to `instrument`, then the note at full velocity, both on
    // channel 0. False when no MIDI device is chosen or it cannot be opened:
    // nothing sounds then.
    bool startMidi(std::optional<unsigned> deviceId, int instrument, int note);
    // Note-offs for notes 0-125 on channel 0, then the device is closed.
    void stopMidi();

    void stopAll();

private:
    SpeakerTone& speaker_;
    MidiDeviceLayer layer_;
    bool speakerOn_ = false;
    bool midiOn_ = false;
};

}  // namespace skirlo
