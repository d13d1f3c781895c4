#include "view/QtMusicPrint.h"

#include <QPainter>

#include <algorithm>

#include "view/QPainterSurface.h"

namespace skirlo {

PrintDevice printDeviceOf(const QPagedPaintDevice& device) {
    PrintDevice print;
    print.pixelsPerInchX = device.logicalDpiX();
    print.pixelsPerInchY = device.logicalDpiY();
    print.width = device.width();
    print.height = device.height();
    return print;
}

int paintPages(PrintedMusic& printed, const MusicRenderer& renderer, QPagedPaintDevice& device, SurfaceKind kind,
               int first, int last) {
    first = std::max(first, 1);
    last = std::min(last, printed.pageCount);
    if (first > last) return 0;
    QPainter painter;
    if (!painter.begin(&device)) return 0;
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterSurface surface(painter, kind);
    for (int page = first; page <= last; ++page) {
        if (page > first) device.newPage();
        drawPrintedPage(printed, renderer, surface, page);
    }
    painter.end();
    return last - first + 1;
}

}  // namespace skirlo
