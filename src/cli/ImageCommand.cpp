// skirlo-cli image FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N]: the sheet
// music of every tune as one picture of the music extent. PCX and BMP are
// the 1-bit files of the image export; PNG is anti-aliased; SVG and PDF are
// drawn as vectors. Any other extension writes PCX.

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
#include "export/PictureExport.h"
#include "view/MusicLayout.h"
#include "view/MusicRenderer.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

constexpr int kMinZoom = 1;
constexpr int kMaxZoom = 1000;

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli image: %s\n", message.c_str());
    return 1;
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
        return layOutMusic(script, convertBareStrings, environment->symbols, measuring, environment->messages,
                           settings);
    });
    const LaidOutMusic& music = document->music();
    const MusicRenderer renderer(environment->symbols.hiliteColour());
    TerminalProgress progress;
    const WriteOutcome outcome = writeMusicPicture(music, renderer, imageFormatForPath(*out), *out,
                                                   screenPcxDevice(measuring), progress, environment->messages, error);
    if (outcome == WriteOutcome::Cancelled) return 1;
    if (outcome == WriteOutcome::Failed) return fail(error);
    std::printf("%s: %d x %d\n", out->c_str(), music.extent.width, music.extent.height);
    return 0;
}

}  // namespace skirlo
