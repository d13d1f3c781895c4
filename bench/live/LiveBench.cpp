// Timing of live playback, and the speed of WAV rendering through the
// built-in synthesizer.
//
// Targets: over a 60-second performance, with the other core kept busy, each
// message's lateness against its due time has a 99th percentile under 1 ms,
// and the last message is less than 2 ms late (no drift); WAV files render at
// least 50 times faster than real time.
//
// BM_SynthesizerLateness measures when each note actually sounds: in the
// frames the built-in synthesizer renders for a sound card paced by the
// monotonic clock, against the note's time from the start of playing.
// BM_SchedulerLateness measures the playback thread's own wake-ups on the
// monotonic clock, which now time only the ball and the PC speaker.
// BM_AlsaQueueLateness measures when each note-on reaches an ALSA port, where
// the machine has a sequencer. All are meant to be run at the priority a
// piper's desktop gives, e.g. without the right to real-time scheduling:
//   setpriv --inh-caps=-sys_nice --bounding-set=-sys_nice bench_live

#include <alsa/asoundlib.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/MessageSink.h"
#include "live/LiveTestSupport.h"
#include "playback/DocumentPlayback.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SynthesizerHandle.h"
#include "playback/live/SystemMidiPlatform.h"
#include "playback/live/WavRenderer.h"
#include "support/PlaybackTestSupport.h"

namespace skirlo {
namespace {

using Clock = std::chrono::steady_clock;

// A MIDI device that notes when each message reached it.
class TimingPlatform final : public MidiPlatform {
public:
    std::vector<Clock::time_point> arrivals;

    unsigned deviceCount(MidiDirection direction) override { return direction == MidiDirection::Output ? 1 : 0; }
    std::uint32_t capabilities(MidiDirection, unsigned, MidiCapabilities& out) override {
        out = {"timing", kMidiSupportsVolume};
        return 0;
    }
    std::uint32_t open(MidiDirection, unsigned, std::unique_ptr<MidiHandle>& out) override {
        out = std::make_unique<Handle>(*this);
        return 0;
    }

private:
    class Handle final : public MidiHandle {
    public:
        explicit Handle(TimingPlatform& platform) : platform_(platform) {}
        std::uint32_t sendShort(std::uint32_t) override {
            platform_.arrivals.push_back(Clock::now());
            return 0;
        }
        std::uint32_t reset() override { return 0; }
        std::uint32_t prepare(MidiBufferHeader&) override { return 0; }
        std::uint32_t unprepare(MidiBufferHeader&) override { return 0; }
        std::uint32_t addBuffer(MidiBufferHeader&) override { return 0; }
        std::uint32_t close() override { return 0; }

    private:
        TimingPlatform& platform_;
    };
};

class NoPorts final : public SpeakerPorts {
public:
    void write(std::uint16_t, std::uint8_t) override {}
    std::uint8_t read(std::uint16_t) override { return 0; }
};

// Notes of 30 to 400 ms, as gracenotes and melody notes mix, for `seconds`.
std::vector<MidiEvent> syntheticPerformance(int seconds) {
    MidiEventList list;
    list.append(0, 0xC0, 0, 71, 0, nullptr);
    const std::uint32_t lengths[] = {30, 400, 20, 120, 250, 60, 180, 90};
    std::uint64_t total = 0;
    for (int i = 0; total < std::uint64_t(seconds) * 1000; ++i) {
        const std::uint32_t length = lengths[i % 8];
        list.append(0, 0xB0, 0, 84, 60 + i % 9, nullptr);
        list.append(0, 0x90, 0, 60 + (i + 1) % 9, 127, nullptr);
        list.append(length, 0x80, 0, 60 + i % 9, 127, nullptr);
        total += length;
    }
    list.append(0, 0x80, 1, 33, 0, nullptr);
    list.append(0, 0x80, 2, 45, 0, nullptr);
    return list.events();
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * double(values.size())))];
}

// Keeps the other core busy for as long as it lives.
class Spinner {
public:
    Spinner()
        : thread_([this] {
              volatile std::uint64_t work = 0;
              while (busy_) work = work + 1;
          }) {}
    ~Spinner() {
        busy_ = false;
        thread_.join();
    }

private:
    std::atomic<bool> busy_{true};
    std::thread thread_;
};

// A scheduler playing `events` from the start on the bench's devices, with
// no drone introduction; `progress` hears each entry as it starts.
class BenchPlayer {
public:
    BenchPlayer(MidiDeviceLayer& devices, const std::vector<MidiEvent>& events,
                std::function<void(std::size_t)> progress = {})
        : speaker_(ports_), scheduler_(devices, speaker_, clock_, notifications(std::move(progress))) {
        PlaySetup setup;
        setup.droneIntroduction = 0;
        scheduler_.setSetup(setup);
        scheduler_.setLists(&events, nullptr);
    }
    bool play() { return scheduler_.play(); }
    void waitForEnd() const {
        while (!ended_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void handleEnd() { scheduler_.handleEnd(); }

private:
    PlaybackNotifications notifications(std::function<void(std::size_t)> progress) {
        PlaybackNotifications out;
        out.progress = std::move(progress);
        out.end = [this] { ended_ = true; };
        return out;
    }

    NoPorts ports_;
    SpeakerTone speaker_;
    SteadyPlaybackClock clock_;
    std::atomic<bool> ended_{false};
    PlaybackScheduler scheduler_;
};

// Plays the list in real time and measures each message's lateness.
void BM_SchedulerLateness(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const std::vector<MidiEvent> events = syntheticPerformance(seconds);
    std::vector<double> lateness;
    double endDrift = 0;
    for (auto _ : state) {
        std::optional<Spinner> spinner(std::in_place);
        TimingPlatform platform;
        platform.arrivals.reserve(events.size() + 16);
        RecordingMessageSink messages;
        RecordingDiagnosticLog log;
        MidiDeviceLayer devices(platform, messages, log);
        devices.enumerateOutputs();
        devices.output().deviceId = 0;
        BenchPlayer player(devices, events);
        const Clock::time_point start = Clock::now();
        player.play();
        player.waitForEnd();
        spinner.reset();
        player.handleEnd();

        // The eight start messages, then the list; each is due at the start
        // plus the first timer plus the delays before it.
        Clock::time_point due = start + kFirstTimer;
        lateness.clear();
        for (std::size_t i = 0; i < events.size(); ++i) {
            const auto late = std::chrono::duration<double, std::milli>(platform.arrivals.at(8 + i) - due).count();
            lateness.push_back(late);
            due += std::chrono::milliseconds(events[i].delay);
        }
        endDrift = lateness.back();
    }
    state.counters["messages"] = double(lateness.size());
    state.counters["late_median_ms"] = percentile(lateness, 0.5);
    state.counters["late_p99_ms"] = percentile(lateness, 0.99);
    state.counters["late_max_ms"] = percentile(lateness, 1.0);
    state.counters["end_drift_ms"] = endDrift;
}
BENCHMARK(BM_SchedulerLateness)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond);

// A sound card: it takes the synthesizer's frames at the sample rate on the
// monotonic clock, keeping a buffer of 1024 frames filled ahead (FluidSynth's
// ALSA output keeps 16 periods of 64), from a thread at the caller's
// priority. The bench cannot use the machine's audio output: where there is
// no sound card, ALSA's null device takes frames as fast as they come.
class PacedCard {
public:
    static constexpr int kBufferFrames = 1024;
    static constexpr int kPeriodFrames = 256;

    explicit PacedCard(Synthesizer& synthesizer) : thread_([this, &synthesizer] { run(synthesizer); }) {}
    ~PacedCard() {
        running_ = false;
        thread_.join();
    }

private:
    void run(Synthesizer& synthesizer) {
        std::vector<std::int16_t> period(2 * kPeriodFrames);
        const Clock::time_point start = Clock::now();
        const double rate = synthesizer.sampleRate();
        std::int64_t taken = 0;
        while (running_) {
            const double played = std::chrono::duration<double>(Clock::now() - start).count() * rate;
            while (double(taken) < played + kBufferFrames) {
                synthesizer.render(period);
                taken += kPeriodFrames;
            }
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                                      double(taken - kBufferFrames + kPeriodFrames) / rate)));
        }
    }

    std::atomic<bool> running_{true};
    std::thread thread_;
};

// Where each queued message sounded, written on the rendering thread into
// room reserved beforehand.
struct Soundings {
    std::vector<double> ms;
    std::atomic<std::size_t> count{0};
};

// Plays the list through the built-in synthesizer in real time: each
// message's lateness is the time it sounded at, counted in rendered frames,
// less its time in the performance. The ball's lateness is that of each
// progress notification on the monotonic clock. The second argument picks
// the voice: 0 the General MIDI one, 1 the pipes voice.
void BM_SynthesizerLateness(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const bool pipes = state.range(1) == 1;
    const std::vector<MidiEvent> events = syntheticPerformance(seconds);
    StderrDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    const std::uint32_t created =
        pipes ? Synthesizer::createPipes(kLiveSampleRate, pipesSoundfont(SKIRLO_RESOURCE_DIR), log, synthesizer)
              : Synthesizer::create(kLiveSampleRate, log, synthesizer);
    if (created != 0) {
        state.SkipWithError("no soundfont");
        return;
    }
    Soundings soundings;
    soundings.ms.resize(events.size() + 64);
    synthesizer->setSoundingListener([&soundings](std::uint32_t, double ms) {
        const std::size_t at = soundings.count.load();
        if (at < soundings.ms.size()) soundings.ms[at] = ms;
        soundings.count = at + 1;
    });
    std::vector<double> lateness;
    std::vector<double> ballLateness;
    double wallSeconds = 0;
    for (auto _ : state) {
        soundings.count = 0;
        const Spinner spinner;
        const PacedCard card(*synthesizer);
        test::SynthesizerOnlyPlatform platform(*synthesizer);
        RecordingMessageSink messages;
        MidiDeviceLayer devices(platform, messages, log);
        devices.enumerateOutputs();
        devices.output().deviceId = 0;
        std::vector<std::pair<std::size_t, Clock::time_point>> progress;
        progress.reserve(events.size());
        BenchPlayer player(devices, events,
                           [&progress](std::size_t index) { progress.emplace_back(index, Clock::now()); });
        const Clock::time_point start = Clock::now();
        if (!player.play()) {
            state.SkipWithError("the synthesizer could not be opened");
            return;
        }
        player.waitForEnd();
        wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        player.handleEnd();

        std::vector<double> due(events.size());
        double at = double(kFirstTimer.count());
        for (std::size_t i = 0; i < events.size(); ++i) {
            due[i] = at;
            at += events[i].delay;
        }
        lateness.clear();
        for (std::size_t i = 0; i < std::min(soundings.count.load(), events.size()); ++i) {
            lateness.push_back(soundings.ms[i] - due[i]);
        }
        ballLateness.clear();
        for (const auto& [index, when] : progress) {
            ballLateness.push_back(std::chrono::duration<double, std::milli>(when - start).count() - due[index]);
        }
    }
    if (lateness.empty()) {
        state.SkipWithError("no message sounded");
        return;
    }
    std::vector<double> magnitude;
    for (double each : lateness) magnitude.push_back(std::abs(each));
    state.counters["messages"] = double(events.size());
    state.counters["sounded"] = double(lateness.size());
    state.counters["late_median_ms"] = percentile(lateness, 0.5);
    state.counters["late_p99_ms"] = percentile(lateness, 0.99);
    state.counters["late_min_ms"] = percentile(lateness, 0.0);
    state.counters["late_max_ms"] = percentile(lateness, 1.0);
    state.counters["abs_late_p99_ms"] = percentile(magnitude, 0.99);
    state.counters["over_1ms"] = double(std::count_if(magnitude.begin(), magnitude.end(), [](double each) { return each > 1; }));
    state.counters["worst_index"] = double(std::max_element(magnitude.begin(), magnitude.end()) - magnitude.begin());
    state.counters["end_drift_ms"] = lateness.back();
    state.counters["ball_late_median_ms"] = percentile(ballLateness, 0.5);
    state.counters["ball_late_p99_ms"] = percentile(ballLateness, 0.99);
    state.counters["wall_s"] = wallSeconds;
}
BENCHMARK(BM_SynthesizerLateness)->Args({60, 0})->Args({60, 1})->Iterations(1)->Unit(benchmark::kSecond);

// A port of the bench's own that the kernel stamps each arriving event on
// with the time of a queue of ours: the arrival on the ALSA queues' clock,
// whenever the bench's thread gets to read it.
class ArrivalPort {
public:
    static constexpr const char* kName = "Skirlo bench input";

    ArrivalPort() {
        if (snd_seq_open(&sequencer_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) return;
        snd_seq_set_client_name(sequencer_, "Skirlo bench");
        queue_ = snd_seq_alloc_queue(sequencer_);
        snd_seq_port_info_t* info = nullptr;
        snd_seq_port_info_alloca(&info);
        snd_seq_port_info_set_name(info, kName);
        snd_seq_port_info_set_capability(info, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
        snd_seq_port_info_set_type(info, SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        snd_seq_port_info_set_timestamping(info, 1);
        snd_seq_port_info_set_timestamp_real(info, 1);
        snd_seq_port_info_set_timestamp_queue(info, queue_);
        snd_seq_create_port(sequencer_, info);
        snd_seq_start_queue(sequencer_, queue_, nullptr);
        snd_seq_drain_output(sequencer_);
        thread_ = std::thread([this] { receive(); });
    }
    ~ArrivalPort() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        if (sequencer_ != nullptr) snd_seq_close(sequencer_);
    }
    bool open() const { return thread_.joinable(); }
    // Milliseconds on the port's queue at which each note-on arrived.
    std::vector<double> noteOns() const {
        const std::lock_guard lock(mutex_);
        return noteOns_;
    }

private:
    void receive() {
        while (running_) {
            snd_seq_event_t* event = nullptr;
            if (snd_seq_event_input(sequencer_, &event) < 0 || event == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            if (event->type == SND_SEQ_EVENT_NOTEON && event->data.note.velocity > 0) {
                const double ms = double(event->time.time.tv_sec) * 1000 + double(event->time.time.tv_nsec) / 1e6;
                const std::lock_guard lock(mutex_);
                noteOns_.push_back(ms);
            }
        }
    }

    snd_seq_t* sequencer_ = nullptr;
    int queue_ = 0;
    std::atomic<bool> running_{true};
    mutable std::mutex mutex_;
    std::vector<double> noteOns_;
    std::thread thread_;
};

// Plays the list into an ALSA port through the program's own MIDI services
// (the queue of its sequencer client) and measures each note-on's arrival:
// its time on the port's queue less the first note-on's, less the list's
// delays between them, as the other lateness measures of this file.
void BM_AlsaQueueLateness(benchmark::State& state) {
    if (!std::filesystem::exists("/dev/snd/seq")) {
        state.SkipWithError("this machine has no ALSA sequencer (/dev/snd/seq is missing)");
        return;
    }
    const std::vector<MidiEvent> events = syntheticPerformance(static_cast<int>(state.range(0)));
    std::vector<double> due;
    double at = 0;
    for (const MidiEvent& event : events) {
        if ((event.message & 0xF0) == 0x90 && (event.message >> 16 & 0x7F) > 0) due.push_back(at);
        at += event.delay;
    }
    std::vector<double> lateness;
    for (auto _ : state) {
        const ArrivalPort port;
        if (!port.open()) {
            state.SkipWithError("the bench's port could not be made");
            return;
        }
        const Spinner spinner;
        StderrDiagnosticLog log;
        RecordingMessageSink messages;
        SystemMidiPlatform platform(log);
        MidiDeviceLayer devices(platform, messages, log);
        const OutputDeviceList list = devices.enumerateOutputs();
        const auto found = std::find_if(list.names.begin(), list.names.end(), [](const std::string& name) {
            return name.find(ArrivalPort::kName) != std::string::npos;
        });
        if (found == list.names.end()) {
            state.SkipWithError("the bench's port is not listed");
            return;
        }
        devices.output().deviceId = static_cast<std::uint32_t>(found - list.names.begin());
        BenchPlayer player(devices, events);
        if (!player.play()) {
            state.SkipWithError("the port could not be opened");
            return;
        }
        player.waitForEnd();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        player.handleEnd();
        const std::vector<double> arrivals = port.noteOns();
        lateness.clear();
        for (std::size_t i = 0; i < std::min(arrivals.size(), due.size()); ++i) {
            lateness.push_back(arrivals[i] - arrivals[0] - (due[i] - due[0]));
        }
    }
    if (lateness.empty()) {
        state.SkipWithError("no note arrived");
        return;
    }
    state.counters["note_ons"] = double(due.size());
    state.counters["arrived"] = double(lateness.size());
    state.counters["late_median_ms"] = percentile(lateness, 0.5);
    state.counters["late_p99_ms"] = percentile(lateness, 0.99);
    state.counters["late_max_ms"] = percentile(lateness, 1.0);
    state.counters["end_drift_ms"] = lateness.back();
}
BENCHMARK(BM_AlsaQueueLateness)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond);

void renderBench(benchmark::State& state, const std::vector<MidiEvent>& events, const PlaySetup& setup,
                 bool pipes = false) {
    StderrDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    const std::uint32_t created =
        pipes ? Synthesizer::createPipes(kWavSampleRate, pipesSoundfont(SKIRLO_RESOURCE_DIR), log, synthesizer)
              : Synthesizer::create(kWavSampleRate, log, synthesizer);
    if (created != 0) {
        state.SkipWithError("no soundfont");
        return;
    }
    const auto path = (std::filesystem::temp_directory_path() / "skirlo-bench.wav").string();
    std::string error;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!renderWav(events, setup, Volumes{}, *synthesizer, path, error)) state.SkipWithError(error.c_str());
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double audio = double(renderedMilliseconds(events, setup)) / 1000;
    state.counters["audio_s"] = audio;
    state.counters["times_real_time"] = audio * double(state.iterations()) / seconds;
    std::filesystem::remove(path);
}

void BM_WavRenderSynthetic(benchmark::State& state) {
    renderBench(state, syntheticPerformance(60), PlaySetup{});
}
BENCHMARK(BM_WavRenderSynthetic)->Unit(benchmark::kMillisecond);

void BM_WavRenderExample(benchmark::State& state) {
    test::RealBuild build;
    const auto paths = test::exampleTunes();
    const auto& path = paths.at(static_cast<std::size_t>(state.range(0)));
    state.SetLabel(path.filename().string());
    auto document = build.open(test::readFile(path));
    DocumentPlayback playback;
    buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(), PlaybackOutput::Midi,
                          playback);
    renderBench(state, playback.midiEvents.events(), playSetup(playback.settings));
}
BENCHMARK(BM_WavRenderExample)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The pipes voice must render at 50 times real time or faster.
void BM_WavRenderPipes(benchmark::State& state) {
    test::RealBuild build;
    const auto paths = test::exampleTunes();
    auto document = build.open(test::readFile(paths.at(static_cast<std::size_t>(state.range(0)))));
    DocumentPlayback playback;
    buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(), PlaybackOutput::Midi,
                          playback);
    renderBench(state, playback.midiEvents.events(), playSetup(playback.settings), true);
}
BENCHMARK(BM_WavRenderPipes)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Reading the soundfont, which `skirlo-cli wav` does once per file.
void BM_SynthesizerCreate(benchmark::State& state) {
    StderrDiagnosticLog log;
    for (auto _ : state) {
        std::unique_ptr<Synthesizer> synthesizer;
        Synthesizer::create(kWavSampleRate, log, synthesizer);
        benchmark::DoNotOptimize(synthesizer.get());
    }
}
BENCHMARK(BM_SynthesizerCreate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skirlo
