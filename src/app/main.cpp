// skirlo: the desktop program. `skirlo [--profile FILE] [FILE...]` opens the
// files; when the program is running already, it gets them instead.
// `--print` and `--print-to PRINTER` print the files without a window.

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#include "common/AllocatorTuning.h"
#include "editor/Application.h"
#include "editor/PrintOnStart.h"
#include "editor/SingleInstance.h"

namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    skirlo::keepFreedMemoryForRebuilds();
    QApplication::setApplicationName(QStringLiteral("Skirlo"));
    QApplication::setApplicationVersion(QStringLiteral(SKIRLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("skirlo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pipe music: read it, hear it, print it."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption profile(QStringLiteral("profile"), QStringLiteral("Read and write FILE as the profile."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption print(QStringLiteral("print"),
                                   QStringLiteral("Print the files on the default printer, then exit."));
    const QCommandLineOption printTo(QStringLiteral("print-to"),
                                     QStringLiteral("Print the files on PRINTER, then exit."), QStringLiteral("PRINTER"));
    parser.addOptions({profile, print, printTo});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Tunes to open."), QStringLiteral("[FILE...]"));
    // Read before the display is opened: --help and --version need none.
    if (!parser.parse(argumentsOf(argc, argv))) {
        std::fprintf(stderr, "skirlo: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        const QCoreApplication withoutDisplay(argc, argv);  // names the program in the usage line
        if (parser.isSet(help)) std::fputs(qPrintable(parser.helpText()), stdout);
        else std::printf("Skirlo %s\n", SKIRLO_VERSION);
        return 0;
    }
    const bool printOnly = parser.isSet(print) || parser.isSet(printTo);
    // Printing shows nothing: without a display it runs on the offscreen platform.
    if (printOnly && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication qt(argc, argv);
    if (printOnly) {
        return skirlo::printWithoutWindow(parser.positionalArguments(), parser.value(printTo), parser.value(profile));
    }
    skirlo::Application::Options options;
    options.files = parser.positionalArguments();
    options.profile = parser.value(profile);
    // A program with its own profile is a program of its own.
    if (options.profile.isEmpty()) {
        options.instanceName = skirlo::SingleInstance::defaultName();
        if (skirlo::SingleInstance(options.instanceName).handOver(options.files)) return 0;
    }
    skirlo::Application application(options);
    if (!application.start()) return 1;
    const int status = QApplication::exec();
    application.shutDown();
    return status;
}
