#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/TreeJson.h"

namespace skirlo {

namespace {

const CommandSpec kTree{"tree", "FILE [--profile FILE]",
                        "Prints the tunes of FILE as built: texts, parts, staves, bars and symbols, as JSON.",
                        {"FILE"},
                        {}};

}  // namespace

int runTree(const std::vector<std::string>& args) {
    CommandLine line(kTree);
    if (const auto status = line.parse(args)) return *status;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    // The tree is all it shows: its performance would only cost time and
    // memory.
    auto document = openTunes(line.files()[0], *environment);
    if (!document) return 1;
    if (writeTreeJson(document->tunes(), stdout)) return 0;
    std::fprintf(stderr, "skirlo-cli: the tree could not be written to standard output\n");
    return 1;
}

}  // namespace skirlo
