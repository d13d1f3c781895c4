#pragma once
// A text font over FreeType and HarfBuzz: texts are shaped (kerning and
// ligatures as the font defines them) with unhinted advances in 26.6 and
// rounded once at the end; single characters and glyph outlines come
// straight from the face.

#include <cstdint>
#include <memory>
#include <string>
#include <optional>

#include "common/Measuring.h"
#include "fonts/FreeTypeFace.h"

namespace skirlo {

class TextShaper;

class FreeTypeTextFont final : public Font {
public:
    FreeTypeTextFont(std::shared_ptr<const FreeTypeFace> face, std::shared_ptr<const TextShaper> shaper,
                     TextFace textFace, Synthesis synthesis);

    Extent textExtent(std::string_view text) const override;
    GlyphBox glyphBox(int code) const override;
    int advanceWidth(int code) const override;
    std::vector<Contour> outline(int code) const override;
    int ascent() const override;
    int height() const override;
    int externalLeading() const override;
    int averageCharWidth() const override;
    GlyphPath glyphPath(int code) const override;
    const TextFace* textFace() const override { return &textFace_; }
    double exactTextWidth(std::string_view text) const override;
    double baselineShift() const override;
    const FontProgram* fontProgram() const override;

    const FreeTypeFace& face() const { return *face_; }

private:
    // The outline of a character with the cell's top at y = 0; nullopt when
    // the font has no glyph for it.
    std::optional<GlyphPath> cellPath(int code) const;
    // The shaped width of UTF-8 text in 26.6.
    std::int64_t shapedWidth(const std::string& utf8) const;

    std::shared_ptr<const FreeTypeFace> face_;
    std::shared_ptr<const TextShaper> shaper_;
    TextFace textFace_;
    Synthesis synthesis_;
};

}  // namespace skirlo
