#pragma once
// Turns the symbols of one bar into timed chanter notes: melody notes from
// their value, the beat and the tempo; embellishments from their playback
// data as short notes of fixed lengths; dots, tuplets and fermatas rescaling
// the notes before them; and the smooth-playing rules that take an
// embellishment's time out of a neighbouring note so the bar keeps its length.
// Time signatures, tempo marks and note changes update the running state.

#include <cstdint>
#include <string_view>
#include <vector>

#include "playback/NoteMap.h"
#include "playback/PerformanceEvent.h"
#include "playback/PlaybackSettings.h"

namespace skirlo {

struct Symbol;

// The events of one bar, with the bar's own copy of the note map (changed by
// the key signature and accidentals).
struct BarEvents {
    std::vector<PerformanceEvent> events;
    NoteMap map;
    bool codaSection = false;
};

// No smoothing or tuplet rule shortens a note below this.
inline constexpr std::uint32_t kShortestNote = 20;
// What the PC speaker plays for a rest: a tone nobody hears.
inline constexpr int kSilentFrequency = 30000;

class NoteEventGenerator {
public:
    // `viewMap` is the map built from the output's note table: note changes
    // look their values up there, not in the (already changed) bar map.
    NoteEventGenerator(PlaybackSettings& settings, const NoteMap& viewMap)
        : settings_(settings), viewMap_(viewMap) {}

    void applyTimeSignature(const Symbol& symbol);
    void applyTempoMark(const Symbol& symbol);
    void applyNoteChange(const Symbol& symbol, NoteMap& map) const;

    // Appends to or adjusts the bar's events for one symbol. `previous` is
    // the bar before (for the smoothing of a bar's first note), or null;
    // `segnoPass` is 2 on a dal segno replay.
    void generate(const Symbol& symbol, BarEvents& bar, const BarEvents* previous, int segnoPass);

    std::uint32_t gracenoteDuration(std::string_view code) const;

private:
    PerformanceEvent eventFor(const Symbol& symbol, int pitch, std::uint32_t duration, int segnoPass) const;
    int tempoFor(int segnoPass) const;
    void melody(const Symbol& symbol, BarEvents& bar, const BarEvents* previous, int segnoPass);
    void embellishment(const Symbol& symbol, BarEvents& bar, int segnoPass);
    void underPrevious(const Symbol& symbol, BarEvents& bar, int segnoPass);
    // Appends one event per pitch group; returns the sum of their durations.
    std::uint64_t appendGroups(const Symbol& symbol, BarEvents& bar, int segnoPass);
    void tuplet(BarEvents& bar, std::size_t count, int multiplier, int divisor);

    PlaybackSettings& settings_;
    const NoteMap& viewMap_;
};

}  // namespace skirlo
