#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"

namespace skirlo {

namespace {

const CommandSpec kNormalize{
    "normalize", "FILE -o OUT [--profile FILE]",
    "Opens FILE as the desktop program does (settings lines, header line, conversion of older files, the first\n"
    "build) and writes the resulting text to OUT byte for byte.",
    {"FILE"},
    {{"o,output", "OUT", "the file to write; - for standard output"}}};

}  // namespace

int runNormalize(const std::vector<std::string>& args) {
    CommandLine line(kNormalize);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT");
    OutputFile output(*out, ".tnz");
    if (!output.open()) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    // Only the text is written: the tunes are built for the tempo line a file
    // without one gets, and the performance that would also write it is not.
    auto document = openTunes(line.files()[0], *environment);
    if (!document) return 1;
    document->writeMissingTempoLine();
    return writeScript(*document, output.path()) && output.finish() ? 0 : 1;
}

}  // namespace skirlo
