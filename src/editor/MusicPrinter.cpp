#include "editor/MusicPrinter.h"

#include <cctype>

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

#include <climits>

#include "common/MessageSink.h"
#include "document/MusicSettings.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/WaitCursor.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"
#include "view/QtMeasuring.h"
#include "view/QtMusicPrint.h"

namespace skirlo {

void MusicPrinter::orient(QPrinter& printer) const {
    printer.setPageOrientation(document_.settings().format.orientation == 'L' ? QPageLayout::Landscape
                                                                               : QPageLayout::Portrait);
}

int MusicPrinter::printTo(QPrinter& printer, SurfaceKind kind) {
    const WaitCursor wait;
    // Margins are the tune's own, measured from the paper's edge.
    printer.setFullPage(true);
    PrintSettings settings;
    settings.tune = document_.settings();
    if (const IniProfile* profile = workspace_.profile.get()) settings = printLayoutOf(document_.settings(), *profile);
    QtMeasuringContext measuring(workspace_.resourceDir, printer.logicalDpiX(), printer.logicalDpiY(), true);
    const MusicRenderer renderer(workspace_.symbols.hiliteColour());
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const int first = range ? printer.fromPage() : 1;
    const int last = range && printer.toPage() > 0 ? printer.toPage() : INT_MAX;
    PagePainter pages(renderer, printer, kind, first, last);
    const PrintedMusic printed = layOutForPrinting(document_.script(), workspace_.symbols, measuring, messages_,
                                                   settings, printDeviceOf(printer), &pages);
    const int painted = pages.finish();
    // Said once per print; the preview repaints too often to say it each time.
    if (kind == SurfaceKind::Printer) {
        for (std::string note : printNotes(printed)) {
            note.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(note.front())));
            messages_.show(note + ".", "Print");
        }
    }
    return painted;
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
