#pragma once
// The Surface over a QPainter: one implementation for windows, images, SVG,
// PDF and printers. Music glyphs are filled from their outlines (glyph index,
// never text shaping); texts are drawn in their QFont at their baseline.

#include <QPainter>
#include <QRect>

#include <optional>

#include "engraving/Surface.h"

namespace skirlo {

class QPainterSurface final : public Surface {
public:
    // `visibleArea` (logical units) limits what a Screen surface draws.
    QPainterSurface(QPainter& painter, SurfaceKind kind, std::optional<QRect> visibleArea = std::nullopt);

    SurfaceKind kind() const override { return kind_; }
    void glyph(const Font& font, int code, int x, int y, Colour colour) override;
    void fillRect(const Rect& rect, Colour colour) override;
    void fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) override;
    void frameRect(const Rect& rect, Colour frame, Colour fill) override;
    void text(const Font& font, std::string_view bytes, int x, int y, Colour colour) override;
    bool isVisible(const Rect& rect) const override;
    Point toDevice(Point logical) const override;

private:
    QPainter& painter_;
    SurfaceKind kind_;
    std::optional<QRect> visibleArea_;
};

// A stored colour (red in the low byte) as Qt's.
QColor qtColour(Colour colour);

}  // namespace skirlo
