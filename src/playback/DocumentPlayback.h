#pragma once
// The playback of an opened document as the music view sets it up: the
// tune file's settings and the play options of the profile, the note map of
// the chosen output, the performance, and for MIDI the event list. The first
// build of a file without a tempo line writes one into its text.

#include <memory>
#include <vector>

#include "playback/MidiEventList.h"
#include "playback/MidiFileWriter.h"
#include "playback/PerformanceBuilder.h"
#include "playback/PlaybackSettings.h"
#include "tunefile/TextRepairs.h"

namespace skirlo {

class Profile;
class ScriptText;
struct TuneSettings;

struct DocumentPlayback {
    PlaybackSettings settings;
    NoteMap noteMap;
    Performance performance;
    MidiEventList midiEvents;  // built only for MIDI output
    // The practice tempo, a percent of the written one (kMinTempoPercent to
    // kMaxTempoPercent); the event list is built at it. Never stored in the tune.
    int tempoPercent = 100;
    // The practice beat click, sent with the event list. Never stored either.
    bool beatClick = false;
};

// Whether the MIDI event list is built with the performance. Only the live
// players send it; a file is written from the performance, and the list of
// a large file is as big again as the performance.
enum class SendList { Build, Skip };

// The profile's pause (fermata) length: the percentage a pause adds to its note.
int pausePercentOf(const Profile& profile);

// Builds the note map, the performance and (for MIDI, unless skipped) the
// event list. False while the performance is playing: nothing is rebuilt then.
// A file without a tempo line plays at its first tune's tempo either way;
// only TextRepairs::Mend writes the line.
bool buildDocumentPlayback(const std::vector<std::unique_ptr<Tune>>& tunes, ScriptText& script,
                           TuneSettings& tuneSettings, const Profile& profile, PlaybackOutput output,
                           DocumentPlayback& playback, SendList sendList = SendList::Build,
                           TextRepairs repairs = TextRepairs::Mend);

// Writes the tempo line that building the performance writes into a file
// without one (the first tune's tempo), for a command that writes the text
// and needs no performance.
void writeMissingTempoLine(const std::vector<std::unique_ptr<Tune>>& tunes, ScriptText& script,
                           TuneSettings& tuneSettings);

MidiListSettings midiListSettings(const PlaybackSettings& settings);

// Builds the MIDI event list from the performance with the practice
// controls: the beat click and the practice tempo.
void buildEventList(DocumentPlayback& playback);

// The MIDI file's values: the instruments, drones and volumes of the
// settings, and the title, composer and footer of the first tune.
MidiFileSettings midiFileSettings(const PlaybackSettings& settings, const Tune* firstTune);

}  // namespace skirlo
