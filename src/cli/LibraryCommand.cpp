// skirlo-cli library: the tune library the desktop program's Library pane
// shows, with the same database and the same reading of the tunes.

#include <cstdio>
#include <optional>
#include <string_view>

#include "cli/CliEnvironment.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/JsonWriter.h"
#include "cli/OutputFile.h"
#include "interchange/EmbellishmentTable.h"
#include "library/FolderScan.h"
#include "library/LibraryIndex.h"
#include "library/MakeSet.h"

namespace skirlo {

namespace {

const OptionSpec kDbOption{"db", "FILE", "use the library database FILE instead of the default one"};
const OptionSpec kJsonOption{"json", "", "print JSON instead of tab-separated lines"};

const CommandSpec kAdd{
    "library add", "DIR... [--db FILE]",
    "Adds each DIR to the tune library and indexes every .tnz file under it: title, type, composer, footer,\n"
    "time signature, parts and tempo of each tune. A folder already in the library is scanned again; only files\n"
    "whose modification time or size changed are read, and files no longer there are dropped. Unreadable files,\n"
    "files over 1,048,575 bytes and files that are not tune files are listed with the reason and skipped;\n"
    "a tune whose text another file already holds is shown once, from the first file by path.\n"
    "The database is $XDG_DATA_HOME/skirlo/library.sqlite (~/.local/share/skirlo/) unless --db names another.\n"
    "Exits 1 when a DIR is not a folder.",
    {"DIR..."},
    {kDbOption}};

const CommandSpec kUpdate{
    "library update", "[--db FILE]",
    "Scans every folder of the library again: changed and new files are read, removed files are dropped.",
    {},
    {kDbOption}};

const CommandSpec kRemove{"library remove", "DIR... [--db FILE]",
                          "Takes each DIR out of the library, with its tunes. The files are not touched.",
                          {"DIR..."},
                          {kDbOption}};

const CommandSpec kList{
    "library list", "[--json] [--db FILE]",
    "Prints every tune of the library, sorted by title: title, type, time signature, composer, file and the\n"
    "tune's number in its file, separated by tabs; then, on standard error, the skipped files with the reason.",
    {},
    {kJsonOption, kDbOption}};

const CommandSpec kSearch{
    "library search", "QUERY [--type T] [--time T] [--json] [--db FILE]",
    "Prints the tunes whose title, type, composer or footer hold a word beginning with each word of QUERY,\n"
    "letter case and accents ignored (\"brai\" finds \"Bràigh\"), as library list prints them. --type keeps the\n"
    "tunes of that type (\"Reel\"), --time those of that time signature (\"6/8\", \"C\", \"C|\").",
    {"QUERY"},
    {{"type", "T", "only tunes of this type, letter case ignored"},
     {"time", "T", "only tunes of this time signature"},
     kJsonOption,
     kDbOption}};

const CommandSpec kSet{
    "library set", "FILE#N... -o OUT [--profile FILE]",
    "Makes a set: writes to OUT one tune file holding the chosen tunes one after another, in the order given,\n"
    "after the header line and settings lines of the first tune's file. FILE#N is the Nth tune of FILE, as\n"
    "library list numbers it; FILE alone is its first tune. Each tune keeps its own text, from its first header\n"
    "record through its music, and its own tempo. Exits 1 when a file cannot be read or has no such tune.",
    {"FILE#N..."},
    {{"o,output", "OUT", "the tune file to write; - for standard output"}}};

void printUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: skirlo-cli library add DIR... [--db FILE]\n"
                 "       skirlo-cli library update [--db FILE]\n"
                 "       skirlo-cli library remove DIR... [--db FILE]\n"
                 "       skirlo-cli library list [--json] [--db FILE]\n"
                 "       skirlo-cli library search QUERY [--type T] [--time T] [--json] [--db FILE]\n"
                 "       skirlo-cli library set FILE#N... -o OUT\n"
                 "'skirlo-cli library COMMAND --help' describes a command and every option.\n");
}

void printSkipped(const std::vector<SkippedFile>& skipped) {
    for (const SkippedFile& file : skipped) std::fprintf(stderr, "%s: skipped: %s\n", file.path.c_str(), file.reason.c_str());
}

// The scan's outcome; false when a folder could not be scanned.
bool printReport(const ScanReport& report) {
    printSkipped(report.skipped);
    for (const std::string& problem : report.problems) std::fprintf(stderr, "skirlo-cli: %s\n", problem.c_str());
    std::printf("%d files read (%d tunes), %d unchanged, %d removed, %zu skipped\n", report.filesRead,
                report.tunesRead, report.filesUnchanged, report.filesRemoved, report.skipped.size());
    return report.problems.empty();
}

void printTunes(const std::vector<LibraryTune>& tunes) {
    for (const LibraryTune& tune : tunes) {
        const TuneSummary& s = tune.summary;
        std::printf("%s\t%s\t%s\t%s\t%s\t%d\n", s.title.c_str(), s.type.c_str(), s.time.c_str(), s.composer.c_str(),
                    tune.file.c_str(), s.position + 1);
    }
}

bool printJson(const std::vector<LibraryTune>& tunes, const std::vector<SkippedFile>* skipped) {
    JsonWriter json(stdout);
    json.beginObject();
    json.key("tunes");
    json.beginArray();
    for (const LibraryTune& tune : tunes) {
        const TuneSummary& s = tune.summary;
        json.beginObject();
        json.field("title", std::string_view(s.title));
        json.field("type", std::string_view(s.type));
        json.field("composer", std::string_view(s.composer));
        json.field("footer", std::string_view(s.footer));
        json.field("time", std::string_view(s.time));
        json.field("parts", s.parts);
        json.field("tempo", s.tempo);
        json.field("file", std::string_view(tune.file));
        json.field("position", s.position);
        json.endObject();
    }
    json.endArray();
    if (skipped != nullptr) {
        json.key("skipped");
        json.beginArray();
        for (const SkippedFile& file : *skipped) {
            json.beginObject();
            json.field("file", std::string_view(file.path));
            json.field("reason", std::string_view(file.reason));
            json.endObject();
        }
        json.endArray();
    }
    json.endObject();
    return json.flush() && std::fputc('\n', stdout) != EOF;
}

// "FILE#N" -> the file and the tune's place in it; the last '#' counts, so
// a file name may hold one.
std::optional<SetTuneSource> setTuneSource(const std::string& argument, const EmbellishmentTable& abc) {
    SetTuneSource source;
    source.name = argument;
    const std::size_t hash = argument.rfind('#');
    if (hash != std::string::npos) {
        const std::optional<int> number = strictInt(argument.substr(hash + 1), 1, 1000000);
        if (!number) {
            std::fprintf(stderr, "skirlo-cli: %s: the tune's number after '#' must be 1 or more\n", argument.c_str());
            return std::nullopt;
        }
        source.name = argument.substr(0, hash);
        source.position = *number - 1;
    }
    TuneFileLoad load = loadLibraryFile(source.name, &abc);
    if (!load.ok) {
        std::fprintf(stderr, "skirlo-cli: %s\n", load.error.c_str());
        return std::nullopt;
    }
    source.bytes = std::move(load.bytes);
    return source;
}

int runSet(const std::vector<std::string>& args) {
    CommandLine line(kSet);
    if (const auto status = line.parse(args)) return *status;
    const std::optional<std::string> out = line.value("output");
    if (!out) return line.usageError("missing -o OUT");
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const EmbellishmentTable abc = EmbellishmentTable::fromProfile(*environment->profile);
    std::vector<SetTuneSource> sources;
    for (const std::string& argument : line.files()) {
        std::optional<SetTuneSource> source = setTuneSource(argument, abc);
        if (!source) return 1;
        sources.push_back(std::move(*source));
    }
    const SetText set = makeSetText(sources, environment->symbols);
    if (!set.error.empty()) {
        std::fprintf(stderr, "skirlo-cli: %s\n", set.error.c_str());
        return 1;
    }
    OutputFile output(*out, ".tnz");
    if (!output.open()) return 1;
    std::string error;
    if (!saveTuneFile(output.path(), set.text, error)) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return 1;
    }
    return output.finish() ? 0 : 1;
}

int runSubcommand(const CommandSpec& spec, const std::vector<std::string>& args) {
    CommandLine line(spec);
    if (const auto status = line.parse(args)) return *status;
    auto environment = openEnvironment(line.value("profile"));
    if (!environment) return 1;
    const EmbellishmentTable abc = EmbellishmentTable::fromProfile(*environment->profile);
    LibraryIndex index(line.value("db").value_or(defaultLibraryPath()), environment->symbols, &abc);
    if (!index.rebuildNotice().empty()) std::fprintf(stderr, "skirlo-cli: %s\n", index.rebuildNotice().c_str());

    const std::string_view name = spec.name;
    bool ok = true;
    if (name == kAdd.name) {
        ok = printReport(index.addFolders(line.files()));
    } else if (name == kUpdate.name) {
        ok = printReport(index.rescan());
    } else if (name == kRemove.name) {
        for (const std::string& folder : line.files()) {
            if (!index.removeFolder(folder)) {
                std::fprintf(stderr, "skirlo-cli: %s: not a folder of the library\n", folder.c_str());
                ok = false;
            }
        }
    } else {
        const bool isList = name == kList.name;
        TuneQuery query;
        if (!isList) query = {line.files()[0], line.value("type").value_or(""), line.value("time").value_or("")};
        const std::vector<LibraryTune> tunes = index.findTunes(query);
        const std::vector<SkippedFile> skipped = isList ? index.skippedFiles() : std::vector<SkippedFile>{};
        if (line.isSet("json")) {
            ok = printJson(tunes, isList ? &skipped : nullptr);
        } else {
            printTunes(tunes);
            printSkipped(skipped);
            ok = std::fflush(stdout) == 0;
        }
        if (!ok) std::fprintf(stderr, "skirlo-cli: the tunes could not be written to standard output\n");
    }
    return ok ? 0 : 1;
}

}  // namespace

int runLibrary(const std::vector<std::string>& args) {
    if (args.empty()) {
        printUsage(stderr);
        return 1;
    }
    const std::string_view word = args[0];
    if (word == "--help" || word == "-h") {
        printUsage(stdout);
        return 0;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (word == "set") return runSet(rest);
    for (const CommandSpec* spec : {&kAdd, &kUpdate, &kRemove, &kList, &kSearch}) {
        if (std::string_view(spec->name).substr(8) != word) continue;
        try {
            return runSubcommand(*spec, rest);
        } catch (const LibraryError& error) {
            std::fprintf(stderr, "skirlo-cli: library: %s\n", error.what());
            return 1;
        }
    }
    std::fprintf(stderr, "skirlo-cli: library: unknown command '%s'\n", args[0].c_str());
    printUsage(stderr);
    return 1;
}

}  // namespace skirlo
