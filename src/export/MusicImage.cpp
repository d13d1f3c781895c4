#include "export/MusicImage.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cstdio>
#include <map>

#include "common/Windows1252.h"
#include "export/PdfSurface.h"
#include "export/SvgSurface.h"
#include "view/QPainterSurface.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

constexpr long long kBandPixels = 16'000'000;  // colour pixels held at once while making a bitmap
constexpr int kStaffSpacesOfMargin = 2;
constexpr int kMinPictureMargin = 8;  // pixels

void drawMusic(QPainter& painter, const std::vector<std::unique_ptr<Tune>>& tunes, const MusicRenderer& renderer) {
    QPainterSurface surface(painter, SurfaceKind::Image);
    renderer.draw(tunes, surface);
}

// The margin of a picture: two staff spaces of its first staff, so that it
// grows with the zoom like the music does.
int pictureMargin(const std::vector<std::unique_ptr<Tune>>& tunes) {
    for (const auto& tune : tunes) {
        for (const auto& part : tune->parts) {
            for (const auto& staff : part->staves) {
                const int space = staff->lineY[1] - staff->lineY[0];
                if (space > 0) return std::max(kStaffSpacesOfMargin * space, kMinPictureMargin);
            }
        }
    }
    return kMinPictureMargin;
}

void shiftByMargin(QPainter& painter, const std::vector<std::unique_ptr<Tune>>& tunes) {
    const int margin = pictureMargin(tunes);
    painter.translate(margin, margin);
}

}  // namespace

std::string imageSizeProblem(Extent extent) {
    const long long pixels = static_cast<long long>(extent.width) * extent.height;
    if (extent.width >= 1 && extent.height >= 1 && extent.width <= kMaxImageSide && extent.height <= kMaxImageSide &&
        pixels <= kMaxImagePixels) {
        return {};
    }
    return "the picture would be " + std::to_string(extent.width) + " x " + std::to_string(extent.height) +
           " pixels; at most " + std::to_string(kMaxImageSide) + " pixels a side and " +
           std::to_string(kMaxImagePixels) + " pixels in all can be made: choose a smaller zoom";
}

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

Extent pictureSize(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent) {
    const int margin = pictureMargin(tunes);
    return {extent.width + 2 * margin, extent.height + 2 * margin};
}

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

void drawSvg(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device) {
    const Extent size = pictureSize(tunes, extent);
    const int margin = pictureMargin(tunes);
    SvgSurface surface({margin, margin});
    renderer.draw(tunes, surface);
    const std::string svg = surface.document(size.width, size.height, musicTitle(tunes));
    device.write(svg.data(), static_cast<qint64>(svg.size()));
}

namespace {

// The glyphs of a text where Qt draws them on screen: at the fractional
// advances of its text layout, and on the baseline at the rounded ascent,
// while a text font's outlines sit below its exact ascent.
class QtTextPlacement final : public TextPlacement {
public:
    std::vector<PathPoint> offsets(const Font& font, std::string_view bytes,
                                   const std::vector<TextCharacter>& characters) const override {
        const auto* qtFont = dynamic_cast<const QtTextFont*>(&font);
        if (qtFont == nullptr) return TextPlacement::offsets(font, bytes, characters);
        const QFontMetricsF metrics(qtFont->font());
        const double down = baselineShift(*qtFont);
        const bool utf8 = isMultiByteUtf8(bytes);
        std::vector<PathPoint> out;
        out.reserve(characters.size());
        QString through;
        for (std::size_t i = 0; i < characters.size(); ++i) {
            const std::size_t end = i + 1 < characters.size() ? characters[i + 1].start : bytes.size();
            const std::string_view piece = bytes.substr(characters[i].start, end - characters[i].start);
            const QString character = QString::fromStdString(utf8 ? std::string(piece) : windows1252ToUtf8(piece));
            through += character;
            // Less its own advance only: the kerning of the pair before it stays.
            out.push_back({metrics.horizontalAdvance(through) - metrics.horizontalAdvance(character), down});
        }
        return out;
    }

private:
    double baselineShift(const QtTextFont& font) const {
        auto it = shifts_.find(&font);
        if (it == shifts_.end()) {
            it = shifts_.emplace(&font, font.ascent() - QRawFont::fromFont(font.font()).ascent()).first;
        }
        return it->second;
    }

    mutable std::map<const Font*, double> shifts_;
};

}  // namespace

std::string musicTitle(const std::vector<std::unique_ptr<Tune>>& tunes) {
    std::string title;
    for (const auto& tune : tunes) {
        for (const auto& text : tune->header.texts) {
            if (text->kind != 'T') continue;
            if (!title.empty()) title += "; ";
            title += tuneTextToUtf8(text->text);
            break;
        }
    }
    return title;
}

void drawPdf(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device) {
    const Extent size = pictureSize(tunes, extent);
    const int margin = pictureMargin(tunes);
    const QtTextPlacement placement;
    PdfSurface surface({margin, margin}, &placement);
    renderer.draw(tunes, surface);
    const std::string pdf = surface.document(size.width, size.height, musicTitle(tunes));
    device.write(pdf.data(), static_cast<qint64>(pdf.size()));
}

}  // namespace skirlo
