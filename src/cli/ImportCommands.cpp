// skirlo-cli from-abc and from-musicxml: tunes of other programs' formats
// written as one tune file.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputFile.h"
#include "document/CompressedScore.h"
#include "interchange/AbcReader.h"
#include "interchange/EmbellishmentTable.h"
#include "interchange/MusicXmlReader.h"
#include "tunefile/ScriptText.h"
#include "tunefile/TuneFileIO.h"

namespace skirlo {

namespace {

const CommandSpec kFromAbc{
    "from-abc", "FILE.abc -o OUT.tnz [--verbose] [--strict] [--profile FILE]",
    "Reads the tunes of an ABC file written for the pipes (K:HP or K:Hp) and writes them as one tune file.\n"
    "A grace group becomes the embellishment whose gracenotes it equals, else its single gracenotes. Of\n"
    "several voices (V:) the first, or the one named chanter, pipes or melody, is read; the others are left\n"
    "out. A tie (c2-|c2) holds the note on. Each tune that lost or changed anything gets one line,\n"
    "FILE:LINE: \"Title\": 3 notes and 1 voice left out, and a last line gives the totals.",
    {"FILE.abc"},
    {{"o,output", "OUT.tnz", "the tune file to write; - for standard output"},
     {"verbose", "", "also name every skipped thing as FILE:LINE:COLUMN: what, and what changes nothing heard or "
                     "seen (a key read as the pipe scale, slurs, %% directives, I: fields)"},
     {"strict", "", "any loss is an error: exit 1 and write nothing"}}};

const CommandSpec kFromMusicXml{
    "from-musicxml", "FILE.{musicxml,xml,mxl} -o OUT.tnz [--verbose] [--strict] [--profile FILE]",
    "Reads the chanter's part of a MusicXML score (the part named for pipes, chanter or bagpipe, else the\n"
    "first) and writes it as a tune file: the chanter's notes at whatever octave the score writes them,\n"
    "grace groups as the embellishment whose gracenotes they equal (else single gracenotes), time\n"
    "signatures, repeats, endings, ties, tuplets, pauses, tempo, signs and jumps, title and composer. What\n"
    "cannot be held is counted on one line per kind; --verbose adds what changes nothing heard or seen.",
    {"FILE.musicxml"},
    {{"o,output", "OUT.tnz", "the tune file to write; - for standard output"},
     {"verbose", "", "also list what changes nothing heard or seen (slurs, dynamics)"},
     {"strict", "", "any loss is an error: exit 1 and write nothing"}}};

// No score comes near this; a larger file is something else.
constexpr std::size_t kMaxScoreBytes = 64u << 20;

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

void printMessages(const std::string& input, const AbcImport& imported) {
    std::vector<const AbcMessage*> all;
    for (const AbcMessage& message : imported.messages) all.push_back(&message);
    for (const AbcMessage& message : imported.notices) all.push_back(&message);
    std::stable_sort(all.begin(), all.end(), [](const AbcMessage* a, const AbcMessage* b) {
        return a->line != b->line ? a->line < b->line : a->column < b->column;
    });
    for (const AbcMessage* message : all) {
        std::fprintf(stderr, "%s:%d:%d: %s\n", input.c_str(), message->line, message->column, message->text.c_str());
    }
}

// One line per tune that lost anything, then the totals; silent when none did.
void printSummary(const std::string& input, const AbcImport& imported, bool verbose) {
    AbcTuneReport total;
    int tunesWithLosses = 0;
    for (const AbcTuneReport& tune : imported.tuneReports) {
        if (!tune.lostAnything()) continue;
        ++tunesWithLosses;
        total.notes += tune.notes;
        total.gracenotes += tune.gracenotes;
        total.voices += tune.voices;
        total.other += tune.other;
        const std::string title = tune.title.empty() ? "(no title)" : tune.title;
        std::fprintf(stderr, "%s:%d: \"%s\": %s%s\n", input.c_str(), tune.firstLossLine, title.c_str(),
                     describeLosses(tune).c_str(), verbose ? "" : " (see --verbose)");
    }
    if (tunesWithLosses == 0) return;
    std::fprintf(stderr, "%s: %d of %zu tunes lost or changed something: %s\n", input.c_str(), tunesWithLosses,
                 imported.tuneReports.size(), describeLosses(total).c_str());
}

// Writes the imported tune text, which must open again as a tune file.
int writeImported(OutputFile& output, const std::string& input, const std::string& tuneText) {
    if (tuneText.size() > ScriptText::kMaxSize) {
        std::fprintf(stderr, "skirlo-cli: the tunes of %s make %zu bytes of tune text, more than a tune file holds "
                             "(%zu); nothing written\n",
                     input.c_str(), tuneText.size(), ScriptText::kMaxSize);
        return 1;
    }
    std::string error;
    if (!saveTuneFile(output.path(), tuneText, error)) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    return output.finish() ? 0 : 1;
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
    const bool verbose = line.isSet("verbose");
    if (verbose) printMessages(input, imported);
    printSummary(input, imported, verbose);
    if (line.isSet("strict") && !imported.messages.empty()) {
        std::fprintf(stderr, "skirlo-cli: %s: something was lost or changed (--strict); nothing written\n", input.c_str());
        return 1;
    }
    if (imported.tunes == 0) {
        std::fprintf(stderr, "skirlo-cli: %s holds no tune with music; nothing written\n", input.c_str());
        return 1;
    }
    return writeImported(output, input, imported.tuneText);
}

int runFromMusicXml(const std::vector<std::string>& args) {
    CommandLine line(kFromMusicXml);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT.tnz");
    const std::string& input = line.files()[0];
    OutputFile output(*out, ".tnz");
    if (!output.open()) return 1;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    std::error_code sizeError;
    if (std::filesystem::file_size(input, sizeError) > kMaxScoreBytes && !sizeError) {
        std::fprintf(stderr, "skirlo-cli: %s is larger than any score (over %zu MB); nothing read\n", input.c_str(),
                     kMaxScoreBytes >> 20);
        return 1;
    }
    std::string xml;
    if (isCompressedScorePath(input)) {
        CompressedScore score = readCompressedScore(input);
        if (!score.error.empty()) {
            std::fprintf(stderr, "skirlo-cli: %s: %s; nothing written\n", input.c_str(), score.error.c_str());
            return 1;
        }
        xml = std::move(score.xml);
    } else if (!readWhole(input, xml)) {
        return 1;
    }
    const MusicXmlImport imported = importMusicXml(xml, EmbellishmentTable::fromProfile(*environment->profile));
    if (!imported.error.empty()) {
        std::fprintf(stderr, "skirlo-cli: %s: %s; nothing written\n", input.c_str(), imported.error.c_str());
        return 1;
    }
    for (const std::string& lost : imported.lost) std::fprintf(stderr, "%s: left out: %s\n", input.c_str(), lost.c_str());
    if (line.isSet("verbose")) {
        for (const std::string& notice : imported.notices) {
            std::fprintf(stderr, "%s: changes nothing heard or seen: %s\n", input.c_str(), notice.c_str());
        }
    }
    if (line.isSet("strict") && !imported.lost.empty()) {
        std::fprintf(stderr, "skirlo-cli: %s: something was left out (--strict); nothing written\n", input.c_str());
        return 1;
    }
    return writeImported(output, input, imported.tuneText);
}

}  // namespace skirlo
