#include "playback/live/Synthesizer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <system_error>

#include "playback/MidiBytes.h"
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

// FluidSynth renders in blocks of this many frames and starts a note only
// at a block's beginning.
constexpr int kBlockFrames = 64;
// A packed short message fills the low 24 bits of a timer event's data.
constexpr int kMessageBits = 24;
constexpr std::uintptr_t kMessageMask = (std::uintptr_t{1} << kMessageBits) - 1;
static_assert(sizeof(std::uintptr_t) >= 8, "a timer event's data holds a message and a 40-bit sequence number");
// Buffers the rendering callback can split into blocks; the drivers used
// here give two outputs and no effect buffers.
constexpr int kMaxAudioBuffers = 16;

// The sequencer's time while the block starting at `frame` renders: the
// block's middle, so that a message sounds at the block nearest its time.
unsigned sequencerMs(std::int64_t frame, int sampleRate) {
    return static_cast<unsigned>((frame + kBlockFrames / 2) * 1000 / sampleRate);
}

// The pipes voice's presets in its SoundFont, by channel.
constexpr int kChanterPreset = 0;
constexpr int kTenorPreset = 1;
constexpr int kBassPreset = 2;
constexpr int kClickPreset = 3;
constexpr int kChanterChannel = midi::kChanterChannel;
constexpr int kBassChannel = midi::kBassDroneChannel;
constexpr int kTenorChannel = midi::kTenorDroneChannel;
// The chanter's release in the SoundFont is a note change's (20 ms for the
// full 96 dB); the last note's is lengthened by this many timecents to the
// drones' 250 ms.
constexpr double kEndingReleaseOffset = 4373;
// The chanter peaks near -8 dBFS; with both drones at full volume the sum
// still stays clear of clipping.
constexpr double kPipesGain = 0.7;

bool isNoteOff(std::uint32_t message) {
    const std::uint32_t status = message & 0xF0;
    return status == midi::kNoteOff || (status == midi::kNoteOn && byteAt(message, 16) == 0);
}

}  // namespace

std::filesystem::path pipesSoundfont(const std::filesystem::path& resourceDir) {
    return resourceDir / "sounds" / "pipes.sf2";
}

std::optional<std::filesystem::path> findSoundfont() {
    for (const char* candidate : kSoundfonts) {
        if (isFile(candidate)) return std::filesystem::path(candidate);
    }
    return std::nullopt;
}

// The sequencer keeps no clock of its own (no system timer): rendering
// advances it, so what it delivers lands on the rendered frames.
Synthesizer::Synthesizer(fluid_settings_t* settings, fluid_synth_t* synth, int sampleRate, DiagnosticLog& log)
    : settings_(settings),
      synth_(synth),
      sequencer_(new_fluid_sequencer2(0)),
      client_(fluid_sequencer_register_client(sequencer_, "skirlo", &Synthesizer::deliver, this)),
      event_(new_fluid_event()),
      sampleRate_(sampleRate),
      log_(log) {
    if (event_ == nullptr) return;
    fluid_event_set_source(event_, -1);
    fluid_event_set_dest(event_, client_);
}

Synthesizer::~Synthesizer() {
    stopAudio();
    delete_fluid_event(event_);
    delete_fluid_sequencer(sequencer_);
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
    return make(sampleRate, *soundfont, false, log, out);
}

std::uint32_t Synthesizer::createPipes(int sampleRate, const std::filesystem::path& soundfont, DiagnosticLog& log,
                                       std::unique_ptr<Synthesizer>& out) {
    quietFluidSynth();
    if (!isFile(soundfont)) {
        log.write("Pipes voice: the SoundFont " + soundfont.string() + " is missing\n");
        return midi_error::kNoPipesSoundfont;
    }
    const std::uint32_t made = make(sampleRate, soundfont, true, log, out);
    return made == midi_error::kNoSoundfont ? midi_error::kNoPipesSoundfont : made;
}

std::uint32_t Synthesizer::make(int sampleRate, const std::filesystem::path& soundfont, bool pipes,
                                DiagnosticLog& log, std::unique_ptr<Synthesizer>& out) {
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) return midi_error::kNoMemory;
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    if (pipes) {
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_settings_setnum(settings, "synth.gain", kPipesGain);
    }
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth == nullptr) {
        delete_fluid_settings(settings);
        return midi_error::kNoMemory;
    }
    out.reset(new Synthesizer(settings, synth, sampleRate, log));
    out->pipes_ = pipes;
    if (out->sequencer_ == nullptr || out->client_ == FLUID_FAILED || out->event_ == nullptr) {
        out.reset();
        return midi_error::kNoMemory;
    }
    const int font = fluid_synth_sfload(synth, soundfont.c_str(), 1);
    const bool loaded =
        font != FLUID_FAILED &&
        (!pipes || (fluid_synth_program_select(synth, kChanterChannel, font, 0, kChanterPreset) == FLUID_OK &&
                    fluid_synth_program_select(synth, kTenorChannel, font, 0, kTenorPreset) == FLUID_OK &&
                    fluid_synth_program_select(synth, kBassChannel, font, 0, kBassPreset) == FLUID_OK &&
                    fluid_synth_program_select(synth, midi::kClickChannel, font, 0, kClickPreset) == FLUID_OK));
    if (!loaded) {
        log.write("Built-in synthesizer: cannot load the soundfont " + soundfont.string() + "\n");
        out.reset();
        return midi_error::kNoSoundfont;
    }
    return midi_error::kNone;
}

void Synthesizer::tune(const KeyTunings& tunings) {
    if (!pipes_) return;
    const std::array<std::pair<int, const std::array<double, 128>*>, 3> channels{
        {{kChanterChannel, &tunings.chanter}, {kBassChannel, &tunings.bass}, {kTenorChannel, &tunings.tenor}}};
    // Each channel's table is a tuning program of its own, numbered by the channel.
    for (const auto& [channel, keys] : channels) {
        fluid_synth_activate_key_tuning(synth_, 0, channel, "pipes", keys->data(), 1);
        fluid_synth_activate_tuning(synth_, channel, 0, channel, 1);
    }
}

void Synthesizer::send(std::uint32_t message) {
    if (pipes_) {
        sendPipes(message);
        return;
    }
    dispatch(message);
}

void Synthesizer::sendPipes(std::uint32_t message) {
    const int channel = static_cast<int>(message & 0x0F);
    // The beat click runs beside the tune: it neither ends nor changes a note.
    if (channel == midi::kClickChannel) {
        dispatch(message);
        return;
    }
    if (pendingRelease_ >= 0) releaseChanter(isNoteOff(message) && channel != kChanterChannel);
    // The presets are the voice's own: program changes are not followed.
    if ((message & 0xF0) == midi::kProgramChange) return;
    if (channel == kChanterChannel && isNoteOff(message)) {
        pendingRelease_ = byteAt(message, 8);
        return;
    }
    dispatch(message);
}

void Synthesizer::dispatch(std::uint32_t message) {
    const int channel = static_cast<int>(message & 0x0F);
    const int data1 = byteAt(message, 8);
    const int data2 = byteAt(message, 16);
    // FluidSynth reports a release of a note that is not sounding as a
    // failure; for a MIDI device that is no error, so results are not used.
    switch (message & 0xF0) {
        case midi::kNoteOff: fluid_synth_noteoff(synth_, channel, data1); break;
        case midi::kNoteOn: fluid_synth_noteon(synth_, channel, data1, data2); break;
        case midi::kKeyPressure: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
        case midi::kControlChange: fluid_synth_cc(synth_, channel, data1, data2); break;
        case midi::kProgramChange: fluid_synth_program_change(synth_, channel, data1); break;
        case midi::kChannelPressure: fluid_synth_channel_pressure(synth_, channel, data1); break;
        case midi::kPitchBend: fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
        default: break;
    }
}

void Synthesizer::releaseChanter(bool ending) {
    if (ending != endingRelease_) {
        fluid_synth_set_gen(synth_, kChanterChannel, GEN_VOLENVRELEASE, ending ? kEndingReleaseOffset : 0.0F);
        endingRelease_ = ending;
    }
    fluid_synth_noteoff(synth_, kChanterChannel, pendingRelease_);
    pendingRelease_ = -1;
}

// Before sound is rendered, a release still waiting is a note change's.
void Synthesizer::settleChanter() {
    if (pendingRelease_ >= 0) releaseChanter(false);
}

void Synthesizer::silence() {
    pendingRelease_ = -1;
    fluid_synth_all_sounds_off(synth_, -1);
}

void Synthesizer::render(std::span<std::int16_t> interleaved) {
    const auto frames = static_cast<std::int64_t>(interleaved.size() / 2);
    for (std::int64_t done = 0; done < frames;) {
        const int block = static_cast<int>(std::min<std::int64_t>(startBlock(), frames - done));
        settleChanter();
        std::int16_t* at = interleaved.data() + 2 * done;
        fluid_synth_write_s16(synth_, block, at, 0, 2, at, 1, 2);
        frames_ += block;
        done += block;
    }
}

// The synthesizer renders whole blocks from its first frame on and hands
// out their frames in the pieces asked for; a block begins where the count
// of frames is a whole number of blocks.
int Synthesizer::startBlock() {
    const int into = static_cast<int>(frames_ % kBlockFrames);
    if (into == 0) advanceSequencer();
    return kBlockFrames - into;
}

std::uint32_t Synthesizer::begin() {
    beginMs_ = sequencerMs(frames_, sampleRate_);
    return midi_error::kNone;
}

// Each queued message travels as a timer event whose data is the packed
// message (24 bits) under its sequence number.
std::uint32_t Synthesizer::sendAt(std::uint32_t message, std::uint32_t ms) {
    const std::lock_guard lock(eventMutex_);
    const std::uintptr_t data = static_cast<std::uintptr_t>(nextSequence_++) << kMessageBits | (message & kMessageMask);
    fluid_event_timer(event_, reinterpret_cast<void*>(data));
    const int sent = fluid_sequencer_send_at(sequencer_, event_, beginMs_ + ms, 1);
    return sent == FLUID_OK ? midi_error::kNone : midi_error::kNoMemory;
}

void Synthesizer::drop() { fluid_sequencer_remove_events(sequencer_, -1, client_, -1); }

void Synthesizer::deliver(unsigned int, fluid_event_t* event, fluid_sequencer_t*, void* data) {
    if (fluid_event_get_type(event) != FLUID_SEQ_TIMER) return;
    auto& self = *static_cast<Synthesizer*>(data);
    if (self.dueCount_ == self.due_.size()) self.soundDue();
    const auto packed = reinterpret_cast<std::uintptr_t>(fluid_event_get_data(event));
    self.due_[self.dueCount_++] = {packed >> kMessageBits, static_cast<std::uint32_t>(packed & kMessageMask)};
}

void Synthesizer::advanceSequencer() {
    fluid_sequencer_process(sequencer_, sequencerMs(frames_, sampleRate_));
    soundDue();
}

void Synthesizer::soundDue() {
    const auto due = std::span(due_).first(dueCount_);
    std::sort(due.begin(), due.end(), [](const DueMessage& a, const DueMessage& b) { return a.sequence < b.sequence; });
    const double ms = double(frames_) * 1000 / sampleRate_ - double(beginMs_);
    for (const DueMessage& each : due) {
        send(each.message);
        if (listener_) listener_(each.message, ms);
    }
    dueCount_ = 0;
}

int Synthesizer::renderAudio(void* data, int frames, int effectCount, float* effects[], int outputCount,
                             float* outputs[]) {
    return static_cast<Synthesizer*>(data)->renderAudioBlocks(frames, effectCount, effects, outputCount, outputs);
}

// One block at a time, so that the sequencer is advanced as each begins.
// Without effect buffers of the driver's own, reverb and chorus are mixed
// into the two outputs.
int Synthesizer::renderAudioBlocks(int frames, int effectCount, float* effects[], int outputCount,
                                   float* outputs[]) {
    if (outputCount > kMaxAudioBuffers || effectCount > kMaxAudioBuffers || outputCount < 2) return FLUID_FAILED;
    std::array<float*, kMaxAudioBuffers> out{};
    std::array<float*, kMaxAudioBuffers> fx{};
    for (int done = 0; done < frames;) {
        const int block = std::min(startBlock(), frames - done);
        settleChanter();
        for (int i = 0; i < outputCount; ++i) out[i] = outputs[i] + done;
        for (int i = 0; i < effectCount; ++i) fx[i] = effects[i] + done;
        if (effectCount == 0) fx = {out[0], out[1], out[0], out[1]};
        if (fluid_synth_process(synth_, block, effectCount == 0 ? 4 : effectCount, fx.data(), outputCount,
                                out.data()) != FLUID_OK) {
            return FLUID_FAILED;
        }
        frames_ += block;
        done += block;
    }
    return FLUID_OK;
}

std::uint32_t Synthesizer::startAudio() {
    if (audio_ != nullptr) return midi_error::kNone;
    const QuietAlsa quiet;
    for (const char* driver : kAudioDrivers) {
        fluid_settings_setstr(settings_, "audio.driver", driver);
        audio_ = new_fluid_audio_driver2(settings_, &Synthesizer::renderAudio, this);
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
