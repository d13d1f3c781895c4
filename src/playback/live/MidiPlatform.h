#pragma once
// What the device layer asks of the machine's MIDI services: how many devices
// each direction has, their names and capabilities, and open handles that take
// short messages and long-message buffers. The program's implementation is
// SystemMidiPlatform (ALSA sequencer ports and the built-in synthesizer);
// tests use a recording one.
//
// Every operation returns 0 or one of the error codes below, whose texts
// `midiErrorText` gives.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "playback/PipeTuning.h"
#include "playback/live/TimedMidiOutput.h"

namespace skirlo {

enum class MidiDirection { Input, Output };

// The built-in synthesizer's pipes voice, offered first among the outputs.
inline constexpr const char* kPipesVoiceName = "Highland Pipes (built-in)";
// Its General MIDI voice, playing the tune's instruments; it stands in for
// the pipes voice when that voice's SoundFont cannot be read.
inline constexpr const char* kSynthesizerName = "Built-in Synthesizer";

namespace midi_error {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kUnspecified = 1;
inline constexpr std::uint32_t kBadDeviceId = 2;
inline constexpr std::uint32_t kAllocated = 4;
inline constexpr std::uint32_t kNoDriver = 6;
inline constexpr std::uint32_t kNoMemory = 7;
inline constexpr std::uint32_t kBadErrorNumber = 9;
inline constexpr std::uint32_t kInvalidParameter = 11;
inline constexpr std::uint32_t kUnprepared = 64;
inline constexpr std::uint32_t kStillPlaying = 65;
inline constexpr std::uint32_t kNotReady = 67;
inline constexpr std::uint32_t kNoDevice = 68;
inline constexpr std::uint32_t kNoAudioOutput = 100;
inline constexpr std::uint32_t kNoSoundfont = 101;
inline constexpr std::uint32_t kNoPipesSoundfont = 102;
}  // namespace midi_error

// The text for an error code, at most 127 characters; nullopt for a code
// that has none (the caller then shows the text of kBadErrorNumber).
std::optional<std::string> midiErrorText(std::uint32_t code);

// (status | channel) | data1 << 8 | data2 << 16, each masked to a byte.
constexpr std::uint32_t packShortMessage(int status, int channel, int data1, int data2) {
    return (static_cast<std::uint32_t>(status | channel) & 0xFF) | (static_cast<std::uint32_t>(data1) & 0xFF) << 8 |
           (static_cast<std::uint32_t>(data2) & 0xFF) << 16;
}

// Bit 0 of `support`: the device obeys channel volume (controller 7).
inline constexpr std::uint32_t kMidiSupportsVolume = 1;

struct MidiCapabilities {
    std::string name;
    std::uint32_t support = 0;
};

// A long-message buffer handed to an open device; `done` is set by the
// device once it has finished with it.
struct MidiBufferHeader {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    bool prepared = false;
    bool done = false;
};

// An open device. Closing is explicit because it can fail; a handle that is
// destroyed without a successful close releases the device silently.
class MidiHandle {
public:
    virtual ~MidiHandle() = default;
    // The packed short message: status in bits 0-7, data bytes in 8-15 and 16-23.
    virtual std::uint32_t sendShort(std::uint32_t message) = 0;
    // Silences the device and gives back every queued buffer.
    virtual std::uint32_t reset() = 0;
    virtual std::uint32_t prepare(MidiBufferHeader& header) = 0;
    virtual std::uint32_t unprepare(MidiBufferHeader& header) = 0;
    // Input only: queues a prepared buffer for incoming long messages.
    virtual std::uint32_t addBuffer(MidiBufferHeader& header) = 0;
    virtual std::uint32_t close() = 0;
    // The device's own clock for messages sent ahead of time; nullptr for a
    // device that only takes messages as they are due.
    virtual TimedMidiOutput* timed() { return nullptr; }
    // A device that can retune its keys (the pipes voice) takes their
    // pitches before each play; the others sound the notes as they are.
    virtual void tune(const KeyTunings&) {}
    // How long the last note and the drones sound on after their release
    // (the pipes voice lets them fall away): the end of the music closes the
    // device only after it, while Stop closes it at once.
    virtual std::uint32_t fallAwayMilliseconds() const { return 0; }
};

class MidiPlatform {
public:
    virtual ~MidiPlatform() = default;
    virtual unsigned deviceCount(MidiDirection direction) = 0;
    virtual std::uint32_t capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) = 0;
    virtual std::uint32_t open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) = 0;
};

}  // namespace skirlo
