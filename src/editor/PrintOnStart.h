#pragma once
// `skirlo --print FILE...` and `skirlo --print-to PRINTER FILE...`: the tunes
// printed as the Print command prints them, on the default printer or the
// named one, without opening a window. What goes wrong is written to
// standard error.

#include <QString>
#include <QStringList>

namespace skirlo {

// The exit status: 0 when every file printed, 1 otherwise. An empty
// `printerName` is the default printer.
int printWithoutWindow(const QStringList& files, const QString& printerName, const QString& profile);

}  // namespace skirlo
