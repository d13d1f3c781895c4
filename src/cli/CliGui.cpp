#include "cli/CliGui.h"

namespace skirlo {

std::unique_ptr<QGuiApplication> ensureGuiApplication() {
    if (QGuiApplication::instance() != nullptr) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application keeps references to these for its whole life.
    static int argc = 1;
    static char name[] = "skirlo-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace skirlo
