#include "view/QPainterSurface.h"

#include <QPainterPath>
#include <QPolygon>

#include "common/Windows1252.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

QRect qtRect(const Rect& r) { return QRect(QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top)); }

}  // namespace

QColor qtColour(Colour colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

QPainterSurface::QPainterSurface(QPainter& painter, SurfaceKind kind, std::optional<QRect> visibleArea)
    : painter_(painter), kind_(kind), visibleArea_(visibleArea) {}

void QPainterSurface::glyph(const Font& font, int code, int x, int y, Colour colour) {
    if (const auto* music = dynamic_cast<const QtMusicFont*>(&font)) {
        const QPainterPath path = music->qtGlyphPath(code);
        if (!path.isEmpty()) painter_.fillPath(path.translated(x, y), qtColour(colour));
        return;
    }
    if (dynamic_cast<const QtTextFont*>(&font) != nullptr) {
        text(font, std::string(1, static_cast<char>(code & 0xFF)), x, y, colour);
        return;
    }
    // A font without outlines (fixed metrics): its black box stands for the glyph.
    const GlyphBox box = font.glyphBox(code);
    fillRect({x + box.originX, y + font.ascent() - box.originY, x + box.originX + box.width,
              y + font.ascent() - box.originY + box.height},
             colour);
}

void QPainterSurface::fillRect(const Rect& rect, Colour colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    painter_.fillRect(qtRect(rect), qtColour(colour));
}

void QPainterSurface::fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) {
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const OutlinePoint& p : points) polygon.append(QPoint(p.x, p.y));
    painter_.save();
    painter_.setPen(QPen(qtColour(colour), 1));
    painter_.setBrush(qtColour(colour));
    painter_.drawPolygon(polygon, Qt::WindingFill);
    painter_.restore();
}

void QPainterSurface::frameRect(const Rect& rect, Colour frame, Colour fill) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    painter_.save();
    painter_.setPen(QPen(qtColour(frame), 1));
    painter_.setBrush(qtColour(fill));
    painter_.drawRect(
        QRect(QPoint(rect.left, rect.top), QSize(rect.right - rect.left - 1, rect.bottom - rect.top - 1)));
    painter_.restore();
}

void QPainterSurface::text(const Font& font, std::string_view bytes, int x, int y, Colour colour) {
    const auto* textFont = dynamic_cast<const QtTextFont*>(&font);
    if (textFont == nullptr) return;
    painter_.save();
    painter_.setFont(textFont->font());
    painter_.setPen(qtColour(colour));
    painter_.drawText(QPoint(x, y + textFont->ascent()), QString::fromStdString(tuneTextToUtf8(bytes)));
    painter_.restore();
}

bool QPainterSurface::isVisible(const Rect& rect) const {
    if (!visibleArea_) return true;
    return visibleArea_->intersects(QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)));
}

Point QPainterSurface::toDevice(Point logical) const {
    const QPoint device = painter_.deviceTransform().map(QPoint(logical.x, logical.y));
    return {device.x(), device.y()};
}

}  // namespace skirlo
