#pragma once
// The standard MIDI file of a document's performance, as "Save As &Midi" and
// `skirlo-cli midi` write it: the same bytes from both.

#include <optional>
#include <string>
#include <vector>

#include "playback/PerformanceEvent.h"
#include "playback/PipeTuning.h"

namespace skirlo {

class TuneDocument;

enum class MidiFileOutcome { Written, EmptyTune, Failed };

// The document's performance with MIDI note numbers for pitches, whatever
// device it is set to play through: the performance itself when it plays
// MIDI, else the tree performed again aside (the PC speaker's performance
// holds frequencies). Every export is written from this, never from the
// device's choice.
std::vector<PerformanceEvent> midiPerformanceEvents(const TuneDocument& document);

// Writes the document's current performance (only the marked run, when
// symbols are marked) with the instruments, drones and volumes of its playback
// settings and the first tune's texts. A document set up for the PC speaker
// has frequencies for pitches, so its notes are performed again aside with
// MIDI note numbers; the document's own performance is left alone, which
// keeps this safe while it plays. Written through a temporary file: nothing
// is left at `path` unless the file is complete.
// A failed write gives its reason in `error`, when given. With `pipeTuning`,
// the file bends its notes and drones to that tuning (see MidiFileSettings).
MidiFileOutcome writeDocumentMidiFile(const TuneDocument& document, const std::string& path,
                                      std::string* error = nullptr,
                                      const std::optional<PipeTuning>& pipeTuning = std::nullopt);

}  // namespace skirlo
