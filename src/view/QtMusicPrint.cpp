#include "view/QtMusicPrint.h"

#include <QPainter>

#include <algorithm>

namespace skirlo {

PrintDevice printDeviceOf(const QPagedPaintDevice& device) {
    PrintDevice print;
    print.pixelsPerInchX = device.logicalDpiX();
    print.pixelsPerInchY = device.logicalDpiY();
    print.width = device.width();
    print.height = device.height();
    return print;
}

PagePainter::PagePainter(const MusicRenderer& renderer, QPagedPaintDevice& device, SurfaceKind kind, int first,
                         int last)
    : renderer_(renderer), device_(device), kind_(kind), first_(std::max(first, 1)), last_(last) {}

bool PagePainter::pageFinished(PrintedMusic& printed, int page) {
    if (page < first_) return true;
    if (page > last_) return false;
    if (painted_ == 0) {
        if (!painter_.begin(&device_)) return false;
        painter_.setRenderHint(QPainter::Antialiasing, true);
        surface_.emplace(painter_, kind_);
    } else {
        device_.newPage();
    }
    drawPrintedPage(printed, renderer_, *surface_, page);
    ++painted_;
    return page < last_;
}

int PagePainter::finish() {
    if (painter_.isActive()) painter_.end();
    surface_.reset();
    return painted_;
}

}  // namespace skirlo
