#include "engraving/MusicRenderer.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "engraving/MusicGlyphs.h"
#include "engraving/MusicLayout.h"

namespace skirlo {

namespace {

constexpr int kMaxWidening = 64;  // device pixels a preview may need to widen a line by
constexpr int kNumberClearance = 3;  // between a tuplet's curve and its number, in 1/130 of H
constexpr int kReferenceScale = 130;

bool isPrinting(const Surface& surface) {
    return surface.kind() == SurfaceKind::Printer || surface.kind() == SurfaceKind::Preview;
}

bool isTuplet(std::int32_t c) { return c == CAT_RUNS_OF_3 || c == CAT_RUNS_OF_3_END; }

bool drawsFlags(const Symbol& s) { return isTailedNote(s.category) && isJoiningTail(s.tailCode); }

// Bar lines drawn only as rectangles: their glyph would draw them twice.
bool isPlainBarLine(BarLineKind kind) {
    return kind == BarLineKind::PartEnd || kind == BarLineKind::PartStart || kind == BarLineKind::Plain ||
           kind == BarLineKind::StaffEnd;
}

int barWidth(const Symbol& s, int code) {
    const Font* staffFont = s.staffFont();
    return staffFont != nullptr ? std::max(staffFont->glyphBox(code).width, 1) : 1;
}

// The top of a staff box below the cell top: the font's ascent less the box origin.
int boxTop(const Font* font, const GlyphBox& box) { return (font != nullptr ? font->ascent() : 0) - box.originY; }

void fillWidened(Surface& surface, Rect rect, Colour colour, bool vertical) {
    if (surface.kind() == SurfaceKind::Preview) {
        for (int i = 0; i < kMaxWidening; ++i) {
            const Point a = surface.toDevice({rect.left, rect.top});
            const Point b = surface.toDevice({rect.right, rect.bottom});
            if (vertical ? a.x != b.x : a.y != b.y) break;
            (vertical ? rect.right : rect.bottom) += 1;
        }
    }
    surface.fillRect(rect, colour);
}

const Symbol* underMarkTarget(const Symbol& mark) {
    if (mark.category == CAT_PIOB_UNDERPREV) return mark.backLink;
    if (mark.category == CAT_PIOB_UNDERNEXT || mark.category == CAT_PIOB_UNDERNEXT_CAMACH) return mark.forwardLink;
    return nullptr;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
};

Box boxOf(const Contour& contour) {
    Box b;
    for (const OutlinePoint& p : contour) {
        b.left = std::min(b.left, p.x);
        b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x);
        b.bottom = std::max(b.bottom, p.y);
    }
    return b;
}

// A single gracenote's outline parted: its flags are the contours wholly
// above its head (the lowest contour); the rest is head, stem and ledger.
struct GracenoteParts {
    std::vector<Contour> kept;
    std::vector<int> flagTops;  // in the cell, from the top
    Box stem;                   // the kept contour reaching highest
};

GracenoteParts gracenoteParts(const Symbol& grace) {
    GracenoteParts parts;
    const std::vector<Contour> contours = grace.glyphFont()->outline(grace.glyphCharacter);
    int headTop = INT_MIN;
    int lowest = INT_MIN;
    for (const Contour& c : contours) {
        const Box b = boxOf(c);
        if (b.bottom > lowest) {
            lowest = b.bottom;
            headTop = b.top;
        }
    }
    for (const Contour& c : contours) {
        const Box b = boxOf(c);
        if (c.empty()) continue;
        if (b.bottom < headTop) {
            parts.flagTops.push_back(b.top);
            continue;
        }
        if (b.top < parts.stem.top) parts.stem = b;
        parts.kept.push_back(c);
    }
    std::sort(parts.flagTops.begin(), parts.flagTops.end());
    return parts;
}

Contour moved(const Contour& contour, int dx, int dy) {
    Contour out = contour;
    for (OutlinePoint& p : out) {
        p.x += dx;
        p.y += dy;
    }
    return out;
}

bool isRectangle(const Contour& contour, const Box& b) {
    return std::all_of(contour.begin(), contour.end(), [&](const OutlinePoint& p) {
        return (p.x == b.left || p.x == b.right) && (p.y == b.top || p.y == b.bottom);
    });
}

// A gracenote's head a quarter larger, to about 0.75 staff spaces wide,
// growing left and both ways up and down so that its stem still stands on
// its right edge.
Contour grownHead(const Contour& head, const Box& b) {
    constexpr int kGrowPercent = 125;
    const int middle = (b.top + b.bottom) / 2;
    Contour out = head;
    for (OutlinePoint& p : out) {
        p.x = b.right - (b.right - p.x) * kGrowPercent / 100;
        p.y = middle + (p.y - middle) * kGrowPercent / 100;
    }
    return out;
}

// A single gracenote's flag (a curve above the staff) swept further out and
// down from where it leaves the stem, so that its three flags read as hooks
// at arm's length rather than as a thickened stem end.
Contour longerFlag(const Contour& flag, const Box& b) {
    constexpr int kWiderPercent = 140;
    constexpr int kDeeperPercent = 125;
    Contour out = flag;
    for (OutlinePoint& p : out) {
        p.x = b.left + (p.x - b.left) * kWiderPercent / 100;
        p.y = b.top + (p.y - b.top) * kDeeperPercent / 100;
    }
    return out;
}

int spaceOf(const StaffLayout& staff) { return std::max(1, staff.lineY[1] - staff.lineY[0]); }

// Gracenotes read at arm's length: their heads (the curved shapes on the
// staff) grown, their beams (the rectangles above the staff lying flat) 0.3
// staff spaces thick, growing down from their tops as the beams of the
// glyph are spaced for it, and their stems (the upright rectangles) at
// least a tenth of a space wide, never a hairline, growing into the head so
// that the beams still end on them.
Contour sturdyGracenoteContour(const Contour& contour, int space) {
    const auto b = boxOf(contour);
    if (contour.empty()) return contour;
    if (!isRectangle(contour, b)) return b.top > 3 * space ? grownHead(contour, b) : contour;
    const int width = b.right - b.left;
    const int height = b.bottom - b.top;
    const bool beam = width > height && b.bottom <= 3 * space;
    const bool stem = height > width && width < space / 5;
    const int beamBottom = b.top + std::max(height, space * 3 / 10);
    const int stemLeft = b.right - std::max({width, (space + 9) / 10, 1});
    Contour out = contour;
    for (OutlinePoint& p : out) {
        if (beam && p.y == b.bottom) p.y = beamBottom;
        if (stem && p.x == b.left) p.x = stemLeft;
    }
    return out;
}

void drawSturdyGracenotes(const Symbol& grace, const StaffLayout& staff, int y, Surface& surface, Colour colour) {
    const int space = spaceOf(staff);
    const int dx = grace.x + grace.spaceBefore;
    for (const Contour& c : sturdyGracenoteOutline(grace.glyphFont()->outline(grace.glyphCharacter), space)) {
        if (!c.empty()) surface.fillPolygon(moved(c, dx, y), colour);
    }
}

// Where a beam level's box starts: the staff's common line, or in Modern
// the line of the note's own group, as far from the stem's end as there.
int beamTop(const Symbol& note, const StaffLayout& staff, int level) {
    const GlyphBox& box = staff.beamBoxes[static_cast<std::size_t>(level)];
    const int top = note.y + boxTop(note.ledgerFont(), box);
    const std::int32_t* end = staff.stemEndOf(note);
    if (end == nullptr) return top;
    const GlyphBox& farthest = staff.beamBoxes[0];
    return top + *end - (boxTop(note.ledgerFont(), farthest) + farthest.height);
}

bool inside(const Box& inner, const Box& outer) {
    return inner.left > outer.left && inner.right < outer.right && inner.top > outer.top && inner.bottom < outer.bottom;
}

// A half note's head and its hole as one polygon: the hole, wound the other
// way, stays open under the nonzero rule, and the seam joining the two runs
// from leftmost point to leftmost point through the ink between them.
Contour withHole(const Contour& outline, const Contour& hole) {
    auto leftmost = [](const Contour& c) {
        return static_cast<std::size_t>(std::min_element(c.begin(), c.end(), [](auto& a, auto& b) {
                                            return a.x < b.x;
                                        }) - c.begin());
    };
    Contour out;
    const std::size_t i = leftmost(outline);
    const std::size_t j = leftmost(hole);
    for (std::size_t k = 0; k <= outline.size(); ++k) out.push_back(outline[(i + k) % outline.size()]);
    for (std::size_t k = 0; k <= hole.size(); ++k) out.push_back(hole[(j + k) % hole.size()]);
    out.push_back(outline[i]);
    return out;
}

// A note drawn from its outline with its stem ending `stemEnd` below y: the
// stem is the tallest contour, the flags the contours starting well below
// its top (the head's centre); they move with the stem's end.
void drawStemmedNote(const Symbol& note, const StaffLayout& staff, int stemEnd, int y, Surface& surface,
                     Colour colour) {
    const std::vector<Contour> contours = note.glyphFont()->outline(note.glyphCharacter);
    const Contour* stem = nullptr;
    Box stemBox;
    for (const Contour& c : contours) {
        const Box b = boxOf(c);
        if (!c.empty() && (stem == nullptr || b.bottom - b.top > stemBox.bottom - stemBox.top)) {
            stem = &c;
            stemBox = b;
        }
    }
    const int dx = note.x + note.spaceBefore;
    if (stem == nullptr) {
        surface.glyph(*note.glyphFont(), note.glyphCharacter, dx, y, colour);
        return;
    }
    const int halfSpace = (staff.lineY[1] - staff.lineY[0]) / 2;
    const int flagShift = stemEnd - stemBox.bottom;
    for (const Contour& c : contours) {
        if (&c == stem || c.empty()) continue;
        const Box b = boxOf(c);
        const bool flag = b.top > stemBox.top + halfSpace;
        const auto around = std::find_if(contours.begin(), contours.end(), [&](const Contour& other) {
            return &other != &c && &other != stem && !other.empty() && inside(b, boxOf(other));
        });
        if (around != contours.end()) continue;  // a hole: drawn with the head round it
        const auto hole = std::find_if(contours.begin(), contours.end(), [&](const Contour& other) {
            return &other != &c && &other != stem && !other.empty() && inside(boxOf(other), b);
        });
        const Contour shape = hole != contours.end() ? withHole(c, *hole) : c;
        surface.fillPolygon(moved(shape, dx, y + (flag ? flagShift : 0)), colour);
    }
    surface.fillRect({dx + stemBox.left, y + stemBox.top, dx + stemBox.right, y + stemEnd}, colour);
}

}  // namespace

// A single gracenote's flags (the curves above the staff) are made longer,
// and each after the first set a little further down its stem than the
// glyph sets it, so that the longer hooks keep paper between them.
std::vector<Contour> sturdyGracenoteOutline(const std::vector<Contour>& outline, int space) {
    std::vector<Contour> out;
    out.reserve(outline.size());
    std::vector<std::pair<int, std::size_t>> flags;  // top, index in `out`
    for (const Contour& c : outline) {
        const auto b = boxOf(c);
        if (!c.empty() && !isRectangle(c, b) && b.top <= 3 * space) {
            flags.emplace_back(b.top, out.size());
            out.push_back(longerFlag(c, b));
        } else {
            out.push_back(sturdyGracenoteContour(c, space));
        }
    }
    std::sort(flags.begin(), flags.end());
    for (std::size_t i = 1; i < flags.size(); ++i) {
        for (OutlinePoint& p : out[flags[i].second]) p.y += static_cast<int>(i) * space * 15 / 100;
    }
    return out;
}

bool inGracenoteRun(const BarLayout& bar, std::size_t index) {
    auto single = [&](std::size_t i) {
        return i < bar.symbols.size() && bar.symbols[i]->category == CAT_GRACENOTES &&
               bar.symbols[i]->glyphFont() != nullptr;
    };
    return single(index) && ((index > 0 && single(index - 1)) || single(index + 1));
}

void drawRunGracenote(const Symbol& grace, const Symbol* runEnd, const StaffLayout& staff, Surface& surface,
                      Colour colour) {
    const GracenoteParts parts = gracenoteParts(grace);
    const int dx = grace.x + grace.spaceBefore;
    const int space = spaceOf(staff);
    for (const Contour& c : parts.kept) {
        surface.fillPolygon(moved(staff.sturdyGracenotes ? sturdyGracenoteContour(c, space) : c, dx, grace.y), colour);
    }
    if (runEnd == nullptr || parts.flagTops.size() < 2 || parts.stem.right == INT_MIN) return;
    const GracenoteParts last = gracenoteParts(*runEnd);
    if (last.stem.right == INT_MIN) return;
    // The beams where the flags leave the stem, as thick as the flags are
    // high where they start: the same lines a written cluster is beamed with.
    const int thickness = staff.sturdyGracenotes ? std::max(1, space * 3 / 10)
                                                 : std::max(1, (parts.flagTops[1] - parts.flagTops[0]) * 5 / 9);
    const int left = dx + parts.stem.left;
    const int right = runEnd->x + runEnd->spaceBefore + last.stem.right;
    for (const int top : parts.flagTops) {
        surface.fillRect({left, grace.y + top, right, grace.y + top + thickness}, colour);
    }
}

std::vector<int> beamLevels(int noteValue) {
    std::vector<int> levels;
    for (int d = noteValue; d / 8 > 0 && levels.size() < 3; d /= 2) {
        int k = 0;
        while (8 << k < d && k < 2) ++k;
        levels.push_back(k);
    }
    return levels;
}

void MusicRenderer::draw(const std::vector<std::unique_ptr<Tune>>& tunes, Surface& surface) const {
    for (const auto& tune : tunes) drawTune(*tune, surface);
}

void MusicRenderer::drawTune(const Tune& tune, Surface& surface) const {
    const bool screen = surface.kind() == SurfaceKind::Screen;
    for (const auto& part : tune.parts) {
        const Rect partRect{part->x, part->y, part->x + part->width + part->overhang, part->y + part->height};
        if (screen && !surface.isVisible(partRect)) continue;
        for (const auto& staff : part->staves) {
            const Rect staffRect{staff->x, staff->y, staff->x + staff->width + staff->overhang,
                                 staff->y + staff->height};
            if (screen && !surface.isVisible(staffRect)) continue;
            drawStaff(*staff, surface);
        }
    }
    for (const auto& text : tune.header.texts) {
        if (text->kind == 'I' && isPrinting(surface)) continue;  // their symbols draw them
        drawText(*text, surface);
    }
}

void MusicRenderer::drawStaff(const StaffLayout& staff, Surface& surface) const {
    drawStaffLines(staff, surface);
    const bool screen = surface.kind() == SurfaceKind::Screen;
    for (std::size_t b = 0; b < staff.bars.size(); ++b) {
        const BarLayout& bar = *staff.bars[b];
        const int overhang = b + 1 == staff.bars.size() ? staff.overhang : 0;
        const Rect rect{bar.x, staff.y, bar.x + bar.width + overhang, staff.y + staff.height};
        if (screen && !surface.isVisible(rect)) continue;
        for (std::size_t i = 0; i < bar.symbols.size(); ++i) drawBarSymbol(bar, i, staff, surface);
    }
}

void MusicRenderer::drawBarSymbol(const BarLayout& bar, std::size_t index, const StaffLayout& staff,
                                  Surface& surface) const {
    const Symbol& symbol = *bar.symbols[index];
    if (!inGracenoteRun(bar, index)) {
        drawSymbol(symbol, staff, surface, beamedNext(bar, index));
        return;
    }
    // Gracenotes written one after another are drawn as one beamed group:
    // the first of the run draws the beams to the last.
    const bool first = index == 0 || !inGracenoteRun(bar, index - 1);
    const Symbol* end = nullptr;
    if (first) {
        std::size_t last = index;
        while (last + 1 < bar.symbols.size() && inGracenoteRun(bar, last + 1)) ++last;
        end = bar.symbols[last].get();
    }
    const Colour colour = symbol.marked ? highlight_ : kBlack;
    if (isPrinting(surface) && symbol.inlineText != nullptr) drawText(*symbol.inlineText, surface);
    drawRunGracenote(symbol, end, staff, surface, colour);
    if (symbol.timeLines != 0) drawTimeLineSegments(symbol, staff, surface, colour);
}

void MusicRenderer::drawStaffLines(const StaffLayout& staff, Surface& surface) const {
    const int t = staff.lineThickness;
    const int half = std::max(1, t / 2);
    for (const int y : staff.lineY) {
        fillWidened(surface, {staff.x + half, y, staff.x + staff.width - half, y + t}, kBlack, false);
    }
}

void MusicRenderer::drawSymbol(const Symbol& symbol, const StaffLayout& staff, Surface& surface,
                               const Symbol* next) const {
    const Colour colour = symbol.marked ? highlight_ : kBlack;
    if (isPrinting(surface) && symbol.inlineText != nullptr) drawText(*symbol.inlineText, surface);
    if (symbol.glyphFont() != nullptr) {
        if (isBarLineCategory(symbol.category)) drawBarLines(symbol, staff, surface, colour);
        if (!isPlainBarLine(symbol.barLine)) drawGlyph(symbol, staff, surface, colour, next);
    } else if (isArcCategory(symbol.category) && symbol.curve && !symbol.curve->empty()) {
        surface.fillPolygon(*symbol.curve, colour);
        if (isTuplet(symbol.category)) drawTupletNumber(symbol, surface, colour);
    }
    if (symbol.timeLines != 0) drawTimeLineSegments(symbol, staff, surface, colour);
}

void MusicRenderer::drawGlyph(const Symbol& symbol, const StaffLayout& staff, Surface& surface, Colour colour,
                              const Symbol* next) const {
    if (symbol.category == CAT_END_TIMELINE || symbol.category == CAT_END_TIMELINE_BIS) {
        drawTimeLineEnd(symbol, staff, surface, colour);
        return;
    }
    int y = symbol.y;
    if (const Symbol* target = underMarkTarget(symbol)) y += underMarkDrop(symbol, *target, symbol.scale());
    const bool flagged = drawsFlags(symbol);
    const Font* ledgerFont = symbol.ledgerFont();
    if (flagged && symbol.pitch == PITCH_HA && ledgerFont != nullptr) {
        const GlyphBox ledger = ledgerFont->glyphBox(glyph::kLedger);
        surface.glyph(*ledgerFont, glyph::kLedger, symbol.centreX - ledger.originX - ledger.width / 2, y, colour);
    }
    if (flagged) drawFlags(symbol, staff, surface, colour, next);
    const Point shift = symbol.category == CAT_START_TIMELINE ? timeLineLabelShift(symbol, staff) : Point{};
    if (const std::int32_t* stemEnd = staff.stemEndOf(symbol); stemEnd != nullptr) {
        drawStemmedNote(symbol, staff, *stemEnd, y, surface, colour);
    } else if (staff.sturdyGracenotes && isEmbellishmentLike(symbol.category)) {
        drawSturdyGracenotes(symbol, staff, y, surface, colour);
    } else {
        surface.glyph(*symbol.glyphFont(), symbol.glyphCharacter, symbol.x + symbol.spaceBefore + shift.x,
                      y + shift.y, colour);
    }
    if (flagged) drawBeams(symbol, staff, surface, colour);
}

void MusicRenderer::drawText(const TextRecord& text, Surface& surface) const {
    const Font* font = text.font();
    if (font == nullptr) return;
    if (text.selected && surface.kind() == SurfaceKind::Screen) {
        surface.frameRect({text.box.left, text.box.top, text.box.right, text.box.bottom}, text.colour, kWhite);
    }
    surface.text(*font, text.text, text.box.left, text.box.top, text.colour);
}

void drawBarLines(const Symbol& bar, const StaffLayout& staff, Surface& surface, Colour colour) {
    const int thin = barWidth(bar, glyph::kThinBar);
    const int thick = barWidth(bar, glyph::kThickBar);
    const int end = barWidth(bar, glyph::kEndBar);
    const int top = staff.lineY[0];
    const int bottom = staff.lineY[4] + staff.lineThickness;
    const int x = bar.x + bar.spaceBefore;
    const int r = bar.x + bar.advanceWidth;
    auto line = [&](int left, int right) { fillWidened(surface, {left, top, right, bottom}, colour, true); };
    switch (bar.barLine) {
        case BarLineKind::Plain: line(x, x + thin); break;
        case BarLineKind::StaffEnd: line(r - end, r); break;
        case BarLineKind::PartStart:
        case BarLineKind::RepeatStart:
            line(x, x + thick);
            line(x + thick + thick / 2, x + thick + thick / 2 + thin);
            break;
        case BarLineKind::PartEnd:
        case BarLineKind::RepeatEnd:
            line(r - thick, r);
            line(r - (thick + thick / 2) - thin, r - (thick + thick / 2));
            break;
        case BarLineKind::Double:
            line(x, x + thin);
            line(x - thin / 2 - thin, x - thin / 2);
            break;
        case BarLineKind::None: break;
    }
}

std::optional<Point> tupletNumberPlace(const Symbol& tuplet) {
    const Font* font = tuplet.secondaryFont();
    if (font == nullptr || !tuplet.curve || tuplet.curve->empty()) return std::nullopt;
    const GlyphBox box = font->glyphBox(tuplet.glyphCharacter);
    if (box.width <= 0) return std::nullopt;
    int left = INT_MAX, right = INT_MIN, top = INT_MAX;
    for (const OutlinePoint& p : *tuplet.curve) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
    }
    // Centred over the curve, its black box clear of the curve's crown.
    const int clearance = kNumberClearance * tuplet.scale() / kReferenceScale;
    const int boxTopInCell = font->ascent() - box.originY;
    return Point{(left + right) / 2 - box.originX - box.width / 2, top - clearance - boxTopInCell - box.height};
}

void drawTupletNumber(const Symbol& tuplet, Surface& surface, Colour colour) {
    if (const std::optional<Point> at = tupletNumberPlace(tuplet)) {
        surface.glyph(*tuplet.secondaryFont(), tuplet.glyphCharacter, at->x, at->y, colour);
    }
}

const Symbol* beamedNext(const BarLayout& bar, std::size_t index) {
    const Symbol& note = *bar.symbols[index];
    if (!drawsFlags(note)) return nullptr;
    for (std::size_t i = index + 1; i < bar.symbols.size(); ++i) {
        const Symbol& s = *bar.symbols[i];
        if (isTailedNote(s.category)) return s.backLink == &note && drawsFlags(s) ? &s : nullptr;
    }
    return nullptr;
}

void drawFlags(const Symbol& note, const StaffLayout& staff, Surface& surface, Colour colour, const Symbol* next) {
    // A level a beam already joins needs no flag: drawn anyway it would
    // stick out past the neighbour's stem where the notes stand close.
    std::vector<int> joined;
    if (note.backLink != nullptr && drawsFlags(*note.backLink)) {
        joined = beamLevels(std::min(note.noteValue, note.backLink->noteValue));
    }
    if (next != nullptr) {
        for (const int level : beamLevels(std::min(note.noteValue, next->noteValue))) joined.push_back(level);
    }
    const int s = note.stemX;
    for (const int level : beamLevels(note.noteValue)) {
        if (std::find(joined.begin(), joined.end(), level) != joined.end()) continue;
        const GlyphBox& box = staff.beamBoxes[static_cast<std::size_t>(level)];
        const int top = beamTop(note, staff, level);
        if (note.tailCode == TAIL_R) {
            surface.fillRect({s - box.originX, top, s + box.width + 1, top + box.height + 1}, colour);
        } else {
            surface.fillRect({s - box.width, top, s + 1, top + box.height}, colour);
        }
    }
}

void drawBeams(const Symbol& note, const StaffLayout& staff, Surface& surface, Colour colour) {
    const Symbol* linked = note.backLink;
    if (linked == nullptr || !drawsFlags(*linked)) return;
    for (const int level : beamLevels(std::min(note.noteValue, linked->noteValue))) {
        const GlyphBox& box = staff.beamBoxes[static_cast<std::size_t>(level)];
        const int top = beamTop(note, staff, level);
        surface.fillRect({linked->stemX - box.originX, top, note.stemX + 1, top + box.height + 1}, colour);
    }
}

namespace {

struct Bracket {
    GlyphBox horizontal;
    GlyphBox vertical;
    int top = 0;  // of the vertical box, below the cell top
};

Bracket bracketFor(const Symbol& symbol, const StaffLayout& staff, int index) {
    Bracket b;
    b.horizontal = staff.timeLineBoxes[index == 0 ? 0 : 2];
    b.vertical = staff.timeLineBoxes[index == 0 ? 1 : 3];
    b.top = boxTop(symbol.staffFont(), b.vertical);
    return b;
}

bool isLabelOf(const Symbol& symbol, int index) {
    return symbol.category == CAT_START_TIMELINE && (symbol.name == "'bis") == (index == 1);
}

void openingStroke(const Symbol& label, const Bracket& b, Surface& surface, Colour colour) {
    const int top = label.y + b.top;
    surface.fillRect({label.x, top, label.x + b.horizontal.height, top + b.vertical.height - b.horizontal.height},
                     colour);
}

}  // namespace

Point timeLineLabelShift(const Symbol& label, const StaffLayout& staff) {
    // The label's glyph may start on the hook: keep a quarter staff space
    // of paper from the opening stroke and from the bracket over it.
    const Bracket b = bracketFor(label, staff, label.name == "'bis" ? 1 : 0);
    const int gap = std::max(1, (staff.lineY[1] - staff.lineY[0]) / 4);
    const int left = label.x + label.spaceBefore + label.glyphOrigin.width;
    const int top = label.y + label.glyphOrigin.height;
    return {std::max(0, label.x + b.horizontal.height + gap - left),
            std::max(0, label.y + b.top + b.horizontal.height + gap - top)};
}

void drawTimeLineSegments(const Symbol& symbol, const StaffLayout& staff, Surface& surface, Colour colour) {
    const bool plain = (symbol.timeLines & ~kBisTimeLine) != 0;
    const bool bis = (symbol.timeLines & kBisTimeLine) != 0;
    for (int index = 0; index < 2; ++index) {
        if (index == 0 ? !plain : !bis) continue;
        const Bracket b = bracketFor(symbol, staff, index);
        const int top = symbol.y + b.top;
        surface.fillRect({symbol.x, top, symbol.x + symbol.advanceWidth, top + b.horizontal.height}, colour);
        if (isLabelOf(symbol, index)) openingStroke(symbol, b, surface, colour);
    }
}

void drawTimeLineEnd(const Symbol& end, const StaffLayout& staff, Surface& surface, Colour colour) {
    const Symbol* previous = end.backLink;
    if (previous == nullptr) return;
    const int index = end.category == CAT_END_TIMELINE ? 0 : 1;
    const Bracket b = bracketFor(end, staff, index);
    if (isLabelOf(*previous, index)) openingStroke(*previous, b, surface, colour);
    const int top = end.y + b.top;
    const int corner = end.x + b.vertical.originX;
    // A mark hung on a later note may stand right of the end: the bracket
    // then runs on from the end's own place.
    const int from = std::min(previous->x + previous->advanceWidth, end.x);
    surface.fillRect({from, top, corner, top + b.horizontal.height}, colour);
    surface.fillRect({corner, top, corner + b.vertical.width, top + b.vertical.height - b.horizontal.height}, colour);
}

}  // namespace skirlo
