#include "playback/PlaybackSettings.h"

#include <algorithm>

#include "tunefile/TuneSettings.h"

namespace skirlo {

namespace {

// The settings line holds 9 flats, 9 sharps and 9 naturals.
NoteTable noteTable(const std::array<int, 27>& line) {
    NoteTable table;
    std::copy_n(line.begin(), 9, table.flat.begin());
    std::copy_n(line.begin() + 9, 9, table.sharp.begin());
    std::copy_n(line.begin() + 18, 9, table.natural.begin());
    return table;
}

}  // namespace

void applyTuneSettings(const TuneSettings& tune, PlaybackSettings& settings) {
    settings.midiNotes = noteTable(tune.midiNotes);
    settings.frequencies = noteTable(tune.frequencies);
    const InstrumentMapping& instruments = tune.instruments;
    settings.droneInstrument = instruments.droneInstrument;
    settings.chanterInstrument = instruments.chanterInstrument;
    settings.tenorDroneNote = instruments.tenorDroneNote;
    settings.bassDroneNote = instruments.bassDroneNote;
    settings.droneIntroduction = static_cast<std::uint32_t>(std::max(instruments.droneIntroduction, 0));
    settings.smoothFactorA = instruments.smoothFactorA;
    settings.smoothFactorB = instruments.smoothFactorB;
    // The line's order is none, '*', '1'..'9', '0', '~'.
    const std::array<int, 13>& line = tune.gracenoteDurations;
    settings.gracenotes.plain = line[0];
    std::copy(line.begin() + 2, line.end(), settings.gracenotes.coded.begin());
    settings.gracenotes.coded[11] = line[1];
    settings.tempo = tune.tempo;
}

}  // namespace skirlo
