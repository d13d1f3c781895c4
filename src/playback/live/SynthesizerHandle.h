#pragma once
// The built-in synthesizer as an open MIDI output: short messages sound at
// once, messages sent ahead of time wait on its sample clock, and closing
// drops what waits, silences it and stops its audio output.

#include "playback/live/MidiPlatform.h"

namespace skirlo {

class Synthesizer;

class SynthesizerHandle final : public MidiHandle {
public:
    // The synthesizer's audio output is already started; it outlives the handle.
    explicit SynthesizerHandle(Synthesizer& synthesizer) : synthesizer_(synthesizer) {}
    ~SynthesizerHandle() override;

    std::uint32_t sendShort(std::uint32_t message) override;
    std::uint32_t reset() override;
    std::uint32_t prepare(MidiBufferHeader& header) override;
    std::uint32_t unprepare(MidiBufferHeader& header) override;
    // The synthesizer takes no long messages.
    std::uint32_t addBuffer(MidiBufferHeader&) override { return midi_error::kInvalidParameter; }
    std::uint32_t close() override;
    TimedMidiOutput* timed() override;
    void tune(const KeyTunings& tunings) override;
    std::uint32_t fallAwayMilliseconds() const override;

private:
    Synthesizer& synthesizer_;
};

}  // namespace skirlo
