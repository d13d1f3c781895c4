#include "editor/MusicPrinter.h"

#include <cctype>

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

#include <climits>

#include "common/MessageSink.h"
#include "common/Windows1252.h"
#include "document/MusicSettings.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/WaitCursor.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "export/PdfPrint.h"
#include "fonts/FreeTypeMeasuringContext.h"
#include "tunefile/FileReplace.h"
#include "view/QtMeasuring.h"
#include "view/QtMusicPrint.h"

namespace skirlo {

void MusicPrinter::orient(QPrinter& printer) const {
    printer.setPageOrientation(document_.settings().format.orientation == 'L' ? QPageLayout::Landscape
                                                                               : QPageLayout::Portrait);
}

namespace {

// Print to PDF writes through our own PDF writer, so that the texts stay
// text; a printer, and a preview, go through Qt's print system.
bool printsToPdfFile(const QPrinter& printer, SurfaceKind kind) {
    return kind == SurfaceKind::Printer && printer.outputFormat() == QPrinter::PdfFormat &&
           !printer.outputFileName().isEmpty();
}

}  // namespace

int MusicPrinter::printTo(QPrinter& printer, SurfaceKind kind) {
    const WaitCursor wait;
    // Margins are the tune's own, measured from the paper's edge.
    printer.setFullPage(true);
    PrintSettings settings;
    settings.tune = document_.settings();
    if (const IniProfile* profile = workspace_.profile.get()) settings = printLayoutOf(document_.settings(), *profile);
    const MusicRenderer renderer(workspace_.symbols.hiliteColour());
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const int first = range ? printer.fromPage() : 1;
    const int last = range && printer.toPage() > 0 ? printer.toPage() : INT_MAX;
    PrintedMusic printed;
    int painted = 0;
    if (printsToPdfFile(printer, kind)) {
        painted = printToPdfFile(printer, settings, renderer, first, last, printed);
    } else {
        QtMeasuringContext measuring(workspace_.resourceDir, printer.logicalDpiX(), printer.logicalDpiY(), true);
        PagePainter pages(renderer, printer, kind, first, last);
        printed = layOutForPrinting(document_.script(), workspace_.symbols, measuring, messages_, settings,
                                    printDeviceOf(printer), &pages);
        painted = pages.finish();
    }
    // Said once per print; the preview repaints too often to say it each time.
    if (kind == SurfaceKind::Printer) {
        for (std::string note : printNotes(printed)) {
            note.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(note.front())));
            messages_.show(note + ".", "Print");
        }
    }
    return painted;
}

int MusicPrinter::printToPdfFile(QPrinter& printer, const PrintSettings& settings, const MusicRenderer& renderer,
                                 int first, int last, PrintedMusic& printed) {
    const std::string path = printer.outputFileName().toStdString();
    ReplacementFile file(path, Durability::Renamed);
    std::string error;
    if (!file.open(error)) {
        messages_.show(error, "Print");
        return 0;
    }
    const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Point);
    FreeTypeMeasuringContext measuring(workspace_.resourceDir, kPrintedPageDpi, kPrintedPageDpi, true);
    PdfPagePrinter pages(
        renderer, paper.width(), paper.height(), kPrintedPageDpi,
        [&file](std::string_view piece) { return file.write(piece.data(), piece.size()); }, first, last);
    printed = layOutForPrinting(document_.script(), workspace_.symbols, measuring, messages_, settings,
                                pages.device(), &pages);
    // Titled as the print was named, else by the first tune's title
    // (Windows-1252 or UTF-8 in the tune), else by the file.
    std::string title = printer.docName().toStdString();
    if (title.empty()) title = tuneTextToUtf8(document_.firstTitle());
    const int written = pages.finish(title.empty() ? path : title);
    if (written == 0) {
        // A failed write makes the commit fail, with its reason; nothing is
        // put in place.
        if (!file.failed() || file.commit(error)) error = "Unable to write to " + path + ".";
        messages_.show(error, "Print");
        return 0;
    }
    if (!file.commit(error)) {
        messages_.show(error, "Print");
        return 0;
    }
    return written;
}

void MusicPrinter::print(QPrinter& printer, QWidget* parent) {
    orient(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() == QDialog::Accepted) printTo(printer);
}

void MusicPrinter::preview(QPrinter& printer, QWidget* parent) {
    orient(printer);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QObject::tr("Print Preview"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                     [this](QPrinter* target) { printTo(*target, SurfaceKind::Preview); });
    // Two pages side by side, as a printed book opens; the dialog's own
    // buttons switch to one page or all of them, and zoom.
    if (auto* pages = preview.findChild<QPrintPreviewWidget*>()) {
        pages->setViewMode(QPrintPreviewWidget::FacingPagesView);
        pages->fitInView();
    }
    preview.exec();
}

}  // namespace skirlo
