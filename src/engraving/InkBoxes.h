#pragma once
// Where drawing puts ink: the boxes of what the renderer draws for one
// symbol, found by drawing it onto a surface that only notes bounding boxes.
// Tools and tests measure the engraving with them (collisions, beams that
// stick out) without reading pixels.

#include <vector>

#include "engraving/MusicRenderer.h"
#include "engraving/Surface.h"

namespace skirlo {

// A Surface that keeps the bounding box of everything drawn on it.
class InkRecorder final : public Surface {
public:
    SurfaceKind kind() const override { return SurfaceKind::Image; }
    void glyph(const Font& font, int code, int x, int y, Colour colour) override;
    void fillRect(const Rect& rect, Colour colour) override;
    void fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) override;
    void frameRect(const Rect& rect, Colour frame, Colour fill) override;
    void text(const Font& font, std::string_view bytes, int x, int y, Colour colour) override;
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point logical) const override { return logical; }

    const std::vector<Rect>& boxes() const { return boxes_; }

private:
    void add(const Rect& rect);
    std::vector<Rect> boxes_;
};

// The ink of the symbol at `index` of `bar`: everything it draws, and apart
// the flags and beams of a tailed note.
struct SymbolInk {
    std::vector<Rect> all;
    std::vector<Rect> flags;
    std::vector<Rect> beams;
};
SymbolInk inkOf(const MusicRenderer& renderer, const BarLayout& bar, std::size_t index, const StaffLayout& staff);

}  // namespace skirlo
