#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "playback/MidiFileWriter.h"

namespace skirlo {

int runMidi(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    if (!error.empty() || !out || args.size() != 1) return usageError("midi FILE -o OUT.mid");
    auto document = openDocument(args[0], *environment, PlaybackOutput::Midi);
    if (!document) return 1;
    const DocumentPlayback& playback = document->playback();
    const std::vector<PerformanceEvent>& events = playback.performance.events();
    if (events.empty()) {
        std::fprintf(stderr, "Skirlo: The tune is empty. Nothing will be saved to disk!.\n");
        return 1;
    }
    const Tune* firstTune = document->tunes().empty() ? nullptr : document->tunes().front().get();
    if (!writeMidiFile(*out, events, midiFileSettings(playback.settings, firstTune))) {
        std::fprintf(stderr, "Midi File Save: Error in saving the midi file!\n");
        return 1;
    }
    return 0;
}

}  // namespace skirlo
