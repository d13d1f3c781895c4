#pragma once
// The playback values the music view holds: what the tune's settings lines
// and the play options give, and the running musical state (tempo, beat,
// time signature) that tempo marks and time signatures change while a
// performance is built.

#include <array>
#include <cstdint>

#include "playback/MidiBytes.h"
#include "playback/NoteMap.h"
#include "playback/PipeTuning.h"

namespace skirlo {

struct TuneSettings;

enum class PlaybackOutput { Midi, Speaker };

struct GracenoteDurations {
    int plain = 20;
    // For the codes "1" "2" "3" "4" "5" "6" "7" "8" "9" "0" "~" "*", in this order.
    std::array<int, 12> coded{30, 50, 100, 200, 800, 1200, 250, 250, 250, 500, 200, 40};
};

struct PlaybackSettings {
    // Running state: the view starts at 90 bpm in quarter-note beats; the
    // time signature starts unknown and is kept from one build to the next.
    int tempo = 90;
    int variationTempo = 0;  // 0 = none
    double beatFactor = 0.25;
    int numerator = 0;
    int exponent = 0;

    GracenoteDurations gracenotes;
    int smoothFactorA = 60;  // percent of an embellishment taken from the note after it
    int smoothFactorB = 70;  // percent taken from the note before an under-previous mark
    int fermataPercent = 75;

    PlaybackOutput output = PlaybackOutput::Midi;
    NoteTable midiNotes{{54, 56, 58, 59, 61, 63, 64, 66, 68},
                        {56, 58, 60, 61, 63, 65, 66, 68, 70},
                        {55, 57, 59, 60, 62, 64, 65, 67, 69}};
    NoteTable frequencies{{370, 415, 466, 494, 554, 622, 659, 740, 831},
                          {415, 466, 523, 554, 622, 699, 740, 831, 932},
                          {392, 440, 494, 523, 587, 659, 699, 784, 880}};

    int droneInstrument = 71;
    int chanterInstrument = 71;
    int tenorDroneNote = 45;
    int bassDroneNote = 33;
    std::uint32_t droneIntroduction = 1000;
    int chanterVolume = midi::kStartChanterVolume;
    int tenorVolume = midi::kStartTenorVolume;
    int bassVolume = midi::kStartBassVolume;
    std::uint32_t timerResolution = 5;
    // The pipes voice's tuning, from the profile.
    PipeTuning pipes;
};

// Takes the tune file's playback values: note tables, instruments, drones,
// smoothing factors, gracenote durations and the tempo line's tempo.
void applyTuneSettings(const TuneSettings& tune, PlaybackSettings& settings);

}  // namespace skirlo
