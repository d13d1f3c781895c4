#pragma once
// The practice beat click: where the beats of a performance fall, counted as
// the event list sends its notes. A full bar's beats divide the bar's time
// evenly, so they keep up with a pause that stretches the bar; a part's short
// first bar (a pickup) counts its beats back from the next bar line; another
// short bar counts from its own start. A beat within an eighth of a beat of a
// note's start sounds with that note.

#include <cstdint>
#include <vector>

#include "playback/PerformanceEvent.h"

namespace skirlo {

struct BeatClick {
    std::uint64_t ms = 0;  // from the start of the list
    bool downbeat = false;  // the first beat of a bar
};

// `starts[i]` is when event i starts and `end` when the last one ends.
std::vector<BeatClick> beatClicks(const std::vector<PerformanceEvent>& events, const std::vector<std::uint64_t>& starts,
                                  std::uint64_t end);

}  // namespace skirlo
