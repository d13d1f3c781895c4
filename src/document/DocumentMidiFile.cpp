#include "document/DocumentMidiFile.h"

#include "document/TuneDocument.h"
#include "playback/DocumentPlayback.h"
#include "playback/MidiFileWriter.h"
#include "playback/PerformanceBuilder.h"

namespace skirlo {

namespace {

MidiFileOutcome writeEvents(const TuneDocument& document, const PlaybackSettings& settings,
                            const std::vector<PerformanceEvent>& events, const std::string& path, std::string* error,
                            const std::optional<PipeTuning>& pipeTuning) {
    if (events.empty()) return MidiFileOutcome::EmptyTune;
    const Tune* firstTune = document.tunes().empty() ? nullptr : document.tunes().front().get();
    MidiFileSettings file = midiFileSettings(settings, firstTune);
    if (pipeTuning) {
        file.lowAKey = settings.midiNotes.natural[1];
        file.keys = keyTunings(*pipeTuning, file.lowAKey, settings.bassDroneNote, settings.tenorDroneNote);
    }
    return writeMidiFile(path, events, file, error) ? MidiFileOutcome::Written : MidiFileOutcome::Failed;
}

}  // namespace

MidiFileOutcome writeDocumentMidiFile(const TuneDocument& document, const std::string& path, std::string* error,
                                      const std::optional<PipeTuning>& pipeTuning) {
    const DocumentPlayback& playback = document.playback();
    if (playback.settings.output == PlaybackOutput::Midi) {
        return writeEvents(document, playback.settings, playback.performance.events(), path, error, pipeTuning);
    }
    PlaybackSettings settings = playback.settings;
    settings.output = PlaybackOutput::Midi;
    const NoteMap noteMap = noteMapFor(settings);
    Performance performance;
    bool lacksTempoLine = false;  // the document's own build has written it already
    performance.build(document.tunes(), settings, noteMap, lacksTempoLine, [](int) {});
    return writeEvents(document, settings, performance.events(), path, error, pipeTuning);
}

}  // namespace skirlo
