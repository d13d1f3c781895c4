// Timing of live playback on the real monotonic clock, and the speed of WAV
// rendering through the built-in synthesizer.
//
// Targets: over a 60-second performance, with the other core kept busy, each
// message's lateness against its due time has a 99th percentile under 1 ms,
// and the last message is less than 2 ms late (no drift); WAV files render at
// least 50 times faster than real time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "common/MessageSink.h"
#include "playback/DocumentPlayback.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/PlaybackScheduler.h"
#include "playback/live/SpeakerTone.h"
#include "playback/live/Synthesizer.h"
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

// Plays the list in real time and measures each message's lateness.
void BM_SchedulerLateness(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const std::vector<MidiEvent> events = syntheticPerformance(seconds);
    std::vector<double> lateness;
    double endDrift = 0;
    for (auto _ : state) {
        std::atomic<bool> busy{true};
        std::thread spinner([&busy] {
            volatile std::uint64_t work = 0;
            while (busy) work = work + 1;
        });
        TimingPlatform platform;
        platform.arrivals.reserve(events.size() + 16);
        RecordingMessageSink messages;
        RecordingDiagnosticLog log;
        MidiDeviceLayer devices(platform, messages, log);
        devices.enumerateOutputs();
        devices.output().deviceId = 0;
        NoPorts ports;
        SpeakerTone speaker(ports);
        SteadyPlaybackClock clock;
        std::atomic<bool> ended{false};
        PlaybackNotifications notifications;
        notifications.end = [&ended] { ended = true; };
        PlaybackScheduler scheduler(devices, speaker, clock, notifications);
        PlaySetup setup;
        setup.droneIntroduction = 0;
        scheduler.setSetup(setup);
        scheduler.setLists(&events, nullptr);
        const Clock::time_point start = Clock::now();
        scheduler.play();
        while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        busy = false;
        spinner.join();
        scheduler.handleEnd();

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

void renderBench(benchmark::State& state, const std::vector<MidiEvent>& events, const PlaySetup& setup) {
    StderrDiagnosticLog log;
    std::unique_ptr<Synthesizer> synthesizer;
    if (Synthesizer::create(kWavSampleRate, log, synthesizer) != 0) {
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
