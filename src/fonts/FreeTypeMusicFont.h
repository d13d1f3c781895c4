#pragma once
// A music font over FreeType: glyphs addressed by character code through
// the font's own table, never through shaping, their outlines with upright
// rectangles on whole pixels, and every integer metric rounded from the
// glyph's edges placed in the cell.

#include <array>
#include <memory>
#include <optional>

#include "common/Measuring.h"
#include "fonts/FreeTypeFace.h"
#include "fonts/PathGeometry.h"

namespace skirlo {

class FreeTypeMusicFont final : public Font {
public:
    // The face is sized at the cell height; `horizontalScale` stretches
    // every glyph and advance (1: natural width).
    FreeTypeMusicFont(std::shared_ptr<const FreeTypeFace> face, int height, double horizontalScale);

    Extent textExtent(std::string_view text) const override;
    GlyphBox glyphBox(int code) const override;
    int advanceWidth(int code) const override;
    std::vector<Contour> outline(int code) const override { return contoursOfPath(cellPath(code)); }
    GlyphPath glyphPath(int code) const override { return cellPath(code); }
    int ascent() const override { return ascent_; }
    int height() const override { return height_; }
    int externalLeading() const override { return 0; }
    int averageCharWidth() const override;

private:
    // The outline in pixels with the cell's top-left at (0, 0); empty for a
    // code the font lacks.
    const GlyphPath& cellPath(int code) const;

    std::shared_ptr<const FreeTypeFace> face_;
    int height_;
    double scale_;
    double ascentF_;
    int ascent_;
    std::array<unsigned, 256> glyphs_{};
    std::array<int, 256> advances_{};  // rounded, 0 for codes without a glyph
    mutable std::array<std::optional<GlyphBox>, 256> boxes_;
    mutable std::array<std::optional<GlyphPath>, 256> paths_;
};

}  // namespace skirlo
