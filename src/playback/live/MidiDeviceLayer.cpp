#include "playback/live/MidiDeviceLayer.h"

#include "common/MessageSink.h"
#include "playback/live/DiagnosticLog.h"

namespace skirlo {

namespace {

constexpr std::size_t kMaxErrorText = 127;

std::optional<MidiDirection> directionOf(std::uint32_t deviceType) {
    if (deviceType == midi_device::kInput) return MidiDirection::Input;
    if (deviceType == midi_device::kOutput) return MidiDirection::Output;
    return std::nullopt;
}

bool isOutput(const MidiDevice& device) { return device.deviceType == midi_device::kOutput; }

void resetDescriptor(MidiDevice& device, bool exists, std::uint32_t type) {
    device.deviceType = exists ? type : midi_device::kNone;
    device.deviceId = midi_device::kNone;
    device.handle.reset();
    device.buffer = {};
    device.locked = 0;
    device.bufferState = MidiBufferState::None;
}

}  // namespace

MidiDeviceLayer::MidiDeviceLayer(MidiPlatform& platform, MessageSink& messages, DiagnosticLog& log)
    : platform_(platform), messages_(messages), log_(log), playing_([] { return false; }) {}

bool MidiDeviceLayer::countMidiDevices(MidiDevice* input, MidiDevice* output) {
    const bool hasInput = platform_.deviceCount(MidiDirection::Input) > 0;
    const bool hasOutput = platform_.deviceCount(MidiDirection::Output) > 0;
    bool complete = true;
    if (input != nullptr) {
        resetDescriptor(*input, hasInput, midi_device::kInput);
        complete = complete && hasInput;
    }
    if (output != nullptr) {
        resetDescriptor(*output, hasOutput, midi_device::kOutput);
        complete = complete && hasOutput;
    }
    return complete;
}

std::uint32_t MidiDeviceLayer::midiInit(std::uint32_t deviceType, std::uint32_t deviceId, std::string& name,
                                        std::uint32_t& support) {
    const std::optional<MidiDirection> direction = directionOf(deviceType);
    if (!direction) {
        log_.write("\r\nMidiInit: uDeviceType bad\n");
        return kMidiLayerError;
    }
    MidiCapabilities capabilities;
    const std::uint32_t result = platform_.capabilities(*direction, deviceId, capabilities);
    if (result != midi_error::kNone) {
        midiShowError(result, deviceType);
        return result;
    }
    name = capabilities.name;
    support = capabilities.support;
    return 0;
}

std::uint32_t MidiDeviceLayer::midiActivateDevice(MidiDevice& device, std::uint32_t action) {
    if (!directionOf(device.deviceType)) {
        log_.write("\r\nMidiActivateDevice: uDeviceType bad\n");
        return kMidiLayerError;
    }
    switch (action) {
        case midi_device::kOpen: return openDevice(device);
        case midi_device::kClose: return closeDevice(device);
        case midi_device::kCloseAsking: return closeAsking(device);
        default: return kMidiLayerError;
    }
}

std::uint32_t MidiDeviceLayer::openDevice(MidiDevice& device) {
    if (device.isOpen()) return 0;
    std::unique_ptr<MidiHandle> handle;
    const MidiDirection direction = *directionOf(device.deviceType);
    std::uint32_t result = platform_.open(direction, device.deviceId, handle);
    if (result == midi_error::kNoPipesSoundfont) {
        // The message says that the General MIDI voice plays instead.
        midiShowError(result, device.deviceType);
        const std::optional<unsigned> voice = deviceNamed(direction, kSynthesizerName);
        if (voice) result = platform_.open(direction, *voice, handle);
    }
    if (result != midi_error::kNone || handle == nullptr) {
        device.deviceId = midi_device::kNone;
        return reported(result != midi_error::kNone ? result : midi_error::kUnspecified, device);
    }
    device.handle = std::move(handle);
    return 0;
}

std::optional<unsigned> MidiDeviceLayer::deviceNamed(MidiDirection direction, std::string_view name) {
    for (unsigned id = 0; id < platform_.deviceCount(direction); ++id) {
        MidiCapabilities capabilities;
        if (platform_.capabilities(direction, id, capabilities) == midi_error::kNone && capabilities.name == name) {
            return id;
        }
    }
    return std::nullopt;
}

std::uint32_t MidiDeviceLayer::closeDevice(MidiDevice& device) {
    if (!device.isOpen() || device.locked != 0 || device.bufferState == MidiBufferState::Queued) return 0;
    const std::uint32_t result = device.handle->close();
    if (result != midi_error::kNone) return reported(result, device);
    device.handle.reset();
    return 0;
}

std::uint32_t MidiDeviceLayer::closeAsking(MidiDevice& device) {
    if (!device.isOpen()) return 0;
    if (device.bufferState == MidiBufferState::Queued) {
        const char* question = isOutput(device) ? "MIDI output still in use - abandon it?"
                                                : "MIDI input still in use - abandon it?";
        if (messages_.show(question, "MidiActivateDevice", MessageButtons::YesNo) == MessageAnswer::No) {
            return kMidiDeclined;
        }
        const std::uint32_t reset = device.handle->reset();
        if (reset != midi_error::kNone) return reported(reset, device);
        device.bufferState = MidiBufferState::None;
        const std::uint32_t released = midiAssignBuffer(device, nullptr, 0, false);
        if (released != 0) return released;
    }
    const std::uint32_t result = device.handle->close();
    if (result != midi_error::kNone) return reported(result, device);
    device.handle.reset();
    return 0;
}

std::uint32_t MidiDeviceLayer::midiSendShortMsg(MidiDevice& device, int status, int channel, int data1, int data2) {
    if (!playing_()) return kMidiLayerError;
    if (!isOutput(device)) {
        messages_.show("Must use a MIDI output device", "MidiSendShortMsg");
        return kMidiLayerError;
    }
    if (!device.isOpen()) {
        messages_.show("Must open MIDI output device first", "MidiSendShortMsg");
        return kMidiLayerError;
    }
    const std::uint32_t result = device.handle->sendShort(packShortMessage(status, channel, data1, data2));
    return result == midi_error::kNone ? 0 : reported(result, device);
}

std::uint32_t MidiDeviceLayer::sendOnOpenHandle(MidiDevice& device, std::uint32_t message) {
    if (!isOutput(device) || !device.isOpen()) return kMidiLayerError;
    return device.handle->sendShort(message);
}

std::uint32_t MidiDeviceLayer::midiAssignBuffer(MidiDevice& device, const std::uint8_t* data, std::size_t length,
                                                bool assign) {
    if (!directionOf(device.deviceType)) {
        log_.write("\r\nMidiAssignBuffer: uDeviceType bad");
        return kMidiLayerError;
    }
    if (!device.isOpen()) {
        if (!assign && device.bufferState == MidiBufferState::Refused) {
            if (isOutput(device)) device.bufferState = MidiBufferState::None;
            return 0;
        }
        messages_.show(isOutput(device) ? "Must open MIDI output device first" : "Must open MIDI input device first",
                       "MidiAssignBuffer");
        device.bufferState = MidiBufferState::Refused;
        return kMidiLayerError;
    }
    return assign ? assignOpen(device, data, length) : releaseOpen(device);
}

std::uint32_t MidiDeviceLayer::assignOpen(MidiDevice& device, const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length == 0) {
        messages_.show("Must specify a buffer and size", "MidiAssignBuffer");
        return kMidiLayerError;
    }
    device.buffer = {data, length, false, false};
    std::uint32_t result = device.handle->prepare(device.buffer);
    if (result == midi_error::kNone && !isOutput(device)) result = device.handle->addBuffer(device.buffer);
    if (result != midi_error::kNone) return reported(result, device);
    device.bufferState = MidiBufferState::Queued;
    return 0;
}

std::uint32_t MidiDeviceLayer::releaseOpen(MidiDevice& device) {
    if (!device.buffer.done) {
        const std::uint32_t reset = device.handle->reset();
        if (reset != midi_error::kNone) return reported(reset, device);
    }
    if (device.buffer.prepared) {
        const std::uint32_t result = device.handle->unprepare(device.buffer);
        if (result != midi_error::kNone) return reported(result, device);
    }
    device.buffer = {};
    device.bufferState = MidiBufferState::None;
    return 0;
}

bool MidiDeviceLayer::closeMidiDevices(MidiDevice* input, MidiDevice* output) {
    bool closed = true;
    for (MidiDevice* device : {input, output}) {
        if (device == nullptr || !device->isOpen()) continue;
        if (midiActivateDevice(*device, midi_device::kCloseAsking) == kMidiDeclined) closed = false;
    }
    return closed;
}

void MidiDeviceLayer::midiShowError(std::uint32_t code, std::uint32_t deviceType) {
    const std::optional<MidiDirection> direction = directionOf(deviceType);
    if (!direction) {
        log_.write("MidiShowError: Bad MIDI device type\r\n");
        return;
    }
    std::string text = midiErrorText(code).value_or(midiErrorText(midi_error::kBadErrorNumber).value_or(""));
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    messages_.show(text, *direction == MidiDirection::Input ? "MIDI Input Error" : "MIDI Output Error");
}

std::uint32_t MidiDeviceLayer::reported(std::uint32_t code, const MidiDevice& device) {
    midiShowError(code, device.deviceType);
    return code;
}

OutputDeviceList MidiDeviceLayer::enumerateOutputs() {
    countMidiDevices(&input_, &output_);
    OutputDeviceList list;
    const unsigned count = output_.deviceType == midi_device::kOutput ? platform_.deviceCount(MidiDirection::Output) : 0;
    std::optional<std::size_t> lastWithVolume;
    for (unsigned id = 0; id < count; ++id) {
        std::string name;
        std::uint32_t support = 0;
        if (midiInit(midi_device::kOutput, id, name, support) != 0) break;
        if ((support & kMidiSupportsVolume) != 0) lastWithVolume = id;
        list.names.push_back(name);
    }
    list.midiCount = list.names.size();
    // The pipes voice, where there is one, is what a piper expects to hear.
    const bool pipesFirst = !list.names.empty() && list.names.front() == kPipesVoiceName;
    list.initialSelection = pipesFirst ? 0 : lastWithVolume.value_or(0);
    list.names.emplace_back(kPcSpeakerName);
    listedOutputs_ = list.midiCount;
    return list;
}

bool MidiDeviceLayer::applySelection(std::optional<std::size_t> index, PlaybackOutput& output, bool hasPerformance,
                                     const std::function<void(PlaybackOutput)>& rebuild) {
    if (!index) return true;
    if (output == PlaybackOutput::Midi && isOutput(output_) &&
        midiActivateDevice(output_, midi_device::kCloseAsking) != 0) {
        return false;
    }
    if (*index < listedOutputs_) {
        if (output == PlaybackOutput::Speaker || !hasPerformance) {
            output = PlaybackOutput::Midi;
            output_.deviceId = midi_device::kNone;
            rebuild(output);
        }
        output_.deviceId = static_cast<std::uint32_t>(*index);
    } else if (output == PlaybackOutput::Midi || !hasPerformance) {
        output = PlaybackOutput::Speaker;
        rebuild(output);
    }
    return true;
}

}  // namespace skirlo
