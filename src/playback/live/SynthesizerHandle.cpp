#include "playback/live/SynthesizerHandle.h"

#include "playback/live/Synthesizer.h"

namespace skirlo {

SynthesizerHandle::~SynthesizerHandle() { synthesizer_.stopAudio(); }

std::uint32_t SynthesizerHandle::sendShort(std::uint32_t message) {
    synthesizer_.send(message);
    return midi_error::kNone;
}

std::uint32_t SynthesizerHandle::reset() {
    synthesizer_.drop();
    synthesizer_.silence();
    return midi_error::kNone;
}

std::uint32_t SynthesizerHandle::prepare(MidiBufferHeader& header) {
    header.prepared = true;
    return midi_error::kNone;
}

std::uint32_t SynthesizerHandle::unprepare(MidiBufferHeader& header) {
    header.prepared = false;
    return midi_error::kNone;
}

std::uint32_t SynthesizerHandle::close() {
    synthesizer_.drop();
    synthesizer_.silence();
    synthesizer_.stopAudio();
    return midi_error::kNone;
}

TimedMidiOutput* SynthesizerHandle::timed() { return &synthesizer_; }

void SynthesizerHandle::tune(const KeyTunings& tunings) { synthesizer_.tune(tunings); }

std::uint32_t SynthesizerHandle::fallAwayMilliseconds() const { return synthesizer_.tailMilliseconds(); }

}  // namespace skirlo
