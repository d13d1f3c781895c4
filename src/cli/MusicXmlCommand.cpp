#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "interchange/MusicXmlWriter.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

const CommandSpec kMusicXml{
    "musicxml", "FILE -o OUT.musicxml [--profile FILE]",
    "Writes the tunes of FILE as a MusicXML 3.1 score for other music editors: the notes as the chanter\n"
    "plays them, every gracenote and embellishment as grace notes, bar lines, repeats, endings and signs.\n"
    "What the score cannot hold is listed on standard error.",
    {"FILE"},
    {{"o,output", "OUT.musicxml", "the file to write (.musicxml or .xml); - for standard output"}}};

}  // namespace

int runMusicXml(const std::vector<std::string>& args) {
    CommandLine line(kMusicXml);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT.musicxml");
    if (const std::string problem = extensionProblem(*out, ".musicxml,.xml"); !problem.empty()) {
        return line.usageError(problem);
    }
    OutputFile output(*out, ".musicxml");
    if (!output.open()) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const std::string& input = line.files()[0];
    auto document = openDocument(input, *environment, PlaybackOutput::Midi, FileNeed::Music);
    if (!document || musicHasErrors(*environment, input, *out)) return 1;
    const MusicXmlScore score = writeMusicXml(document->tunes(), document->playback().performance.events());
    for (const std::string& what : score.leftOut) {
        std::fprintf(stderr, "%s: not in the MusicXML: %s\n", input.c_str(), what.c_str());
    }
    std::string error;
    if (!replaceFileContents(output.path(), score.xml, error, Durability::Renamed)) {
        std::fprintf(stderr, "skirlo-cli: %s: %s\n", out->c_str(), error.c_str());
        return 1;
    }
    return output.finish() ? 0 : 1;
}

}  // namespace skirlo
