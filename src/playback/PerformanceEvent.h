#pragma once
// One chanter note of a performance, with everything the players and the MIDI
// writer need to sound it without looking back at the tune.

#include <cstdint>
#include <string_view>

namespace skirlo {

struct Symbol;

struct PerformanceEvent {
    // A MIDI note number, or a frequency in Hz for the PC speaker.
    std::int32_t pitch = 0;
    // Milliseconds until the next event starts.
    std::uint32_t duration = 0;
    // The originating symbol's text ("gg" or "tg" for an inserted gracenote),
    // in the tree like `symbol`: a large file has hundreds of thousands of
    // events, and a copy of each name would be most of their memory.
    std::string_view name;
    std::int32_t numerator = 0;
    // log2 of the time signature's denominator.
    std::int32_t exponent = 0;
    // Fraction of a whole note that makes one beat.
    double beatFactor = 0.25;
    std::int32_t tempo = 0;
    // The originating symbol's time lines.
    std::uint16_t flags = 0;
    // Not owned; null for a gracenote the builder inserted.
    const Symbol* symbol = nullptr;
};

}  // namespace skirlo
