#pragma once
// Fonts and the measuring context. The core measures glyphs and texts only
// through these interfaces; the Qt implementation lives at the edge (view/),
// tests may use their own.
//
// Units are logical units of the context (screen pixels, or printer dots).
// Strings are Windows-1252 bytes; a glyph is addressed by its character code
// (0..255), never through text shaping.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

struct Extent {
    int width = 0;
    int height = 0;
};

// Outline metrics of one glyph with the identity transform: the black box and
// the position of its top-left corner relative to the glyph's origin on the
// baseline (x to the right, originY upward, as the platform reports them).
struct GlyphBox {
    int width = 0;
    int height = 0;
    int originX = 0;
    int originY = 0;
};

// One closed contour of a glyph outline, in logical units relative to the
// glyph cell's top-left corner (y grows downward).
struct OutlinePoint {
    int x = 0;
    int y = 0;
};
using Contour = std::vector<OutlinePoint>;

// A glyph outline as vector pictures write it: subpaths of straight lines and
// cubic curves in logical units, the cell's top-left at (0, 0), y downward,
// filled by the nonzero rule. Each subpath starts with a Move and is closed.
struct PathPoint {
    double x = 0;
    double y = 0;
};
struct PathElement {
    enum class Kind : std::uint8_t { Move, Line, Cubic };
    Kind kind = Kind::Move;
    PathPoint to;
    PathPoint control1;  // Cubic only
    PathPoint control2;  // Cubic only
};
using GlyphPath = std::vector<PathElement>;

// How a vector picture names a text font: its family, size in pixels per em
// and style, so that texts stay texts.
struct TextFace {
    std::string family;
    int pixelSize = 0;
    int weight = 400;  // 1..1000
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// A text font's face as a document embeds it, so that its texts stay texts
// that can be found and copied: the whole font file, and for each
// Windows-1252 byte the glyph it is drawn with and that glyph's advance. Font
// measures are in thousandths of the em, y upward, as fonts keep them.
struct FontProgram {
    std::string_view file;       // the font file, whole
    bool compactOutlines = false;  // CFF outlines in an OpenType file, else TrueType
    std::string postScriptName;
    std::array<unsigned, 256> glyphs{};  // 0 where the font has no glyph
    std::array<int, 256> advances{};
    int ascent = 0;
    int descent = 0;  // below the baseline, so negative
    int capHeight = 0;
    std::array<int, 4> box{};  // left, bottom, right, top of every glyph
    double italicAngle = 0;
    bool fixedPitch = false;
    bool italic = false;
};

class Font {
public:
    virtual ~Font() = default;
    // Text extent of a byte string (width of the advances, height of the font).
    virtual Extent textExtent(std::string_view text) const = 0;
    virtual GlyphBox glyphBox(int code) const = 0;
    virtual int advanceWidth(int code) const = 0;
    virtual std::vector<Contour> outline(int code) const = 0;
    virtual int ascent() const = 0;
    // Cell height: ascent plus descent.
    virtual int height() const = 0;
    virtual int externalLeading() const = 0;
    virtual int averageCharWidth() const = 0;
    // The outline drawing fills for `code`, empty for a code without a glyph.
    virtual GlyphPath glyphPath(int code) const = 0;
    // The face of a text font; null for a music font, whose glyphs are drawn
    // as outlines.
    virtual const TextFace* textFace() const { return nullptr; }
    // The width of a text before it is rounded to whole units, kerning
    // included: where drawing that places glyphs finer than whole units
    // puts the end of the text.
    virtual double exactTextWidth(std::string_view text) const { return textExtent(text).width; }
    // How far below glyphPath's baseline a text is drawn: texts sit on the
    // rounded ascent, while outlines sit on the font's exact one.
    virtual double baselineShift() const { return 0; }
    // The face to embed for this font's texts; null for a music font, and
    // for a face that may not be embedded or whose glyphs are changed
    // (emboldened, slanted) from the file's.
    virtual const FontProgram* fontProgram() const { return nullptr; }
};

// A logical-font request for a text font. Height is in tenths of a point
// (the context converts it with its own resolution); the byte fields keep the
// meaning of a text record's attribute list.
struct FontDescription {
    int heightTenthsOfPoint = 140;
    int weight = 700;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t pitchAndFamily = 18;
    std::string faceName = "Times New Roman";
};

class MeasuringContext {
public:
    virtual ~MeasuringContext() = default;
    virtual bool isPrinter() const = 0;
    virtual int pixelsPerInchX() const = 0;
    virtual int pixelsPerInchY() const = 0;
    // Never null: an unknown face falls back to the context's default font.
    virtual std::unique_ptr<Font> createTextFont(const FontDescription& description) = 0;
    // A text font whose cell (ascent plus descent) is `cellHeight` logical
    // units, as a font requested by cell height is; the description's point
    // size is ignored. By default the height is turned into points at the
    // context's resolution.
    virtual std::unique_ptr<Font> createTextFontByCellHeight(const FontDescription& description, int cellHeight) {
        FontDescription byPoints = description;
        byPoints.heightTenthsOfPoint = cellHeight * 720 / (pixelsPerInchY() > 0 ? pixelsPerInchY() : 96);
        return createTextFont(byPoints);
    }
    // A music font by face name ("QTN1".."QTN8") with cell height and glyph
    // width argument in logical units (width 0: natural width). Null when the
    // font cannot be created.
    virtual std::unique_ptr<Font> createMusicFont(std::string_view faceName, int height, int width) = 0;
};

// The nine fonts the bar builder is handed, in the order QTN1, QTN2, QTN3,
// QTN4, the text font, QTN5, QTN6, QTN7, QTN8. Entries may be null when a
// font could not be created.
struct FontSet {
    static constexpr int kTextFontIndex = 4;
    std::array<std::unique_ptr<Font>, 9> fonts;
    int height = 0;  // the music font height H the set was created at

    // The font of symbol map section 1..8.
    const Font* musicFont(int section) const {
        if (section < 1 || section > 8) return nullptr;
        return fonts[static_cast<std::size_t>(section <= 4 ? section - 1 : section)].get();
    }
    const Font* textFont() const { return fonts[kTextFontIndex].get(); }
};

}  // namespace skirlo
