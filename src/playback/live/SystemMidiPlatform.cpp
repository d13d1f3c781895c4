#include "playback/live/SystemMidiPlatform.h"

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include <optional>

#include "playback/live/AlsaSequencerOutput.h"
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

// An input port. The program never reads MIDI input; the port is opened and
// closed as the device layer asks, and a buffer queued for incoming long
// messages stays queued until a reset gives it back.
class AlsaMidiInput final : public MidiHandle {
public:
    AlsaMidiInput(std::unique_ptr<RtMidiErrors> errors, std::unique_ptr<RtMidiIn> input)
        : errors_(std::move(errors)), input_(std::move(input)) {}

    std::uint32_t sendShort(std::uint32_t) override { return midi_error::kInvalidParameter; }
    std::uint32_t reset() override {
        buffer_ = nullptr;
        return midi_error::kNone;
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
    std::uint32_t close() override {
        input_->closePort();
        return errors_->takeFailure() ? codeFor(errors_->type) : midi_error::kNone;
    }

private:
    std::unique_ptr<RtMidiErrors> errors_;
    std::unique_ptr<RtMidiIn> input_;
    MidiBufferHeader* buffer_ = nullptr;
};

}  // namespace

SystemMidiPlatform::SystemMidiPlatform(DiagnosticLog& log, std::filesystem::path pipesSoundfont)
    : log_(log), hasSoundfont_(findSoundfont().has_value()) {
    std::error_code error;
    if (!pipesSoundfont.empty() && std::filesystem::is_regular_file(pipesSoundfont, error)) {
        pipesSoundfont_ = std::move(pipesSoundfont);
    }
}

SystemMidiPlatform::~SystemMidiPlatform() = default;

std::vector<const char*> SystemMidiPlatform::builtIns(MidiDirection direction) const {
    std::vector<const char*> names;
    if (direction != MidiDirection::Output) return names;
    if (!pipesSoundfont_.empty()) names.push_back(kPipesVoiceName);
    if (hasSoundfont_) names.push_back(kSynthesizerName);
    return names;
}

std::vector<std::string>& SystemMidiPlatform::ports(MidiDirection direction) {
    return direction == MidiDirection::Output ? outputPorts_ : inputPorts_;
}

unsigned SystemMidiPlatform::deviceCount(MidiDirection direction) {
    ports(direction) = direction == MidiDirection::Output ? portNames<RtMidiOut>(log_) : portNames<RtMidiIn>(log_);
    return static_cast<unsigned>(ports(direction).size() + builtIns(direction).size());
}

std::uint32_t SystemMidiPlatform::capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) {
    const std::vector<const char*> voices = builtIns(direction);
    if (id < voices.size()) {
        out = {voices[id], kMidiSupportsVolume};
        return midi_error::kNone;
    }
    const unsigned port = id - static_cast<unsigned>(voices.size());
    if (port >= ports(direction).size()) return midi_error::kBadDeviceId;
    // Whether an ALSA port obeys channel volume cannot be known.
    out = {ports(direction)[port], 0};
    return midi_error::kNone;
}

std::uint32_t SystemMidiPlatform::openSynthesizer(bool pipes, std::unique_ptr<MidiHandle>& out) {
    std::unique_ptr<Synthesizer>& synthesizer = pipes ? pipes_ : synthesizer_;
    if (!synthesizer) {
        const std::uint32_t created = pipes ? Synthesizer::createPipes(kLiveSampleRate, pipesSoundfont_, log_, synthesizer)
                                            : Synthesizer::create(kLiveSampleRate, log_, synthesizer);
        if (created != midi_error::kNone) return created;
    }
    const std::uint32_t started = synthesizer->startAudio();
    if (started != midi_error::kNone) return started;
    out = std::make_unique<SynthesizerHandle>(*synthesizer);
    return midi_error::kNone;
}

std::uint32_t SystemMidiPlatform::open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) {
    const std::vector<const char*> voices = builtIns(direction);
    if (id < voices.size()) return openSynthesizer(std::string_view(voices[id]) == kPipesVoiceName, out);
    const unsigned port = id - static_cast<unsigned>(voices.size());
    if (!sequencerAvailable(log_)) return midi_error::kNoDriver;
    if (direction == MidiDirection::Output) {
        // The port list names each port with its sequencer address last.
        const std::optional<snd_seq_addr_t> address =
            port < outputPorts_.size() ? portAddress(outputPorts_[port]) : std::nullopt;
        if (!address) return midi_error::kBadDeviceId;
        return AlsaSequencerOutput::open(*address, log_, out);
    }
    auto errors = std::make_unique<RtMidiErrors>(RtMidiErrors{&log_});
    std::uint32_t code = midi_error::kNone;
    std::unique_ptr<RtMidiIn> input = makePort<RtMidiIn>(*errors, code);
    if (input == nullptr) return code;
    if (port >= input->getPortCount()) return midi_error::kBadDeviceId;
    input->openPort(port, kClientName);
    if (errors->takeFailure()) return codeFor(errors->type);
    out = std::make_unique<AlsaMidiInput>(std::move(errors), std::move(input));
    return midi_error::kNone;
}

}  // namespace skirlo
