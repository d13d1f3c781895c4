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
#include "document/MusicSettings.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"

namespace skirlo {

namespace fs = std::filesystem;

namespace {


const CommandSpec kImage{
    "image", "FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N] [--format FORMAT] [--profile FILE]",
    "Writes the sheet music of every tune in FILE as one picture. PCX and BMP are black and white, exactly as\n"
    "the desktop program's image export writes them; PNG is anti-aliased; SVG and PDF are drawn as vectors.\n"
    "The extension of OUT chooses the format.",
    {"FILE"},
    {{"o,output", "OUT", "the picture to write (.pcx, .bmp, .png, .svg or .pdf); - for standard output"},
     {"format", "FORMAT", "with -o -: pcx, bmp, png (the default), svg or pdf"},
     {"zoom", "N", "the size in percent, 1 to 1000 (default: the tune's own zoom)"}}};

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli: %s\n", message.c_str());
    return 1;
}

}  // namespace

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
    ImageRequest request{line.files()[0], *out, *out == "-" ? extension : fs::path(*out).extension().string(),
                         std::nullopt, line.value("profile")};
    if (const std::optional<std::string> zoomText = line.value("zoom")) {
        request.zoom = strictInt(*zoomText, kMinZoom, kMaxZoom);
        if (!request.zoom) {
            return line.usageError("--zoom takes a whole percent from 1 to 1000, not '" + *zoomText + "'");
        }
    }
    return request;
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
    const std::unique_ptr<TuneDocument> document = loadDocument(request.file, *environment, FileNeed::Music);
    if (!document) return 1;

    LayoutSettings settings = screenLayoutOf(document->settings(), *environment->profile);
    if (request.zoom) settings.zoom = *request.zoom;
    const DerivedHeights heights = derivedHeights(settings.zoom, settings.xScale, settings.yScale);
    if (heights.height < 1) {
        return fail("the music cannot be drawn at zoom " + std::to_string(settings.zoom) +
                    " with a vertical scale of " + std::to_string(settings.yScale) + " percent");
    }
    // The document's first build, laid out as the music view lays it out.
    document->layOut(environment->symbols, *measuring, environment->messages, settings);
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
        std::printf("%s: %d x %d\n", request.out.c_str(), music.extent.width, music.extent.height);
    }
    return 0;
}

}  // namespace skirlo
