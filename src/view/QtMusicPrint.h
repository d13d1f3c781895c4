#pragma once
// The print tree on Qt's paged devices: a printer, a print preview's pages
// or a PDF writer. Every page is painted in device units with the paper's
// top-left corner as origin.

#include <QPagedPaintDevice>

#include "view/MusicPrinting.h"
#include "view/Surface.h"

namespace skirlo {

// The device's resolution and full page; drawing starts at the paper's
// corner, so there is no physical offset to subtract.
PrintDevice printDeviceOf(const QPagedPaintDevice& device);

// Paints pages `first`..`last` (from 1, clamped to the page count) one after
// another; the number of pages painted, 0 when the device cannot be painted on.
int paintPages(PrintedMusic& printed, const MusicRenderer& renderer, QPagedPaintDevice& device, SurfaceKind kind,
               int first, int last);

}  // namespace skirlo
