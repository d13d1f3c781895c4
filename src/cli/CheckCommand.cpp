#include <cstdio>

#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "document/SourceProblems.h"
#include "document/TuneDocument.h"

namespace skirlo {

namespace {

const CommandSpec kCheck{
    "check", "FILE... [--profile FILE]",
    "Lists the problems of each FILE as FILE:LINE:COLUMN: caption: text, the place counted in the file as it is\n"
    "on disk: symbols the symbol map does not hold, and time lines, ties and triplets that are never closed.\n"
    "Exits 1 when any file has a problem or cannot be read.",
    {"FILE..."},
    {}};

// False when the file could not be read or has a problem.
bool checkFile(const std::string& path, CliEnvironment& environment) {
    TuneDocument::Opening opening = TuneDocument::open(path);
    if (!opening.document) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), opening.error.c_str());
        return false;
    }
    ScriptText& script = opening.document->script();
    const std::vector<TuneProblem> problems = problemsInFileText(script.text(), environment.symbols);
    environment.messages.follow(path, script);
    for (const TuneProblem& problem : problems) environment.messages.reportInFile(problem);
    environment.messages.stopFollowing();
    return problems.empty();
}

}  // namespace

int runCheck(const std::vector<std::string>& args) {
    CommandLine line(kCheck);
    if (const auto status = line.parse(args)) return *status;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    bool allClean = true;
    for (const std::string& path : line.files()) allClean = checkFile(path, *environment) && allClean;
    return allClean ? 0 : 1;
}

}  // namespace skirlo
