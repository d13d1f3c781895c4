#include "fonts/PathGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace skirlo {

namespace {

bool fuzzyEqual(double a, double b) {
    if (a == 0 || b == 0) return std::abs(a - b) <= 1e-12;
    return std::abs(a - b) * 1e12 <= std::min(std::abs(a), std::abs(b));
}

bool samePoint(PathPoint a, PathPoint b) { return fuzzyEqual(a.x, b.x) && fuzzyEqual(a.y, b.y); }

struct Bezier {
    PathPoint p1, p2, p3, p4;

    // Splits at t = 1/2 by de Casteljau.
    std::pair<Bezier, Bezier> halves() const {
        const auto mid = [](double a, double b) { return (a + b) * .5; };
        const auto split = [&](double a1, double a2, double a3, double a4, std::array<double, 7>& out) {
            const double c = mid(a2, a3);
            out[1] = mid(a1, a2);
            out[5] = mid(a3, a4);
            out[0] = a1;
            out[6] = a4;
            out[2] = mid(out[1], c);
            out[4] = mid(out[5], c);
            out[3] = mid(out[2], out[4]);
        };
        std::array<double, 7> xs{};
        std::array<double, 7> ys{};
        split(p1.x, p2.x, p3.x, p4.x, xs);
        split(p1.y, p2.y, p3.y, p4.y, ys);
        return {Bezier{{xs[0], ys[0]}, {xs[1], ys[1]}, {xs[2], ys[2]}, {xs[3], ys[3]}},
                Bezier{{xs[3], ys[3]}, {xs[4], ys[4]}, {xs[5], ys[5]}, {xs[6], ys[6]}}};
    }

    PathPoint pointAt(double t) const {
        const double m = 1. - t;
        const auto along = [&](double a1, double a2, double a3, double a4) {
            double a = a1 * m + a2 * t;
            double b = a2 * m + a3 * t;
            const double c = a3 * m + a4 * t;
            a = a * m + b * t;
            b = b * m + c * t;
            return a * m + b * t;
        };
        return {along(p1.x, p2.x, p3.x, p4.x), along(p1.y, p2.y, p3.y, p4.y)};
    }
};

// Subdivides until both control points lie within half a pixel of the chord
// (measured with the chord's Manhattan length), at most 31 levels deep.
void flattenInto(const Bezier& curve, Polygon& polygon) {
    constexpr double kThreshold = 0.5;
    std::array<Bezier, 32> stack;
    stack[0] = curve;
    int top = 0;
    while (top >= 0) {
        Bezier& b = stack[static_cast<std::size_t>(top)];
        const double y4y1 = b.p4.y - b.p1.y;
        const double x4x1 = b.p4.x - b.p1.x;
        double l = std::abs(x4x1) + std::abs(y4y1);
        double d = 0;
        if (l > 1.) {
            d = std::abs(x4x1 * (b.p1.y - b.p2.y) - y4y1 * (b.p1.x - b.p2.x)) +
                std::abs(x4x1 * (b.p1.y - b.p3.y) - y4y1 * (b.p1.x - b.p3.x));
        } else {
            d = std::abs(b.p1.x - b.p2.x) + std::abs(b.p1.y - b.p2.y) + std::abs(b.p1.x - b.p3.x) +
                std::abs(b.p1.y - b.p3.y);
            l = 1.;
        }
        if (d < kThreshold * l || top == 31) {
            polygon.push_back(b.p4);
            --top;
        } else {
            auto [first, second] = b.halves();
            b = second;
            stack[static_cast<std::size_t>(top + 1)] = first;
            ++top;
        }
    }
}

// The upright rectangle a closed polygon of four corners makes, if it is one.
struct Rect {
    double left, top, right, bottom;
};

std::optional<Rect> uprightRectangle(const Polygon& polygon) {
    const std::size_t corners =
        polygon.size() == 5 && samePoint(polygon.front(), polygon.back()) ? 4 : polygon.size();
    if (corners != 4) return std::nullopt;
    Rect box{polygon[0].x, polygon[0].y, polygon[0].x, polygon[0].y};
    for (const PathPoint& p : polygon) {
        box.left = std::min(box.left, p.x);
        box.right = std::max(box.right, p.x);
        box.top = std::min(box.top, p.y);
        box.bottom = std::max(box.bottom, p.y);
    }
    // The box travels as origin and size, so its far edges are recomputed
    // sums that need not equal the corners' own coordinates; a rectangle
    // whose edges do not survive that is left as it is, as drawing leaves it.
    box.right = box.left + (box.right - box.left);
    box.bottom = box.top + (box.bottom - box.top);
    for (std::size_t i = 0; i < corners; ++i) {
        const PathPoint& p = polygon[i];
        const bool atCorner = (p.x == box.left || p.x == box.right) && (p.y == box.top || p.y == box.bottom);
        if (!atCorner) return std::nullopt;
    }
    return box;
}

std::pair<double, double> snapped(double from, double to) {
    const double a = std::round(from);
    return {a, std::max(std::round(to), a + 1)};
}

struct Span {
    double min, max;
    void add(double v) {
        if (v < min) min = v;
        else if (v > max) max = v;
    }
};

// Where a cubic's coordinate has a zero derivative inside the curve.
void addExtrema(const Bezier& b, double PathPoint::*coord, Span& span, Span& other, double PathPoint::*otherCoord) {
    const double c1 = b.p1.*coord, c2 = b.p2.*coord, c3 = b.p3.*coord, c4 = b.p4.*coord;
    const double a = 3 * (-c1 + 3 * c2 - 3 * c3 + c4);
    const double bb = 6 * (c1 - 2 * c2 + c3);
    const double c = 3 * (-c1 + c2);
    const auto check = [&](double t) {
        if (t >= 0 && t <= 1) {
            const PathPoint p = b.pointAt(t);
            span.add(p.*coord);
            other.add(p.*otherCoord);
        }
    };
    if (std::abs(a) <= 1e-12) {
        if (std::abs(bb) > 1e-12) check(-c / bb);
        return;
    }
    const double discriminant = bb * bb - 4 * a * c;
    if (discriminant < 0) return;
    const double root = std::sqrt(discriminant);
    const double reciprocal = 1 / (2 * a);
    check((-bb + root) * reciprocal);
    check((-bb - root) * reciprocal);
}

int roundToInt(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

void PathBuilder::moveTo(PathPoint p) {
    if (!path_.empty() && path_.back().kind == PathElement::Kind::Move) {
        path_.back().to = p;
    } else {
        path_.push_back({PathElement::Kind::Move, p, {}, {}});
    }
    subpathStart_ = path_.size() - 1;
}

void PathBuilder::lineTo(PathPoint p) {
    if (!path_.empty() && samePoint(path_.back().to, p)) return;
    path_.push_back({PathElement::Kind::Line, p, {}, {}});
}

void PathBuilder::cubicTo(PathPoint c1, PathPoint c2, PathPoint to) {
    // A curve that does not leave its start draws nothing.
    if (!path_.empty() && samePoint(path_.back().to, c1) && samePoint(c1, c2) && samePoint(c2, to)) return;
    path_.push_back({PathElement::Kind::Cubic, to, c1, c2});
}

void PathBuilder::closeSubpath() {
    if (path_.empty()) return;
    const PathPoint first = path_[subpathStart_].to;
    PathPoint& last = path_.back().to;
    if (first.x == last.x && first.y == last.y) return;
    if (fuzzyEqual(first.x, last.x) && fuzzyEqual(first.y, last.y)) {
        last = first;
    } else {
        path_.push_back({PathElement::Kind::Line, first, {}, {}});
    }
}

void PathBuilder::addPolygon(const Polygon& polygon) {
    if (polygon.empty()) return;
    moveTo(polygon.front());
    for (std::size_t i = 1; i < polygon.size(); ++i) path_.push_back({PathElement::Kind::Line, polygon[i], {}, {}});
}

std::vector<Polygon> subpathPolygons(const GlyphPath& path) {
    std::vector<Polygon> polygons;
    Polygon current;
    PathPoint at;
    for (const PathElement& e : path) {
        switch (e.kind) {
        case PathElement::Kind::Move:
            if (current.size() > 1) polygons.push_back(std::move(current));
            current.clear();
            current.push_back(e.to);
            break;
        case PathElement::Kind::Line:
            current.push_back(e.to);
            break;
        case PathElement::Kind::Cubic:
            flattenInto(Bezier{at, e.control1, e.control2, e.to}, current);
            break;
        }
        at = e.to;
    }
    if (current.size() > 1) polygons.push_back(std::move(current));
    return polygons;
}

GlyphPath snapRectangles(const GlyphPath& path) {
    PathBuilder out;
    for (Polygon polygon : subpathPolygons(path)) {
        if (const std::optional<Rect> box = uprightRectangle(polygon)) {
            // Corners keep their order, so the contour keeps its winding.
            const auto [left, right] = snapped(box->left, box->right);
            const auto [top, bottom] = snapped(box->top, box->bottom);
            for (PathPoint& p : polygon) p = {p.x == box->left ? left : right, p.y == box->top ? top : bottom};
        }
        out.addPolygon(polygon);
        out.closeSubpath();
    }
    // A path that was begun holds its start point even when nothing follows.
    if (out.path().empty()) out.moveTo({0, 0});
    return out.take();
}

GlyphBox boxOfPath(const GlyphPath& path, int ascent) {
    if (path.size() < 2) return {};
    Span xs{path[0].to.x, path[0].to.x};
    Span ys{path[0].to.y, path[0].to.y};
    for (std::size_t i = 1; i < path.size(); ++i) {
        const PathElement& e = path[i];
        if (e.kind != PathElement::Kind::Cubic) {
            xs.add(e.to.x);
            ys.add(e.to.y);
            continue;
        }
        const Bezier b{path[i - 1].to, e.control1, e.control2, e.to};
        Span cx = b.p1.x < b.p4.x ? Span{b.p1.x, b.p4.x} : Span{b.p4.x, b.p1.x};
        Span cy = b.p1.y < b.p4.y ? Span{b.p1.y, b.p4.y} : Span{b.p4.y, b.p1.y};
        addExtrema(b, &PathPoint::x, cx, cy, &PathPoint::y);
        addExtrema(b, &PathPoint::y, cy, cx, &PathPoint::x);
        // The curve's box travels as origin and size, as the whole path's does.
        const double right = cx.min + (cx.max - cx.min);
        const double bottom = cy.min + (cy.max - cy.min);
        if (cx.min < xs.min) xs.min = cx.min;
        if (right > xs.max) xs.max = right;
        if (cy.min < ys.min) ys.min = cy.min;
        if (bottom > ys.max) ys.max = bottom;
    }
    const double width = xs.max - xs.min;
    const double height = ys.max - ys.min;
    const int left = roundToInt(xs.min);
    const int right = roundToInt(xs.min + width);
    const int top = roundToInt(ys.min);
    const int bottom = roundToInt(ys.min + height);
    return {right - left, bottom - top, left, ascent - top};
}

std::vector<Contour> contoursOfPath(const GlyphPath& path) {
    std::vector<Contour> contours;
    for (const Polygon& polygon : subpathPolygons(path)) {
        Contour contour;
        contour.reserve(polygon.size());
        for (const PathPoint& p : polygon) contour.push_back({roundToInt(p.x), roundToInt(p.y)});
        // A closed subpath repeats its first point; one copy is enough.
        if (contour.size() > 1 && contour.front().x == contour.back().x && contour.front().y == contour.back().y) {
            contour.pop_back();
        }
        if (!contour.empty()) contours.push_back(std::move(contour));
    }
    return contours;
}

}  // namespace skirlo
