#include "engraving/MusicLayout.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <string>

#include "engraving/FontCreation.h"
#include "engraving/InkBoxes.h"
#include "engraving/MusicCurves.h"
#include "engraving/MusicGlyphs.h"
#include "notation/TuneBuilder.h"

namespace skirlo {

namespace {

constexpr int kMaxAlignedColumns = 50;
constexpr int kDotPreGap = 4;      // after a tailed note, in 1/130 of H
constexpr int kMarkClearance = 3;  // between a mark and what it clears, in 1/130 of H
constexpr int kFallbackStaffSpace = 10;  // in 1/130 of H, for fonts without a staff glyph
constexpr int kBarLineRoom = 20;         // Modern: after a bar line, in tenths of a staff space
constexpr int kGraceToNoteRoom = 4;      // Modern: after a gracenote group, in tenths of a staff space
constexpr int kNoteToGraceRoom = 8;      // Modern: the least a note keeps before the group after it

// Gracenote-side symbols get their space before from the space percent.
bool hasScaledPreGap(std::int32_t c) { return isEmbellishmentLike(c) || c == CAT_REST; }

// The melody side: notes, dots and accidentals carry the scaled space after.
bool hasScaledPostGap(std::int32_t c) { return isMelodyCategory(c) || c == CAT_DOTS || c == CAT_NOTE_CHANGE; }

bool isNextMark(std::int32_t c) {
    return c == CAT_PIOB_OVERNEXT || c == CAT_PIOB_UNDERNEXT || c == CAT_PIOB_UNDERNEXT_CAMACH || c == CAT_SIGN;
}

bool isUnderMark(std::int32_t c) {
    return c == CAT_PIOB_UNDERPREV || c == CAT_PIOB_UNDERNEXT || c == CAT_PIOB_UNDERNEXT_CAMACH;
}

// The profile's ball size is any number; far beyond this it would overflow
// the scaling to pixels, and no screen shows a band that tall.
constexpr int kMaxBallSize = 10000;

// A fixed position in thousandths of an inch as pixels, computed wide and
// held to a range whose sums with text sizes cannot overflow.
int fixedPosition(int thousandths, int pixelsPerInch, int printableOffset) {
    constexpr std::int64_t kLimit = INT_MAX / 4;
    const std::int64_t pixels = std::int64_t{thousandths} * pixelsPerInch / 1000 - printableOffset;
    return static_cast<int>(std::clamp(pixels, -kLimit, kLimit));
}

bool isStretchCategory(std::int32_t c, bool withRests) {
    return isMelodyCategory(c) || isEmbellishmentLike(c) || (withRests && c == CAT_REST);
}

int boxTop(const Symbol& s) { return s.y + s.glyphOrigin.height; }
int boxBottom(const Symbol& s) { return boxTop(s) + s.glyphBox.height; }

// Fine, D.C., D.S. and their kin, the segno and the coda sign.
bool isDirection(const Symbol& s) {
    return (s.category == CAT_SIGN_REPEAT || s.category == CAT_SIGN) && s.glyphFont() != nullptr;
}

// Whether the symbol at `index` of its bar takes a share of extra width: a
// note or gracenote-side symbol that does not directly follow a gracenote-side
// symbol (beat separators looked through), so a gracenote and its note are
// never pulled apart.
bool isStretchPoint(const BarLayout& bar, std::size_t index, bool withRests) {
    if (!isStretchCategory(bar.symbols[index]->category, withRests)) return false;
    for (std::size_t i = index; i-- > 0;) {
        const std::int32_t c = bar.symbols[i]->category;
        if (c == CAT_BEAT_SEPARATOR) continue;
        return !isEmbellishmentLike(c);
    }
    return true;
}

int stretchPoints(const BarLayout& bar, bool withRests) {
    int n = 0;
    for (std::size_t i = 0; i < bar.symbols.size(); ++i) n += isStretchPoint(bar, i, withRests) ? 1 : 0;
    return n;
}

// A bar's part of a staff's extra width by its share of the staff's stretch
// points: Classic gives each point extra / N, truncated first; Modern's
// weights are large numbers, so the product comes first.
int barShare(int extra, int barPoints, int staffPoints, bool weighted) {
    if (staffPoints <= 0) return 0;
    if (!weighted) return barPoints * std::max(extra / staffPoints, 0);
    return static_cast<int>(std::int64_t{barPoints} * extra / staffPoints);
}

void moveSymbol(Symbol& s, int dx, int dy) {
    s.x += dx;
    s.centreX += dx;
    s.stemX += dx;
    s.y += dy;
}

void moveBar(BarLayout& bar, int dx, int dy) {
    bar.x += dx;
    bar.y += dy;
    for (auto& s : bar.symbols) moveSymbol(*s, dx, dy);
}

GlyphBox boxOf(const Font* font, int code) {
    if (font == nullptr) return {};
    GlyphBox box = font->glyphBox(code);
    box.height = std::max(box.height, 1);
    return box;
}

int maxOverhang(const std::vector<StaffLayout*>& staves) {
    int overhang = 0;
    for (const StaffLayout* staff : staves) overhang = std::max(overhang, staff->overhang);
    return overhang;
}

// Shares out what the columns lack of `width`, the remainder to the last column.
void widenColumns(std::vector<int>& columns, int width) {
    int total = 0;
    for (const int c : columns) total += c;
    if (columns.empty() || total >= width) return;
    const int count = static_cast<int>(columns.size());
    for (int& c : columns) c += (width - total) / count;
    columns.back() += (width - total) % count;
}

template <typename Visit>
void forEachStaff(Tune& tune, Visit visit) {
    for (auto& part : tune.parts) {
        for (auto& staff : part->staves) visit(*staff);
    }
}

// The top of the highest fermata or direction of a staff (which may be
// raised over gracenotes), or `none` without one.
int highestMarkTop(const StaffLayout& staff, int none) {
    int top = none;
    for (const auto& bar : staff.bars) {
        for (const auto& s : bar->symbols) {
            if (s->glyphFont() != nullptr && (s->category == CAT_FERMATA || isDirection(*s))) top = std::min(top, boxTop(*s));
        }
    }
    return top;
}

}  // namespace

std::optional<EngravingStyle> engravingStyleNamed(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "classic") return EngravingStyle::Classic;
    if (lower == "modern") return EngravingStyle::Modern;
    return std::nullopt;
}

std::string_view engravingStyleName(EngravingStyle style) {
    return style == EngravingStyle::Modern ? "Modern" : "Classic";
}

LayoutSettings layoutSettingsFor(const TuneSettings& settings, int ballSize) {
    LayoutSettings layout;
    layout.zoom = std::clamp(settings.fontSizes.zoom, kMinZoom, kMaxZoom);
    layout.xScale = settings.fontSizes.xScale;
    layout.yScale = settings.fontSizes.yScale;
    layout.spacePercent = settings.fontSizes.spacing;
    layout.alignBars = settings.format.alignBars != 0;
    layout.ballSize = std::clamp(ballSize, 0, kMaxBallSize);
    return layout;
}

DerivedHeights derivedHeights(int zoom, int xScale, int yScale) {
    // Settings come from the tune text: any value must give heights whose
    // sums along a long staff still fit in an int.
    auto bounded = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, 0, kMaxFontHeight));
    };
    DerivedHeights d;
    const std::int64_t base = std::int64_t{zoom} * kLayoutReference / 100;
    d.base = bounded(base);
    d.height = bounded(base * yScale / 100);
    d.width = bounded(base * xScale / 100);
    return d;
}

int underMarkDrop(const Symbol& mark, const Symbol& target, int fontHeight) {
    if (boxTop(mark) >= boxBottom(target)) return 0;
    return target.glyphBox.height + target.glyphOrigin.height + kMarkClearance * fontHeight / kLayoutReference -
           mark.glyphOrigin.height + (target.y - mark.y);
}

MusicLayout::MusicLayout(const FontSet& fonts, const CategorySpacing& spacing, MeasuringContext& measuring,
                         const LayoutSettings& settings)
    : fonts_(fonts), spacing_(spacing), measuring_(measuring), settings_(settings), height_(fonts.height) {
    measureStaffGlyphs();
    const std::vector<int>& tops = staffGlyphs_.lineTops;
    staffSpace_ = tops.size() >= 2 ? tops[1] - tops[0] : height_ * kFallbackStaffSpace / kLayoutReference;
    staffSpace_ = std::max(staffSpace_, 1);
}

int MusicLayout::roomOf(int noteValue, bool dotted) const {
    // A sixteenth's room, and what each doubling of the length adds, in
    // hundredths of a staff space: long notes get more room, but far less
    // than their length, as engravers space. Note values are powers of two
    // from a whole (1) to a thirty-second (32); anything else counts as a whole.
    constexpr int kSixteenthRoom = 125;
    constexpr int kDoublingStep = 115;
    constexpr int kShortest = 100;
    int doublings = 4;
    for (int value = 1; value < noteValue && doublings > -1; value *= 2) --doublings;
    int room = std::max(kShortest, kSixteenthRoom + kDoublingStep * doublings);
    if (dotted) room += kDoublingStep / 2;
    return (room * staffSpace_ + 50) / 100;
}

int MusicLayout::scaledUnits(int tableValue) const {
    return settings_.spacePercent * (tableValue * height_ / kLayoutReference) / 100;
}

int MusicLayout::preGap(const Symbol& symbol, const PlacementInput& input) const {
    const std::int32_t c = symbol.category;
    if (!hasScaledPreGap(c)) return units(spacing_.spaceBefore(c));
    const Symbol* previous = input.previous;
    // In Modern the note's room already holds the space up to its gracenotes,
    // and a bar line's room the space up to the next bar's first.
    if (modern() && previous != nullptr && hasScaledPostGap(previous->category)) return 0;
    if (modern() && previous == nullptr && input.previousBar != nullptr && !input.previousBar->symbols.empty()) {
        const std::int32_t before = input.previousBar->symbols.back()->category;
        if (before == CAT_BAR || before == CAT_START_SECTION) return 0;
    }
    // The note before already keeps its distance with its own space after.
    if (previous != nullptr && hasScaledPostGap(previous->category) &&
        previous->spaceAfter == scaledUnits(spacing_.spaceAfter(previous->category))) {
        return 0;
    }
    return scaledUnits(spacing_.spaceBefore(c));
}

int MusicLayout::postGap(const Symbol& symbol) const {
    const std::int32_t c = symbol.category;
    if (hasScaledPostGap(c)) return scaledUnits(spacing_.spaceAfter(c));
    // A gracenote group stands close to its note, as engravers set it.
    if (modern() && isEmbellishmentLike(c)) return staffSpace_ * kGraceToNoteRoom / 10;
    return units(spacing_.spaceAfter(c));
}

void MusicLayout::place(Symbol& symbol, const PlacementInput& input, int& runningX) {
    if (pendingBar_ != &input.bar) {
        pendingMarks_.clear();  // marks with nothing after them in their bar stay where they are
        pendingBar_ = &input.bar;
    }
    symbol.x = runningX;
    symbol.spaceBefore = 0;
    symbol.spaceAfter = 0;
    symbol.advanceWidth = 0;
    symbol.centreX = runningX;
    symbol.stemX = runningX;
    symbol.height = symbol.glyphExtent.height;
    const std::int32_t c = symbol.category;
    if (isTailedNote(c)) {
        placeTailedNote(symbol, input, runningX);
    } else if (c == CAT_DOTS) {
        placeDot(symbol, input, runningX);
    } else if (c == CAT_FERMATA) {
        placeFermata(symbol, input, runningX);
    } else if (c == CAT_SIGN_REPEAT) {
        placeRepeatSign(symbol, input, runningX);
    } else if (c == CAT_PIOB_UNDERPREV) {
        placeUnderPrevious(symbol, input, runningX);
    } else if (isNextMark(c)) {
        symbol.centreX = runningX + symbol.glyphExtent.width / 2;
        pendingMarks_.push_back(&symbol);
    } else if (c == CAT_START_TIMELINE || c == CAT_END_TIMELINE || c == CAT_END_TIMELINE_BIS) {
        placeTimeLine(symbol, runningX);
    } else if (isArcCategory(c) || c == CAT_RUNS_OF_3_START || c == CAT_TIES_START) {
        // Curves are drawn once every note has its final place.
    } else {
        placeDefault(symbol, input, runningX);
    }
}

void MusicLayout::adjustHighA(Symbol& note, const PlacementInput& input, int& runningX) const {
    // The ledger line is wider than the head: keep it clear of the gracenote.
    if (note.pitch != PITCH_HA || input.previous == nullptr || !isEmbellishmentLike(input.previous->category)) return;
    const Font* ledger = note.ledgerFont();
    if (ledger == nullptr) return;
    const int shift = (boxOf(ledger, glyph::kLedger).width - note.glyphBox.width) / 2;
    runningX += shift;
    input.previous->advanceWidth += shift;
    note.x = runningX;
    note.centreX = runningX;
    note.stemX = runningX;
}

void MusicLayout::placeTailedNote(Symbol& note, const PlacementInput& input, int& runningX) {
    adjustHighA(note, input, runningX);
    note.spaceBefore = preGap(note, input);
    note.spaceAfter = postGap(note);
    const int left = note.x + note.spaceBefore;
    note.stemX = left + note.glyphOrigin.width;
    note.centreX = left + (note.glyphOrigin.width + note.glyphBox.width) / 2;
    int glyphWidth = note.glyphOrigin.width + note.glyphBox.width;
    const Font* ledger = note.ledgerFont();
    if (note.pitch == PITCH_HA && ledger != nullptr) glyphWidth = boxOf(ledger, glyph::kLedger).width;
    if (modern()) note.spaceAfter = std::max(minimumGap(), roomOf(note.noteValue, false) - glyphWidth);
    note.advanceWidth = note.spaceBefore + glyphWidth + note.spaceAfter;
    hangPendingMarks(note);
}

void MusicLayout::placeDefault(Symbol& symbol, const PlacementInput& input, int& runningX) {
    if (isMelodyCategory(symbol.category)) adjustHighA(symbol, input, runningX);
    symbol.spaceBefore = preGap(symbol, input);
    // A tailed note's group stays tight up to its beat's end.
    if (input.currentNote != nullptr && isTailedNote(input.currentNote->category)) {
        symbol.spaceBefore = units(kDotPreGap);
    }
    symbol.spaceAfter = postGap(symbol);
    int width = symbol.glyphExtent.width;
    // A gracenote group's room ends at its ink: its note follows it closely.
    if (modern() && isEmbellishmentLike(symbol.category) && symbol.glyphBox.width > 0) {
        width = std::min(width, symbol.glyphOrigin.width + symbol.glyphBox.width);
    }
    if (modern() && isMelodyCategory(symbol.category)) {
        symbol.spaceAfter = std::max(minimumGap(), roomOf(symbol.noteValue, false) - width);
    }
    // Modern keeps a bar's first note well clear of the bar line, so that a
    // bar's width follows its durations rather than its number of notes.
    if (modern() && (symbol.category == CAT_BAR || symbol.category == CAT_START_SECTION)) {
        symbol.spaceAfter = std::max(symbol.spaceAfter, staffSpace_ * kBarLineRoom / 10);
    }
    if (modern() && isEmbellishmentLike(symbol.category)) {
        setIntoRoomBefore(symbol, input, symbol.spaceBefore + width + symbol.spaceAfter, runningX);
    }
    const int left = symbol.x + symbol.spaceBefore;
    symbol.centreX = left + width / 2;
    symbol.stemX = left + symbol.glyphOrigin.width;
    symbol.advanceWidth = symbol.spaceBefore + symbol.spaceAfter + width;
    if (symbol.glyphFont() != nullptr && symbol.category != CAT_BEAT_SEPARATOR && symbol.category != CAT_TEMPO_MARK) {
        hangPendingMarks(symbol);
    }
}

// Modern sets a gracenote group into the room its time gives the note
// before it, as engravers do: the notes stand apart by their lengths, and a
// group widens that only where the room cannot hold it.
void MusicLayout::setIntoRoomBefore(Symbol& group, const PlacementInput& input, int groupWidth, int& runningX) const {
    Symbol* before = input.previous;
    if (before == nullptr || !(hasScaledPostGap(before->category) || isTailedNote(before->category))) return;
    const int keep = staffSpace_ * kNoteToGraceRoom / 10;
    const int taken = std::min(std::max(0, before->spaceAfter - keep), groupWidth);
    before->spaceAfter -= taken;
    before->advanceWidth -= taken;
    group.x -= taken;
    runningX -= taken;
}

void MusicLayout::placeDot(Symbol& dot, const PlacementInput& input, int& runningX) {
    Symbol* note = input.currentNote;
    if (input.previous != nullptr && input.previous->category == CAT_FERMATA) note = input.previous->backLink;
    if (note != nullptr && isMelodyCategory(note->category) && note->spaceAfter > 0) {
        // The dot stands close to its note: the note's space after moves behind the dot.
        note->advanceWidth -= note->spaceAfter;
        runningX -= note->spaceAfter;
        note->spaceAfter = 0;
        dot.x = runningX;
    }
    placeDefault(dot, input, runningX);
    if (modern() && note != nullptr && isMelodyCategory(note->category)) {
        // The dot's space after completes the dotted note's room.
        const int used = dot.x + dot.spaceBefore + dot.glyphExtent.width - (note->x + note->spaceBefore);
        dot.spaceAfter = std::max(minimumGap(), roomOf(note->noteValue, true) - used);
        dot.advanceWidth = dot.spaceBefore + dot.glyphExtent.width + dot.spaceAfter;
    }
}

void MusicLayout::placeFermata(Symbol& fermata, const PlacementInput& input, int runningX) {
    const Symbol* previous = input.previous;
    if (previous == nullptr) {
        fermata.x = runningX;
        fermata.centreX = runningX + fermata.glyphExtent.width / 2;
        return;
    }
    fermata.x = previous->centreX - fermata.glyphExtent.width / 2;
    fermata.centreX = previous->centreX;
    const int clearance = units(kMarkClearance);
    const Symbol* before = previous;
    for (int i = 0; i < 3 && before != nullptr; ++i, before = before->previousSymbol) {
        if (before->glyphFont() == nullptr) continue;
        const int limit = boxTop(*before) - clearance;
        if (boxBottom(fermata) > limit) fermata.y -= boxBottom(fermata) - limit;
    }
    hungOn_[&fermata] = previous;
}

void MusicLayout::placeRepeatSign(Symbol& sign, const PlacementInput& input, int runningX) {
    const Symbol* previous = input.previous;
    if (previous == nullptr) {
        sign.x = runningX;
    } else {
        int previousWidth = previous->glyphExtent.width;
        if (isTailedNote(previous->category)) previousWidth = previous->glyphOrigin.width + previous->glyphBox.width;
        sign.x = previous->x + previous->spaceBefore + previous->spaceAfter + previousWidth;
        hungOn_[&sign] = previous;
    }
    sign.centreX = sign.x + sign.glyphExtent.width / 2;
}

void MusicLayout::placeUnderPrevious(Symbol& mark, const PlacementInput& input, int runningX) {
    const Symbol* previous = input.previous;
    if (previous == nullptr) {
        mark.x = runningX;
        mark.centreX = runningX + mark.glyphExtent.width / 2;
        return;
    }
    const int third = mark.glyphExtent.width / 3;
    mark.x = previous->centreX - third;
    mark.centreX = mark.x + 2 * third;
    dropBelow(mark, *previous);
    hungOn_[&mark] = previous;
}

void MusicLayout::placeTimeLine(Symbol& symbol, int runningX) {
    const bool advances = symbol.category != CAT_START_TIMELINE || symbol.name == "'bis";
    if (advances) symbol.advanceWidth = symbol.glyphExtent.width;
    symbol.centreX = runningX + symbol.glyphExtent.width / 2;
}

void MusicLayout::hangPendingMarks(Symbol& target) {
    for (Symbol* mark : pendingMarks_) hangMark(*mark, target);
    pendingMarks_.clear();
}

void MusicLayout::hangMark(Symbol& mark, const Symbol& target) {
    mark.y = target.y;
    if (mark.category == CAT_SIGN) {
        mark.x = target.x + target.spaceBefore;
        mark.y = boxTop(target) - mark.glyphOrigin.height - mark.glyphBox.height;
        mark.centreX = mark.x + mark.glyphExtent.width / 2;
    } else {
        mark.x = target.centreX - mark.glyphExtent.width / 2;
        mark.centreX = target.centreX;
        if (isUnderMark(mark.category)) dropBelow(mark, target);
    }
    mark.stemX = mark.x;
    hungOn_[&mark] = &target;
}

void MusicLayout::dropBelow(Symbol& mark, const Symbol& target) {
    // Under-marks stand below what they hang on; the staff makes room.
    mark.y += underMarkDrop(mark, target, height_);
    if (staff_ == nullptr) return;
    const int barBottom = target.y + std::max(target.glyphExtent.height, target.height);
    staff_->bottomAllowance = std::max(staff_->bottomAllowance, boxBottom(mark) - barBottom);
}

void MusicLayout::beginTune(Tune& tune) {
    tune.alignBars = settings_.alignBars;
    hungOn_.clear();
    for (const auto& text : tune.header.texts) {
        const int lineHeight = text->measure(true).height;
        if (text->kind == 'T' || text->kind == 'Y' || text->kind == 'M') {
            tune.headerBandHeight = std::max(tune.headerBandHeight, lineHeight);
        } else if (text->kind == 'F') {
            tune.footerBandHeight = std::max(tune.footerBandHeight, lineHeight);
        }
    }
}

void MusicLayout::measureStaffGlyphs() {
    const Font* lines = fonts_.musicFont(3);
    const Font* bars = fonts_.musicFont(1);
    for (int level = 0; level < 3; ++level) staffGlyphs_.beamBoxes[level] = boxOf(lines, 88 + level);
    staffGlyphs_.lineThickness = std::max(boxOf(lines, glyph::kLine).height, 1);
    if (lines != nullptr) staffGlyphs_.extent = lines->textExtent(std::string(1, static_cast<char>(glyph::kStaff)));
    const int codes[4] = {72, 71, 54, 53};
    for (int i = 0; i < 4; ++i) staffGlyphs_.timeLineBoxes[i] = boxOf(bars, codes[i]);
    if (lines == nullptr) return;
    // One staff line per contour, at its highest point.
    for (const Contour& contour : lines->outline(glyph::kStaff)) {
        if (contour.empty()) continue;
        int top = INT_MAX;
        for (const OutlinePoint& p : contour) top = std::min(top, p.y);
        staffGlyphs_.lineTops.push_back(top);
    }
    std::sort(staffGlyphs_.lineTops.begin(), staffGlyphs_.lineTops.end());
}

void MusicLayout::beginStaff(StaffLayout& staff) {
    staff_ = &staff;
    pendingMarks_.clear();
    pendingBar_ = nullptr;
    staff.ballBandHeight = units(settings_.ballSize);
    staff.beamBoxes = staffGlyphs_.beamBoxes;
    staff.lineThickness = staffGlyphs_.lineThickness;
    staff.staffGlyphExtent = staffGlyphs_.extent;
    staff.timeLineBoxes = staffGlyphs_.timeLineBoxes;
    staff.sturdyGracenotes = modern();
    // Until a bar line is met the staff glyph's contours give the lines.
    staff.lineY = {};
    const int barY = staff.y + staff.ballBandHeight;
    const std::vector<int>& tops = staffGlyphs_.lineTops;
    for (std::size_t i = 0; i < tops.size() && i < staff.lineY.size(); ++i) staff.lineY[i] = barY + tops[i];
}

void MusicLayout::allowForInlineTexts(StaffLayout& staff) {
    int tallestText = 0;
    for (const auto& bar : staff.bars) {
        for (const auto& s : bar->symbols) {
            if (s->inlineText != nullptr) tallestText = std::max(tallestText, s->inlineText->measure(false).height);
        }
    }
    const int highestTop = highestMarkTop(staff, staff.y + staff.ballBandHeight);
    // A fermata or direction raised over gracenotes must not reach into the
    // staff above, nor the in-line texts that then stand over it.
    const int raised = std::max(0, staff.y - highestTop);
    const int allowance = tallestText > 0 && raised > 0 ? tallestText + raised : std::max(tallestText, raised);
    if (allowance == 0) return;
    staff.ballBandHeight += allowance;
    for (auto& bar : staff.bars) moveBar(*bar, 0, allowance);
    for (int& y : staff.lineY) y += allowance;
}

void MusicLayout::measureStaffLines(StaffLayout& staff) {
    for (const auto& bar : staff.bars) {
        for (const auto& s : bar->symbols) {
            if (s->category != CAT_START_SECTION && s->category != CAT_BAR) continue;
            const int top = boxTop(*s);
            const int d = (boxBottom(*s) - top) / 4;
            for (int k = 0; k < 5; ++k) staff.lineY[static_cast<std::size_t>(k)] = top + k * d;
            return;
        }
    }
}

void MusicLayout::clearDirections(StaffLayout& staff) const {
    // Fine, D.C., D.S., the segno and the coda sign are read apart from the
    // music: half a staff space of paper round them, above whatever they
    // would touch.
    const int clearance = std::max(1, staffSpace_ / 2);
    std::vector<Symbol*> directions;
    for (auto& bar : staff.bars) {
        for (auto& s : bar->symbols) {
            if (isDirection(*s)) directions.push_back(s.get());
        }
    }
    if (directions.empty()) return;
    std::vector<Rect> ink;
    const MusicRenderer renderer(kBlack);
    for (auto& bar : staff.bars) {
        for (std::size_t i = 0; i < bar->symbols.size(); ++i) {
            if (isDirection(*bar->symbols[i])) continue;
            for (const Rect& r : inkOf(renderer, *bar, i, staff).all) ink.push_back(r);
        }
    }
    for (Symbol* d : directions) {
        const int left = d->x + d->spaceBefore + d->glyphOrigin.width;
        const int right = left + d->glyphBox.width;
        int limit = staff.lineY[0] - clearance;
        for (const Rect& r : ink) {
            if (r.left < right + clearance && left - clearance < r.right) limit = std::min(limit, r.top - clearance);
        }
        const int bottom = boxBottom(*d);
        if (bottom > limit) d->y -= bottom - limit;
    }
}

void MusicLayout::assignStemEnds(StaffLayout& staff) const {
    // A beam group's beams run flat (as pipe music has them) 3.5 staff
    // spaces below its lowest head, and 3/4 of a space further for each
    // beam past the second, so that the innermost beam stays clear of the
    // heads. A note no beam joins gets the same stem, its flags at its end.
    constexpr int kStemTenths = 35;
    constexpr int kLevelHundredths = 75;
    std::vector<const Symbol*> group;
    auto close = [&] {
        int lowest = INT_MIN;
        int levels = 0;
        for (const Symbol* n : group) {
            lowest = std::max(lowest, n->y + n->glyphOrigin.height + staffSpace_ / 2);
            levels = std::max(levels, static_cast<int>(beamLevels(n->noteValue).size()));
        }
        const int end = lowest + staffSpace_ * kStemTenths / 10 +
                        staffSpace_ * kLevelHundredths * std::max(0, levels - 2) / 100;
        for (const Symbol* n : group) staff.stemEnds.push_back({n, end - n->y});
        group.clear();
    };
    auto beamed = [](const Symbol& s) { return isTailedNote(s.category) && isJoiningTail(s.tailCode); };
    for (const auto& bar : staff.bars) {
        for (const auto& s : bar->symbols) {
            if (!isMelodyCategory(s->category) || s->noteValue < 2 || s->glyphFont() == nullptr) continue;
            const bool continues = !group.empty() && s->backLink == group.back() && beamed(*s) && beamed(*group.back());
            if (!continues && !group.empty()) close();
            group.push_back(s.get());
        }
    }
    if (!group.empty()) close();
    std::sort(staff.stemEnds.begin(), staff.stemEnds.end(), StaffLayout::StemEnd::byNote);
}

void MusicLayout::finishStaff(StaffLayout& staff) {
    pendingMarks_.clear();
    measureStaffLines(staff);
    if (modern()) assignStemEnds(staff);
    clearDirections(staff);
    allowForInlineTexts(staff);
    int tallest = 0;
    for (const auto& bar : staff.bars) tallest = std::max(tallest, bar->height);
    if (tallest == 0) tallest = staff.staffGlyphExtent.height;
    staff.height = staff.ballBandHeight + tallest + staff.bottomAllowance;
    staff_ = nullptr;
}

int MusicLayout::stretchWeight(const BarLayout& bar, std::size_t index) const {
    bool dotted = false;
    for (std::size_t i = index; i-- > 0;) {
        const Symbol& s = *bar.symbols[i];
        if (s.category == CAT_DOTS) dotted = true;
        if (isMelodyCategory(s.category)) return roomOf(s.noteValue, dotted);
    }
    return roomOf(16, false) / 2;  // after the bar line: a little, as after the shortest note
}

int MusicLayout::stretchWeights(const BarLayout& bar, bool withRests) const {
    int total = 0;
    for (std::size_t i = 0; i < bar.symbols.size(); ++i) {
        if (isStretchPoint(bar, i, withRests)) total += stretchWeight(bar, i);
    }
    return total;
}

void MusicLayout::layOutBar(BarLayout& bar, int extra) {
    if (extra <= 0 || bar.symbols.empty()) return;
    // Classic gives every stretch point the same share; Modern shares in
    // proportion to the rooms, so that long notes keep standing wider.
    const int n = modern() ? stretchWeights(bar, true) : stretchPoints(bar, true);
    const int share = n > 0 ? extra / n : 0;
    int remainder = n > 0 ? extra % n : extra;
    if (modern() && n > 0) {
        remainder = extra;
        for (std::size_t i = 0; i < bar.symbols.size(); ++i) {
            if (isStretchPoint(bar, i, true)) {
                remainder -= static_cast<int>(std::int64_t{extra} * stretchWeight(bar, i) / n);
            }
        }
    }
    // The remainder goes once, to the last symbol that is not a repeat sign
    // hanging past the bar line, so the bar comes out exactly `extra` wider.
    std::size_t last = bar.symbols.size() - 1;
    while (last > 0 && bar.symbols[last]->category == CAT_SIGN_REPEAT) --last;

    // How far each symbol's centre moved, so that marks follow their symbol.
    std::vector<std::pair<const Symbol*, int>> moved;
    moved.reserve(bar.symbols.size());
    int shift = 0;
    bool hasMarks = false;
    for (std::size_t i = 0; i < bar.symbols.size(); ++i) {
        Symbol& s = *bar.symbols[i];
        if (hungOn_.count(&s) != 0) {
            hasMarks = true;
            continue;
        }
        int grow = i == last ? remainder : 0;
        if (isStretchPoint(bar, i, true)) {
            grow += modern() ? static_cast<int>(std::int64_t{extra} * stretchWeight(bar, i) / n) : share;
        }
        s.x += shift;
        s.spaceBefore += grow;
        s.advanceWidth += grow;
        s.centreX += shift + grow;
        s.stemX += shift + grow;
        moved.emplace_back(&s, shift + grow);
        shift += grow;
    }
    if (hasMarks) moveMarks(bar, moved);
    bar.width += extra;
}

void MusicLayout::moveMarks(BarLayout& bar, std::vector<std::pair<const Symbol*, int>>& moved) const {
    std::sort(moved.begin(), moved.end());
    auto shiftOf = [&](const Symbol* target) {
        const auto found = std::lower_bound(moved.begin(), moved.end(), std::pair<const Symbol*, int>{target, INT_MIN});
        return found != moved.end() && found->first == target ? found->second : 0;
    };
    // Marks may hang on marks (a fermata over a sign): follow the chain.
    for (auto& owned : bar.symbols) {
        const Symbol* target = owned.get();
        for (int depth = 0; depth < 4; ++depth) {
            const auto hung = hungOn_.find(target);
            if (hung == hungOn_.end()) break;
            target = hung->second;
        }
        if (target != owned.get()) moveSymbol(*owned, shiftOf(target), 0);
    }
}

void MusicLayout::stretchStaff(StaffLayout& staff, int extra) {
    if (extra <= 0 || staff.bars.empty()) return;
    auto pointsOf = [&](const BarLayout& bar) {
        return modern() ? stretchWeights(bar, false) : stretchPoints(bar, false);
    };
    int points = 0;
    for (const auto& bar : staff.bars) points += pointsOf(*bar);
    int remainder = extra;
    for (const auto& bar : staff.bars) remainder -= barShare(extra, pointsOf(*bar), points, modern());
    int offset = 0;
    for (std::size_t b = 0; b < staff.bars.size(); ++b) {
        BarLayout& bar = *staff.bars[b];
        int barExtra = barShare(extra, pointsOf(bar), points, modern());
        if (b + 1 == staff.bars.size()) barExtra += remainder;
        moveBar(bar, offset, 0);
        layOutBar(bar, barExtra);
        offset += barExtra;
    }
    staff.width += offset;
}

void MusicLayout::stretchStaves(Tune& tune) {
    int widest = 0;
    int overhang = 0;
    forEachStaff(tune, [&](StaffLayout& staff) {
        widest = std::max(widest, staff.width);
        overhang = std::max(overhang, staff.overhang);
    });
    widest = std::max(widest, settings_.spreadWidth - overhang);
    forEachStaff(tune, [&](StaffLayout& staff) {
        const int target = stretchTarget(staff.width, widest);
        if (staff.width < target) stretchStaff(staff, target - staff.width);
    });
}

int MusicLayout::stretchTarget(int natural, int widest) const {
    // A short line (a second ending, a last line) spread over the whole
    // width would scatter its few notes: Modern widens it by half at most
    // and leaves it ragged, as engravers set a short last line.
    constexpr int kShortLinePercent = 65;
    if (!modern() || std::int64_t{natural} * 100 >= std::int64_t{widest} * kShortLinePercent) return widest;
    return std::min(widest, natural + natural / 2);
}

void MusicLayout::widenTune(Tune& tune, int width) {
    const int target = std::max(width - tune.overhang, 0);
    int widest = 0;
    forEachStaff(tune, [&](StaffLayout& staff) { widest = std::max(widest, staff.width); });
    // The full lines widen; a line left ragged stays as it was set.
    forEachStaff(tune, [&](StaffLayout& staff) {
        if (staff.width == widest && staff.width < target) stretchStaff(staff, target - staff.width);
    });
    reflow(tune);
    tune.width = std::max(tune.width, width);
    computeCurves(tune);
    placeTexts(tune);
}

void MusicLayout::alignColumns(Tune& tune) {
    std::vector<StaffLayout*> staves;
    forEachStaff(tune, [&](StaffLayout& staff) {
        if (!staff.bars.empty()) staves.push_back(&staff);
    });
    if (staves.empty()) return;
    std::size_t k = kMaxAlignedColumns;
    for (const StaffLayout* staff : staves) k = std::min(k, staff->bars.size());

    // Column 0 is the block of leading bars; column j > 0 the j-th of the last k - 1 bars.
    std::vector<int> columns(k, 0);
    for (const StaffLayout* staff : staves) {
        const std::size_t leading = staff->bars.size() - k + 1;
        int block = 0;
        for (std::size_t i = 0; i < leading; ++i) block += staff->bars[i]->width;
        columns[0] = std::max(columns[0], block);
        for (std::size_t j = 1; j < k; ++j) columns[j] = std::max(columns[j], staff->bars[leading + j - 1]->width);
    }
    widenColumns(columns, settings_.spreadWidth - maxOverhang(staves));
    for (StaffLayout* staff : staves) {
        const std::size_t leading = staff->bars.size() - k + 1;
        int block = 0;
        for (std::size_t i = 0; i < leading; ++i) block += staff->bars[i]->width;
        const int difference = columns[0] - block;
        const int share = difference / static_cast<int>(leading);
        const int remainder = difference % static_cast<int>(leading);
        int offset = 0;
        int carried = 0;
        for (std::size_t i = 0; i < staff->bars.size(); ++i) {
            BarLayout& bar = *staff->bars[i];
            int extra = 0;
            if (i < leading) {
                extra = share + carried + (i + 1 == leading ? remainder : 0);
                carried = 0;
                if (i + 1 < leading && stretchPoints(bar, true) == 0) {
                    carried = extra;  // nothing to spread it over: the next leading bar takes it
                    extra = 0;
                }
            } else {
                extra = columns[i - leading + 1] - bar.width;
            }
            moveBar(bar, offset, 0);
            layOutBar(bar, extra);
            offset += std::max(extra, 0);
        }
        staff->width += offset;
    }
}

void MusicLayout::reflow(Tune& tune) {
    tune.width = 0;
    tune.overhang = 0;
    for (auto& part : tune.parts) {
        part->width = 0;
        part->overhang = 0;
        for (auto& staff : part->staves) {
            part->width = std::max(part->width, staff->width);
            part->overhang = std::max(part->overhang, staff->overhang);
        }
        tune.width = std::max(tune.width, part->width);
        tune.overhang = std::max(tune.overhang, part->overhang);
    }
    tune.width += tune.overhang;
}

void MusicLayout::computeCurves(Tune& tune) {
    forEachStaff(tune, [&](StaffLayout& staff) {
        StaffSequence symbols;
        std::vector<Symbol*> arcs;
        for (auto& bar : staff.bars) {
            for (auto& s : bar->symbols) {
                symbols.add(s.get());
                if (isArcCategory(s->category)) arcs.push_back(s.get());
            }
        }
        if (arcs.empty()) return;
        symbols.index();
        const int spacing = staff.lineY[1] - staff.lineY[0];
        for (Symbol* arc : arcs) placeCurve(*arc, spanOf(*arc, symbols), spacing, height_, modern());
    });
}

namespace {

bool isHeading(const TextRecord& text) { return text.kind == 'T' || text.kind == 'Y' || text.kind == 'M'; }

TextRecord* headingAligned(Tune& tune, char alignment) {
    for (const auto& text : tune.header.texts) {
        if (isHeading(*text) && text->alignment == alignment) return text.get();
    }
    return nullptr;
}

// Room between two texts of the heading line: half a line of the smaller.
int headingGap(const TextRecord& a, const TextRecord& b) {
    return std::min(a.measure(false).height, b.measure(false).height) / 2;
}

// The heading line's texts side by side, each its gap apart.
int headingLineWidth(Tune& tune) {
    int width = 0;
    const TextRecord* previous = nullptr;
    for (const char alignment : {'L', 'C', 'R'}) {
        const TextRecord* text = headingAligned(tune, alignment);
        if (text == nullptr) continue;
        width += text->measure(false).width + (previous != nullptr ? headingGap(*previous, *text) : 0);
        previous = text;
    }
    return width;
}

}  // namespace

// The in-line texts of a staff hang over their symbols, and over any sign or
// pause of the staff raised over gracenotes, which they would otherwise cross.
void MusicLayout::placeInlineTexts(StaffLayout& staff) {
    const int raisedTop = highestMarkTop(staff, INT_MAX);
    for (auto& bar : staff.bars) {
        for (auto& s : bar->symbols) {
            if (s->inlineText == nullptr) continue;
            s->inlineText->anchorX = s->centreX;
            s->inlineText->anchorY = std::min(s->y, raisedTop);
        }
    }
}

void MusicLayout::placeTexts(Tune& tune) {
    forEachStaff(tune, [this](StaffLayout& staff) { placeInlineTexts(staff); });
    const int bottom = tune.y + (settings_.printing && tune.printedHeight > 0 ? tune.printedHeight : tune.height);
    for (auto& text : tune.header.texts) {
        const Extent size = text->measure(false);
        const bool inlineText = text->kind == 'I';
        const int anchor = inlineText ? text->anchorX : tune.x;
        int left = text->x;
        switch (text->alignment) {
            case 'C':
                left = inlineText ? anchor - size.width / 2 : tune.x + tune.width / 2 - size.width / 2;
                break;
            case 'L':
                left = anchor;
                break;
            case 'R':
                left = inlineText ? anchor - size.width : tune.x + tune.width - size.width;
                break;
            default:
                break;
        }
        int top = tune.y;
        switch (text->kind) {
            case 'T':
            case 'Y':
            case 'M':
                top = tune.y + tune.headerBandHeight - size.height;
                break;
            case 'F':
                top = bottom - size.height;
                break;
            case 'I':
                top = text->anchorY - size.height;
                break;
            case 'X':
                left = fixedPosition(text->x, measuring_.pixelsPerInchX(), settings_.printableOffsetX);
                top = fixedPosition(text->y, measuring_.pixelsPerInchY(), settings_.printableOffsetY);
                break;
            default:
                break;
        }
        text->box = {left, top, left + size.width, top + size.height};
    }
    keepHeadingApart(tune);
}

// Title, type and composer share one line: on a short line the centred one
// moves aside rather than run into the others.
void MusicLayout::keepHeadingApart(Tune& tune) {
    const TextRecord* left = headingAligned(tune, 'L');
    const TextRecord* right = headingAligned(tune, 'R');
    TextRecord* centre = headingAligned(tune, 'C');
    if (centre == nullptr) return;
    const int width = centre->box.right - centre->box.left;
    int to = centre->box.left;
    if (right != nullptr) to = std::min(to, right->box.left - headingGap(*centre, *right) - width);
    if (left != nullptr) to = std::max(to, left->box.right + headingGap(*left, *centre));
    centre->box.left = to;
    centre->box.right = to + width;
}

void MusicLayout::finishTune(Tune& tune) {
    if (tune.alignBars) {
        alignColumns(tune);
    } else {
        stretchStaves(tune);
    }
    reflow(tune);
    // A tune is never narrower than its header and footer texts, so that a
    // long title (or a tune with no music) is neither clipped nor off the page.
    for (const auto& text : tune.header.texts) {
        if (text->kind == 'I' || text->kind == 'X') continue;
        tune.width = std::max(tune.width, text->measure(false).width);
    }
    tune.width = std::max(tune.width, headingLineWidth(tune));
    computeCurves(tune);
    placeTexts(tune);
}

void giveTunesOneWidth(const std::vector<std::unique_ptr<Tune>>& tunes, MusicLayout& layout) {
    int widest = 0;
    for (const auto& tune : tunes) widest = std::max(widest, tune->width);
    for (const auto& tune : tunes) {
        if (tune->width < widest) layout.widenTune(*tune, widest);
    }
}

Extent musicExtent(const std::vector<std::unique_ptr<Tune>>& tunes, int leftX) {
    Extent extent;
    if (tunes.empty()) return {1, 1};  // nothing to show, not even a margin
    for (const auto& tune : tunes) {
        extent.width = std::max(extent.width, tune->width);
        extent.height += tune->height;
    }
    extent.width = std::max(extent.width + leftX, 1);
    extent.height = std::max(extent.height, 1);
    return extent;
}

LaidOutMusic layOutMusic(ScriptText& script, bool convertBareStrings, const SymbolMap& symbols,
                         MeasuringContext& measuring, MessageSink& messages, const LayoutSettings& settings,
                         TextRepairs repairs) {
    const DerivedHeights heights = derivedHeights(settings.zoom, settings.xScale, settings.yScale);
    LaidOutMusic music;
    *music.fonts = createFontSet(measuring, heights.height, heights.width, messages);
    music.leftX = settings.zoom * 20 / 100;
    MusicLayout layout(*music.fonts, symbols.spacing(), measuring, settings);
    const TuneBuildContext context{
        symbols, measuring, *music.fonts, messages, music.fonts->height, &layout, music.leftX, 0, repairs};
    music.tunes = buildTunes(script, convertBareStrings, context);
    if (settings.engraving == EngravingStyle::Modern) giveTunesOneWidth(music.tunes, layout);
    music.extent = musicExtent(music.tunes, music.leftX);
    return music;
}

}  // namespace skirlo
