// skirlo-cli specimen -o OUT.{png,pdf} [--zoom N]: every symbol of the
// symbol map drawn with its name, for reviewing the music fonts.

#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliEnvironment.h"
#include "cli/CliGui.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ImageCommand.h"
#include "cli/OutputFile.h"
#include "document/MusicSettings.h"
#include "view/Specimen.h"

namespace skirlo {

namespace {

const CommandSpec kSpecimen{
    "specimen", "-o OUT.{png,pdf} [--zoom N] [--engraving STYLE] [--profile FILE]",
    "Draws every symbol of the symbol map with its name, for reviewing the music fonts; Modern draws the\n"
    "gracenotes as it engraves them.",
    {},
    {{"o,output", "OUT", "the picture to write (.png or .pdf)"},
     {"zoom", "N", "the size in percent, 1 to 1000 (default 100)"},
     {"engraving", "STYLE", "classic or modern (default: the profile's EngravingStyle, else classic)"}}};

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli specimen: %s\n", message.c_str());
    return 1;
}

}  // namespace

int runSpecimen(const std::vector<std::string>& args) {
    CommandLine line(kSpecimen);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT");
    if (const std::string problem = extensionProblem(*out, ".png,.pdf"); !problem.empty() || *out == "-") {
        return line.usageError(problem.empty() ? "the specimen cannot go to standard output" : problem);
    }
    int zoom = 100;
    if (const std::optional<std::string> zoomText = line.value("zoom")) {
        const std::optional<int> value = strictInt(*zoomText, 1, 1000);
        if (!value) return line.usageError("--zoom takes a whole percent from 1 to 1000, not '" + *zoomText + "'");
        zoom = *value;
    }
    const auto engraving = readEngraving(line);
    if (const int* status = std::get_if<int>(&engraving)) return *status;
    std::unique_ptr<CliEnvironment> environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const EngravingStyle style = std::get<std::optional<EngravingStyle>>(engraving).value_or(
        engravingStyleOf(*environment->profile));

    const std::unique_ptr<QGuiApplication> application = ensureGuiApplication();
    const std::vector<SpecimenEntry> entries = specimenEntries(*environment->profile);
    std::string error;
    if (entries.empty()) return fail("the profile " + environment->profilePath.string() + " has no symbol map");
    if (!writeSpecimen(*out, environment->resourceDir, entries, zoom, style, error)) return fail(error);
    std::printf("%s: %zu symbols\n", out->c_str(), entries.size());
    return 0;
}

}  // namespace skirlo
