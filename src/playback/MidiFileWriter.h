#pragma once
// The performance as a standard MIDI file, format 1: track 1 holds the
// chanter with the time signatures, the tempo and three texts, track 2 both
// drones. The division makes one tick one millisecond at the first note's
// tempo, so durations are written as delta times unchanged.
//
// The file is written block by block (one block per note's group of
// messages), and every block's write is checked, so a full disk is noticed
// where it happens.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playback/MidiBytes.h"
#include "playback/PerformanceEvent.h"
#include "playback/PipeTuning.h"

namespace skirlo {

struct MidiFileSettings {
    int chanterInstrument = 71;
    int droneInstrument = 71;
    int bassDroneNote = 33;
    int tenorDroneNote = 45;
    std::uint32_t droneIntroduction = 1000;
    int chanterVolume = midi::kStartChanterVolume;
    int bassVolume = midi::kStartBassVolume;
    int tenorVolume = midi::kStartTenorVolume;
    // The first tune's title, composer and footer texts.
    std::string title;
    std::string composer;
    std::string footer;
    // When set, the file sounds these key pitches on any General MIDI player:
    // each channel's bend range is set first (RPN 0), each chanter note is
    // preceded by the pitch bend that moves its key to its pitch, and the
    // tenor drone gets a channel of its own so each drone can be bent. Keys
    // tuned whole octaves away (the tune's low A key is an octave under the
    // chanter) are written that many octaves over, so the bends stay small.
    std::optional<KeyTunings> keys;
    int lowAKey = 57;  // the chanter key the tune plays low A on
};

// How a tuned file bends: the range in whole semitones (1 to 24) that reaches
// every key the performance and the drones use, after each channel's keys
// are moved by whole octaves.
struct MidiBends {
    int range = 2;
    int chanterOctaves = 0;
    int bassOctaves = 0;
    int tenorOctaves = 0;
};
MidiBends midiBends(const std::vector<PerformanceEvent>& performance, const MidiFileSettings& settings);
// The 14-bit pitch bend (8192 is none) that moves `key` by `cents` when the
// bend range is `range` semitones.
int pitchBend(double cents, int range);

// Where the writer puts its bytes. Each call reports how many bytes went out.
class MidiByteSink {
public:
    virtual ~MidiByteSink() = default;
    virtual std::size_t write(const std::uint8_t* data, std::size_t size) = 0;
    // Overwrites bytes already written at `offset` (the track length).
    virtual bool overwrite(std::size_t offset, const std::uint8_t* data, std::size_t size) = 0;
};

class MemoryByteSink final : public MidiByteSink {
public:
    std::size_t write(const std::uint8_t* data, std::size_t size) override;
    bool overwrite(std::size_t offset, const std::uint8_t* data, std::size_t size) override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Appends the standard variable-length quantity: seven bits a byte, most
// significant group first, the continuation bit on all bytes but the last.
// Values above the largest four-byte quantity are written as that.
inline constexpr std::uint32_t kMaxVariableLength = 0x0FFFFFFF;
void appendVariableLength(std::vector<std::uint8_t>& buffer, std::uint32_t value);

// Appends a delta and a short message packed as in MidiEvent (status in the
// low byte), without running status; program change and channel pressure
// carry one data byte.
void appendShortMessage(std::vector<std::uint8_t>& buffer, std::uint32_t message, std::uint32_t delta);

// Quarter notes per beat as the fraction numerator / denominator, for the
// beat factors that time signatures set (anything else counts as a quarter).
struct QuarterRatio {
    int numerator = 1;
    int denominator = 1;
};
QuarterRatio quarterRatio(double beatFactor);

// Writes the whole file into the sink; false on an empty performance or as
// soon as a write falls short.
bool writeMidi(MidiByteSink& sink, const std::vector<PerformanceEvent>& performance,
               const MidiFileSettings& settings);

// Writes the file at `path` through a temporary file in the same folder that
// is renamed into place, so a failure leaves no file (and an older file at
// `path` untouched). A link at `path` stays a link and the file keeps its
// permissions. On a failed write `error`, when given, gets the reason.
bool writeMidiFile(const std::string& path, const std::vector<PerformanceEvent>& performance,
                   const MidiFileSettings& settings, std::string* error = nullptr);

}  // namespace skirlo
