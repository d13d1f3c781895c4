#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CommandHelper.h"
#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/TreeJson.h"

namespace skirlo {

namespace {

const CommandSpec kTree{
    "tree", "FILE [--layout [--zoom N] [--engraving STYLE]] [--profile FILE]",
    "Prints the tunes of FILE as built: texts, parts, staves, bars and symbols, as JSON.\n"
    "With --layout the music is laid out as `image` draws it and the JSON says where everything stands, in\n"
    "pixels of the picture at that zoom less its margin: every tune's and staff's box, every staff's top line\n"
    "and staff space, every bar's x and width, every symbol's x, y, advance and the boxes of its ink.",
    {"FILE"},
    {{"layout", "", "lay the music out and give its places"},
     {"zoom", "N", "with --layout: the size in percent, 1 to 1000 (default: the tune's own zoom)"},
     {"engraving", "STYLE", "with --layout: classic or modern (default: the profile's EngravingStyle)"}}};

}  // namespace

const CommandSpec& treeCommandSpec() { return kTree; }

int runTree(const std::vector<std::string>& args) {
    CommandLine line(kTree);
    if (const auto status = line.parse(args)) return *status;
    // Places need glyph measures: the picture helper measures as `image` does.
    if (line.isSet("layout")) return runInHelper(kPictureHelper, "tree", args);
    if (line.isSet("zoom") || line.isSet("engraving")) return line.usageError("--zoom and --engraving need --layout");
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
