// skirlo-cli print FILE -o OUT.pdf [--paper A4|Letter|Legal] [--dpi N]: the
// music printed as the desktop program's Print command prints it, to a PDF
// printer: one PDF page per printed page, laid out by the tune's own page
// settings at the printer's resolution.

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CliGui.h"
#include "tunefile/FileReplace.h"
#include "view/MusicLayout.h"
#include "view/MusicRenderer.h"
#include "view/QtMeasuring.h"
#include "view/QtMusicPrint.h"

namespace skirlo {

namespace {

constexpr int kMinDpi = 72;
constexpr int kMaxDpi = 2400;
constexpr int kDefaultDpi = 600;
constexpr const char* kUsage = "usage: skirlo-cli print FILE -o OUT.pdf [--paper A4|Letter|Legal] [--dpi N]";
constexpr const char* kHelp =
    "Prints the music of FILE as the desktop program's Print command does, to a PDF file: one page of the PDF\n"
    "for every printed page, laid out by the tune's own page settings (TuneFormat and FontSizes lines).\n"
    "  -o OUT.pdf      the PDF to write\n"
    "  --paper NAME    A4 (the default), Letter or Legal\n"
    "  --dpi N         the printer's resolution, 72 to 2400 (default 600)\n"
    "  --profile FILE  the profile to read instead of the usual one\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli print: %s\n", message.c_str());
    return 1;
}

std::optional<QPageSize::PageSizeId> paperNamed(const std::string& name) {
    if (name == "A4") return QPageSize::A4;
    if (name == "Letter") return QPageSize::Letter;
    if (name == "Legal") return QPageSize::Legal;
    return std::nullopt;
}

std::optional<int> dpiFrom(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int dpi = std::stoi(text);
    if (dpi < kMinDpi || dpi > kMaxDpi) return std::nullopt;
    return dpi;
}

bool endsWithPdf(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".pdf";
}

}  // namespace

int runPrint(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments) {
        if (a == "--help" || a == "-h") {
            std::printf("%s\n%s", kUsage, kHelp);
            return 0;
        }
    }
    std::vector<std::string> args = arguments;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    const std::optional<std::string> paperText = takeOption(args, "--paper", error);
    const std::optional<std::string> dpiText = takeOption(args, "--dpi", error);
    if (!error.empty()) return fail(error + "\n" + kUsage);
    if (!out || !endsWithPdf(*out)) return fail(std::string("the output must be a .pdf file named after -o\n") + kUsage);
    const std::optional<QPageSize::PageSizeId> paper = paperNamed(paperText.value_or("A4"));
    if (!paper) return fail("--paper takes A4, Letter or Legal, not '" + *paperText + "'");
    const std::optional<int> dpi = dpiText ? dpiFrom(*dpiText) : std::optional<int>(kDefaultDpi);
    if (!dpi) return fail("--dpi takes a whole number from 72 to 2400, not '" + *dpiText + "'");
    std::unique_ptr<CliEnvironment> environment = openEnvironment(args);
    if (!environment) return 1;
    if (args.size() != 1) return fail(kUsage);

    const std::unique_ptr<QGuiApplication> application = ensureGuiApplication();
    const std::unique_ptr<TuneDocument> document = loadDocument(args[0], *environment);
    if (!document) return 1;

    PrintSettings settings;
    settings.tune = document->settings();
    settings.verticalSpacing = environment->profile->getInt("Symbols", "VerticalSpacingBetweenTunes", 250);
    settings.ballSize = environment->profile->getInt("PlayOptions", "BouncingBallSize", kDefaultBallSize);

    // Drawn whole into memory, so that a failed write never leaves part of a PDF behind.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(*dpi);
    writer.setTitle(QString::fromStdString(args[0]));
    const auto orientation = settings.tune.format.orientation == 'L' ? QPageLayout::Landscape : QPageLayout::Portrait;
    writer.setPageLayout(QPageLayout(QPageSize(*paper), orientation, QMarginsF()));

    QtMeasuringContext measuring(environment->resourceDir, *dpi, *dpi, true);
    PrintedMusic printed = layOutForPrinting(document->script(), environment->symbols, measuring,
                                             environment->messages, settings, printDeviceOf(writer));
    const MusicRenderer renderer(environment->symbols.hiliteColour());
    const int pages = paintPages(printed, renderer, writer, SurfaceKind::Printer, 1, printed.pageCount);
    if (pages == 0) return fail("cannot draw on the PDF writer for " + *out);
    buffer.close();
    const QByteArray& bytes = buffer.data();
    if (!replaceFileContents(*out, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                             error)) {
        return fail(error);
    }
    std::printf("%s: %d page%s\n", out->c_str(), pages, pages == 1 ? "" : "s");
    return 0;
}

}  // namespace skirlo
