// Speed and memory of the symbol map lookup and the tune build.
//
// Targets: one lookup by name well under 100 ns; a 1 MB tune file built in
// well under 100 ms, linear in its size, with a tree of under 64 bytes of
// memory per byte of text.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

#include "support/NotationTestSupport.h"

namespace {

// Bytes held by live allocations (as the allocator rounds them), for the
// tree's memory per byte of text.
std::atomic<long long> liveBytes{0};

}  // namespace

// The replaced operators pair malloc and free themselves; the compiler's
// check of new against free does not see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr) throw std::bad_alloc();
    liveBytes += static_cast<long long>(malloc_usable_size(block));
    return block;
}
void operator delete(void* block) noexcept {
    if (block == nullptr) return;
    liveBytes -= static_cast<long long>(malloc_usable_size(block));
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace skirlo {
namespace {

// One tune of four parts in the style of a march, with header records,
// a comment naming the program (which starts the next tune) and in-line texts.
std::string marchTune(int number) {
    std::string tune = "\r\n\"Skirlo example " + std::to_string(number) + "\"\r\n"
                       "\"The Test March\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n"
                       "\"March\",(Y,C,0,0,Times New Roman,14,400,0,0,18,0,0,0)\r\n"
                       "TuneTempo,80\r\n";
    const std::string line = "& sharpf sharpc 4_4\tLA_4\tLAr_8 'la Bl_8\tdbe C_4\tgg Cr_8 El_8 !\r\n"
                             "\tstrla LA_4 tie\tLA_4\t^3s LAr_8 Bl_8 Cr_8 ^3e\tHA_4 fine !\r\n"
                             "\t'1 LG_4\tB_4 _'\t\"2nd\",(I,L,0,0,Times New Roman,9,400,0,0,0,0,0,0) D_8 ''!I\r\n";
    for (int part = 0; part < 4; ++part) tune += "I!'' " + line;
    return tune;
}

std::string tuneFile(std::size_t size) {
    std::string text = "Chantrel:1.0\r\n";
    for (int number = 1; text.size() < size; ++number) text += marchTune(number);
    return text;
}

void BM_SymbolMapLookup(benchmark::State& state) {
    SymbolMap map = test::notationTestMap();
    // A map the size of the standard vocabulary.
    for (int i = 0; i < 300; ++i) {
        SymbolMapEntry entry;
        entry.name = "name" + std::to_string(i);
        map.insert(2 + i % 6, entry);
    }
    const std::vector<std::string> names = {"LA_4", "Bl_8", "dbe", "'la", "^3e", "name250", "!", "_bs", "bogus"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(names[i]));
        i = i + 1 == names.size() ? 0 : i + 1;
    }
}
BENCHMARK(BM_SymbolMapLookup);

void BM_BuildTunes(benchmark::State& state) {
    test::NotationBuild build;
    const std::string text = tuneFile(static_cast<std::size_t>(state.range(0)));
    std::size_t tunes = 0;
    long long treeBytes = 0;
    for (auto _ : state) {
        const long long before = liveBytes.load();
        auto built = build.build(text);
        treeBytes = liveBytes.load() - before;
        tunes = built.size();
        benchmark::DoNotOptimize(built);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["tunes"] = static_cast<double>(tunes);
    state.counters["treeBytesPerTextByte"] = static_cast<double>(treeBytes) / static_cast<double>(text.size());
}
BENCHMARK(BM_BuildTunes)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// One tune whose body is a single long run of parts.
void BM_BuildOneLongTune(benchmark::State& state) {
    test::NotationBuild build;
    std::string text = marchTune(1);
    const std::string part = "I! & LA_4 Bl_8\tC_4 tie C_4 ! D_8 'la El_8\t^3s LA_4 B_4 C_4 ^3e !t\r\n"
                             "& HA_4 fine\tLG_4 coda !I\r\n";
    while (text.size() < static_cast<std::size_t>(state.range(0))) text += part;
    for (auto _ : state) benchmark::DoNotOptimize(build.build(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BuildOneLongTune)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skirlo
