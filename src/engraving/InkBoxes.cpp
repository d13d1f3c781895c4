#include "engraving/InkBoxes.h"

#include <algorithm>
#include <climits>

namespace skirlo {

void InkRecorder::add(const Rect& rect) {
    if (rect.right > rect.left && rect.bottom > rect.top) boxes_.push_back(rect);
}

void InkRecorder::glyph(const Font& font, int code, int x, int y, Colour) {
    const GlyphBox box = font.glyphBox(code);
    const int left = x + box.originX;
    const int top = y + font.ascent() - box.originY;
    add({left, top, left + box.width, top + box.height});
}

void InkRecorder::fillRect(const Rect& rect, Colour) { add(rect); }

void InkRecorder::fillPolygon(const std::vector<OutlinePoint>& points, Colour) {
    Rect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const OutlinePoint& p : points) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    if (!points.empty()) add(r);
}

void InkRecorder::frameRect(const Rect& rect, Colour, Colour) { add(rect); }

void InkRecorder::text(const Font& font, std::string_view bytes, int x, int y, Colour) {
    const Extent size = font.textExtent(bytes);
    add({x, y, x + size.width, y + size.height});
}

SymbolInk inkOf(const MusicRenderer& renderer, const BarLayout& bar, std::size_t index, const StaffLayout& staff) {
    SymbolInk ink;
    InkRecorder all;
    renderer.drawBarSymbol(bar, index, staff, all);
    ink.all = all.boxes();
    const Symbol& symbol = *bar.symbols[index];
    if (symbol.glyphFont() != nullptr && isTailedNote(symbol.category) && isJoiningTail(symbol.tailCode)) {
        InkRecorder flags, beams;
        drawFlags(symbol, staff, flags, kBlack, beamedNext(bar, index));
        drawBeams(symbol, staff, beams, kBlack);
        ink.flags = flags.boxes();
        ink.beams = beams.boxes();
    }
    return ink;
}

}  // namespace skirlo
