#pragma once
// The real music fonts and default profile of the resources folder.

#include <algorithm>
#include <memory>
#include <string>

#include "common/Measuring.h"
#include "view/QtMeasuring.h"

namespace skirlo::test {

inline std::unique_ptr<QtMeasuringContext> resourceContext() {
    return std::make_unique<QtMeasuringContext>(SKIRLO_RESOURCE_DIR);
}

// A music font at a height where one design unit is one pixel (the em is
// 1300 units), so that shapes can be checked to the unit.
inline std::unique_ptr<QtMusicFont> designFont(QtMeasuringContext& context, int section) {
    std::unique_ptr<Font> font = context.createMusicFont("QTN" + std::to_string(section), 1300, 0);
    return std::unique_ptr<QtMusicFont>(dynamic_cast<QtMusicFont*>(font.release()));
}

struct Bounds {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    int centreY() const { return (top + bottom) / 2; }
};

inline Bounds boundsOf(const Contour& contour) {
    Bounds b{contour.front().x, contour.front().y, contour.front().x, contour.front().y};
    for (const OutlinePoint& p : contour) {
        b.left = std::min(b.left, p.x);
        b.right = std::max(b.right, p.x);
        b.top = std::min(b.top, p.y);
        b.bottom = std::max(b.bottom, p.y);
    }
    return b;
}

// Top of a glyph's black box measured from the cell's top.
inline int boxTop(const Font& font, int code) { return font.ascent() - font.glyphBox(code).originY; }
inline int boxBottom(const Font& font, int code) { return boxTop(font, code) + font.glyphBox(code).height; }

}  // namespace skirlo::test
