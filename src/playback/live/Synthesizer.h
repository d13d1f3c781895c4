#pragma once
// The built-in synthesizer: FluidSynth with a General MIDI soundfont. It
// takes the same short messages as a MIDI device, renders sound into memory
// for WAV files, and sounds live through the desktop's audio (PipeWire and
// PulseAudio through the PulseAudio protocol, else ALSA) when asked to.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace skirlo {

class DiagnosticLog;

inline constexpr const char* kSynthesizerName = "Built-in Synthesizer";

// The soundfont the synthesizer loads: the system's default General MIDI
// soundfont when there is one, else one of the soundfonts Debian packages.
std::optional<std::filesystem::path> findSoundfont();

class Synthesizer {
public:
    ~Synthesizer();
    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

    // Loads the soundfont; midi_error::kNoSoundfont (with the reason in the
    // log) when there is none or it cannot be read.
    static std::uint32_t create(int sampleRate, DiagnosticLog& log, std::unique_ptr<Synthesizer>& out);

    int sampleRate() const { return sampleRate_; }

    // A packed short message (status in bits 0-7, data bytes above).
    void send(std::uint32_t message);
    // Silences every channel at once.
    void silence();
    // Fills interleaved stereo frames (left, right, left, ...).
    void render(std::span<std::int16_t> interleaved);

    // Starts and stops sounding through the machine's audio output;
    // midi_error::kNoAudioOutput when no output can be opened.
    std::uint32_t startAudio();
    void stopAudio();

private:
    Synthesizer(_fluid_hashtable_t* settings, _fluid_synth_t* synth, int sampleRate, DiagnosticLog& log);

    _fluid_hashtable_t* settings_;
    _fluid_synth_t* synth_;
    _fluid_audio_driver_t* audio_ = nullptr;
    int sampleRate_;
    DiagnosticLog& log_;
};

}  // namespace skirlo
