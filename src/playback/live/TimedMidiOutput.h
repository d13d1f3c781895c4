#pragma once
// A MIDI output with a clock of its own: messages handed over a little ahead
// of their time sound at that time on the output's clock, however late the
// thread that hands them over wakes. The built-in synthesizer counts time in
// the frames it renders; an ALSA port in the ticks of a sequencer queue.

#include <cstdint>

namespace skirlo {

class TimedMidiOutput {
public:
    virtual ~TimedMidiOutput() = default;
    // Starts a performance: its millisecond 0 is now on the output's clock.
    virtual std::uint32_t begin() = 0;
    // Queues the packed short message to sound `ms` milliseconds after begin().
    virtual std::uint32_t sendAt(std::uint32_t message, std::uint32_t ms) = 0;
    // Forgets every message still queued; what already sounds goes on sounding.
    virtual void drop() = 0;
};

}  // namespace skirlo
