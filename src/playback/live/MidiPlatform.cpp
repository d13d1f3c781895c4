#include "playback/live/MidiPlatform.h"

namespace skirlo {

std::optional<std::string> midiErrorText(std::uint32_t code) {
    switch (code) {
        case midi_error::kNone: return "The operation completed successfully.";
        case midi_error::kUnspecified: return "An unspecified error occurred in the MIDI system.";
        case midi_error::kBadDeviceId: return "The MIDI device identifier is out of range.";
        case midi_error::kAllocated: return "The MIDI device is already in use by another program.";
        case midi_error::kNoDriver: return "No MIDI service is available: the ALSA sequencer cannot be reached.";
        case midi_error::kNoMemory: return "There is not enough memory to open the MIDI device.";
        case midi_error::kBadErrorNumber: return "An error number was given that is not defined.";
        case midi_error::kInvalidParameter: return "An invalid parameter was passed to the MIDI system.";
        case midi_error::kUnprepared: return "The MIDI buffer has not been prepared.";
        case midi_error::kStillPlaying: return "The MIDI device is still playing a buffer.";
        case midi_error::kNotReady: return "The MIDI device is not ready to take messages.";
        case midi_error::kNoDevice: return "The MIDI port is no longer present.";
        case midi_error::kNoAudioOutput:
            return "The built-in synthesizer found no audio output: no PipeWire, PulseAudio or ALSA sound device "
                   "is available.";
        case midi_error::kNoSoundfont:
            return "The built-in synthesizer found no General MIDI soundfont in /usr/share/sounds/sf2.";
        case midi_error::kNoPipesSoundfont:
            return "The pipes voice's SoundFont is missing or cannot be read: the Built-in Synthesizer plays the "
                   "tune's instruments.";
        default: return std::nullopt;
    }
}

}  // namespace skirlo
