#pragma once
// Geometry on glyph paths: building them with the same merging of points the
// drawing side's paths apply, flattening curves into polygons, snapping
// upright rectangles onto whole pixels, and the rounded boxes and contours
// measuring reports. Every step reproduces the desktop program's arithmetic
// operation for operation, so both sides agree to the pixel.

#include <vector>

#include "common/Measuring.h"

namespace skirlo {

using Polygon = std::vector<PathPoint>;

// Appends elements to a path: a move right after a move replaces it, a line
// to the current point and a curve whose points all equal it are dropped,
// and closing adds the line back to the subpath's start.
class PathBuilder {
public:
    void moveTo(PathPoint p);
    void lineTo(PathPoint p);
    void cubicTo(PathPoint c1, PathPoint c2, PathPoint to);
    void closeSubpath();
    void addPolygon(const Polygon& polygon);

    const GlyphPath& path() const { return path_; }
    GlyphPath take() { return std::move(path_); }

private:
    GlyphPath path_;
    std::size_t subpathStart_ = 0;
};

// Curves become polygons within half a pixel; a subpath of a single point
// is left out.
std::vector<Polygon> subpathPolygons(const GlyphPath& path);

// Every upright rectangle (stems, bar lines, staff, ledger and beam lines)
// moved onto whole pixels and at least one pixel thick; the rest flattened.
GlyphPath snapRectangles(const GlyphPath& path);

// The bounding box of the path, curves by their true extrema, as rounded
// cell edges.
GlyphBox boxOfPath(const GlyphPath& path, int ascent);

// The flattened subpaths in whole units, without the closing repeat.
std::vector<Contour> contoursOfPath(const GlyphPath& path);

}  // namespace skirlo
