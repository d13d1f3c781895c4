#pragma once
// A performance rendered by the built-in synthesizer into a WAV file (16-bit
// stereo PCM): what Play sends before the music, the drones alone for the
// introduction, then every message of the MIDI event list at its time. The
// file lasts the introduction plus the list's delays, and for the pipes voice
// the time its ending takes to fall away.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "playback/MidiEventList.h"
#include "playback/live/PlaybackScheduler.h"

namespace skirlo {

class Synthesizer;

inline constexpr int kWavSampleRate = 44100;

// Milliseconds of sound the rendering holds.
std::uint64_t renderedMilliseconds(const std::vector<MidiEvent>& events, const PlaySetup& setup);

// Told now and then of the frames written so far and in all.
using WavProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Writes the file through a temporary file beside it, so a failed render
// leaves no partial file behind (and a link at `path` still a link); false
// with the reason in `error`.
bool renderWav(const std::vector<MidiEvent>& events, const PlaySetup& setup, const Volumes& volumes,
               Synthesizer& synthesizer, const std::string& path, std::string& error,
               const WavProgress& progress = {});

}  // namespace skirlo
