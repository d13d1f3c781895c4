#pragma once
// Every MIDI byte the program sends or writes by name: the status of each
// message kind, the controllers it uses, and the channels of the chanter and
// the drones. The live list, the MIDI file, the scheduler and the devices
// all take them from here.

#include <cstdint>

namespace skirlo::midi {

// Status bytes, channel 0.
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kKeyPressure = 0xA0;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kChannelPressure = 0xD0;
inline constexpr std::uint8_t kPitchBend = 0xE0;

// Controllers.
inline constexpr std::uint8_t kDataEntry = 6;
inline constexpr std::uint8_t kVolumeController = 7;
inline constexpr std::uint8_t kDataEntryFine = 38;
inline constexpr std::uint8_t kPortamentoControl = 84;
inline constexpr std::uint8_t kRegisteredParameterFine = 100;
inline constexpr std::uint8_t kRegisteredParameter = 101;
inline constexpr std::uint8_t kAllNotesOffController = 123;

// A pitch bend that leaves the note where it is.
inline constexpr int kPitchBendCentre = 8192;

// The volume controller's values the sliders start at: the drones under
// the chanter, the bass under the tenor.
inline constexpr int kStartChanterVolume = 127;
inline constexpr int kStartTenorVolume = 77;
inline constexpr int kStartBassVolume = 38;

inline constexpr std::uint8_t kChanterChannel = 0;
inline constexpr std::uint8_t kBassDroneChannel = 1;
inline constexpr std::uint8_t kTenorDroneChannel = 2;

// The practice beat click: General MIDI's percussion channel, the high wood
// block on a bar's first beat and the low one on the others (the pipes voice
// plays its own click on that channel, louder on the first beat).
inline constexpr std::uint8_t kClickChannel = 9;
inline constexpr int kDownbeatClickKey = 76;
inline constexpr int kBeatClickKey = 77;
inline constexpr int kDownbeatClickVelocity = 127;
inline constexpr int kBeatClickVelocity = 90;

}  // namespace skirlo::midi
