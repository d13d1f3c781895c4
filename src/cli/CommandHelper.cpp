#include "cli/CommandHelper.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "common/AllocatorTuning.h"
#include "document/Workspace.h"

namespace skirlo {

namespace fs = std::filesystem;

fs::path findHelper(std::string_view helper, const fs::path& programDir) {
    for (const fs::path& candidate : {programDir / helper, programDir.parent_path() / "libexec" / "skirlo" / helper}) {
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

int runInHelper(std::string_view helper, std::string_view command, const std::vector<std::string>& args) {
    const fs::path program = findHelper(helper, executableDir());
    if (program.empty()) {
        std::fprintf(stderr, "skirlo-cli: cannot run %.*s: its program %.*s is not installed beside skirlo-cli\n",
                     static_cast<int>(command.size()), command.data(), static_cast<int>(helper.size()), helper.data());
        return 1;
    }
    std::vector<std::string> words{"skirlo-cli", std::string(command)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(program.c_str(), argv.data());
    std::fprintf(stderr, "skirlo-cli: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
    return 1;
}

int runHelperCommand(int argc, char** argv, std::span<const HelperCommand> commands) {
    keepFreedMemoryForRebuilds();
    // Past a file size limit a write should fail and be reported, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc >= 2) {
        const std::vector<std::string> args(argv + 2, argv + argc);
        for (const HelperCommand& command : commands) {
            if (command.name == argv[1]) return command.run(args);
        }
    }
    std::fprintf(stderr, "skirlo-cli: this program runs commands that skirlo-cli hands over; see 'skirlo-cli --help'\n");
    return 1;
}

}  // namespace skirlo
