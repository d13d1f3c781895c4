#include "engraving/MusicCurves.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "notation/SymbolVocabulary.h"

namespace skirlo {

namespace {

constexpr int kRise = 18;      // in 1/130 of H
constexpr int kThickness = 4;  // in 1/130 of H
constexpr int kSteps = 129;
constexpr double kStep = 0.007751938;

struct PointF {
    double x = 0;
    double y = 0;
};

// The 128 inner samples and the exact end point, each truncated toward zero.
void sampleCubic(const std::array<PointF, 4>& p, Contour& out) {
    double t = 0;
    for (int k = 1; k < kSteps; ++k) {
        t += kStep;
        const double u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back({static_cast<int>(a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x),
                       static_cast<int>(a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y)});
    }
    out.push_back({static_cast<int>(p[3].x), static_cast<int>(p[3].y)});
}

int topOf(const Symbol& s) { return s.y + s.glyphOrigin.height; }

}  // namespace

Contour curvePolygon(int x0, int x1, int y, int fontHeight) {
    const int r = std::max(1, fontHeight * kRise / 130);
    const int t = std::max(1, fontHeight * kThickness / 130);
    const int a = static_cast<int>((x1 - x0) * 0.3333);
    const int b = static_cast<int>((x1 - x0) * 0.6666);
    const int q = t / 4;
    const int length = x1 - x0 + 2 * q;
    const std::array<PointF, 4> outer = {PointF{double(x0), double(y)}, PointF{double(x0 + a), double(y - r)},
                                         PointF{double(x0 + b), double(y - r)}, PointF{double(x1), double(y)}};
    const std::array<PointF, 4> inner = {PointF{double(x1 + q), double(y)},
                                         PointF{double(x0 - q + static_cast<int>(length * 0.6666)), double(y - r - t)},
                                         PointF{double(x0 - q + static_cast<int>(length * 0.3333)), double(y - r - t)},
                                         PointF{double(x0 - q), double(y)}};
    Contour polygon;
    polygon.reserve(kCurvePoints);
    polygon.push_back({x0, y});
    sampleCubic(outer, polygon);
    polygon.push_back({x1 + q, y});
    sampleCubic(inner, polygon);
    polygon.push_back({x0, y});
    return polygon;
}

Contour slimCurvePolygon(int x0, int x1, int headTop, int staffSpace) {
    // Ends a quarter space over the heads and in from their centres; the
    // rise grows with the span but flattens out, never more than a space;
    // thin at the ends, an eighth of a space thick in the middle.
    const double space = std::max(staffSpace, 1);
    const double inset = std::min(0.3 * space, (x1 - x0) / 4.0);
    const double left = x0 + inset, right = x1 - inset;
    const double y = headTop - 0.25 * space;
    const double rise = std::min(1.0, 0.64 * std::atan(1.05 * (right - left) / space)) * space;
    const double thickness = 0.12 * space;
    // Both control points at one height put a cubic's crown at 3/4 of it.
    const double outerControl = y - rise / 0.75;
    const double innerControl = y - (rise - thickness) / 0.75;
    const double third = (right - left) / 3;
    const std::array<PointF, 4> outer = {PointF{left, y}, PointF{left + third, outerControl},
                                         PointF{right - third, outerControl}, PointF{right, y}};
    const std::array<PointF, 4> inner = {PointF{right, y}, PointF{right - third, innerControl},
                                         PointF{left + third, innerControl}, PointF{left, y}};
    Contour polygon;
    polygon.reserve(kCurvePoints);
    polygon.push_back({static_cast<int>(left), static_cast<int>(y)});
    sampleCubic(outer, polygon);
    polygon.push_back({static_cast<int>(right), static_cast<int>(y)});
    sampleCubic(inner, polygon);
    polygon.push_back({static_cast<int>(left), static_cast<int>(y)});
    return polygon;
}

void StaffSequence::add(const Symbol* symbol) { symbols_.push_back(symbol); }

void StaffSequence::index() {
    const std::size_t n = symbols_.size();
    places_.clear();
    places_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) places_.emplace_back(symbols_[i], i);
    std::sort(places_.begin(), places_.end());
    nextNote_.assign(n + 1, n);
    for (std::size_t i = n; i-- > 0;) nextNote_[i] = isMelodyCategory(symbols_[i]->category) ? i : nextNote_[i + 1];
    tops_.assign(2 * n, INT_MAX);
    for (std::size_t i = 0; i < n; ++i) {
        if (isMelodyCategory(symbols_[i]->category)) tops_[n + i] = topOf(*symbols_[i]);
    }
    for (std::size_t i = n; i-- > 1;) tops_[i] = std::min(tops_[2 * i], tops_[2 * i + 1]);
}

std::optional<std::size_t> StaffSequence::placeOf(const Symbol* symbol) const {
    const auto found =
        std::lower_bound(places_.begin(), places_.end(), std::pair<const Symbol*, std::size_t>{symbol, 0});
    if (found == places_.end() || found->first != symbol) return std::nullopt;
    return found->second;
}

const Symbol* StaffSequence::firstNoteFrom(std::size_t from) const {
    if (from >= symbols_.size()) return nullptr;
    const std::size_t at = nextNote_[from];
    return at < symbols_.size() ? symbols_[at] : nullptr;
}

int StaffSequence::highestTop(std::size_t from, std::size_t to) const {
    const std::size_t n = symbols_.size();
    if (from > to || to >= n) return INT_MAX;
    int top = INT_MAX;
    for (std::size_t l = from + n, r = to + n + 1; l < r; l /= 2, r /= 2) {
        if (l & 1) top = std::min(top, tops_[l++]);
        if (r & 1) top = std::min(top, tops_[--r]);
    }
    return top;
}

std::optional<CurveSpan> spanOf(const Symbol& arc, const StaffSequence& staff) {
    const bool triplet = arc.category == CAT_RUNS_OF_3 || arc.category == CAT_RUNS_OF_3_END;
    const Symbol* last = arc.backLink;
    if (arc.spanStart != nullptr && arc.spanStart != &arc) {
        const std::optional<std::size_t> from = staff.placeOf(arc.spanStart);
        const std::optional<std::size_t> to = staff.placeOf(last);
        if (!from || !to || *from > *to) return std::nullopt;
        const Symbol* first = staff.firstNoteFrom(*from);
        if (first == nullptr) return std::nullopt;
        const int top = staff.highestTop(*from, *to);
        return CurveSpan{first, last, std::min(top, topOf(*last))};
    }
    if (triplet) {
        if (last == nullptr || last->backLink == nullptr || last->backLink->backLink == nullptr) return std::nullopt;
        const Symbol* first = last->backLink->backLink;
        return CurveSpan{first, last, std::min({topOf(*first), topOf(*last->backLink), topOf(*last)})};
    }
    if (last == nullptr || arc.forwardLink == nullptr) return std::nullopt;
    return CurveSpan{last, arc.forwardLink, std::min(topOf(*last), topOf(*arc.forwardLink))};
}

void placeCurve(Symbol& arc, const std::optional<CurveSpan>& span, int lineSpacing, int fontHeight, bool slim) {
    arc.curve.reset();
    if (!span) return;
    const int x0 = std::min(span->first->centreX, span->last->centreX);
    const int x1 = std::max(span->first->centreX, span->last->centreX);
    if (slim) {
        arc.curve = std::make_unique<Contour>(slimCurvePolygon(x0, x1, span->top, lineSpacing));
        return;
    }
    arc.curve = std::make_unique<Contour>(curvePolygon(x0, x1, span->top - lineSpacing, fontHeight));
}

}  // namespace skirlo
