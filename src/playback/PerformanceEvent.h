#pragma once
// One chanter note of a performance, with everything the players and the MIDI
// writer need to sound it without looking back at the tune.

#include <cstdint>
#include <string_view>

namespace skirlo {

struct Symbol;

// A bar's first event, and whether that bar opens a part (or a tune): a
// part's first bar may be a pickup, whose beats count back from its end.
enum class BarMark : std::uint8_t { None, Bar, Part };

// A large file has hundreds of thousands of events: the fields are ordered
// and sized so that one takes 48 bytes.
struct PerformanceEvent {
    // A MIDI note number, or a frequency in Hz for the PC speaker.
    std::int32_t pitch = 0;
    // Milliseconds until the next event starts.
    std::uint32_t duration = 0;
    std::int32_t numerator = 0;
    std::int32_t tempo = 0;
    // Fraction of a whole note that makes one beat: 3/16, 1/4, 3/8 or 1/2,
    // each exact in a float.
    float beatFactor = 0.25F;
    // The originating symbol's time lines.
    std::uint16_t flags = 0;
    // log2 of the time signature's denominator: 1 to 4.
    std::int8_t exponent = 0;
    // Set on the first event of a bar: where the beat click counts from.
    BarMark bar = BarMark::None;
    // The originating symbol's text ("gg" or "tg" for an inserted gracenote),
    // in the tree like `symbol`, not a copy of its own.
    std::string_view name;
    // Not owned; null for a gracenote the builder inserted.
    const Symbol* symbol = nullptr;
};

}  // namespace skirlo
