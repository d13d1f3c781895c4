#pragma once
// The machine's MIDI services: the pipes voice first (when its SoundFont is
// among the resources), the built-in synthesizer (when a General MIDI
// soundfont is installed; both obey channel volume), then the ALSA
// sequencer's ports as RtMidi lists them. Output ports are played through a
// sequencer client of our own with a queue (AlsaSequencerOutput). A machine
// without an ALSA sequencer simply has no ports.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "playback/live/MidiPlatform.h"

namespace skirlo {

class DiagnosticLog;
class Synthesizer;

class SystemMidiPlatform final : public MidiPlatform {
public:
    // `pipesSoundfont` empty: no pipes voice.
    explicit SystemMidiPlatform(DiagnosticLog& log, std::filesystem::path pipesSoundfont = {});
    ~SystemMidiPlatform() override;

    // Refreshes the list of ports of that direction.
    unsigned deviceCount(MidiDirection direction) override;
    std::uint32_t capabilities(MidiDirection direction, unsigned id, MidiCapabilities& out) override;
    std::uint32_t open(MidiDirection direction, unsigned id, std::unique_ptr<MidiHandle>& out) override;

private:
    // The built-in voices listed before the ports of that direction.
    std::vector<const char*> builtIns(MidiDirection direction) const;
    std::uint32_t openSynthesizer(bool pipes, std::unique_ptr<MidiHandle>& out);
    std::vector<std::string>& ports(MidiDirection direction);

    DiagnosticLog& log_;
    bool hasSoundfont_;
    std::filesystem::path pipesSoundfont_;
    // Loaded at the first open and kept: a soundfont takes a while to read.
    std::unique_ptr<Synthesizer> synthesizer_;
    std::unique_ptr<Synthesizer> pipes_;
    std::vector<std::string> inputPorts_;
    std::vector<std::string> outputPorts_;
};

}  // namespace skirlo
