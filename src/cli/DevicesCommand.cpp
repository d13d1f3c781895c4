#include <cstdio>

#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/SystemMidiPlatform.h"

namespace skirlo {

int runDevices(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    if (!args.empty()) {
        std::fprintf(stderr, "usage: skirlo-cli devices\n");
        return 1;
    }
    StderrDiagnosticLog log;
    SystemMidiPlatform platform(log);
    MidiDeviceLayer devices(platform, environment->messages, log);
    for (const std::string& name : devices.enumerateOutputs().names) std::printf("%s\n", name.c_str());
    return 0;
}

}  // namespace skirlo
