#include "export/PictureExport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QScreen>

#include "common/Measuring.h"
#include "export/MusicImage.h"
#include "export/VectorPicture.h"
#include "tunefile/FileReplace.h"

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
    if (format == ImageFileFormat::Pcx || format == ImageFileFormat::Bmp) {
        const MonoBitmap bitmap = renderMonoBitmap(music.tunes, music.extent, renderer);
        return writeMonoImage(bitmap, format, path, device, progress, messages, error);
    }
    if (format != ImageFileFormat::Png) return writeVectorPicture(music, renderer, format, path, error);
    // Drawn whole into memory, so that a failed write is seen here and never
    // leaves part of a picture at `path`.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!drawPng(music.tunes, music.extent, renderer, buffer, error)) return WriteOutcome::Failed;
    const QByteArray& bytes = buffer.data();
    return replaceFileContents(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                               error, Durability::Renamed)
               ? WriteOutcome::Written
               : WriteOutcome::Failed;
}

}  // namespace skirlo
