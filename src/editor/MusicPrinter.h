#pragma once
// Printing and previewing the music of a tune window through Qt's print
// framework, and the program's printer settings that "P&rint Setup..."
// edits and every print starts from.

#include <QObject>
#include <QPrinter>

#include "document/MusicSettings.h"
#include "engraving/Surface.h"

class QWidget;

namespace skirlo {

class MessageSink;
class MusicRenderer;
struct PrintedMusic;
class TuneDocument;
struct Workspace;

// The printer, paper and orientation the program prints with, kept for
// as long as it runs.
class PrinterDefaults final : public QObject {
public:
    explicit PrinterDefaults(QObject* parent) : QObject(parent), printer_(QPrinter::HighResolution) {
        printer_.setResolution(kPrintedPageDpi);
    }
    QPrinter& printer() { return printer_; }

private:
    QPrinter printer_;
};

class MusicPrinter {
public:
    MusicPrinter(TuneDocument& document, Workspace& workspace, MessageSink& messages)
        : document_(document), workspace_(workspace), messages_(messages) {}

    // Lays the music out for the printer's paper and resolution and prints
    // the pages the printer asks for (all when it names none); the number
    // of pages printed.
    int printTo(QPrinter& printer, SurfaceKind kind = SurfaceKind::Printer);

    // The print dialog, then the pages chosen there.
    void print(QPrinter& printer, QWidget* parent);
    // The pages as they will print, one at a time, in the preview window.
    void preview(QPrinter& printer, QWidget* parent);

    // Turns the printer to the tune's orientation.
    void orient(QPrinter& printer) const;

private:
    // Pages `first`..`last` to the PDF file the printer names, through our
    // own writer: the number of pages written, 0 (said) when it failed.
    int printToPdfFile(QPrinter& printer, const PrintSettings& settings, const MusicRenderer& renderer, int first,
                       int last, PrintedMusic& printed);

    TuneDocument& document_;
    Workspace& workspace_;
    MessageSink& messages_;
};

}  // namespace skirlo
