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

std::vector<PerformanceEvent> midiPerformanceEvents(const TuneDocument& document) {
    const DocumentPlayback& playback = document.playback();
    if (playback.settings.output == PlaybackOutput::Midi) return playback.performance.events();
    PlaybackSettings settings = playback.settings;
    settings.output = PlaybackOutput::Midi;
    const NoteMap noteMap = noteMapFor(settings);
    Performance performance;
    bool lacksTempoLine = false;  // the document's own build has written it already
    performance.build(document.tunes(), settings, noteMap, lacksTempoLine, [](int) {});
    return performance.events();
}

MidiFileOutcome writeDocumentMidiFile(const TuneDocument& document, const std::string& path, std::string* error,
                                      const std::optional<PipeTuning>& pipeTuning) {
    PlaybackSettings settings = document.playback().settings;
    settings.output = PlaybackOutput::Midi;
    return writeEvents(document, settings, midiPerformanceEvents(document), path, error, pipeTuning);
}

}  // namespace skirlo
