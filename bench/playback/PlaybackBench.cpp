// Speed of the performance build, the MIDI event list and the MIDI file writer.
//
// Targets: performance plus event list of each example tune under 0.5 ms; of
// a 1 MB tune file under 100 ms; MIDI files written at 50 MB/s or more.

#include <benchmark/benchmark.h>

#include "playback/DocumentPlayback.h"
#include "playback/MidiFileWriter.h"
#include "support/PlaybackTestSupport.h"

namespace skirlo {
namespace {

// Performance and MIDI event list, as every rebuild makes them.
void buildPlayback(benchmark::State& state, test::RealDocument& document, const Profile& profile) {
    DocumentPlayback playback;
    std::size_t events = 0;
    for (auto _ : state) {
        buildDocumentPlayback(document.tunes, document.script, document.settings, profile, PlaybackOutput::Midi,
                              playback);
        events = playback.performance.events().size();
        benchmark::DoNotOptimize(playback.midiEvents.events().data());
    }
    state.counters["events"] = static_cast<double>(events);
}

void BM_ExamplePlayback(benchmark::State& state) {
    test::RealBuild build;
    const auto paths = test::exampleTunes();
    const auto& path = paths.at(static_cast<std::size_t>(state.range(0)));
    state.SetLabel(path.filename().string());
    auto document = build.open(test::readFile(path));
    buildPlayback(state, *document, build.profile());
}
BENCHMARK(BM_ExamplePlayback)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// The example tunes' bodies repeated to just under the largest file the program opens.
std::string megabyteFile() {
    std::string body;
    for (const auto& path : test::exampleTunes()) body += test::readFile(path);
    std::string text;
    while (text.size() + body.size() < 1'048'575) text += body;
    return text;
}

void BM_MegabytePlayback(benchmark::State& state) {
    test::RealBuild build;
    auto document = build.open(megabyteFile());
    state.SetLabel(std::to_string(document->script.size()) + " bytes, " + std::to_string(document->tunes.size()) +
                   " tunes");
    buildPlayback(state, *document, build.profile());
}
BENCHMARK(BM_MegabytePlayback)->Unit(benchmark::kMillisecond);

class CountingSink final : public MidiByteSink {
public:
    std::size_t write(const std::uint8_t* data, std::size_t size) override {
        benchmark::DoNotOptimize(data);
        written += size;
        return size;
    }
    bool overwrite(std::size_t, const std::uint8_t*, std::size_t) override { return true; }
    std::size_t written = 0;
};

// The performance of the 1 MB file and the settings its MIDI file is written with.
struct MegabytePerformance {
    MegabytePerformance() : document(build.open(megabyteFile())) {
        buildDocumentPlayback(document->tunes, document->script, document->settings, build.profile(),
                              PlaybackOutput::Midi, playback);
        settings = midiFileSettings(playback.settings, document->tunes.front().get());
    }
    test::RealBuild build;
    std::unique_ptr<test::RealDocument> document;
    DocumentPlayback playback;
    MidiFileSettings settings;
};

void BM_WriteMidi(benchmark::State& state) {
    const MegabytePerformance megabyte;
    const auto& playback = megabyte.playback;
    const MidiFileSettings& settings = megabyte.settings;
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        writeMidi(sink, playback.performance.events(), settings);
        bytes += sink.written;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteMidi)->Unit(benchmark::kMillisecond);

void BM_WriteMidiFile(benchmark::State& state) {
    const MegabytePerformance megabyte;
    const auto& playback = megabyte.playback;
    const MidiFileSettings& settings = megabyte.settings;
    const std::string path = (std::filesystem::temp_directory_path() / "skirlo-bench.mid").string();
    std::size_t bytes = 0;
    for (auto _ : state) {
        writeMidiFile(path, playback.performance.events(), settings);
        bytes += std::filesystem::file_size(path);
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteMidiFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skirlo
