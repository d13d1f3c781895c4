#pragma once
// The options of the commands that sound a tune (wav, play): the pipes
// voice's low A, the practice tempo and the beat click, read and checked
// alike for both.

#include <optional>

#include "cli/CommandLine.h"

namespace skirlo {

struct DocumentPlayback;

inline constexpr OptionSpec kLowAOption{"low-a", "HZ",
                                        "the pipes voice's low A in Hz, 440 to 495 (default: the profile's, or 476)"};
inline constexpr OptionSpec kClickOption{"click", "", "sound a click on every beat (the first beat of a bar higher)"};
inline constexpr OptionSpec kTempoOption{"tempo", "PERCENT",
                                         "play at PERCENT of the written tempo, 50 to 150 (default 100)"};

struct SoundOptions {
    std::optional<double> lowA;
    int tempoPercent = 100;
    bool beatClick = false;
};

// Nullopt after naming a bad value as a usage error (the command then exits 1).
std::optional<SoundOptions> readSoundOptions(const CommandLine& line);

// Sets the low A into the settings and builds the event list again with
// the practice tempo and beat click.
void applySoundOptions(const SoundOptions& options, DocumentPlayback& playback);

}  // namespace skirlo
