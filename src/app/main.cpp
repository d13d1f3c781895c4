// skirlo: the desktop program. `skirlo [--profile FILE] [FILE...]` opens the
// files; when the program is running already, it gets them instead.

#include <QApplication>
#include <QCommandLineParser>

#include "common/AllocatorTuning.h"
#include "editor/Application.h"
#include "editor/SingleInstance.h"

int main(int argc, char** argv) {
    skirlo::keepFreedMemoryForRebuilds();
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skirlo"));
    QApplication::setApplicationVersion(QStringLiteral(SKIRLO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("skirlo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pipe music: read it, hear it, print it."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption profile(QStringLiteral("profile"), QStringLiteral("Read and write FILE as the profile."),
                                     QStringLiteral("FILE"));
    parser.addOption(profile);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Tunes to open."), QStringLiteral("[FILE...]"));
    parser.process(qt);

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
