// Start-up cost of the music fonts: creating the nine fonts of a build, and
// the whole first start (reading the font files and the default symbol map).
// Target: under 30 ms.

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <string>

#include "common/MessageSink.h"
#include "engraving/FontCreation.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "view/QtMeasuring.h"

namespace {

// A rebuild at zoom 100 %: H = 130, W = 117 (X scale 90 %).
void BM_CreateFontSet(benchmark::State& state) {
    skirlo::QtMeasuringContext context(SKIRLO_RESOURCE_DIR);
    skirlo::RecordingMessageSink messages;
    for (auto _ : state) {
        skirlo::FontSet set = skirlo::createFontSet(context, 130, 117, messages);
        benchmark::DoNotOptimize(set.fonts[0]->glyphBox(33));
    }
}
BENCHMARK(BM_CreateFontSet)->Unit(benchmark::kMillisecond);

// First start: the font files are read and the symbol map is loaded.
void BM_StartUpFontsAndSymbolMap(benchmark::State& state) {
    const std::string profilePath = std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI";
    for (auto _ : state) {
        skirlo::QtMeasuringContext context(SKIRLO_RESOURCE_DIR);
        skirlo::RecordingMessageSink messages;
        const auto profile = skirlo::IniProfile::open(profilePath);
        skirlo::SymbolMap map;
        map.load(*profile, messages);
        skirlo::FontSet set = skirlo::createFontSet(context, 130, 117, messages);
        benchmark::DoNotOptimize(set.fonts[0]->glyphBox(33));
        benchmark::DoNotOptimize(map.find("LG_4").entry);
    }
}
BENCHMARK(BM_StartUpFontsAndSymbolMap)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
