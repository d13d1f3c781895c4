#include "playback/BeatClick.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace skirlo {

namespace {

// Beats in a bar of the event's time signature: 2 in 6/8 (dotted quarters),
// 3 in 3/4, never fewer than one.
int beatsPerBar(const PerformanceEvent& event) {
    if (event.beatFactor <= 0 || event.exponent < 0) return 1;
    const double wholes = double(event.numerator) / double(1 << event.exponent);
    return std::max(1, static_cast<int>(std::lround(wholes / event.beatFactor)));
}

// One bar's events: their start times and where the bar ends.
struct BarTimes {
    std::span<const std::uint64_t> starts;
    std::uint64_t end;
};

// A beat sounds with the note that starts on it: a gracenote's or a
// smoothing rule's few milliseconds move a note, and the click moves with it.
std::uint64_t onNote(double beat, const BarTimes& bar, double beatMs) {
    std::uint64_t best = static_cast<std::uint64_t>(std::llround(beat));
    double nearest = beatMs / 8;
    for (const std::uint64_t start : bar.starts) {
        if (const double distance = std::abs(double(start) - beat); distance <= nearest) {
            nearest = distance;
            best = start;
        }
    }
    return best;
}

void clickBar(const PerformanceEvent& first, bool opensPart, const BarTimes& bar, std::vector<BeatClick>& clicks) {
    const std::uint64_t from = bar.starts.front();
    if (first.tempo <= 0 || bar.end <= from) return;
    const int beats = beatsPerBar(first);
    const double beatMs = 60000.0 / first.tempo;
    const double length = double(bar.end - from);
    if (length >= (beats - 0.5) * beatMs) {
        // A full bar's beats share out its time, which a pause may have stretched.
        for (int k = 0; k < beats; ++k) clicks.push_back({onNote(double(from) + length * k / beats, bar, beatMs), k == 0});
        return;
    }
    if (opensPart) {
        const std::size_t before = clicks.size();
        for (int k = 1; double(bar.end) - k * beatMs >= double(from) - beatMs / 8; ++k) {
            clicks.push_back({std::max(from, onNote(double(bar.end) - k * beatMs, bar, beatMs)), false});
        }
        std::reverse(clicks.begin() + std::ptrdiff_t(before), clicks.end());
        return;
    }
    for (int k = 0; double(from) + k * beatMs < double(bar.end) - beatMs / 8; ++k) {
        clicks.push_back({onNote(double(from) + k * beatMs, bar, beatMs), k == 0});
    }
}

}  // namespace

std::vector<BeatClick> beatClicks(const std::vector<PerformanceEvent>& events, const std::vector<std::uint64_t>& starts,
                                  std::uint64_t end) {
    std::vector<BeatClick> clicks;
    std::size_t first = 0;
    while (first < events.size()) {
        std::size_t next = first + 1;
        while (next < events.size() && events[next].bar == BarMark::None) ++next;
        const BarTimes bar{std::span(starts).subspan(first, next - first), next < events.size() ? starts[next] : end};
        // Events before the first bar mark (a marked run from mid-bar) end a bar, like a pickup.
        clickBar(events[first], events[first].bar != BarMark::Bar, bar, clicks);
        first = next;
    }
    return clicks;
}

}  // namespace skirlo
