#pragma once
// What music drawing needs of a drawing target: glyphs by character code,
// filled rectangles and polygons, framed rectangles, texts in a text font,
// a visibility test and the logical-to-device mapping. The layout and the
// renderer draw only through this interface; QPainterSurface serves windows,
// images, PDF, SVG and printers.
//
// Coordinates are logical units (the layout's), y downward. Colours are
// 24-bit RGB with red in the low byte, as text records store them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/Measuring.h"

namespace skirlo {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct Point {
    int x = 0;
    int y = 0;
};

using Colour = std::int32_t;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;

enum class SurfaceKind {
    Screen,   // a window: only what is visible is drawn, selections are framed
    Image,    // an off-screen bitmap, SVG or PDF of the whole music
    Printer,  // a printed page
    Preview,  // a print-preview page: thin lines are kept at least one device pixel
};

class Surface {
public:
    virtual ~Surface() = default;
    virtual SurfaceKind kind() const = 0;

    // The glyph of `code` with its cell's top-left corner at (x, y).
    virtual void glyph(const Font& font, int code, int x, int y, Colour colour) = 0;
    virtual void fillRect(const Rect& rect, Colour colour) = 0;
    // Filled by the nonzero winding rule, outlined one unit wide in the same colour.
    virtual void fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) = 0;
    // A one-unit frame in `frame` around a rectangle filled with `fill`.
    virtual void frameRect(const Rect& rect, Colour frame, Colour fill) = 0;
    // Windows-1252 bytes in a text font, the cell's top-left at (x, y).
    virtual void text(const Font& font, std::string_view bytes, int x, int y, Colour colour) = 0;
    // Whether any of the rectangle may need drawing.
    virtual bool isVisible(const Rect& rect) const = 0;
    virtual Point toDevice(Point logical) const = 0;
};

}  // namespace skirlo
