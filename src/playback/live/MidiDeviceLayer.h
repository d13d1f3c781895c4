#pragma once
// The thin layer between the music view and the MIDI services: it counts,
// names, opens, closes and feeds the devices, keeps one descriptor per
// direction, shows every platform error once in a message box and refuses to
// send to a device that is not open. Programming errors go to the log.
//
// Every operation returns 0, a platform error code (MidiPlatform.h), or one
// of the layer's own codes below.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playback/PlaybackSettings.h"
#include "playback/live/MidiPlatform.h"

namespace skirlo {

class DiagnosticLog;
class MessageSink;

// Bad device type, device not usable, not open, not playing.
inline constexpr std::uint32_t kMidiLayerError = 0xFF00;
// The user declined to abandon a busy device.
inline constexpr std::uint32_t kMidiDeclined = 0xFF01;

namespace midi_device {
inline constexpr std::uint32_t kInput = 1;
inline constexpr std::uint32_t kOutput = 2;
// As a type: no device of this direction exists. As an id: none selected.
inline constexpr std::uint32_t kNone = 0xFF00;

inline constexpr std::uint32_t kOpen = 1;
inline constexpr std::uint32_t kClose = 16;
inline constexpr std::uint32_t kCloseAsking = 17;
}  // namespace midi_device

enum class MidiBufferState : std::uint32_t {
    None = 0,
    Queued = 1,   // the device is busy with a buffer
    Refused = 2,  // a buffer was offered while the device was closed
};

struct MidiDevice {
    std::uint32_t deviceType = midi_device::kNone;
    std::uint32_t deviceId = midi_device::kNone;
    std::unique_ptr<MidiHandle> handle;
    MidiBufferHeader buffer;
    // While set, a plain close is refused.
    std::uint32_t locked = 0;
    MidiBufferState bufferState = MidiBufferState::None;

    bool isOpen() const { return handle != nullptr; }
    // The open device's own clock, if it has one.
    TimedMidiOutput* timed() const { return handle ? handle->timed() : nullptr; }
};

// The device box: the MIDI output devices, then "PC Speaker".
struct OutputDeviceList {
    std::vector<std::string> names;
    // How many leading entries are MIDI devices.
    std::size_t midiCount = 0;
    // The pipes voice when listed, else the last device that obeys channel
    // volume, else the first entry.
    std::size_t initialSelection = 0;
};

inline constexpr const char* kPcSpeakerName = "PC Speaker";

class MidiDeviceLayer {
public:
    MidiDeviceLayer(MidiPlatform& platform, MessageSink& messages, DiagnosticLog& log);

    // Short messages are sent only while this says the view is playing.
    void setPlayingQuery(std::function<bool()> playing) { playing_ = std::move(playing); }

    MidiDevice& input() { return input_; }
    MidiDevice& output() { return output_; }

    // Resets the given descriptors; false when a given direction has no device.
    bool countMidiDevices(MidiDevice* input, MidiDevice* output);
    std::uint32_t midiInit(std::uint32_t deviceType, std::uint32_t deviceId, std::string& name,
                           std::uint32_t& support);
    // `action`: midi_device::kOpen, kClose or kCloseAsking.
    std::uint32_t midiActivateDevice(MidiDevice& device, std::uint32_t action);
    std::uint32_t midiSendShortMsg(MidiDevice& device, int status, int channel, int data1, int data2);
    // Sends on the open handle whether or not the view is playing, without
    // messages: the scheduler's own sends and the all-notes-off of Stop.
    std::uint32_t sendOnOpenHandle(MidiDevice& device, std::uint32_t message);
    // `assign` false releases the buffer; `data` and `length` are then unused.
    std::uint32_t midiAssignBuffer(MidiDevice& device, const std::uint8_t* data, std::size_t length, bool assign);
    // Closes, asking first where a device is busy; false when the user
    // declined for either direction.
    bool closeMidiDevices(MidiDevice* input, MidiDevice* output);
    void midiShowError(std::uint32_t code, std::uint32_t deviceType);

    // Counts both directions and names the output devices; stops naming at
    // the first device that cannot be read.
    OutputDeviceList enumerateOutputs();

    // Applies the device box's selection (none: nothing happens). `output`
    // is the view's current choice; `rebuild` builds the note map and
    // performance for the new choice and is called only when the choice
    // changes or no performance exists yet. False when the device in use could
    // not be closed (the user declined to abandon it, or the close failed).
    bool applySelection(std::optional<std::size_t> index, PlaybackOutput& output, bool hasPerformance,
                        const std::function<void(PlaybackOutput)>& rebuild);

private:
    std::uint32_t openDevice(MidiDevice& device);
    std::optional<unsigned> deviceNamed(MidiDirection direction, std::string_view name);
    std::uint32_t closeDevice(MidiDevice& device);
    std::uint32_t closeAsking(MidiDevice& device);
    std::uint32_t assignOpen(MidiDevice& device, const std::uint8_t* data, std::size_t length);
    std::uint32_t releaseOpen(MidiDevice& device);
    std::uint32_t reported(std::uint32_t code, const MidiDevice& device);

    MidiPlatform& platform_;
    MessageSink& messages_;
    DiagnosticLog& log_;
    std::function<bool()> playing_;
    MidiDevice input_;
    MidiDevice output_;
    // Output devices in the device box (those that could be named).
    std::size_t listedOutputs_ = 0;
};

}  // namespace skirlo
