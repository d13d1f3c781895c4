// The tune library on a band's worth of tunes: 10,000 generated tunes in
// 1,000 files. Targets: indexing from scratch under 3 s, a rescan with
// nothing changed under 0.3 s, a search among them under 20 ms.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "GeneratedTunes.h"
#include "common/MessageSink.h"
#include "library/LibraryIndex.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"

namespace {

namespace fs = std::filesystem;
using namespace skirlo;

constexpr int kFiles = 1000;
constexpr int kTunesPerFile = 10;

const char* const kTypes[] = {"March", "Strathspey", "Reel", "Jig", "Slow Air", "Hornpipe"};
const char* const kTimes[] = {"2_4", "4_4", "4_4", "6_8", "3_4", "C"};

struct Library {
    Library() {
        RecordingMessageSink sink;
        symbols.load(*IniProfile::open(SKIRLO_RESOURCE_DIR "/QTN32.INI"), sink);
        root = fs::temp_directory_path() / ("skirlo-library-bench-" + std::to_string(::getpid()));
        fs::remove_all(root);
        for (int file = 0; file < kFiles; ++file) {
            std::vector<test::GeneratedTune> book;
            for (int t = 0; t < kTunesPerFile; ++t) {
                const int n = file * kTunesPerFile + t;
                book.push_back({"Tune " + std::to_string(n) + " of Gl\xE9nn Dubh " + std::to_string(n % 97),
                                kTypes[n % 6], "Composer " + std::to_string(n % 150), "Book " + std::to_string(file),
                                kTimes[n % 6], 2 + n % 3});
            }
            test::writeTuneFile(root / ("band" + std::to_string(file / 100)) / ("book" + std::to_string(file) + ".tnz"),
                                book);
        }
    }
    ~Library() { fs::remove_all(root); }
    std::string database() const { return (root / "library.sqlite").string(); }
    void fresh() const {
        for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(database() + suffix);
    }

    SymbolMap symbols;
    fs::path root;
};

Library& library() {
    static Library shared;
    return shared;
}

void BM_IndexFromScratch(benchmark::State& state) {
    Library& lib = library();
    for (auto _ : state) {
        state.PauseTiming();
        lib.fresh();
        state.ResumeTiming();
        LibraryIndex index(lib.database(), lib.symbols);
        const ScanReport report = index.addFolders({lib.root.string()});
        if (report.tunesRead != kFiles * kTunesPerFile) state.SkipWithError("not every tune was indexed");
    }
    state.counters["tunes"] = kFiles * kTunesPerFile;
}
BENCHMARK(BM_IndexFromScratch)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RescanUnchanged(benchmark::State& state) {
    Library& lib = library();
    lib.fresh();
    LibraryIndex index(lib.database(), lib.symbols);
    index.addFolders({lib.root.string()});
    for (auto _ : state) {
        const ScanReport report = index.rescan();
        if (report.filesUnchanged != kFiles) state.SkipWithError("files were read again");
    }
}
BENCHMARK(BM_RescanUnchanged)->Unit(benchmark::kMillisecond);

const char* const kQueries[] = {"glenn", "gl", "composer 12", "t", "dubh 42 strath"};

// Each query on its own: "t" begins a word of every tune, the worst case of
// the first letter typed; "composer 12" the common case of a few rows.
void BM_Search(benchmark::State& state) {
    Library& lib = library();
    LibraryIndex index(lib.database(), lib.symbols);
    if (index.findTunes({}).size() != kFiles * kTunesPerFile) index.addFolders({lib.root.string()});
    TuneQuery query;
    query.words = kQueries[state.range(0)];
    std::size_t found = 0;
    for (auto _ : state) found = index.findTunes(query).size();
    state.SetLabel(query.words);
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_Search)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
