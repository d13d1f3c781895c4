// skirlo-cli image FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N]: the sheet
// music of every tune as one picture of the music extent. PCX and BMP are
// the 1-bit files of the image export; PNG is anti-aliased; SVG and PDF are
// drawn as vectors. Any other extension writes PCX.

#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CliGui.h"
#include "common/LenientNumber.h"
#include "export/ExportProgress.h"
#include "export/ImageWriters.h"
#include "export/MusicImage.h"
#include "view/MusicLayout.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

constexpr int kMinZoom = 1;
constexpr int kMaxZoom = 1000;

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli image: %s\n", message.c_str());
    return 1;
}

PcxDevice screenDevice(const QtMeasuringContext& measuring) {
    PcxDevice device;
    device.pixelsPerInchX = measuring.pixelsPerInchX();
    device.pixelsPerInchY = measuring.pixelsPerInchY();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        device.screenWidth = screen->size().width();
        device.screenHeight = screen->size().height();
    }
    return device;
}

int writePicture(const LaidOutMusic& music, const MusicRenderer& renderer, const std::string& out,
                 const PcxDevice& device, MessageSink& messages) {
    std::string error;
    const ImageFileFormat format = imageFormatForPath(out);
    bool written = false;
    switch (format) {
        case ImageFileFormat::Png:
            written = writePng(music.tunes, music.extent, renderer, out, error);
            break;
        case ImageFileFormat::Svg:
            written = writeSvg(music.tunes, music.extent, renderer, out, error);
            break;
        case ImageFileFormat::Pdf:
            written = writePdf(music.tunes, music.extent, renderer, out, error);
            break;
        case ImageFileFormat::Pcx:
        case ImageFileFormat::Bmp: {
            const MonoBitmap bitmap = renderMonoBitmap(music.tunes, music.extent, renderer);
            TerminalProgress progress;
            const WriteOutcome outcome = writeMonoImage(bitmap, format, out, device, progress, messages, error);
            if (outcome == WriteOutcome::Cancelled) return 1;
            written = outcome == WriteOutcome::Written;
            break;
        }
    }
    if (!written) return fail(error);
    std::printf("%s: %d x %d\n", out.c_str(), music.extent.width, music.extent.height);
    return 0;
}

}  // namespace

int runImage(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    const std::optional<std::string> zoomText = takeOption(args, "--zoom", error);
    if (!error.empty()) return fail(error);
    std::unique_ptr<CliEnvironment> environment = openEnvironment(args);
    if (!environment) return 1;
    if (!out || args.size() != 1) return fail("usage: skirlo-cli image FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N]");

    const std::unique_ptr<QGuiApplication> application = ensureGuiApplication();
    QtMeasuringContext measuring(environment->resourceDir);
    const std::unique_ptr<TuneDocument> document = loadDocument(args[0], *environment);
    if (!document) return 1;

    const int ballSize = environment->profile->getInt("PlayOptions", "BouncingBallSize", kDefaultBallSize);
    LayoutSettings settings = layoutSettingsFor(document->settings(), ballSize);
    if (zoomText) settings.zoom = leadingInt(*zoomText);
    if (settings.zoom < kMinZoom || settings.zoom > kMaxZoom) {
        return fail("the zoom must be between " + std::to_string(kMinZoom) + " and " + std::to_string(kMaxZoom) +
                    " percent, not " + std::to_string(settings.zoom));
    }
    const DerivedHeights heights = derivedHeights(settings.zoom, settings.xScale, settings.yScale);
    if (heights.height < 1) {
        return fail("the music cannot be drawn at zoom " + std::to_string(settings.zoom) +
                    " with a vertical scale of " + std::to_string(settings.yScale) + " percent");
    }
    // The document's first build, laid out as the music view lays it out.
    document->rebuild([&](ScriptText& script, bool convertBareStrings) {
        return layOutMusic(script, convertBareStrings, environment->symbols, measuring, environment->messages, settings);
    });
    const LaidOutMusic& music = document->music();
    const std::string tooLarge = imageSizeProblem(music.extent);
    if (!tooLarge.empty()) return fail(tooLarge);
    const MusicRenderer renderer(environment->symbols.hiliteColour());
    return writePicture(music, renderer, *out, screenDevice(measuring), environment->messages);
}

}  // namespace skirlo
