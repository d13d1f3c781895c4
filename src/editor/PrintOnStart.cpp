#include "editor/PrintOnStart.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <cstdio>
#include <string>

#include "common/MessageSink.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/MusicPrinter.h"

namespace skirlo {

namespace {

void complain(const std::string& message) { std::fprintf(stderr, "skirlo: %s\n", message.c_str()); }

// Points the printer at the named one, or the default; false, said why, when there is none.
bool choosePrinter(QPrinter& printer, const QString& name) {
    if (name.isEmpty()) {
        const QPrinterInfo fallback = QPrinterInfo::defaultPrinter();
        if (fallback.isNull()) {
            complain("there is no default printer; name one with --print-to PRINTER.");
            return false;
        }
        printer.setPrinterName(fallback.printerName());
        return true;
    }
    if (!QPrinterInfo::availablePrinterNames().contains(name)) {
        std::string known;
        for (const QString& other : QPrinterInfo::availablePrinterNames()) known += " " + other.toStdString();
        complain("there is no printer named " + name.toStdString() + "." +
                 (known.empty() ? std::string(" No printer is set up.") : " Printers:" + known + "."));
        return false;
    }
    printer.setPrinterName(name);
    return true;
}

}  // namespace

int printWithoutWindow(const QStringList& files, const QString& printerName, const QString& profile) {
    if (files.isEmpty()) {
        complain("--print needs the tune files to print.");
        return 1;
    }
    StderrMessageSink messages;
    WorkspaceOpening opening = openWorkspace({profile.toStdString(), false}, messages);
    if (!opening.workspace) {
        complain("cannot start: " + opening.error + ".");
        return 1;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!choosePrinter(printer, printerName)) return 1;
    int status = 0;
    for (const QString& file : files) {
        TuneDocument::Opening tune = TuneDocument::open(file.toStdString());
        if (!tune.document) {
            complain(tune.error);
            status = 1;
            continue;
        }
        tune.document->firstSetUp(messages);
        MusicPrinter music(*tune.document, *opening.workspace, messages);
        music.orient(printer);
        printer.setDocName(QString::fromStdString(tune.document->title()));
        if (music.printTo(printer) == 0) {
            complain(file.toStdString() + " printed no page.");
            status = 1;
        }
    }
    return status;
}

}  // namespace skirlo
