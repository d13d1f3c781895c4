#include "export/MusicImage.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

#include "view/QPainterSurface.h"

namespace skirlo {

namespace {

constexpr long long kBandPixels = 16'000'000;  // colour pixels held at once while making a bitmap

void drawMusic(QPainter& painter, const std::vector<std::unique_ptr<Tune>>& tunes, const MusicRenderer& renderer) {
    QPainterSurface surface(painter, SurfaceKind::Image);
    renderer.draw(tunes, surface);
}

void shiftByMargin(QPainter& painter, const std::vector<std::unique_ptr<Tune>>& tunes) {
    const int margin = pictureMargin(tunes);
    painter.translate(margin, margin);
}

}  // namespace

MonoBitmap renderMonoBitmap(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                            const MusicRenderer& renderer) {
    MonoBitmap bitmap(extent.width, extent.height);
    const int band = static_cast<int>(std::clamp<long long>(kBandPixels / extent.width, 1, extent.height));
    QImage colour(extent.width, band, QImage::Format_RGB32);
    for (int top = 0; top < extent.height; top += band) {
        colour.fill(Qt::white);
        {
            QPainter painter(&colour);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            painter.translate(0, -top);
            drawMusic(painter, tunes, renderer);
        }
        const int rows = std::min(band, extent.height - top);
        for (int y = 0; y < rows; ++y) {
            const auto* pixels = reinterpret_cast<const QRgb*>(colour.constScanLine(y));
            for (int x = 0; x < extent.width; ++x) {
                if (qGray(pixels[x]) < 128) bitmap.setBlack(x, top + y);
            }
        }
    }
    return bitmap;
}

namespace {

constexpr int kPngQuality = 70;  // zlib level 2: nearly the smallest file at a fraction of the time

bool drawsInColour(const std::vector<std::unique_ptr<Tune>>& tunes, const MusicRenderer& renderer) {
    for (const auto& tune : tunes) {
        for (const auto& text : tune->header.texts) {
            if ((text->colour & 0xFFFFFF) != kBlack) return true;
        }
        for (const auto& part : tune->parts) {
            for (const auto& staff : part->staves) {
                for (const auto& bar : staff->bars) {
                    for (const auto& symbol : bar->symbols) {
                        if (symbol->marked && renderer.highlight() != kBlack) return true;
                    }
                }
            }
        }
    }
    return false;
}

// Black, white and the greys of anti-aliasing as one byte a pixel; a plain
// loop is several times quicker than Qt's general conversion.
QImage greyscale(const QImage& image) {
    QImage grey(image.width(), image.height(), QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* to = grey.scanLine(y);
        for (int x = 0; x < image.width(); ++x) to[x] = static_cast<uchar>(qGray(from[x]));
    }
    return grey;
}

}  // namespace


QImage renderPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer) {
    const Extent size = pictureSize(tunes, extent);
    QImage image(size.width, size.height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        shiftByMargin(painter, tunes);
        drawMusic(painter, tunes, renderer);
    }
    if (drawsInColour(tunes, renderer)) return image;
    return greyscale(image);
}

bool encodePng(const QImage& picture, QIODevice& device) { return picture.save(&device, "PNG", kPngQuality); }

bool drawPng(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device, std::string& error) {
    const QImage image = renderPicture(tunes, extent, renderer);
    if (image.isNull()) {
        const Extent size = pictureSize(tunes, extent);
        error = "not enough memory for a picture of " + std::to_string(size.width) + " x " +
                std::to_string(size.height) + " pixels";
        return false;
    }
    if (encodePng(image, device)) return true;
    error = "the PNG encoder refused the picture";
    return false;
}





}  // namespace skirlo
