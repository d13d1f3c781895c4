#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "interchange/AbcReader.h"
#include "interchange/EmbellishmentTable.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

namespace {

const CommandSpec kFromAbc{
    "from-abc", "FILE.abc -o OUT.tnz [--profile FILE]",
    "Reads the tunes of an ABC file written for the pipes (K:HP or K:Hp) and writes them as one tune file.\n"
    "A grace group becomes the embellishment whose gracenotes it equals, else its single gracenotes.\n"
    "Whatever is not understood is skipped and reported as FILE:LINE:COLUMN: what.",
    {"FILE.abc"},
    {{"o,output", "OUT.tnz", "the tune file to write; - for standard output"}}};

bool readWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "skirlo-cli: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    std::ostringstream whole;
    whole << in.rdbuf();
    if (in.bad()) {
        std::fprintf(stderr, "skirlo-cli: cannot read %s\n", path.c_str());
        return false;
    }
    bytes = std::move(whole).str();
    return true;
}

}  // namespace

int runFromAbc(const std::vector<std::string>& args) {
    CommandLine line(kFromAbc);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT.tnz");
    OutputFile output(*out, ".tnz");
    if (!output.open()) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const std::string& input = line.files()[0];
    std::string abc;
    if (!readWhole(input, abc)) return 1;
    const AbcImport imported = importAbc(abc, EmbellishmentTable::fromProfile(*environment->profile));
    for (const AbcMessage& message : imported.messages) {
        std::fprintf(stderr, "%s:%d:%d: %s\n", input.c_str(), message.line, message.column, message.text.c_str());
    }
    if (imported.tunes == 0) {
        std::fprintf(stderr, "skirlo-cli: %s holds no tune with music; nothing written\n", input.c_str());
        return 1;
    }
    // A longer text could not be opened again.
    if (imported.tuneText.size() > ScriptText::kMaxSize) {
        std::fprintf(stderr, "skirlo-cli: the tunes of %s make %zu bytes of tune text, more than a tune file holds "
                             "(%zu); nothing written\n",
                     input.c_str(), imported.tuneText.size(), ScriptText::kMaxSize);
        return 1;
    }
    std::string error;
    if (!saveTuneFile(output.path(), imported.tuneText, error)) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    return output.finish() ? 0 : 1;
}

}  // namespace skirlo
