// skirlo-cli print FILE -o OUT.pdf [--paper A4|Letter|Legal] [--dpi N]: the
// music printed as the desktop program's Print command prints it, to a PDF
// file of our own writer: one PDF page per printed page, laid out by the
// tune's own page settings at the printer's resolution, written as each page
// is laid out.

#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/ImageCommand.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "document/MusicSettings.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "export/PdfPrint.h"
#include "fonts/FreeTypeMeasuringContext.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

// Passes the pages on to be painted, and notes texts written in UTF-8 once,
// as the tunes come by: they are let go as soon as their pages are painted.
class NotingPages final : public PageSink {
public:
    NotingPages(PageSink& pages, const std::string& input) : pages_(pages), input_(input) {}

    bool pageFinished(PrintedMusic& printed, int page) override {
        if (!noted_) noted_ = noteUtf8Texts(input_, printed.music);
        return pages_.pageFinished(printed, page);
    }

private:
    PageSink& pages_;
    const std::string& input_;
    bool noted_ = false;
};

constexpr int kMinDpi = 72;
constexpr int kMaxDpi = 2400;

const CommandSpec kPrint{
    "print", "FILE -o OUT.pdf [--paper A4|Letter|Legal] [--dpi N] [--engraving STYLE] [--profile FILE]",
    "Prints the music of FILE as the desktop program's Print command does, to a PDF file: one page of the PDF\n"
    "for every printed page, laid out by the tune's own page settings (TuneFormat and FontSizes lines).",
    {"FILE"},
    {{"o,output", "OUT.pdf", "the PDF to write; - for standard output"},
     {"paper", "NAME", "A4 (the default), Letter or Legal"},
     {"dpi", "N", "the printer's resolution, a whole number from 72 to 2400 (default 600)"},
     {"engraving", "STYLE", "classic or modern (default: the profile's EngravingStyle, else classic)"}}};

// A paper's width and height in whole points, as printer drivers name them.
struct Paper {
    double width = 0;
    double height = 0;
};

std::optional<Paper> paperNamed(const std::string& name) {
    if (name == "A4") return Paper{595, 842};
    if (name == "Letter") return Paper{612, 792};
    if (name == "Legal") return Paper{612, 1008};
    return std::nullopt;
}

}  // namespace

int runPrint(const std::vector<std::string>& args) {
    CommandLine line(kPrint);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT.pdf");
    if (const std::string problem = extensionProblem(*out, ".pdf"); !problem.empty()) return line.usageError(problem);
    const std::string paperText = line.value("paper").value_or("A4");
    std::optional<Paper> paper = paperNamed(paperText);
    if (!paper) return line.usageError("--paper takes A4, Letter or Legal, not '" + paperText + "'");
    const std::optional<std::string> dpiText = line.value("dpi");
    const std::optional<int> dpi = dpiText ? strictInt(*dpiText, kMinDpi, kMaxDpi) : std::optional<int>(kPrintedPageDpi);
    if (!dpi) return line.usageError("--dpi takes a whole number from 72 to 2400, not '" + *dpiText + "'");
    const auto engraving = readEngraving(line);
    if (const int* status = std::get_if<int>(&engraving)) return *status;
    OutputFile output(*out, ".pdf");
    if (!output.open()) return 1;
    std::unique_ptr<CliEnvironment> environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const std::string& input = line.files()[0];

    const std::unique_ptr<TuneDocument> document = loadDocument(input, *environment, FileNeed::Music);
    if (!document) return 1;

    PrintSettings settings = printLayoutOf(document->settings(), *environment->profile);
    if (const auto style = std::get<std::optional<EngravingStyle>>(engraving)) settings.engraving = *style;

    ReplacementFile file(output.path(), Durability::Renamed);
    std::string error;
    if (!file.open(error)) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    if (settings.tune.format.orientation == 'L') std::swap(paper->width, paper->height);
    FreeTypeMeasuringContext measuring(environment->resourceDir, *dpi, *dpi, true);
    const MusicRenderer renderer(environment->symbols.hiliteColour());
    PdfPagePrinter printer(renderer, paper->width, paper->height, *dpi, [&file](std::string_view piece) {
        return file.write(piece.data(), piece.size());
    });
    NotingPages pages(printer, input);
    const PrintedMusic printed = layOutForPrinting(document->script(), environment->symbols, measuring,
                                                   environment->messages, settings, printer.device(), &pages);
    const int painted = printer.finish(input);
    // The pages are written as they are laid out; an error in a later tune
    // leaves the file unfinished, and it is never put in place.
    if (musicHasErrors(*environment, input, *out)) return 1;
    if (painted == 0) {
        // A failed write makes the commit fail, with its reason, and the
        // file is not put in place.
        if (file.failed() && !file.commit(error)) {
            std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        } else {
            std::fprintf(stderr, "skirlo-cli print: no page could be written to %s\n", out->c_str());
        }
        return 1;
    }
    if (!file.commit(error)) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    if (!output.toStandardOutput()) {
        std::printf("%s: %d page%s\n", out->c_str(), painted, painted == 1 ? "" : "s");
        for (const std::string& note : printNotes(printed)) std::printf("%s: %s\n", out->c_str(), note.c_str());
    }
    return output.finish() ? 0 : 1;
}

}  // namespace skirlo
