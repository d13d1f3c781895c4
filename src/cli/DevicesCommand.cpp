#include <cstdio>

#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "playback/live/DiagnosticLog.h"
#include "playback/live/MidiDeviceLayer.h"
#include "playback/live/Synthesizer.h"
#include "playback/live/SystemMidiPlatform.h"

namespace skirlo {

namespace {

const CommandSpec kDevices{"devices", "[--profile FILE]",
                           "Lists the output devices in the order of the desktop program's device box, one a line.",
                           {},
                           {}};

}  // namespace

int runDevices(const std::vector<std::string>& args) {
    CommandLine line(kDevices);
    if (const auto status = line.parse(args)) return *status;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    // The device layer's own diagnostics are for developers; the user gets
    // one line when there is no sequencer at all.
    RecordingDiagnosticLog log;
    SystemMidiPlatform platform(log, pipesSoundfont(environment->resourceDir));
    MidiDeviceLayer devices(platform, environment->messages, log);
    for (const std::string& name : devices.enumerateOutputs().names) std::printf("%s\n", name.c_str());
    if (log.text().find("no sequencer") != std::string::npos) {
        std::fprintf(stderr, "skirlo-cli: no ALSA sequencer, so no MIDI ports are listed; the devices above still "
                             "play\n");
    }
    return 0;
}

}  // namespace skirlo
