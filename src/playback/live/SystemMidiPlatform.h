#pragma once
// The machine's MIDI services: the built-in synthesizer first (when a
// soundfont is installed; it obeys channel volume), then the ALSA
// sequencer's ports as RtMidi lists them. Output ports are played through a
// sequencer client of our own with a queue (AlsaSequencerOutput). A machine
// without an ALSA sequencer simply has no ports.

#include <memory>
#include <string>
#include <vector>

#include "playback/live/MidiPlatform.h"

namespace skirlo {

class DiagnosticLog;
class Synthesizer;

class SystemMidiPlatform final : public MidiPlatform {
public:
    explicit SystemMidiPlatform(DiagnosticLog& log);
    ~SystemMidiPlatform() override;

    // Refreshes the list of ports of that direction.
    unsigned deviceCount(MidiDirection direction) override;
    std::uint32_t capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) override;
    std::uint32_t open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) override;

private:
    bool listsSynthesizer(MidiDirection direction) const;
    std::vector<std::string>& ports(MidiDirection direction);

    DiagnosticLog& log_;
    bool hasSoundfont_;
    // Loaded at the first open and kept: a soundfont takes a while to read.
    std::unique_ptr<Synthesizer> synthesizer_;
    std::vector<std::string> inputPorts_;
    std::vector<std::string> outputPorts_;
};

}  // namespace skirlo
