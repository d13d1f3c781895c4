#include "playback/live/AlsaSequencerOutput.h"

#include <charconv>

#include "playback/MidiBytes.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/QuietAlsa.h"

namespace skirlo {

namespace {

constexpr const char* kClientName = "Skirlo";
constexpr int kChannels = 16;

std::uint32_t codeFor(int result) { return result == -ENOMEM ? midi_error::kNoMemory : midi_error::kNotReady; }

int byteAt(std::uint32_t message, int shift) { return static_cast<int>((message >> shift) & 0x7F); }

std::optional<int> numberIn(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<snd_seq_addr_t> portAddress(const std::string& name) {
    const std::size_t space = name.rfind(' ');
    const std::string_view address = std::string_view(name).substr(space == std::string::npos ? 0 : space + 1);
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::optional<int> client = numberIn(address.substr(0, colon));
    const std::optional<int> port = numberIn(address.substr(colon + 1));
    if (!client || !port || *client > 255 || *port > 255) return std::nullopt;
    return snd_seq_addr_t{static_cast<unsigned char>(*client), static_cast<unsigned char>(*port)};
}

std::optional<snd_seq_event_t> channelEvent(std::uint32_t message, int port) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const int channel = static_cast<int>(message & 0x0F);
    const int data1 = byteAt(message, 8);
    const int data2 = byteAt(message, 16);
    switch (message & 0xF0) {
        case midi::kNoteOff: snd_seq_ev_set_noteoff(&event, channel, data1, data2); break;
        case midi::kNoteOn: snd_seq_ev_set_noteon(&event, channel, data1, data2); break;
        case midi::kKeyPressure: snd_seq_ev_set_keypress(&event, channel, data1, data2); break;
        case midi::kControlChange: snd_seq_ev_set_controller(&event, channel, data1, data2); break;
        case midi::kProgramChange: snd_seq_ev_set_pgmchange(&event, channel, data1); break;
        case midi::kChannelPressure: snd_seq_ev_set_chanpress(&event, channel, data1); break;
        case midi::kPitchBend: snd_seq_ev_set_pitchbend(&event, channel, (data1 | data2 << 7) - midi::kPitchBendCentre); break;
        default: return std::nullopt;
    }
    return event;
}

void scheduleAt(snd_seq_event_t& event, int queue, std::uint32_t ms) {
    snd_seq_real_time_t time{ms / 1000, ms % 1000 * 1000000};
    snd_seq_ev_schedule_real(&event, queue, 0, &time);
}

std::uint32_t AlsaSequencerOutput::open(snd_seq_addr_t destination, DiagnosticLog& log,
                                        std::unique_ptr<MidiHandle>& out) {
    const QuietAlsa quiet;
    snd_seq_t* sequencer = nullptr;
    int result = snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, 0);
    if (result < 0) {
        log.write(std::string("ALSA MIDI: no sequencer: ") + snd_strerror(result) + "\n");
        return midi_error::kNoDriver;
    }
    snd_seq_set_client_name(sequencer, kClientName);
    const int port = snd_seq_create_simple_port(sequencer, kClientName, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    const int queue = port < 0 ? port : snd_seq_alloc_named_queue(sequencer, kClientName);
    result = queue < 0 ? queue : snd_seq_connect_to(sequencer, port, destination.client, destination.port);
    if (result < 0) {
        log.write(std::string("ALSA MIDI: cannot connect to the port: ") + snd_strerror(result) + "\n");
        snd_seq_close(sequencer);
        return queue < 0 ? codeFor(queue) : midi_error::kBadDeviceId;
    }
    out.reset(new AlsaSequencerOutput(sequencer, port, queue, log));
    return midi_error::kNone;
}

AlsaSequencerOutput::AlsaSequencerOutput(snd_seq_t* sequencer, int port, int queue, DiagnosticLog& log)
    : sequencer_(sequencer), port_(port), queue_(queue), log_(log) {}

// Closing the client frees its port and queue with it.
AlsaSequencerOutput::~AlsaSequencerOutput() { snd_seq_close(sequencer_); }

std::uint32_t AlsaSequencerOutput::output(snd_seq_event_t& event) {
    const int result = snd_seq_event_output_direct(sequencer_, &event);
    if (result >= 0) return midi_error::kNone;
    log_.write(std::string("ALSA MIDI: ") + snd_strerror(result) + "\n");
    return codeFor(result);
}

std::uint32_t AlsaSequencerOutput::sendShort(std::uint32_t message) {
    std::optional<snd_seq_event_t> event = channelEvent(message, port_);
    if (!event) return midi_error::kInvalidParameter;
    const std::lock_guard lock(mutex_);
    return output(*event);
}

std::uint32_t AlsaSequencerOutput::silenceAll() {
    std::uint32_t code = midi_error::kNone;
    for (int channel = 0; channel < kChannels; ++channel) {
        snd_seq_event_t event = *channelEvent(midi::kControlChange | channel | midi::kAllNotesOffController << 8, port_);
        if (const std::uint32_t sent = output(event); sent != midi_error::kNone) code = sent;
    }
    return code;
}

std::uint32_t AlsaSequencerOutput::reset() {
    drop();
    const std::lock_guard lock(mutex_);
    return silenceAll();
}

std::uint32_t AlsaSequencerOutput::prepare(MidiBufferHeader& header) {
    header.prepared = true;
    return midi_error::kNone;
}

std::uint32_t AlsaSequencerOutput::unprepare(MidiBufferHeader& header) {
    header.prepared = false;
    return midi_error::kNone;
}

std::uint32_t AlsaSequencerOutput::close() {
    drop();
    const std::lock_guard lock(mutex_);
    const std::uint32_t code = silenceAll();
    snd_seq_stop_queue(sequencer_, queue_, nullptr);
    snd_seq_drain_output(sequencer_);
    return code;
}

// Starting a queue sets its time to zero.
std::uint32_t AlsaSequencerOutput::begin() {
    const std::lock_guard lock(mutex_);
    int result = snd_seq_start_queue(sequencer_, queue_, nullptr);
    if (result >= 0) result = snd_seq_drain_output(sequencer_);
    return result < 0 ? codeFor(result) : midi_error::kNone;
}

std::uint32_t AlsaSequencerOutput::sendAt(std::uint32_t message, std::uint32_t ms) {
    std::optional<snd_seq_event_t> event = channelEvent(message, port_);
    if (!event) return midi_error::kInvalidParameter;
    scheduleAt(*event, queue_, ms);
    const std::lock_guard lock(mutex_);
    return output(*event);
}

// Both what waits in our buffer and what waits in the kernel's queue.
void AlsaSequencerOutput::drop() {
    const std::lock_guard lock(mutex_);
    snd_seq_drop_output(sequencer_);
}

}  // namespace skirlo
