#include "playback/live/Synthesizer.h"

#include <fluidsynth.h>

#include <array>
#include <system_error>

#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiPlatform.h"
#include "playback/live/QuietAlsa.h"

namespace skirlo {

namespace {

// Debian's soundfont packages. FluidR3_GM comes first when installed: its
// bagpipe is sampled from real pipes and is what the Highland Pipes mapping
// plays on chanter and drones. Otherwise default-GM.sf2, the system's choice
// among those installed (an alternatives link), then the small TimGM6mb.
constexpr std::array<const char*, 4> kSoundfonts = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/soundfonts/default.sf2",
};

// PipeWire serves PulseAudio clients and the ALSA plugin; plain ALSA is the
// last resort.
constexpr std::array<const char*, 2> kAudioDrivers = {"pulseaudio", "alsa"};

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// FluidSynth prints its own errors on standard error; the synthesizer
// reports through the log and the device layer instead.
void quietFluidSynth() {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
        fluid_set_log_function(level, nullptr, nullptr);
    }
}

int byteAt(std::uint32_t message, int shift) { return static_cast<int>((message >> shift) & 0x7F); }

}  // namespace

std::optional<std::filesystem::path> findSoundfont() {
    for (const char* candidate : kSoundfonts) {
        if (isFile(candidate)) return std::filesystem::path(candidate);
    }
    return std::nullopt;
}

Synthesizer::Synthesizer(fluid_settings_t* settings, fluid_synth_t* synth, int sampleRate, DiagnosticLog& log)
    : settings_(settings), synth_(synth), sampleRate_(sampleRate), log_(log) {}

Synthesizer::~Synthesizer() {
    stopAudio();
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

std::uint32_t Synthesizer::create(int sampleRate, DiagnosticLog& log, std::unique_ptr<Synthesizer>& out) {
    quietFluidSynth();
    const std::optional<std::filesystem::path> soundfont = findSoundfont();
    if (!soundfont) {
        log.write("Built-in synthesizer: no General MIDI soundfont is installed\n");
        return midi_error::kNoSoundfont;
    }
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) return midi_error::kNoMemory;
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth == nullptr) {
        delete_fluid_settings(settings);
        return midi_error::kNoMemory;
    }
    out.reset(new Synthesizer(settings, synth, sampleRate, log));
    if (fluid_synth_sfload(synth, soundfont->c_str(), 1) == FLUID_FAILED) {
        log.write("Built-in synthesizer: cannot load the soundfont " + soundfont->string() + "\n");
        out.reset();
        return midi_error::kNoSoundfont;
    }
    return midi_error::kNone;
}

void Synthesizer::send(std::uint32_t message) {
    const int channel = static_cast<int>(message & 0x0F);
    const int data1 = byteAt(message, 8);
    const int data2 = byteAt(message, 16);
    // FluidSynth reports a release of a note that is not sounding as a
    // failure; for a MIDI device that is no error, so results are not used.
    switch (message & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
        case 0x90: fluid_synth_noteon(synth_, channel, data1, data2); break;
        case 0xA0: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
        case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;
        case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
        case 0xD0: fluid_synth_channel_pressure(synth_, channel, data1); break;
        case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
        default: break;
    }
}

void Synthesizer::silence() { fluid_synth_all_sounds_off(synth_, -1); }

void Synthesizer::render(std::span<std::int16_t> interleaved) {
    const int frames = static_cast<int>(interleaved.size() / 2);
    if (frames > 0) fluid_synth_write_s16(synth_, frames, interleaved.data(), 0, 2, interleaved.data(), 1, 2);
}

std::uint32_t Synthesizer::startAudio() {
    if (audio_ != nullptr) return midi_error::kNone;
    const QuietAlsa quiet;
    for (const char* driver : kAudioDrivers) {
        fluid_settings_setstr(settings_, "audio.driver", driver);
        audio_ = new_fluid_audio_driver(settings_, synth_);
        if (audio_ != nullptr) return midi_error::kNone;
        log_.write(std::string("Built-in synthesizer: no sound through ") + driver + "\n");
    }
    return midi_error::kNoAudioOutput;
}

void Synthesizer::stopAudio() {
    if (audio_ == nullptr) return;
    delete_fluid_audio_driver(audio_);
    audio_ = nullptr;
}

}  // namespace skirlo
