#pragma once
// The built-in synthesizer: FluidSynth with a General MIDI soundfont, or
// the pipes voice (our own SoundFont, keys retuned to the pipes' scale). It
// takes the same short messages as a MIDI device, renders sound into memory
// for WAV files, and sounds live through the desktop's audio (PipeWire and
// PulseAudio through the PulseAudio protocol, else ALSA) when asked to.
//
// Messages sent ahead of time wait in FluidSynth's sequencer, which runs on
// the frames the synthesizer renders: each one starts sounding at the
// 64-frame block (FluidSynth's unit of rendering, 1.45 ms at 44.1 kHz)
// nearest its time, whenever the thread that queued it woke. Messages due
// in the same block sound in the order they were queued (the sequencer
// itself keeps no order among messages of one time, and a note-off and
// note-on of the same key must not swap).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "playback/PipeTuning.h"
#include "playback/live/TimedMidiOutput.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;
struct _fluid_sequencer_t;
struct _fluid_event_t;

namespace skirlo {

class DiagnosticLog;

// The rate the synthesizer plays at through the machine's audio output.
inline constexpr int kLiveSampleRate = 44100;

// The soundfont the synthesizer loads: the system's default General MIDI
// soundfont when there is one, else one of the soundfonts Debian packages.
std::optional<std::filesystem::path> findSoundfont();

// The pipes voice's SoundFont among the resources.
std::filesystem::path pipesSoundfont(const std::filesystem::path& resourceDir);

// How long the pipes voice's drones and last note take to fall away.
inline constexpr std::uint32_t kPipesEndingMs = 250;

class Synthesizer final : public TimedMidiOutput {
public:
    ~Synthesizer() override;
    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

    // Loads the soundfont; midi_error::kNoSoundfont (with the reason in the
    // log) when there is none or it cannot be read.
    static std::uint32_t create(int sampleRate, DiagnosticLog& log, std::unique_ptr<Synthesizer>& out);
    // The pipes voice: the chanter preset on the chanter's channel, the
    // drone presets on the drones' and the click on the click's, whatever
    // program the messages ask for, without reverb or chorus (they would
    // blur the notes and detune the drones). midi_error::kNoPipesSoundfont
    // when `soundfont` cannot be read.
    static std::uint32_t createPipes(int sampleRate, const std::filesystem::path& soundfont, DiagnosticLog& log,
                                     std::unique_ptr<Synthesizer>& out);

    bool isPipes() const { return pipes_; }
    // Pipes voice only: gives the keys of each channel their pitches.
    void tune(const KeyTunings& tunings);
    // Milliseconds of sound after the last message: the pipes voice's
    // ending falls away then; the General MIDI voice's files end at once.
    std::uint32_t tailMilliseconds() const { return pipes_ ? kPipesEndingMs + kPipesEndingMs / 5 : 0; }

    int sampleRate() const { return sampleRate_; }

    // A packed short message (status in bits 0-7, data bytes above).
    void send(std::uint32_t message);
    // Silences every channel at once.
    void silence();
    // Fills interleaved stereo frames (left, right, left, ...), sounding the
    // queued messages that fall due.
    void render(std::span<std::int16_t> interleaved);

    std::uint32_t begin() override;
    std::uint32_t sendAt(std::uint32_t message, std::uint32_t ms) override;
    void drop() override;

    // Told on the rendering thread of each queued message as it sounds, with
    // the time it sounds at in milliseconds since begin(), counted in
    // rendered frames. Set it only while nothing renders.
    using SoundingListener = std::function<void(std::uint32_t message, double ms)>;
    void setSoundingListener(SoundingListener listener) { listener_ = std::move(listener); }

    // Starts and stops sounding through the machine's audio output;
    // midi_error::kNoAudioOutput when no output can be opened.
    std::uint32_t startAudio();
    void stopAudio();

private:
    Synthesizer(_fluid_hashtable_t* settings, _fluid_synth_t* synth, int sampleRate, DiagnosticLog& log);
    static std::uint32_t make(int sampleRate, const std::filesystem::path& soundfont, bool pipes, DiagnosticLog& log,
                              std::unique_ptr<Synthesizer>& out);

    // The pipes voice's chanter plays one note at a time. A released note
    // waits here until the next message: when that is a drone's release the
    // tune has ended and the note falls away with the drones; otherwise a
    // new note has taken over and the old one is silenced at once.
    void sendPipes(std::uint32_t message);
    // Hands a message to FluidSynth as the MIDI device it stands for.
    void dispatch(std::uint32_t message);
    void releaseChanter(bool ending);
    void settleChanter();

    static int renderAudio(void* data, int frames, int effectCount, float* effects[], int outputCount,
                           float* outputs[]);
    static void deliver(unsigned int time, _fluid_event_t* event, _fluid_sequencer_t* sequencer, void* data);
    // A queued message that fell due in the block about to render, with
    // the number that orders it among the others.
    struct DueMessage {
        std::uint64_t sequence;
        std::uint32_t message;
    };
    static constexpr std::size_t kMaxDuePerBlock = 128;

    // Frames to the end of the block the next frame belongs to; advances
    // the sequencer when that frame begins a block.
    int startBlock();
    void advanceSequencer();
    void soundDue();
    int renderAudioBlocks(int frames, int effectCount, float* effects[], int outputCount, float* outputs[]);

    _fluid_hashtable_t* settings_;
    _fluid_synth_t* synth_;
    _fluid_audio_driver_t* audio_ = nullptr;
    _fluid_sequencer_t* sequencer_;
    short client_;
    // One event, filled and copied into the sequencer under the lock.
    _fluid_event_t* event_;
    std::mutex eventMutex_;
    std::uint64_t nextSequence_ = 0;  // under eventMutex_
    // Rendering thread only.
    std::array<DueMessage, kMaxDuePerBlock> due_{};
    std::size_t dueCount_ = 0;
    int sampleRate_;
    DiagnosticLog& log_;
    // Frames rendered so far: the sequencer's clock. Written by the rendering thread only.
    std::atomic<std::int64_t> frames_{0};
    // The sequencer's millisecond at the last begin().
    std::atomic<unsigned> beginMs_{0};
    SoundingListener listener_;
    bool pipes_ = false;
    // Pipes voice: the chanter key whose release waits, or -1; the release
    // time the chanter's channel now has (the ending's or a note change's).
    int pendingRelease_ = -1;
    bool endingRelease_ = false;
};

}  // namespace skirlo
