// The Modern engraving against the Classic one, on the same work: an example
// laid out and drawn to a PNG at zoom 100, and a 1 MB file laid out. Target:
// Modern at most 20 % slower than Classic. The style is the argument: 0
// Classic, 1 Modern.

#include <benchmark/benchmark.h>
#include <QBuffer>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/MessageSink.h"
#include "engraving/FontCreation.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "export/MusicImage.h"
#include "notation/SymbolMap.h"
#include "notation/TuneBuilder.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"
#include "view/QtMeasuring.h"

namespace {

namespace fs = std::filesystem;
using namespace skirlo;

std::string example(const char* name) {
    std::ifstream in(fs::path(SKIRLO_RESOURCE_DIR) / "examples" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Fonts and symbol map made once, as a rebuild finds them; the layout as
// layOutMusic runs it, the Modern tunes brought to one width.
struct StyledEngraver {
    StyledEngraver() : measuring(SKIRLO_RESOURCE_DIR) {
        profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
        symbols.load(*profile, messages);
        const LayoutSettings settings;
        const DerivedHeights heights = derivedHeights(settings.zoom, settings.xScale, settings.yScale);
        fonts = createFontSet(measuring, heights.height, heights.width, messages);
    }
    std::vector<std::unique_ptr<Tune>> layOut(const std::string& text, EngravingStyle style) {
        LayoutSettings settings;
        settings.engraving = style;
        ScriptText script(text);
        MusicLayout layout(fonts, symbols.spacing(), measuring, settings);
        const TuneBuildContext context{symbols, measuring, fonts, messages, fonts.height, &layout, leftX, 0};
        std::vector<std::unique_ptr<Tune>> tunes = buildTunes(script, false, context);
        if (style == EngravingStyle::Modern) giveTunesOneWidth(tunes, layout);
        return tunes;
    }
    static constexpr int leftX = 20;
    QtMeasuringContext measuring;
    std::unique_ptr<IniProfile> profile;
    SymbolMap symbols;
    RecordingMessageSink messages;
    FontSet fonts;
};

StyledEngraver& engraver() {
    static StyledEngraver instance;
    return instance;
}

EngravingStyle styleOf(const benchmark::State& state) {
    return state.range(0) == 0 ? EngravingStyle::Classic : EngravingStyle::Modern;
}

void BM_StyleLayoutAndPng(benchmark::State& state) {
    const std::string text = example("highland-laddie.tnz");
    state.SetLabel(std::string(engravingStyleName(styleOf(state))));
    const MusicRenderer renderer(engraver().symbols.hiliteColour());
    for (auto _ : state) {
        const auto tunes = engraver().layOut(text, styleOf(state));
        const QImage picture = renderPicture(tunes, musicExtent(tunes, StyledEngraver::leftX), renderer);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        encodePng(picture, png);
        benchmark::DoNotOptimize(png.size());
    }
}
BENCHMARK(BM_StyleLayoutAndPng)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

void BM_StyleLayoutOneMegabyte(benchmark::State& state) {
    const std::string tune = example("highland-laddie.tnz");
    std::string text;
    while (text.size() < 1'000'000) text += tune;  // each copy's header line starts a new tune
    text.resize(1'000'000);
    state.SetLabel(std::string(engravingStyleName(styleOf(state))));
    for (auto _ : state) benchmark::DoNotOptimize(engraver().layOut(text, styleOf(state)).size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_StyleLayoutOneMegabyte)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace
