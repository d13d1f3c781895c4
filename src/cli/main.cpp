// skirlo-cli: every capability of the core, without a display.

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CommandHelper.h"
#include "cli/Commands.h"
#include "common/AllocatorTuning.h"

namespace {

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(const std::vector<std::string>&);
};

using Args = std::vector<std::string>;
using skirlo::kAudioHelper;
using skirlo::kPictureHelper;
using skirlo::kVectorHelper;
using skirlo::runInHelper;

constexpr Command kCommands[] = {
    {"tree", "tree FILE [--layout [--zoom N] [--engraving STYLE]]", skirlo::runTree},
    {"normalize", "normalize FILE -o OUT", skirlo::runNormalize},
    {"events", "events FILE [--speaker]", skirlo::runEvents},
    {"midi", "midi FILE -o OUT.mid [--pipe-tuning] [--low-a HZ]", skirlo::runMidi},
    {"musicxml", "musicxml FILE -o OUT.musicxml", skirlo::runMusicXml},
    {"from-abc", "from-abc FILE.abc -o OUT.tnz", skirlo::runFromAbc},
    {"from-musicxml", "from-musicxml FILE.{musicxml,mxl} -o OUT.tnz", skirlo::runFromMusicXml},
    {"image", "image FILE -o OUT.{pcx,bmp,png,svg,pdf} [--zoom N] [--engraving STYLE] [--format FORMAT]",
      [](const Args& a) { return runInHelper(kVectorHelper, "image", a); }},
    {"wav", "wav FILE -o OUT.wav [--sound pipes|midi] [--low-a HZ] [--tempo PERCENT] [--click] [--volumes CHANTER,TENOR,BASS]",
      [](const Args& a) { return runInHelper(kAudioHelper, "wav", a); }},
    {"devices", "devices", [](const Args& a) { return runInHelper(kAudioHelper, "devices", a); }},
    {"play", "play FILE [--device NAME] [--low-a HZ] [--tempo PERCENT] [--click]", [](const Args& a) { return runInHelper(kAudioHelper, "play", a); }},
    {"print", "print FILE -o OUT.pdf [--paper A4|Letter|Legal] [--dpi N] [--engraving STYLE]",
      [](const Args& a) { return runInHelper(kVectorHelper, "print", a); }},
    {"specimen", "specimen -o OUT.{png,pdf} [--zoom N] [--engraving STYLE]",
      [](const Args& a) { return runInHelper(kPictureHelper, "specimen", a); }},
    {"check", "check FILE...", skirlo::runCheck},
    {"library", "library add DIR... | update | remove DIR... | list [--json] | search QUERY [--type T] [--time T] [--json] | set FILE#N... -o OUT",
      skirlo::runLibrary},
};

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: skirlo-cli COMMAND [ARGS] [--profile FILE]\n       skirlo-cli --version\ncommands:\n");
    for (const Command& command : kCommands) {
        std::fprintf(to, "  skirlo-cli %.*s\n", static_cast<int>(command.usage.size()), command.usage.data());
    }
    std::fprintf(to, "'skirlo-cli COMMAND --help' describes a command and every option.\n");
}

}  // namespace

int main(int argc, char** argv) {
    skirlo::keepFreedMemoryForRebuilds();
    // Past a file size limit a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        printUsage(stderr);
        return 1;
    }
    const std::string_view word = argv[1];
    if (word == "--help" || word == "-h" || word == "help") {
        printUsage(stdout);
        return 0;
    }
    if (word == "--version") {
        std::printf("skirlo-cli %s\n", SKIRLO_VERSION);
        return 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (command.name == word) return command.run(args);
    }
    std::fprintf(stderr, "skirlo-cli: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 1;
}
