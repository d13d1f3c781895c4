#include "common/FixedMetrics.h"

#include <algorithm>

namespace skirlo {

namespace {

class FixedMetricsFont final : public Font {
public:
    FixedMetricsFont(int height, int width) : height_(std::max(height, 1)), width_(std::max(width, 1)) {}

    Extent textExtent(std::string_view text) const override {
        return {static_cast<int>(text.size()) * width_, height_};
    }
    GlyphBox glyphBox(int) const override {
        return {std::max(height_ / 8, 1), std::max(height_ / 2, 1), 0, ascent()};
    }
    int advanceWidth(int) const override { return width_; }
    std::vector<Contour> outline(int) const override { return {}; }
    // The black box stands for the glyph.
    GlyphPath glyphPath(int code) const override {
        const GlyphBox box = glyphBox(code);
        const double left = box.originX;
        const double top = ascent() - box.originY;
        const double right = left + box.width;
        const double bottom = top + box.height;
        using Kind = PathElement::Kind;
        return {{Kind::Move, {left, top}, {}, {}},
                {Kind::Line, {right, top}, {}, {}},
                {Kind::Line, {right, bottom}, {}, {}},
                {Kind::Line, {left, bottom}, {}, {}}};
    }
    int ascent() const override { return height_ * 3 / 4; }
    int height() const override { return height_; }
    int externalLeading() const override { return 0; }
    int averageCharWidth() const override { return width_; }

private:
    int height_;
    int width_;
};

}  // namespace

std::unique_ptr<Font> FixedMetricsContext::createTextFont(const FontDescription& description) {
    // Tenths of a point at 96 pixels per inch.
    const int pixels = description.heightTenthsOfPoint * 96 / 720;
    return std::make_unique<FixedMetricsFont>(pixels, std::max(pixels / 2, 1));
}

std::unique_ptr<Font> FixedMetricsContext::createMusicFont(std::string_view, int height, int width) {
    return std::make_unique<FixedMetricsFont>(height, width > 0 ? width / 4 : height / 4);
}

}  // namespace skirlo
