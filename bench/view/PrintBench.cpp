// Printing a book of fifty tunes to a PDF, as skirlo-cli print does: the
// layout for a 600 dpi A4 printer, the pages and the PDF's bytes in memory.
// Target: under 2 s for the whole book.

#include <benchmark/benchmark.h>
#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/MessageSink.h"
#include "engraving/MusicRenderer.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"
#include "tunefile/ScriptText.h"
#include "view/QtMeasuring.h"
#include "view/QtMusicPrint.h"

namespace {

namespace fs = std::filesystem;
using namespace skirlo;

// The march fifty times over, each copy a tune of its own with its own title.
std::string fiftyTuneBook() {
    std::ifstream in(fs::path(SKIRLO_RESOURCE_DIR) / "examples" / "highland-laddie.tnz", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    const std::size_t start = text.find("\"Highland Laddie\"");
    const std::string tune = text.substr(start + std::string("\"Highland Laddie\"").size());
    std::string book = text.substr(0, start) + "\"Book Tune 1\"" + tune;
    for (int n = 2; n <= 50; ++n) {
        book += "\r\n\"Skirlo: tune " + std::to_string(n) + "\"\r\n\r\n\"Book Tune " + std::to_string(n) + "\"" + tune;
    }
    return book;
}

void BM_PrintFiftyTuneBookToPdf(benchmark::State& state) {
    RecordingMessageSink messages;
    const std::unique_ptr<IniProfile> profile = IniProfile::open(std::string(SKIRLO_RESOURCE_DIR) + "/QTN32.INI");
    SymbolMap symbols;
    symbols.load(*profile, messages);
    const ScriptText script(fiftyTuneBook());
    PrintSettings settings;  // the default page settings: 0.25" staves, multiple pages
    const MusicRenderer renderer(kBlack);
    int pages = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        QtMeasuringContext printer(SKIRLO_RESOURCE_DIR, 600, 600, true);
        PagePainter painter(renderer, writer, SurfaceKind::Printer, 1, INT_MAX);
        layOutForPrinting(script, symbols, printer, messages, settings, printDeviceOf(writer), &painter);
        pages = painter.finish();
        bytes = buffer.size();
    }
    state.counters["pages"] = pages;
    state.counters["pdfBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PrintFiftyTuneBookToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
