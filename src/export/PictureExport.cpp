#include "export/PictureExport.h"

#include <QGuiApplication>
#include <QScreen>

#include "common/Measuring.h"
#include "export/MusicImage.h"

namespace skirlo {

PcxDevice screenPcxDevice(const MeasuringContext& measuring) {
    PcxDevice device;
    device.pixelsPerInchX = measuring.pixelsPerInchX();
    device.pixelsPerInchY = measuring.pixelsPerInchY();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        device.screenWidth = screen->size().width();
        device.screenHeight = screen->size().height();
    }
    return device;
}

WriteOutcome writeMusicPicture(const LaidOutMusic& music, const MusicRenderer& renderer, ImageFileFormat format,
                               const std::string& path, const PcxDevice& device, ExportProgress& progress,
                               MessageSink& messages, std::string& error) {
    // Only pixels cost memory: SVG and PDF are drawn as vectors at any size.
    const bool raster =
        format == ImageFileFormat::Pcx || format == ImageFileFormat::Bmp || format == ImageFileFormat::Png;
    error = raster ? imageSizeProblem(music.extent) : std::string();
    if (!error.empty()) return WriteOutcome::Failed;
    bool written = false;
    switch (format) {
        case ImageFileFormat::Png:
            written = writePng(music.tunes, music.extent, renderer, path, error);
            break;
        case ImageFileFormat::Svg:
            written = writeSvg(music.tunes, music.extent, renderer, path, error);
            break;
        case ImageFileFormat::Pdf:
            written = writePdf(music.tunes, music.extent, renderer, path, error);
            break;
        case ImageFileFormat::Pcx:
        case ImageFileFormat::Bmp: {
            const MonoBitmap bitmap = renderMonoBitmap(music.tunes, music.extent, renderer);
            return writeMonoImage(bitmap, format, path, device, progress, messages, error);
        }
    }
    return written ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace skirlo
