#pragma once
// The measuring context over Qt: music fonts are QRawFont over our own
// TrueType files in the resources folder (nothing is installed system-wide),
// text fonts are QFont resolved through fontconfig ("Times New Roman" finds
// the metric-compatible Liberation Serif). Needs a QGuiApplication.
//
// Music glyphs are addressed by glyph index taken from the font's cmap for
// the character code (a code point equal to the byte), never through text
// shaping, so codes 128..255 reach their glyphs unchanged.
//
// Upright rectangles of the outlines lie on whole pixels (snapRectangles),
// and measuring sees the same outline that drawing fills.
//
// Integer metrics: every edge is first placed in the cell (x from the cell's
// left, y from the cell's top, in pixels as floating point) and then rounded
// to the nearest integer on its own; widths and heights are differences of
// rounded edges. So two glyphs whose edges coincide in the design coincide
// on screen, and a box's top is always y + ascent - originY exactly.

#include <QByteArray>
#include <QFont>
#include <QPainterPath>
#include <QRawFont>

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/Measuring.h"

namespace skirlo {

// A Qt path as a glyph path: its curves are already cubic.
GlyphPath glyphPathOf(const QPainterPath& path);

class QtMusicFont final : public Font {
public:
    // `horizontalScale` stretches every glyph and advance (1: natural width).
    QtMusicFont(QRawFont raw, int height, double horizontalScale);

    Extent textExtent(std::string_view text) const override;
    GlyphBox glyphBox(int code) const override;
    int advanceWidth(int code) const override;
    std::vector<Contour> outline(int code) const override;
    GlyphPath glyphPath(int code) const override { return glyphPathOf(qtGlyphPath(code)); }
    int ascent() const override { return ascent_; }
    int height() const override { return height_; }
    int externalLeading() const override { return 0; }
    int averageCharWidth() const override;

    // The glyph's outline in pixels with the cell's top-left at (0, 0); empty
    // for a code the font lacks. Drawing fills this path at the cell's place.
    QPainterPath qtGlyphPath(int code) const;
    // 0 (the missing glyph) for a code outside 0..255 or not in the cmap.
    quint32 glyphIndex(int code) const;
    double horizontalScale() const { return scale_; }

private:
    QRawFont raw_;
    int height_;
    double scale_;
    double ascentF_;
    int ascent_;
    std::array<quint32, 256> glyphs_{};
    std::array<int, 256> advances_{};  // rounded, 0 for codes without a glyph
    mutable std::array<std::optional<GlyphBox>, 256> boxes_;
    mutable std::array<std::optional<QPainterPath>, 256> paths_;
};

class QtTextFont final : public Font {
public:
    explicit QtTextFont(QFont font);

    Extent textExtent(std::string_view text) const override;
    GlyphBox glyphBox(int code) const override;
    int advanceWidth(int code) const override;
    std::vector<Contour> outline(int code) const override;
    int ascent() const override;
    int height() const override;
    int externalLeading() const override;
    int averageCharWidth() const override;
    GlyphPath glyphPath(int code) const override;
    const TextFace* textFace() const override { return &face_; }
    double exactTextWidth(std::string_view text) const override;
    double baselineShift() const override;

    const QFont& font() const { return font_; }

private:
    // The outline of a character with the cell's top at y = 0; nullopt when
    // the font has no glyph for it.
    std::optional<QPainterPath> cellPath(int code) const;

    QFont font_;
    QRawFont raw_;
    TextFace face_;
};

class QtMeasuringContext final : public MeasuringContext {
public:
    // Music fonts are read from resourceDir/fonts/<face>.ttf. Resolutions
    // are those of the surface measured for (96 for the screen and images,
    // the printer's own for a printer).
    explicit QtMeasuringContext(std::filesystem::path resourceDir, int pixelsPerInchX = 96,
                                int pixelsPerInchY = 96, bool printer = false);

    bool isPrinter() const override { return printer_; }
    int pixelsPerInchX() const override { return ppiX_; }
    int pixelsPerInchY() const override { return ppiY_; }
    std::unique_ptr<Font> createTextFont(const FontDescription& description) override;
    std::unique_ptr<Font> createTextFontByCellHeight(const FontDescription& description, int cellHeight) override;
    // Null when the face is not one of our font files or the file cannot be
    // read, and for a height below 1.
    std::unique_ptr<Font> createMusicFont(std::string_view faceName, int height, int width) override;

    const std::filesystem::path& resourceDir() const { return resourceDir_; }

private:
    // The file's bytes, read once; empty when it cannot be read.
    const QByteArray& fontFile(std::string_view faceName);

    std::filesystem::path resourceDir_;
    int ppiX_;
    int ppiY_;
    bool printer_;
    std::map<std::string, QByteArray, std::less<>> fontFiles_;
};

// A glyph outline with every upright rectangle (stems, bar lines, staff,
// ledger and beam lines) moved onto whole pixels and at least one pixel
// thick, so that thin lines stay crisp and never fade away at small zooms;
// curves are left as they are.
QPainterPath snapRectangles(const QPainterPath& path);

// The QFont a text font description asks for, at `pixelSize` pixels per em.
QFont qtFontFor(const FontDescription& description, int pixelSize);

}  // namespace skirlo
