#include "fonts/FreeTypeMusicFont.h"

#include <cmath>
#include <utility>

#include "fonts/FixedPoint.h"

namespace skirlo {

namespace {

int roundToInt(double value) { return static_cast<int>(std::lround(value)); }

bool validCode(int code) { return code >= 0 && code < 256; }

const GlyphPath kNoPath;

}  // namespace

FreeTypeMusicFont::FreeTypeMusicFont(std::shared_ptr<const FreeTypeFace> face, int height, double horizontalScale)
    : face_(std::move(face)), height_(height), scale_(horizontalScale),
      ascentF_(fixed::toReal(face_->heightMetrics().ascent)), ascent_(roundToInt(ascentF_)) {
    // Music fonts map each character code to the code point of the same value.
    for (std::size_t code = 0; code < glyphs_.size(); ++code) {
        glyphs_[code] = face_->glyphForCharacter(static_cast<char32_t>(code));
        if (glyphs_[code] != 0) advances_[code] = roundToInt(fixed::toReal(face_->designAdvance(glyphs_[code])) * scale_);
    }
}

const GlyphPath& FreeTypeMusicFont::cellPath(int code) const {
    if (!validCode(code) || glyphs_[static_cast<std::size_t>(code)] == 0) return kNoPath;
    std::optional<GlyphPath>& cached = paths_[static_cast<std::size_t>(code)];
    if (cached) return *cached;
    GlyphPath path = face_->glyphPath(glyphs_[static_cast<std::size_t>(code)]);
    for (PathElement& e : path) {
        for (PathPoint* p : {&e.to, &e.control1, &e.control2}) {
            p->x = p->x * scale_;
            p->y = p->y + ascentF_;
        }
    }
    cached = snapRectangles(path);
    return *cached;
}

GlyphBox FreeTypeMusicFont::glyphBox(int code) const {
    if (!validCode(code)) return {};
    std::optional<GlyphBox>& cached = boxes_[static_cast<std::size_t>(code)];
    if (!cached) cached = boxOfPath(cellPath(code), ascent_);
    return *cached;
}

int FreeTypeMusicFont::advanceWidth(int code) const {
    return validCode(code) ? advances_[static_cast<std::size_t>(code)] : 0;
}

Extent FreeTypeMusicFont::textExtent(std::string_view text) const {
    int width = 0;
    for (char c : text) width += advanceWidth(static_cast<unsigned char>(c));
    return {width, height_};
}

int FreeTypeMusicFont::averageCharWidth() const {
    return roundToInt(fixed::toReal(face_->averageCharWidth()) * scale_);
}

}  // namespace skirlo
