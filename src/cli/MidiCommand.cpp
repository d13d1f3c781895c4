#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "document/DocumentMidiFile.h"

namespace skirlo {

namespace {

const CommandSpec kMidi{"midi", "FILE -o OUT.mid [--pipe-tuning] [--low-a HZ] [--profile FILE]",
                        "Writes the performance of FILE as a standard MIDI file: the chanter on one track, the\n"
                        "drones on another, at the sliders' start volumes (chanter 127, tenor 77, bass 38).\n"
                        "With --pipe-tuning, every note and drone carries a pitch bend (after the bend range is\n"
                        "set) so that any General MIDI player sounds the pipes voice's just scale.",
                        {"FILE"},
                        {{"o,output", "OUT.mid", "the file to write (.mid or .midi); - for standard output"},
                         {"pipe-tuning", "", "bend the notes to the pipes tuning (the profile's scale and low A)"},
                         {"low-a", "HZ", "with --pipe-tuning, low A in Hz, 440 to 495 (default: the profile's, or 476)"}}};

}  // namespace

int runMidi(const std::vector<std::string>& args) {
    CommandLine line(kMidi);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT.mid");
    if (const std::string problem = extensionProblem(*out, ".mid,.midi"); !problem.empty()) {
        return line.usageError(problem);
    }
    std::optional<double> lowA;
    if (const auto text = line.value("low-a")) {
        if (!line.isSet("pipe-tuning")) return line.usageError("--low-a needs --pipe-tuning");
        lowA = parseLowA(*text);
        if (!lowA) return line.usageError("--low-a takes a pitch in Hz from 440 to 495, not '" + *text + "'");
    }
    OutputFile output(*out, ".mid");
    if (!output.open()) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    auto document = openDocument(line.files()[0], *environment, PlaybackOutput::Midi, FileNeed::Music);
    if (!document || musicHasErrors(*environment, line.files()[0], *out)) return 1;
    std::string error;
    std::optional<PipeTuning> tuning;
    if (line.isSet("pipe-tuning")) {
        tuning = document->playback().settings.pipes;
        if (lowA) tuning->lowA = *lowA;
    }
    switch (writeDocumentMidiFile(*document, output.path(), &error, tuning)) {
        case MidiFileOutcome::Written:
            return output.finish() ? 0 : 1;
        case MidiFileOutcome::EmptyTune:
            environment->messages.show("The tune is empty. Nothing will be saved to disk!.", "Skirlo",
                                       MessageButtons::Ok);
            return 1;
        case MidiFileOutcome::Failed:
            break;
    }
    // The desktop program's box says only that saving failed; here the file
    // and the reason are known and worth saying.
    std::fprintf(stderr, "Midi File Save: Error in saving the midi file! %s\n", error.c_str());
    return 1;
}

}  // namespace skirlo
