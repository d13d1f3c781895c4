#include "view/QtMeasuring.h"

#include <QFile>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "common/Windows1252.h"

namespace skirlo {

namespace {

int roundToInt(double value) { return static_cast<int>(std::lround(value)); }

bool validCode(int code) { return code >= 0 && code < 256; }

// The bounding box of a path as rounded cell edges.
GlyphBox boxOfPath(const QPainterPath& path, int ascent) {
    if (path.isEmpty()) return {};
    const QRectF r = path.boundingRect();
    const int left = roundToInt(r.left());
    const int right = roundToInt(r.right());
    const int top = roundToInt(r.top());
    const int bottom = roundToInt(r.bottom());
    return {right - left, bottom - top, left, ascent - top};
}

std::vector<Contour> contoursOfPath(const QPainterPath& path) {
    std::vector<Contour> contours;
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        Contour contour;
        contour.reserve(static_cast<std::size_t>(polygon.size()));
        for (const QPointF& p : polygon) contour.push_back({roundToInt(p.x()), roundToInt(p.y())});
        // A closed subpath repeats its first point; one copy is enough.
        if (contour.size() > 1 && contour.front().x == contour.back().x && contour.front().y == contour.back().y) {
            contour.pop_back();
        }
        if (!contour.empty()) contours.push_back(std::move(contour));
    }
    return contours;
}

// Face names are file names in our fonts folder: letters and digits only.
bool plainFaceName(std::string_view face) {
    return !face.empty() && face.size() < 32 &&
           std::all_of(face.begin(), face.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

QChar qcharOfByte(int code) {
    return QChar(static_cast<char16_t>(windows1252ToCodePoint(static_cast<unsigned char>(code))));
}

QString qstringOfBytes(std::string_view bytes) { return QString::fromStdString(tuneTextToUtf8(bytes)); }

// The upright rectangle a closed polygon of four corners makes, if it is one.
std::optional<QRectF> uprightRectangle(const QPolygonF& polygon) {
    const qsizetype corners = polygon.size() == 5 && polygon.front() == polygon.back() ? 4 : polygon.size();
    if (corners != 4) return std::nullopt;
    const QRectF box = polygon.boundingRect();
    for (qsizetype i = 0; i < corners; ++i) {
        const QPointF& p = polygon[i];
        const bool atCorner =
            (p.x() == box.left() || p.x() == box.right()) && (p.y() == box.top() || p.y() == box.bottom());
        if (!atCorner) return std::nullopt;
    }
    return box;
}

// An edge pair on whole pixels, at least one pixel apart.
std::pair<double, double> snapped(double from, double to) {
    const double a = std::round(from);
    return {a, std::max(std::round(to), a + 1)};
}

}  // namespace

QPainterPath snapRectangles(const QPainterPath& path) {
    QPainterPath out;
    // TrueType fills by the nonzero rule: strokes that overlap stay filled.
    out.setFillRule(Qt::WindingFill);
    for (QPolygonF polygon : path.toSubpathPolygons()) {
        if (const std::optional<QRectF> box = uprightRectangle(polygon)) {
            // Corners keep their order, so the contour keeps its winding.
            const auto [left, right] = snapped(box->left(), box->right());
            const auto [top, bottom] = snapped(box->top(), box->bottom());
            for (QPointF& p : polygon) p = {p.x() == box->left() ? left : right, p.y() == box->top() ? top : bottom};
        }
        out.addPolygon(polygon);
        out.closeSubpath();
    }
    return out;
}

// ---------------------------------------------------------------------------

QtMusicFont::QtMusicFont(QRawFont raw, int height, double horizontalScale)
    : raw_(std::move(raw)), height_(height), scale_(horizontalScale), ascentF_(raw_.ascent()),
      ascent_(roundToInt(ascentF_)) {
    // Music fonts map each character code to the code point of the same value.
    std::array<QChar, 256> chars;
    for (int code = 0; code < 256; ++code) chars[static_cast<std::size_t>(code)] = QChar(static_cast<char16_t>(code));
    int count = 256;
    if (!raw_.glyphIndexesForChars(chars.data(), 256, glyphs_.data(), &count)) glyphs_.fill(0);
    const QList<QPointF> advances = raw_.advancesForGlyphIndexes(QList<quint32>(glyphs_.begin(), glyphs_.end()));
    const std::size_t known = std::min(advances_.size(), static_cast<std::size_t>(advances.size()));
    for (std::size_t code = 0; code < known; ++code) {
        advances_[code] = glyphs_[code] == 0 ? 0 : roundToInt(advances[static_cast<qsizetype>(code)].x() * scale_);
    }
}

quint32 QtMusicFont::glyphIndex(int code) const { return validCode(code) ? glyphs_[static_cast<std::size_t>(code)] : 0; }

QPainterPath QtMusicFont::qtGlyphPath(int code) const {
    const quint32 glyph = glyphIndex(code);
    if (glyph == 0) return {};
    std::optional<QPainterPath>& cached = paths_[static_cast<std::size_t>(code)];
    if (cached) return *cached;
    QTransform toCell;
    toCell.translate(0, ascentF_);
    toCell.scale(scale_, 1.0);
    cached = snapRectangles(toCell.map(raw_.pathForGlyph(glyph)));
    return *cached;
}

GlyphBox QtMusicFont::glyphBox(int code) const {
    if (!validCode(code)) return {};
    std::optional<GlyphBox>& cached = boxes_[static_cast<std::size_t>(code)];
    if (!cached) cached = boxOfPath(qtGlyphPath(code), ascent_);
    return *cached;
}

int QtMusicFont::advanceWidth(int code) const { return validCode(code) ? advances_[static_cast<std::size_t>(code)] : 0; }

Extent QtMusicFont::textExtent(std::string_view text) const {
    int width = 0;
    for (char c : text) width += advanceWidth(static_cast<unsigned char>(c));
    return {width, height_};
}

std::vector<Contour> QtMusicFont::outline(int code) const { return contoursOfPath(qtGlyphPath(code)); }

int QtMusicFont::averageCharWidth() const { return roundToInt(raw_.averageCharWidth() * scale_); }

// ---------------------------------------------------------------------------

QtTextFont::QtTextFont(QFont font)
    : font_(std::move(font)),
      raw_(QRawFont::fromFont(font_)),
      face_{font_.family().toStdString(), font_.pixelSize(), font_.weight(), font_.italic(), font_.underline(),
            font_.strikeOut()} {}

Extent QtTextFont::textExtent(std::string_view text) const {
    const QFontMetrics metrics(font_);
    return {metrics.horizontalAdvance(qstringOfBytes(text)), metrics.height()};
}

std::optional<QPainterPath> QtTextFont::cellPath(int code) const {
    if (!validCode(code) || !raw_.isValid()) return std::nullopt;
    const QChar c = qcharOfByte(code);
    quint32 glyph = 0;
    int count = 1;
    if (!raw_.glyphIndexesForChars(&c, 1, &glyph, &count) || glyph == 0) return std::nullopt;
    QPainterPath path = raw_.pathForGlyph(glyph);
    path.translate(0, raw_.ascent());
    return path;
}

GlyphBox QtTextFont::glyphBox(int code) const {
    const std::optional<QPainterPath> path = cellPath(code);
    return path ? boxOfPath(*path, ascent()) : GlyphBox{};
}

int QtTextFont::advanceWidth(int code) const {
    if (!validCode(code)) return 0;
    return QFontMetrics(font_).horizontalAdvance(qcharOfByte(code));
}

std::vector<Contour> QtTextFont::outline(int code) const {
    const std::optional<QPainterPath> path = cellPath(code);
    return path ? contoursOfPath(*path) : std::vector<Contour>{};
}

GlyphPath QtTextFont::glyphPath(int code) const {
    const std::optional<QPainterPath> path = cellPath(code);
    return path ? glyphPathOf(*path) : GlyphPath{};
}

double QtTextFont::exactTextWidth(std::string_view text) const {
    return QFontMetricsF(font_).horizontalAdvance(qstringOfBytes(text));
}

double QtTextFont::baselineShift() const { return ascent() - raw_.ascent(); }

int QtTextFont::ascent() const { return QFontMetrics(font_).ascent(); }
int QtTextFont::height() const { return QFontMetrics(font_).height(); }
int QtTextFont::externalLeading() const { return QFontMetrics(font_).leading(); }
int QtTextFont::averageCharWidth() const { return QFontMetrics(font_).averageCharWidth(); }

// ---------------------------------------------------------------------------

GlyphPath glyphPathOf(const QPainterPath& path) {
    GlyphPath out;
    out.reserve(static_cast<std::size_t>(path.elementCount()));
    const auto at = [&](int i) { return PathPoint{path.elementAt(i).x, path.elementAt(i).y}; };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            out.push_back({PathElement::Kind::Move, at(i), {}, {}});
        } else if (e.isLineTo()) {
            out.push_back({PathElement::Kind::Line, at(i), {}, {}});
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            out.push_back({PathElement::Kind::Cubic, at(i + 2), at(i), at(i + 1)});
            i += 2;
        }
    }
    return out;
}

QFont qtFontFor(const FontDescription& description, int pixelSize) {
    QFont font(QString::fromStdString(windows1252ToUtf8(description.faceName)));
    font.setPixelSize(std::max(pixelSize, 1));
    // Qt's weights are the same 1..1000 scale as the file's.
    font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, 1, 1000)));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QtMeasuringContext::QtMeasuringContext(std::filesystem::path resourceDir, int pixelsPerInchX, int pixelsPerInchY,
                                       bool printer)
    : resourceDir_(std::move(resourceDir)),
      ppiX_(std::max(pixelsPerInchX, 1)),
      ppiY_(std::max(pixelsPerInchY, 1)),
      printer_(printer) {}

std::unique_ptr<Font> QtMeasuringContext::createTextFont(const FontDescription& description) {
    // Point sizes are em heights, as a character-height request is.
    const int pixels = roundToInt(description.heightTenthsOfPoint * static_cast<double>(ppiY_) / 720.0);
    return std::make_unique<QtTextFont>(qtFontFor(description, pixels));
}

std::unique_ptr<Font> QtMeasuringContext::createTextFontByCellHeight(const FontDescription& description,
                                                                    int cellHeight) {
    // The cell is a fixed share of the em for a given face: measure it once at
    // a large size, where rounding does not matter, and scale.
    constexpr int kProbe = 1000;
    const QFontMetricsF probe(qtFontFor(description, kProbe));
    const double cellPerEm = (probe.ascent() + probe.descent()) / kProbe;
    const int pixels = cellPerEm > 0 ? roundToInt(cellHeight / cellPerEm) : cellHeight;
    return std::make_unique<QtTextFont>(qtFontFor(description, pixels));
}

const QByteArray& QtMeasuringContext::fontFile(std::string_view faceName) {
    if (auto it = fontFiles_.find(faceName); it != fontFiles_.end()) return it->second;
    QByteArray bytes;
    if (plainFaceName(faceName)) {
        QFile file(QString::fromStdString((resourceDir_ / "fonts" / (std::string(faceName) + ".ttf")).string()));
        if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    }
    return fontFiles_.emplace(std::string(faceName), std::move(bytes)).first->second;
}

std::unique_ptr<Font> QtMeasuringContext::createMusicFont(std::string_view faceName, int height, int width) {
    if (height < 1) return nullptr;
    const QByteArray& bytes = fontFile(faceName);
    if (bytes.isEmpty()) return nullptr;
    // The fonts' em is their cell (ascent plus descent), so the pixel size
    // is the cell height.
    QRawFont raw(bytes, height, QFont::PreferNoHinting);
    if (!raw.isValid()) return nullptr;
    double scale = 1.0;
    if (width > 0 && raw.averageCharWidth() > 0) scale = width / raw.averageCharWidth();
    return std::make_unique<QtMusicFont>(std::move(raw), height, scale);
}

}  // namespace skirlo
