#include "editor/PlayOptionsTestTones.h"

#include "editor/PlaybackDevices.h"
#include "playback/MidiEventList.h"
#include "playback/live/SpeakerTone.h"

namespace skirlo {

namespace {

constexpr int kTestChannel = midi::kChanterChannel;
constexpr int kFullVelocity = 127;
constexpr int kSilencedNotes = 126;

}  // namespace

PlayOptionsTestTones::PlayOptionsTestTones(PlaybackDevices& devices, MessageSink& messages)
    : speaker_(devices.speaker), layer_(devices.platform, messages, devices.log) {
    layer_.setPlayingQuery([this] { return midiOn_; });
}

PlayOptionsTestTones::~PlayOptionsTestTones() { stopAll(); }

void PlayOptionsTestTones::startSpeaker(std::int32_t frequency) {
    speaker_.start(frequency);
    speakerOn_ = true;
}

void PlayOptionsTestTones::stopSpeaker() {
    if (!speakerOn_) return;
    speaker_.off();
    speakerOn_ = false;
}

bool PlayOptionsTestTones::startMidi(std::optional<unsigned> deviceId, int instrument, int note) {
    if (midiOn_) return true;
    if (!deviceId) return false;
    MidiDevice& output = layer_.output();
    if (!layer_.countMidiDevices(nullptr, &output)) return false;
    output.deviceId = *deviceId;
    if (layer_.midiActivateDevice(output, midi_device::kOpen) != 0) return false;
    midiOn_ = true;
    layer_.midiSendShortMsg(output, midi::kProgramChange, kTestChannel, instrument, 0);
    layer_.midiSendShortMsg(output, midi::kNoteOn, kTestChannel, note, kFullVelocity);
    return true;
}

void PlayOptionsTestTones::stopMidi() {
    if (!midiOn_) return;
    MidiDevice& output = layer_.output();
    for (int note = 0; note < kSilencedNotes; ++note) layer_.midiSendShortMsg(output, midi::kNoteOff, kTestChannel, note, 0);
    layer_.midiActivateDevice(output, midi_device::kClose);
    midiOn_ = false;
}

void PlayOptionsTestTones::stopAll() {
    stopSpeaker();
    stopMidi();
}

}  // namespace skirlo
