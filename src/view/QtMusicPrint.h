#pragma once
// The print tree on Qt's paged devices: a printer, a print preview's pages
// or a PDF writer. Every page is painted in device units with the paper's
// top-left corner as origin.

#include <QPagedPaintDevice>
#include <QPainter>

#include <optional>

#include "engraving/MusicPrinting.h"
#include "view/QPainterSurface.h"

namespace skirlo {

// The device's resolution and full page; drawing starts at the paper's
// corner, so there is no physical offset to subtract.
PrintDevice printDeviceOf(const QPagedPaintDevice& device);

// Paints pages `first`..`last` (from 1) of a print one after another as they
// are handed over, and ends the print after `last`.
class PagePainter final : public PageSink {
public:
    PagePainter(const MusicRenderer& renderer, QPagedPaintDevice& device, SurfaceKind kind, int first, int last);

    bool pageFinished(PrintedMusic& printed, int page) override;

    // Ends the painting: the number of pages painted, 0 when the device could
    // not be painted on.
    int finish();

private:
    const MusicRenderer& renderer_;
    QPagedPaintDevice& device_;
    SurfaceKind kind_;
    int first_;
    int last_;
    QPainter painter_;
    std::optional<QPainterSurface> surface_;  // while the painter is active
    int painted_ = 0;
};

}  // namespace skirlo
