#pragma once
// The performance as ready-to-send short MIDI messages, each with the time
// to wait after sending it. The scheduler only walks this list; all musical
// decisions are made here, once per build.

#include <cstdint>
#include <optional>
#include <vector>

#include "playback/MidiBytes.h"
#include "playback/PerformanceEvent.h"

namespace skirlo {

struct MidiEvent {
    // Status byte in bits 0-7 (command and channel), data bytes in 8-15 and 16-23.
    std::uint32_t message = 0;
    // Milliseconds to wait after sending this message.
    std::uint32_t delay = 0;
    // Not owned; the symbol the view highlights while this message sounds.
    const Symbol* symbol = nullptr;
};

// What the platform's timer can do, in milliseconds.
struct TimerCapabilities {
    std::uint32_t periodMin = 0;
    std::uint32_t periodMax = 0;
};

// The shortest delay the scheduler can keep: the timer's finest period but
// never under 5 ms, or 5 ms where the platform tells nothing.
std::uint32_t timerResolution(std::optional<TimerCapabilities> capabilities);

// The practice tempo, in percent of the written tempo.
inline constexpr int kMinTempoPercent = 50;
inline constexpr int kMaxTempoPercent = 150;

struct MidiListSettings {
    int chanterInstrument = 71;
    int bassDroneNote = 33;
    int tenorDroneNote = 45;
    std::uint32_t timerResolution = 5;
    bool beatClick = false;  // the practice click on every beat
};

class MidiEventList {
public:
    // Packs (status | channel, data1, data2), each masked to a byte.
    const MidiEvent& append(std::uint32_t delay, int status, int channel, int data1, int data2,
                            const Symbol* symbol);

    // Replaces the list by the messages of the performance: the chanter's
    // program, each note (the new one starts before the old one is released,
    // so notes join without a gap), then the releases of the chanter and drones.
    // With the beat click, each beat's click is sent before the notes that
    // start with it; a click has no release (the sound is a short stroke).
    void build(const std::vector<PerformanceEvent>& performance, const MidiListSettings& settings);

    const std::vector<MidiEvent>& events() const { return events_; }

    // Plays the list at `percent` of its tempo (kMinTempoPercent to
    // kMaxTempoPercent): each message's time from the start is scaled by
    // 100 / percent and rounded, so rounding never accumulates.
    void scaleTempo(int percent);

private:
    void appendNote(const PerformanceEvent& event, bool first, int previous, const MidiListSettings& settings);
    // `starts[i]`: the index of the first message of performance event i.
    void addBeatClicks(const std::vector<PerformanceEvent>& performance, const std::vector<std::size_t>& starts);

    std::vector<MidiEvent> events_;
};

}  // namespace skirlo
