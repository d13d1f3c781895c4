#include "fonts/FreeTypeTextFont.h"

#include "common/Windows1252.h"
#include "fonts/FixedPoint.h"
#include "fonts/PathGeometry.h"
#include "fonts/TextShaper.h"

namespace skirlo {

namespace {

bool validCode(int code) { return code >= 0 && code < 256; }

char32_t characterOf(int code) { return windows1252ToCodePoint(static_cast<unsigned char>(code)); }

// Measuring a text stops at U+009C, which separates the alternatives of a
// multi-length string.
std::string upToStringTerminator(const std::string& utf8) {
    const std::size_t at = utf8.find("\xC2\x9C");
    return at == std::string::npos ? utf8 : utf8.substr(0, at);
}

}  // namespace

FreeTypeTextFont::FreeTypeTextFont(std::shared_ptr<const FreeTypeFace> face,
                                   std::shared_ptr<const TextShaper> shaper, TextFace textFace, Synthesis synthesis)
    : face_(std::move(face)), shaper_(std::move(shaper)), textFace_(std::move(textFace)), synthesis_(synthesis) {}

std::int64_t FreeTypeTextFont::shapedWidth(const std::string& utf8) const { return shaper_->width(utf8); }


Extent FreeTypeTextFont::textExtent(std::string_view text) const {
    return {fixed::roundToInt(shapedWidth(upToStringTerminator(tuneTextToUtf8(text)))), height()};
}

int FreeTypeTextFont::advanceWidth(int code) const {
    if (!validCode(code)) return 0;
    return fixed::roundToInt(face_->designAdvance(face_->glyphIndex(characterOf(code))));
}

std::optional<GlyphPath> FreeTypeTextFont::cellPath(int code) const {
    if (!validCode(code)) return std::nullopt;
    const unsigned glyph = face_->glyphForCharacter(characterOf(code));
    if (glyph == 0) return std::nullopt;
    GlyphPath path = face_->glyphPath(glyph, synthesis_);
    const double ascent = fixed::toReal(face_->heightMetrics().ascent);
    for (PathElement& e : path) {
        e.to.y += ascent;
        if (e.kind == PathElement::Kind::Cubic) {
            e.control1.y += ascent;
            e.control2.y += ascent;
        }
    }
    return path;
}

GlyphBox FreeTypeTextFont::glyphBox(int code) const {
    const std::optional<GlyphPath> path = cellPath(code);
    return path ? boxOfPath(*path, ascent()) : GlyphBox{};
}

std::vector<Contour> FreeTypeTextFont::outline(int code) const {
    const std::optional<GlyphPath> path = cellPath(code);
    return path ? contoursOfPath(*path) : std::vector<Contour>{};
}

GlyphPath FreeTypeTextFont::glyphPath(int code) const {
    std::optional<GlyphPath> path = cellPath(code);
    return path ? std::move(*path) : GlyphPath{};
}

double FreeTypeTextFont::exactTextWidth(std::string_view text) const {
    return fixed::toReal(shapedWidth(upToStringTerminator(tuneTextToUtf8(text))));
}

double FreeTypeTextFont::baselineShift() const { return ascent() - fixed::toReal(face_->heightMetrics().ascent); }

const FontProgram* FreeTypeTextFont::fontProgram() const {
    return synthesis_.embolden || synthesis_.obliquen ? nullptr : face_->program();
}

int FreeTypeTextFont::ascent() const { return fixed::roundToInt(face_->heightMetrics().ascent); }
int FreeTypeTextFont::height() const {
    return fixed::roundToInt(face_->heightMetrics().ascent) + fixed::roundToInt(face_->heightMetrics().descent);
}
int FreeTypeTextFont::externalLeading() const { return fixed::roundToInt(face_->heightMetrics().leading); }
int FreeTypeTextFont::averageCharWidth() const { return fixed::roundToInt(face_->averageCharWidth()); }

}  // namespace skirlo
