#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "document/DocumentMidiFile.h"

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
    switch (writeDocumentMidiFile(*document, *out)) {
        case MidiFileOutcome::Written:
            return 0;
        case MidiFileOutcome::EmptyTune:
            std::fprintf(stderr, "Skirlo: The tune is empty. Nothing will be saved to disk!.\n");
            return 1;
        case MidiFileOutcome::Failed:
            break;
    }
    std::fprintf(stderr, "Midi File Save: Error in saving the midi file!\n");
    return 1;
}

}  // namespace skirlo
