#pragma once
// A print written as a PDF file by our own writer, page by page as the
// print is laid out: the texts stay text in their embedded faces, at the
// layout the printer would print.

#include <string_view>

#include "engraving/MusicPrinting.h"
#include "export/PdfSurface.h"

namespace skirlo {

// The paper, in points, as the printer of a print of `dotsPerInch` sees it.
PrintDevice pdfPrintDevice(double widthPoints, double heightPoints, int dotsPerInch);

// Writes pages `first`..`last` (from 1) of a print on paper of `width` by
// `height` points, at `dotsPerInch`, to a PDF as they are handed over.
class PdfPagePrinter final : public PageSink {
public:
    PdfPagePrinter(const MusicRenderer& renderer, double width, double height, int dotsPerInch,
                   const TextWrite& write, int first = 1, int last = 1 << 30);

    // The printer the print is laid out for.
    const PrintDevice& device() const { return device_; }

    bool pageFinished(PrintedMusic& printed, int page) override;

    // Ends the file with its title (UTF-8): the number of pages written, 0
    // when there was none or any part of the file could not be written.
    int finish(std::string_view title);

private:
    const MusicRenderer& renderer_;
    double width_;
    double height_;
    PrintDevice device_;
    int first_;
    int last_;
    PdfSurface surface_;
    PdfBook book_;
    bool whole_ = true;
};

}  // namespace skirlo
