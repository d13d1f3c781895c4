#include "playback/MidiEventList.h"

#include <algorithm>

#include "playback/BeatClick.h"
#include "playback/SymbolTraits.h"

namespace skirlo {

std::uint32_t timerResolution(std::optional<TimerCapabilities> capabilities) {
    constexpr std::uint32_t kFloor = 5;
    if (!capabilities) return kFloor;
    return std::min(std::max(capabilities->periodMin, kFloor), capabilities->periodMax);
}

namespace {

std::uint32_t pack(int status, int channel, int data1, int data2) {
    return (static_cast<std::uint32_t>(status | channel) & 0xFF) | (static_cast<std::uint32_t>(data1) & 0xFF) << 8 |
           (static_cast<std::uint32_t>(data2) & 0xFF) << 16;
}

}  // namespace

const MidiEvent& MidiEventList::append(std::uint32_t delay, int status, int channel, int data1, int data2,
                                       const Symbol* symbol) {
    return events_.emplace_back(MidiEvent{pack(status, channel, data1, data2), delay, symbol});
}

void MidiEventList::appendNote(const PerformanceEvent& event, bool first, int previous,
                               const MidiListSettings& settings) {
    using namespace midi;
    const std::uint32_t delay = std::max(event.duration, settings.timerResolution);
    const ChanterStep step = chanterStep(event, first, event.pitch, previous);
    const int velocity = step.silent ? 0 : 127;
    if (step.changes) {
        // The new note starts before the old one is released, with no gap.
        append(0, kControlChange, kChanterChannel, kPortamentoControl, previous, nullptr);
        append(0, kNoteOn, kChanterChannel, event.pitch, velocity, nullptr);
        append(delay, kNoteOff, kChanterChannel, previous, 127, event.symbol);
        return;
    }
    if (step.restrikes) append(0, kNoteOff, kChanterChannel, previous, 0, event.symbol);
    if (step.held) {
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
    std::vector<std::size_t> starts;
    if (settings.beatClick) starts.reserve(performance.size());
    for (std::size_t i = 0; i < performance.size(); ++i) {
        if (settings.beatClick) starts.push_back(events_.size());
        appendNote(performance[i], i == 0, previous, settings);
        previous = performance[i].pitch & 0xFF;
    }
    if (!performance.empty()) append(0, kNoteOff, kChanterChannel, previous, 0, nullptr);
    append(0, kNoteOff, kBassDroneChannel, settings.bassDroneNote, 0, nullptr);
    append(0, kNoteOff, kTenorDroneChannel, settings.tenorDroneNote, 0, nullptr);
    if (settings.beatClick) addBeatClicks(performance, starts);
}

void MidiEventList::addBeatClicks(const std::vector<PerformanceEvent>& performance,
                                  const std::vector<std::size_t>& starts) {
    using namespace midi;
    // Each message's time from the start; a message sounds at the sum of the delays before it.
    std::vector<std::uint64_t> at(events_.size() + 1, 0);
    for (std::size_t i = 0; i < events_.size(); ++i) at[i + 1] = at[i] + events_[i].delay;
    std::vector<std::uint64_t> noteStarts(starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) noteStarts[i] = at[starts[i]];
    const std::vector<BeatClick> clicks = beatClicks(performance, noteStarts, at.back());

    std::vector<MidiEvent> merged;
    merged.reserve(events_.size() + clicks.size());
    std::uint64_t sentAt = 0;  // the time of the last message in `merged`
    std::size_t next = 0;
    const auto place = [&](MidiEvent event, std::uint64_t time) {
        if (!merged.empty()) merged.back().delay = static_cast<std::uint32_t>(time - sentAt);
        sentAt = time;
        merged.push_back(event);
    };
    for (std::size_t i = 0; i < events_.size(); ++i) {
        for (; next < clicks.size() && clicks[next].ms <= at[i] && clicks[next].ms < at.back(); ++next) {
            const bool downbeat = clicks[next].downbeat;
            const std::uint32_t message =
                pack(kNoteOn, kClickChannel, downbeat ? kDownbeatClickKey : kBeatClickKey,
                                 downbeat ? kDownbeatClickVelocity : kBeatClickVelocity);
            place({message, 0, nullptr}, clicks[next].ms);
        }
        place(events_[i], at[i]);
    }
    merged.back().delay = events_.back().delay;
    events_ = std::move(merged);
}

}  // namespace skirlo
