#pragma once
// An ALSA sequencer port played through a client of our own. Messages due
// now go out directly; messages sent ahead of time wait in a sequencer queue
// of the client's, stamped with their real time from begin(), and the kernel
// delivers them at that time on its own timer, whatever our threads do.

#include <alsa/asoundlib.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "playback/live/MidiPlatform.h"

namespace skirlo {

class DiagnosticLog;

// The sequencer address that ends a port's name in the port list ("Client:Port
// 20:0"); nullopt for a name that does not end in one.
std::optional<snd_seq_addr_t> portAddress(const std::string& name);

// The sequencer event for a packed short message, from `port` to whoever is
// connected to it, to go out at once; nullopt for a status that is no
// channel message.
std::optional<snd_seq_event_t> channelEvent(std::uint32_t message, int port);

// Stamps the event to leave `queue` `ms` milliseconds after the queue started.
void scheduleAt(snd_seq_event_t& event, int queue, std::uint32_t ms);

class AlsaSequencerOutput final : public MidiHandle, public TimedMidiOutput {
public:
    // Opens a client with one port connected to `destination` and a queue;
    // midi_error::kNoDriver without a sequencer, kBadDeviceId when the
    // destination cannot be connected.
    static std::uint32_t open(snd_seq_addr_t destination, DiagnosticLog& log, std::unique_ptr<MidiHandle>& out);
    ~AlsaSequencerOutput() override;
    AlsaSequencerOutput(const AlsaSequencerOutput&) = delete;
    AlsaSequencerOutput& operator=(const AlsaSequencerOutput&) = delete;

    std::uint32_t sendShort(std::uint32_t message) override;
    std::uint32_t reset() override;
    std::uint32_t prepare(MidiBufferHeader& header) override;
    std::uint32_t unprepare(MidiBufferHeader& header) override;
    // An output takes no buffers for incoming messages.
    std::uint32_t addBuffer(MidiBufferHeader&) override { return midi_error::kInvalidParameter; }
    // Drops the queue and releases every channel: an external synthesizer
    // would hold the drones for ever after the port is gone.
    std::uint32_t close() override;
    TimedMidiOutput* timed() override { return this; }

    std::uint32_t begin() override;
    std::uint32_t sendAt(std::uint32_t message, std::uint32_t ms) override;
    void drop() override;

private:
    AlsaSequencerOutput(snd_seq_t* sequencer, int port, int queue, DiagnosticLog& log);
    std::uint32_t output(snd_seq_event_t& event);
    std::uint32_t silenceAll();

    // The playback thread queues while the view's thread sends a volume.
    std::mutex mutex_;
    snd_seq_t* sequencer_;
    int port_;
    int queue_;
    DiagnosticLog& log_;
};

}  // namespace skirlo
