#pragma once
// Builds the performance of hand-made tunes and reads back what the tests
// compare: durations, note letters, names.

#include <memory>
#include <string>
#include <vector>

#include "TreeMaker.h"
#include "playback/PerformanceBuilder.h"

namespace skirlo::test {

// The tunes stay alive with the events that point into them.
struct Played {
    std::vector<std::unique_ptr<Tune>> tunes;
    std::vector<PerformanceEvent> events;
    PlaybackSettings settings;
};

inline Played perform(std::vector<std::unique_ptr<Tune>> tunes, PlaybackSettings settings = {}) {
    Performance performance;
    bool lacksTempoLine = false;
    const NoteMap map = noteMapFor(settings);
    performance.build(tunes, settings, map, lacksTempoLine, {});
    return {std::move(tunes), performance.events(), settings};
}

inline Played perform(TreeMaker& maker, PlaybackSettings settings = {}) {
    std::vector<std::unique_ptr<Tune>> tunes;
    tunes.push_back(maker.take());
    return perform(std::move(tunes), settings);
}

inline std::vector<std::uint32_t> durations(const std::vector<PerformanceEvent>& events) {
    std::vector<std::uint32_t> out;
    for (const auto& e : events) out.push_back(e.duration);
    return out;
}

inline std::vector<int> pitches(const std::vector<PerformanceEvent>& events) {
    std::vector<int> out;
    for (const auto& e : events) out.push_back(e.pitch);
    return out;
}

// The default MIDI note map's letters, for readable expectations.
inline std::string letters(const std::vector<PerformanceEvent>& events) {
    std::string out;
    for (const auto& e : events) {
        switch (e.pitch) {
            case 55: out += 'g'; break;
            case 57: out += 'a'; break;
            case 59: out += 'b'; break;
            case 60: out += 'c'; break;
            case 62: out += 'd'; break;
            case 64: out += 'e'; break;
            case 65: out += 'f'; break;
            case 67: out += 'G'; break;
            case 69: out += 'A'; break;
            default: out += '?'; break;
        }
    }
    return out;
}

}  // namespace skirlo::test
