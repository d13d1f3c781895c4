// Layout and drawing costs. Targets: each example tune laid out under 2 ms;
// laid out and drawn to a PNG at zoom 100 under 25 ms; a 1 MB file laid out
// under 300 ms; a PCX of 10,000 x 10,000 pixels written under 1 s.

#include <benchmark/benchmark.h>
#include <QBuffer>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "engraving/FontCreation.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "export/ExportProgress.h"
#include "export/ImageWriters.h"
#include "export/MusicImage.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"
#include "view/QtMeasuring.h"

namespace {

namespace fs = std::filesystem;
using namespace skirlo;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::vector<fs::path>& examples() {
    static const std::vector<fs::path> paths = [] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(fs::path(SKIRLO_RESOURCE_DIR) / "examples")) {
            if (entry.path().extension() == ".tnz") found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
        return found;
    }();
    return paths;
}

// Fonts and symbol map made once, as a rebuild finds them.
struct Engraver {
    Engraver() : measuring(SKIRLO_RESOURCE_DIR) {
        profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
        symbols.load(*profile, messages);
        const DerivedHeights heights = derivedHeights(settings.zoom, settings.xScale, settings.yScale);
        fonts = createFontSet(measuring, heights.height, heights.width, messages);
    }
    std::vector<std::unique_ptr<Tune>> layOut(ScriptText& script) {
        MusicLayout layout(fonts, symbols.spacing(), measuring, settings);
        const TuneBuildContext context{
            symbols, measuring, fonts, messages, fonts.height, &layout, settings.zoom * 20 / 100, 0};
        return buildTunes(script, false, context);
    }

    LayoutSettings settings;
    QtMeasuringContext measuring;
    std::unique_ptr<IniProfile> profile;
    SymbolMap symbols;
    RecordingMessageSink messages;
    FontSet fonts;
};

Engraver& engraver() {
    static Engraver instance;
    return instance;
}

void BM_LayoutExample(benchmark::State& state) {
    const fs::path& path = examples().at(static_cast<std::size_t>(state.range(0)));
    const std::string text = readText(path);
    state.SetLabel(path.stem().string());
    for (auto _ : state) {
        ScriptText script(text);
        benchmark::DoNotOptimize(engraver().layOut(script));
    }
}
BENCHMARK(BM_LayoutExample)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_LayoutAndPngExample(benchmark::State& state) {
    const fs::path& path = examples().at(static_cast<std::size_t>(state.range(0)));
    const std::string text = readText(path);
    state.SetLabel(path.stem().string());
    const MusicRenderer renderer(engraver().symbols.hiliteColour());
    for (auto _ : state) {
        ScriptText script(text);
        const auto tunes = engraver().layOut(script);
        const Extent extent = musicExtent(tunes, engraver().settings.zoom * 20 / 100);
        const QImage picture = renderPicture(tunes, extent, renderer);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        encodePng(picture, png);
        benchmark::DoNotOptimize(png.size());
    }
}
BENCHMARK(BM_LayoutAndPngExample)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_LayoutOneMegabyte(benchmark::State& state) {
    const std::string tune = readText(examples().at(1));
    std::string text;
    while (text.size() < 1'000'000) text += tune;  // each copy's header line starts a new tune
    text.resize(1'000'000);
    for (auto _ : state) {
        ScriptText script(text);
        const auto tunes = engraver().layOut(script);
        benchmark::DoNotOptimize(tunes.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LayoutOneMegabyte)->Unit(benchmark::kMillisecond);

void BM_WritePcx10000(benchmark::State& state) {
    // Staff-like rows: long white runs broken by black lines and glyphs.
    MonoBitmap bitmap(10000, 10000);
    for (int y = 0; y < bitmap.height; ++y) {
        const bool line = y % 20 < 2;
        for (int x = 0; x < bitmap.width; ++x) {
            if (line || (x * 7 + y * 3) % 97 < 5) bitmap.setBlack(x, y);
        }
    }
    const std::string path = (fs::temp_directory_path() / "skirlo-bench.pcx").string();
    SilentProgress progress;
    RecordingMessageSink messages;
    for (auto _ : state) {
        std::string error;
        const WriteOutcome outcome =
            writeMonoImage(bitmap, ImageFileFormat::Pcx, path, PcxDevice{}, progress, messages, error);
        if (outcome != WriteOutcome::Written) state.SkipWithError(error.c_str());
    }
    fs::remove(path);
}
BENCHMARK(BM_WritePcx10000)->Unit(benchmark::kMillisecond);

}  // namespace
