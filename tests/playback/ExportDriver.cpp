// Runs the command line's events and midi commands for the checks of the
// written MIDI files by an independent reader: "events FILE [--speaker]" and
// "midi FILE -o OUT.mid", with the exit status of the command.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {
int runEvents(const std::vector<std::string>& args);
int runMidi(const std::vector<std::string>& args);
}  // namespace skirlo

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: playback_export events|midi ARGS\n");
        return 1;
    }
    const std::string_view command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "events") return skirlo::runEvents(args);
    if (command == "midi") return skirlo::runMidi(args);
    std::fprintf(stderr, "playback_export: unknown command %s\n", argv[1]);
    return 1;
}
