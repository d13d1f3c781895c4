#pragma once
// The Surface that writes SVG text. Each glyph outline (font and code) is
// written once under <defs> and placed with <use>; runs of rectangles of one
// colour become one path; texts stay texts, in their font, so that the file
// is small, searchable and editable in drawing programs.
//
// Coordinates are the layout's logical units, which are the picture's pixels;
// the whole drawing is shifted by `offset` (the picture margin).

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engraving/Surface.h"
#include "export/SpooledText.h"

namespace skirlo {

class SvgSurface final : public Surface {
public:
    explicit SvgSurface(Point offset = {});

    SurfaceKind kind() const override { return SurfaceKind::Image; }
    void glyph(const Font& font, int code, int x, int y, Colour colour) override;
    void fillRect(const Rect& rect, Colour colour) override;
    void fillPolygon(const std::vector<OutlinePoint>& points, Colour colour) override;
    void frameRect(const Rect& rect, Colour frame, Colour fill) override;
    void text(const Font& font, std::string_view bytes, int x, int y, Colour colour) override;
    bool isVisible(const Rect&) const override { return true; }
    Point toDevice(Point logical) const override { return {logical.x + offset_.x, logical.y + offset_.y}; }

    // The whole document: `width` by `height` pixels, titled `title` (UTF-8);
    // nullopt when the body kept aside could not be read back.
    std::optional<std::string> document(int width, int height, std::string_view title);
    // The same document handed to `write` piece by piece, so that the picture
    // of a large file is never held twice; false as soon as a write fails.
    bool writeDocument(int width, int height, std::string_view title,
                       const std::function<bool(std::string_view)>& write);

private:
    // The id of the glyph's definition, written on first use; empty for a
    // glyph without an outline.
    const std::string& definition(const Font& font, int code);
    void flushRectangles();
    void closeElementFilled(Colour colour);
    void addToBody(std::string element);

    Point offset_;
    std::string defs_;
    SpooledText body_;  // written before the definitions are all known
    std::map<std::pair<const Font*, int>, std::string> glyphIds_;
    std::string rectangles_;  // path data of the pending run of rectangles
    Colour rectangleColour_ = kBlack;
};

// A colour as SVG writes it: "#rrggbb".
std::string svgColour(Colour colour);

}  // namespace skirlo
