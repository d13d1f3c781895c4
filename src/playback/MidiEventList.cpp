#include "playback/MidiEventList.h"

#include <algorithm>

#include "playback/SymbolTraits.h"

namespace skirlo {

std::uint32_t timerResolution(std::optional<TimerCapabilities> capabilities) {
    constexpr std::uint32_t kFloor = 5;
    if (!capabilities) return kFloor;
    return std::min(std::max(capabilities->periodMin, kFloor), capabilities->periodMax);
}

const MidiEvent& MidiEventList::append(std::uint32_t delay, int status, int channel, int data1, int data2,
                                       const Symbol* symbol) {
    const std::uint32_t message = (static_cast<std::uint32_t>(status | channel) & 0xFF) |
                                  (static_cast<std::uint32_t>(data1) & 0xFF) << 8 |
                                  (static_cast<std::uint32_t>(data2) & 0xFF) << 16;
    return events_.emplace_back(MidiEvent{message, delay, symbol});
}

void MidiEventList::appendNote(const PerformanceEvent& event, bool first, int previous,
                               const MidiListSettings& settings) {
    using namespace midi;
    const std::uint32_t delay = std::max(event.duration, settings.timerResolution);
    const bool changes = !first && event.pitch != previous;
    // A tie holds a note only when it joins equal pitches; a tie target that
    // starts the list (a selection from the middle of a tie) is struck.
    const bool held = isTieTarget(event.symbol) && !first && event.pitch == previous;
    const int velocity = isRest(event.symbol) ? 0 : 127;
    if (changes) {
        // The new note starts before the old one is released, with no gap.
        append(0, kControlChange, kChanterChannel, kPortamentoControl, previous, nullptr);
        append(0, kNoteOn, kChanterChannel, event.pitch, velocity, nullptr);
        append(delay, kNoteOff, kChanterChannel, previous, 127, event.symbol);
        return;
    }
    if (event.pitch == previous && !held) append(0, kNoteOff, kChanterChannel, previous, 0, event.symbol);
    if (held) {
        // A message that changes nothing, only to carry the time of the held note.
        append(delay, kProgramChange, kChanterChannel, settings.chanterInstrument, 0, event.symbol);
    } else {
        append(delay, kNoteOn, kChanterChannel, event.pitch, velocity, event.symbol);
    }
}

void MidiEventList::scaleTempo(int percent) {
    if (percent == 100 || percent <= 0) return;
    std::uint64_t written = 0;
    std::uint64_t scaled = 0;
    for (MidiEvent& event : events_) {
        written += event.delay;
        const std::uint64_t next = (written * 100 + std::uint64_t(percent) / 2) / std::uint64_t(percent);
        event.delay = static_cast<std::uint32_t>(next - scaled);
        scaled = next;
    }
}

void MidiEventList::build(const std::vector<PerformanceEvent>& performance, const MidiListSettings& settings) {
    using namespace midi;
    events_.clear();
    // At most three messages a note and four around them: reserved at once,
    // the list of a large file is never held twice while it grows.
    events_.reserve(3 * performance.size() + 4);
    append(0, kProgramChange, kChanterChannel, settings.chanterInstrument, 0, nullptr);
    int previous = 0;
    for (std::size_t i = 0; i < performance.size(); ++i) {
        appendNote(performance[i], i == 0, previous, settings);
        previous = performance[i].pitch & 0xFF;
    }
    if (!performance.empty()) append(0, kNoteOff, kChanterChannel, previous, 0, nullptr);
    append(0, kNoteOff, kBassDroneChannel, settings.bassDroneNote, 0, nullptr);
    append(0, kNoteOff, kTenorDroneChannel, settings.tenorDroneNote, 0, nullptr);
}

}  // namespace skirlo
