// skirlo-cli image FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N]: the sheet
// music of every tune as one picture of the music extent. PCX and BMP are
// the 1-bit files of the image export; PNG is anti-aliased; SVG and PDF are
// drawn as vectors. The extension is the only choice of format.
//
// This part knows no Qt, so that the vector helper, which links it, never
// loads Qt.

#include "cli/ImageCommand.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "cli/TreeJson.h"
#include "document/MusicSettings.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "export/PictureFrame.h"

namespace skirlo {

namespace fs = std::filesystem;

namespace {


const CommandSpec kImage{
    "image", "FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N] [--engraving STYLE] [--format FORMAT] [--profile FILE]",
    "Writes the sheet music of every tune in FILE as one picture. PCX and BMP are black and white, exactly as\n"
    "the desktop program's image export writes them; PNG is anti-aliased; SVG and PDF are drawn as vectors.\n"
    "The extension of OUT chooses the format.",
    {"FILE"},
    {{"o,output", "OUT", "the picture to write (.pcx, .bmp, .png, .svg or .pdf); - for standard output"},
     {"format", "FORMAT", "with -o -: pcx, bmp, png (the default), svg or pdf"},
     {"zoom", "N", "the size in percent, 1 to 1000 (default: the tune's own zoom)"},
     {"engraving", "STYLE", "classic or modern (default: the profile's EngravingStyle, else classic)"}}};

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli: %s\n", message.c_str());
    return 1;
}

// The zoom option, or the exit status of a usage mistake.
std::variant<std::optional<int>, int> readZoom(const CommandLine& line) {
    const std::optional<std::string> text = line.value("zoom");
    if (!text) return std::optional<int>{};
    if (const std::optional<int> zoom = strictInt(*text, kMinZoom, kMaxZoom)) return zoom;
    return line.usageError("--zoom takes a whole percent from 1 to 1000, not '" + *text + "'");
}

// The document laid out as the music view lays it out, at the zoom and in
// the style asked for; null with the message printed when it cannot be.
std::unique_ptr<TuneDocument> laidOutDocument(const std::string& file, CliEnvironment& environment,
                                              MeasuringContext& measuring, std::optional<int> zoom,
                                              std::optional<EngravingStyle> engraving) {
    std::unique_ptr<TuneDocument> document = loadDocument(file, environment, FileNeed::Music);
    if (!document) return nullptr;
    LayoutSettings settings = screenLayoutOf(document->settings(), *environment.profile);
    if (zoom) settings.zoom = *zoom;
    if (engraving) settings.engraving = *engraving;
    const DerivedHeights heights = derivedHeights(settings.zoom, settings.xScale, settings.yScale);
    if (heights.height < 1) {
        fail("the music cannot be drawn at zoom " + std::to_string(settings.zoom) + " with a vertical scale of " +
             std::to_string(settings.yScale) + " percent");
        return nullptr;
    }
    // The document's first build, laid out as the music view lays it out.
    document->layOut(environment.symbols, measuring, environment.messages, settings);
    return document;
}

// The size of the file written: pictures of pixels from PNG on, and the
// vector pictures, have a margin round the music; PCX and BMP are the bare
// extent.
Extent writtenSize(const LaidOutMusic& music, ImageFileFormat format) {
    if (format == ImageFileFormat::Pcx || format == ImageFileFormat::Bmp) return music.extent;
    return pictureSize(music.tunes, music.extent);
}

}  // namespace

std::variant<std::optional<EngravingStyle>, int> readEngraving(const CommandLine& line) {
    const std::optional<std::string> text = line.value("engraving");
    if (!text) return std::optional<EngravingStyle>{};
    if (const std::optional<EngravingStyle> style = engravingStyleNamed(*text)) return style;
    return line.usageError("--engraving takes classic or modern, not '" + *text + "'");
}

int runLayoutTree(const std::vector<std::string>& args, const MeasuringFactory& makeMeasuring) {
    CommandLine line(treeCommandSpec());
    if (const auto status = line.parse(args)) return *status;
    const auto zoom = readZoom(line);
    if (const int* status = std::get_if<int>(&zoom)) return *status;
    const auto engraving = readEngraving(line);
    if (const int* status = std::get_if<int>(&engraving)) return *status;
    std::unique_ptr<CliEnvironment> environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const std::unique_ptr<MeasuringContext> measuring = makeMeasuring(*environment);
    const std::unique_ptr<TuneDocument> document =
        laidOutDocument(line.files()[0], *environment, *measuring, std::get<std::optional<int>>(zoom),
                        std::get<std::optional<EngravingStyle>>(engraving));
    if (!document) return 1;
    const MusicRenderer renderer(environment->symbols.hiliteColour());
    if (writeTreeJson(document->music().tunes, stdout, &renderer)) return 0;
    return fail("the tree could not be written to standard output");
}

std::variant<ImageRequest, int> readImageRequest(const std::vector<std::string>& args) {
    CommandLine line(kImage);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT");
    const std::string formats = ".pcx,.bmp,.png,.svg,.pdf";
    if (const std::string problem = extensionProblem(*out, formats); !problem.empty()) return line.usageError(problem);
    // Standard output has no name to tell the format by.
    const std::string extension = "." + line.value("format").value_or("png");
    if (!extensionProblem("-" + extension, formats).empty()) {
        return line.usageError("--format takes pcx, bmp, png, svg or pdf, not '" + extension.substr(1) + "'");
    }
    const auto zoom = readZoom(line);
    if (const int* status = std::get_if<int>(&zoom)) return *status;
    const auto engraving = readEngraving(line);
    if (const int* status = std::get_if<int>(&engraving)) return *status;
    return ImageRequest{line.files()[0],
                        *out,
                        *out == "-" ? extension : fs::path(*out).extension().string(),
                        std::get<std::optional<int>>(zoom),
                        line.value("profile"),
                        std::get<std::optional<EngravingStyle>>(engraving)};
}

bool drawsVectors(const ImageRequest& request) {
    const std::optional<ImageFileFormat> format = imageFormatForExtension(request.extension);
    return format == ImageFileFormat::Svg || format == ImageFileFormat::Pdf;
}

int drawImage(const ImageRequest& request, const MeasuringFactory& makeMeasuring, const PictureWriter& write) {
    OutputFile output(request.out, request.extension);
    if (!output.open()) return 1;
    std::unique_ptr<CliEnvironment> environment = openEnvironment(request.profile);
    if (!environment) return 1;
    const std::unique_ptr<MeasuringContext> measuring = makeMeasuring(*environment);
    const std::unique_ptr<TuneDocument> document =
        laidOutDocument(request.file, *environment, *measuring, request.zoom, request.engraving);
    if (!document) return 1;
    if (musicHasErrors(*environment, request.file, request.out)) return 1;
    const LaidOutMusic& music = document->music();
    noteUtf8Texts(request.file, music);
    const MusicRenderer renderer(environment->symbols.hiliteColour());
    std::string error;
    const PictureJob job{music, renderer, *imageFormatForExtension(output.path()), output.path(), *measuring,
                         environment->messages};
    const WriteOutcome outcome = write(job, error);
    if (outcome == WriteOutcome::Cancelled) return 1;
    if (outcome == WriteOutcome::Failed) return fail(error);
    if (!output.finish()) return 1;
    if (!output.toStandardOutput()) {
        const Extent size = writtenSize(music, job.format);
        std::printf("%s: %d x %d\n", request.out.c_str(), size.width, size.height);
    }
    return 0;
}

}  // namespace skirlo
