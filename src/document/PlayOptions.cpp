#include "document/PlayOptions.h"

#include <array>
#include <string>

#include "document/TuneDocument.h"
#include "tunefile/Profile.h"

namespace skirlo {

namespace {

using Mapping = std::array<int, 27>;

constexpr int kOctave = 12;
constexpr int kNaturalLowG = 18;
// The user mapping's one departure from the tune defaults: a flatter low G.
constexpr int kUserNaturalLowGHz = 388;
constexpr int kUserTenorDrone = 57;
constexpr int kUserBassDrone = 45;

constexpr const char* kPitchNames[kChanterPitches] = {"LowG", "LowA", "B", "C", "D", "E", "F", "HighG", "HighA"};
// The settings' blocks of nine, in order: flats, sharps, naturals.
constexpr const char* kBlockPrefixes[3] = {"Flat", "Sharp", ""};

// Every pitch one semitone above the tune defaults.
constexpr Mapping kBFlatMidi = {55, 57, 59, 60, 62, 64, 65, 67, 69,  //
                                57, 59, 61, 62, 64, 66, 67, 69, 71,  //
                                56, 58, 60, 61, 63, 65, 66, 68, 70};
constexpr Mapping kBFlatHz = {392, 440, 494, 523, 587, 659, 699, 784, 880,  //
                              440, 494, 554, 587, 659, 740, 784, 880, 988,  //
                              415, 466, 523, 554, 622, 699, 740, 831, 932};

Mapping octaveUp(Mapping notes) {
    for (int& note : notes) note += kOctave;
    return notes;
}

Mapping userDefaultFrequencies() {
    Mapping frequencies = TuneSettings{}.frequencies;
    frequencies[kNaturalLowG] = kUserNaturalLowGHz;
    return frequencies;
}

}  // namespace

void applyPreset(NoteMappingPreset preset, TuneSettings& settings) {
    const TuneSettings defaults;
    switch (preset) {
        case NoteMappingPreset::LowAAtBFlat:
            settings.midiNotes = kBFlatMidi;
            settings.frequencies = kBFlatHz;
            settings.instruments.tenorDroneNote = 46;
            settings.instruments.bassDroneNote = 34;
            break;
        case NoteMappingPreset::LowAAtANatural:
            settings.midiNotes = defaults.midiNotes;
            settings.frequencies = defaults.frequencies;
            settings.instruments.tenorDroneNote = defaults.instruments.tenorDroneNote;
            settings.instruments.bassDroneNote = defaults.instruments.bassDroneNote;
            break;
        case NoteMappingPreset::HighlandPipes:
            // Low A on 69 (440 Hz) as the chanter sounds it; the tenor drone
            // an octave below, the bass drone two.
            settings.midiNotes = octaveUp(defaults.midiNotes);
            settings.frequencies = defaults.frequencies;
            settings.instruments.tenorDroneNote = 57;
            settings.instruments.bassDroneNote = 45;
            settings.instruments.chanterInstrument = kGeneralMidiBagpipe;
            settings.instruments.droneInstrument = kGeneralMidiBagpipe;
            break;
    }
}

std::string userMappingKey(int index, bool frequency) {
    return std::string(kBlockPrefixes[index / kChanterPitches]) + kPitchNames[index % kChanterPitches] +
           (frequency ? "Frequency" : "MIDI");
}

void loadUserMapping(const Profile& profile, TuneSettings& settings) {
    const Mapping defaultHz = userDefaultFrequencies();
    const Mapping defaultMidi = octaveUp(TuneSettings{}.midiNotes);
    for (int i = 0; i < 27; ++i) {
        settings.frequencies[i] = profile.getInt(kUserMappingSection, userMappingKey(i, true), defaultHz[i]);
        settings.midiNotes[i] = profile.getInt(kUserMappingSection, userMappingKey(i, false), defaultMidi[i]);
    }
    settings.instruments.tenorDroneNote = profile.getInt(kUserMappingSection, "TenorNat", kUserTenorDrone);
    settings.instruments.bassDroneNote = profile.getInt(kUserMappingSection, "BassNat", kUserBassDrone);
}

bool saveUserMapping(Profile& profile, const TuneSettings& settings) {
    bool written = true;
    for (int i = 0; i < 27; ++i) {
        written = profile.writeInt(kUserMappingSection, userMappingKey(i, true), settings.frequencies[i]) && written;
        written = profile.writeInt(kUserMappingSection, userMappingKey(i, false), settings.midiNotes[i]) && written;
    }
    written = profile.writeInt(kUserMappingSection, "TenorNat", settings.instruments.tenorDroneNote) && written;
    return profile.writeInt(kUserMappingSection, "BassNat", settings.instruments.bassDroneNote) && written;
}

void acceptPlayOptions(const TuneSettings& chosen, TuneDocument& document) {
    TuneSettings& settings = document.settings();
    settings.midiNotes = chosen.midiNotes;
    settings.frequencies = chosen.frequencies;
    settings.instruments = chosen.instruments;
    settings.gracenoteDurations = chosen.gracenoteDurations;
    if (document.hasTunes()) document.tunes().front()->header.tempo = chosen.tempo;
    TuneSettingsLines lines(document.script(), settings);
    lines.writeTuneTempo(chosen.tempo);
    lines.writeMidiNoteMappings();
    lines.writeFrequencyMappings();
    lines.writeInstrumentMappings();
    lines.writeGracenoteDurations();
}

}  // namespace skirlo
