#include "export/PdfPrint.h"

#include <algorithm>
#include <cmath>

namespace skirlo {

namespace {

constexpr double kPointsPerInch = 72;

}  // namespace

PrintDevice pdfPrintDevice(double widthPoints, double heightPoints, int dotsPerInch) {
    PrintDevice device;
    device.pixelsPerInchX = device.pixelsPerInchY = dotsPerInch;
    // Whole dots, rounded as a printer driver rounds the paper.
    device.width = static_cast<int>(std::lround(widthPoints * dotsPerInch / kPointsPerInch));
    device.height = static_cast<int>(std::lround(heightPoints * dotsPerInch / kPointsPerInch));
    return device;
}

PdfPagePrinter::PdfPagePrinter(const MusicRenderer& renderer, double width, double height, int dotsPerInch,
                               const TextWrite& write, int first, int last)
    : renderer_(renderer),
      width_(width),
      height_(height),
      device_(pdfPrintDevice(width, height, dotsPerInch)),
      first_(std::max(first, 1)),
      last_(last),
      surface_({}, SurfaceKind::Printer),
      book_(surface_, write, kPointsPerInch / std::max(dotsPerInch, 1)) {}

bool PdfPagePrinter::pageFinished(PrintedMusic& printed, int page) {
    if (page < first_) return true;
    if (page > last_) return false;
    drawPrintedPage(printed, renderer_, surface_, page);
    whole_ = book_.endPage(width_, height_) && whole_;
    return whole_ && page < last_;
}

int PdfPagePrinter::finish(std::string_view title) {
    const bool written = book_.finish(title) && whole_;
    return written ? book_.pages() : 0;
}

}  // namespace skirlo
