#pragma once
// What the play options edit, without widgets: the note-mapping presets, the
// user's own mapping kept in the profile, and accepting the choice into a
// document (its settings, the first tune's tempo and the settings lines).

#include "tunefile/TuneSettings.h"

namespace skirlo {

class Profile;
class TuneDocument;

// The mappings offered beside the "Set" buttons. Highland Pipes is our own:
// the General MIDI bagpipe on chanter and drones, the chanter at its real
// pitch and the drones one and two octaves below low A.
enum class NoteMappingPreset { LowAAtBFlat, LowAAtANatural, HighlandPipes };

inline constexpr const char* kUserMappingSection = "User Defined PlayOptions";
inline constexpr int kUserMappingKeyCount = 56;
// General MIDI program 110, counted from 0 as the instrument mapping counts.
inline constexpr int kGeneralMidiBagpipe = 109;

// Sets the 27 MIDI notes, the 27 frequencies and both drone notes of the
// preset; Highland Pipes also sets both instruments.
void applyPreset(NoteMappingPreset preset, TuneSettings& settings);

// The profile key of one of the 27 mapping values ("FlatLowAFrequency",
// "HighGMIDI"), `index` in the settings' order: flats, sharps, naturals.
std::string userMappingKey(int index, bool frequency);
// Reads the user mapping (27 frequencies, 27 MIDI notes, tenor and bass
// drone notes); missing keys give the documented defaults.
void loadUserMapping(const Profile& profile, TuneSettings& settings);
// Writes all 56 keys; false when the profile could not be written.
bool saveUserMapping(Profile& profile, const TuneSettings& settings);

// Accepting the dialog: takes every value the dialog edits from `chosen`,
// gives the first tune the chosen tempo and writes the lines TuneTempo,
// MIDINoteMappings, FrequencyMappings, InstrumentMappings and
// GracenoteDurations in that order. The caller groups the edits into one
// undo step and rebuilds the performance.
void acceptPlayOptions(const TuneSettings& chosen, TuneDocument& document);

}  // namespace skirlo
