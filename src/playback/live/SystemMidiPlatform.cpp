#include "playback/live/SystemMidiPlatform.h"

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include <mutex>

#include "playback/live/DiagnosticLog.h"
#include "playback/live/QuietAlsa.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SynthesizerHandle.h"

namespace skirlo {

namespace {

constexpr const char* kClientName = "Skirlo";

// Once an RtMidi object has an error callback it reports every error there
// instead of throwing; the callback records the error for the caller.
struct RtMidiErrors {
    DiagnosticLog* log = nullptr;
    bool failed = false;
    RtMidiError::Type type = RtMidiError::UNSPECIFIED;

    static void record(RtMidiError::Type type, const std::string& text, void* data) {
        auto* errors = static_cast<RtMidiErrors*>(data);
        errors->log->write("ALSA MIDI: " + text + "\n");
        if (type == RtMidiError::DEBUG_WARNING) return;
        errors->failed = true;
        errors->type = type;
    }
    // Whether the call since the last check went wrong; clears the record.
    bool takeFailure() {
        const bool was = failed;
        failed = false;
        return was;
    }
};

std::uint32_t codeFor(RtMidiError::Type type) {
    switch (type) {
        case RtMidiError::INVALID_DEVICE:
        case RtMidiError::INVALID_PARAMETER:
        case RtMidiError::NO_DEVICES_FOUND: return midi_error::kBadDeviceId;
        case RtMidiError::MEMORY_ERROR: return midi_error::kNoMemory;
        case RtMidiError::DRIVER_ERROR: return midi_error::kNoDriver;
        case RtMidiError::WARNING: return midi_error::kNotReady;
        default: return midi_error::kUnspecified;
    }
}

// An RtMidi object of either direction, made with the error callback.
template <typename Port>
std::unique_ptr<Port> makePort(RtMidiErrors& errors, std::uint32_t& code) {
    try {
        auto port = std::make_unique<Port>(RtMidi::LINUX_ALSA, kClientName);
        port->setErrorCallback(&RtMidiErrors::record, &errors);
        code = midi_error::kNone;
        return port;
    } catch (const RtMidiError& error) {
        errors.log->write("ALSA MIDI: " + error.getMessage() + "\n");
        code = codeFor(error.getType());
        return nullptr;
    }
}

// Whether the ALSA sequencer can be reached at all: without it RtMidi would
// print its failure before throwing it.
bool sequencerAvailable(DiagnosticLog& log) {
    const QuietAlsa quiet;
    snd_seq_t* sequencer = nullptr;
    const int result = snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (result >= 0) snd_seq_close(sequencer);
    if (result < 0) log.write(std::string("ALSA MIDI: no sequencer: ") + snd_strerror(result) + "\n");
    return result >= 0;
}

template <typename Port>
std::vector<std::string> portNames(DiagnosticLog& log) {
    if (!sequencerAvailable(log)) return {};
    RtMidiErrors errors{&log};
    std::uint32_t code = 0;
    const std::unique_ptr<Port> port = makePort<Port>(errors, code);
    std::vector<std::string> names;
    if (!port) return names;
    const unsigned count = port->getPortCount();
    for (unsigned i = 0; i < count; ++i) names.push_back(port->getPortName(i));
    return names;
}

std::size_t shortMessageLength(std::uint8_t status) {
    const std::uint8_t command = status & 0xF0;
    if (command == 0xC0 || command == 0xD0) return 2;
    return command >= 0x80 && command != 0xF0 ? 3 : 0;
}

class AlsaMidiHandle final : public MidiHandle {
public:
    AlsaMidiHandle(std::unique_ptr<RtMidiErrors> errors, std::unique_ptr<RtMidiOut> output,
                   std::unique_ptr<RtMidiIn> input)
        : errors_(std::move(errors)), output_(std::move(output)), input_(std::move(input)) {}

    // The playback thread sends the music while the view's thread may send a
    // volume change; RtMidi's encoder is not safe for that.
    std::uint32_t sendShort(std::uint32_t message) override {
        const std::lock_guard lock(mutex_);
        if (output_ == nullptr) return midi_error::kInvalidParameter;
        const std::size_t length = shortMessageLength(static_cast<std::uint8_t>(message));
        if (length == 0) return midi_error::kInvalidParameter;
        std::uint8_t bytes[3] = {static_cast<std::uint8_t>(message), static_cast<std::uint8_t>(message >> 8 & 0x7F),
                                 static_cast<std::uint8_t>(message >> 16 & 0x7F)};
        output_->sendMessage(bytes, length);
        return errors_->takeFailure() ? codeFor(errors_->type) : midi_error::kNone;
    }
    std::uint32_t reset() override {
        const std::lock_guard lock(mutex_);
        silenceAll();
        buffer_ = nullptr;
        return errors_->takeFailure() ? codeFor(errors_->type) : midi_error::kNone;
    }
    std::uint32_t prepare(MidiBufferHeader& header) override {
        header.prepared = true;
        return midi_error::kNone;
    }
    std::uint32_t unprepare(MidiBufferHeader& header) override {
        if (&header == buffer_ && !header.done) return midi_error::kStillPlaying;
        header.prepared = false;
        return midi_error::kNone;
    }
    std::uint32_t addBuffer(MidiBufferHeader& header) override {
        if (!header.prepared) return midi_error::kUnprepared;
        buffer_ = &header;
        return midi_error::kNone;
    }
    // Stop silences only the chanter's channel; an external synthesizer
    // would hold the drones for ever after the port is gone.
    std::uint32_t close() override {
        const std::lock_guard lock(mutex_);
        silenceAll();
        if (output_) output_->closePort();
        if (input_) input_->closePort();
        return errors_->takeFailure() ? codeFor(errors_->type) : midi_error::kNone;
    }

private:
    void silenceAll() {
        if (output_ == nullptr) return;
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            const std::uint8_t allNotesOff[3] = {static_cast<std::uint8_t>(0xB0 | channel), 123, 0};
            output_->sendMessage(allNotesOff, 3);
        }
    }

    std::mutex mutex_;
    std::unique_ptr<RtMidiErrors> errors_;
    std::unique_ptr<RtMidiOut> output_;
    std::unique_ptr<RtMidiIn> input_;
    // The input buffer queued for incoming long messages; the program never
    // reads input, so it stays queued until a reset gives it back.
    MidiBufferHeader* buffer_ = nullptr;
};

}  // namespace

SystemMidiPlatform::SystemMidiPlatform(DiagnosticLog& log) : log_(log), hasSoundfont_(findSoundfont().has_value()) {}

SystemMidiPlatform::~SystemMidiPlatform() = default;

bool SystemMidiPlatform::listsSynthesizer(MidiDirection direction) const {
    return direction == MidiDirection::Output && hasSoundfont_;
}

std::vector<std::string>& SystemMidiPlatform::ports(MidiDirection direction) {
    return direction == MidiDirection::Output ? outputPorts_ : inputPorts_;
}

unsigned SystemMidiPlatform::deviceCount(MidiDirection direction) {
    ports(direction) = direction == MidiDirection::Output ? portNames<RtMidiOut>(log_) : portNames<RtMidiIn>(log_);
    return static_cast<unsigned>(ports(direction).size()) + (listsSynthesizer(direction) ? 1U : 0U);
}

std::uint32_t SystemMidiPlatform::capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) {
    const bool synthesizer = listsSynthesizer(direction);
    if (synthesizer && id == 0) {
        out = {kSynthesizerName, kMidiSupportsVolume};
        return midi_error::kNone;
    }
    const unsigned port = id - (synthesizer ? 1U : 0U);
    if (port >= ports(direction).size()) return midi_error::kBadDeviceId;
    // Whether an ALSA port obeys channel volume cannot be known.
    out = {ports(direction)[port], 0};
    return midi_error::kNone;
}

std::uint32_t SystemMidiPlatform::open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) {
    const bool synthesizer = listsSynthesizer(direction);
    if (synthesizer && id == 0) {
        if (!synthesizer_) {
            const std::uint32_t created = Synthesizer::create(kLiveSampleRate, log_, synthesizer_);
            if (created != midi_error::kNone) return created;
        }
        const std::uint32_t started = synthesizer_->startAudio();
        if (started != midi_error::kNone) return started;
        out = std::make_unique<SynthesizerHandle>(*synthesizer_);
        return midi_error::kNone;
    }
    const unsigned port = id - (synthesizer ? 1U : 0U);
    if (!sequencerAvailable(log_)) return midi_error::kNoDriver;
    auto errors = std::make_unique<RtMidiErrors>(RtMidiErrors{&log_});
    std::uint32_t code = midi_error::kNone;
    std::unique_ptr<RtMidiOut> output;
    std::unique_ptr<RtMidiIn> input;
    if (direction == MidiDirection::Output) {
        output = makePort<RtMidiOut>(*errors, code);
    } else {
        input = makePort<RtMidiIn>(*errors, code);
    }
    RtMidi* midi = output ? static_cast<RtMidi*>(output.get()) : input.get();
    if (midi == nullptr) return code;
    if (port >= midi->getPortCount()) return midi_error::kBadDeviceId;
    midi->openPort(port, kClientName);
    if (errors->takeFailure()) return codeFor(errors->type);
    out = std::make_unique<AlsaMidiHandle>(std::move(errors), std::move(output), std::move(input));
    return midi_error::kNone;
}

}  // namespace skirlo
