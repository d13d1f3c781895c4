#pragma once
// The few facts about a performance's symbols that the MIDI writers need,
// so that they do not depend on the whole notation model, and what the
// chanter does at each note: the live list and the MIDI file both follow it.

namespace skirlo {

struct Symbol;
struct PerformanceEvent;

// A rest sounds with velocity 0. Null is not a rest.
bool isRest(const Symbol* symbol);
// A note that a preceding tie joins to is held, not struck again.
bool isTieTarget(const Symbol* symbol);

// The chanter at one note of the performance, sounding `key` after
// `previous` (the key before, or whatever the writer starts from).
struct ChanterStep {
    // A new key: the new note starts before the old one is released, so
    // they join without a gap.
    bool changes = false;
    // A tie joining equal keys: nothing is struck, the note sounds on. A tie
    // target of a new key, or one that starts the music, is struck.
    bool held = false;
    // The same key again, not held: the old note is released first.
    bool restrikes = false;
    // A rest: struck with velocity 0.
    bool silent = false;
};
ChanterStep chanterStep(const PerformanceEvent& event, bool first, int key, int previous);

}  // namespace skirlo
