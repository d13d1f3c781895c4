#include "cli/CliGui.h"

#include <cstdio>

namespace skirlo {

namespace {

// Qt's warnings (a missing XDG_RUNTIME_DIR without a desktop session, font
// fallbacks) say nothing a user of the command line can act on.
void keepOnlySeriousMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

std::unique_ptr<QGuiApplication> ensureGuiApplication() {
    if (QGuiApplication::instance() != nullptr) return nullptr;
    qInstallMessageHandler(keepOnlySeriousMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application keeps references to these for its whole life.
    static int argc = 1;
    static char name[] = "skirlo-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace skirlo
