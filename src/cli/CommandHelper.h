#pragma once
// The commands that draw with Qt's fonts, those that draw vectors through
// FreeType and those that reach the audio stack live in helper programs of
// their own, so that the commands needing none of them (tree, events,
// midi...) start without loading any. skirlo-cli
// stays the one program a user runs: it hands such a command to its helper,
// which takes over the process (its id, standard streams and exit status).

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skirlo {

inline constexpr std::string_view kPictureHelper = "skirlo-cli-picture";
inline constexpr std::string_view kVectorHelper = "skirlo-cli-vector";
inline constexpr std::string_view kAudioHelper = "skirlo-cli-audio";

// The helper beside the program in `programDir` (the build tree), else in
// the installation's libexec/skirlo; empty when there is none.
std::filesystem::path findHelper(std::string_view helper, const std::filesystem::path& programDir);

// Replaces this process by the helper running `command` with `args`; returns
// only on failure, 1 with the reason printed.
int runInHelper(std::string_view helper, std::string_view command, const std::vector<std::string>& args);

struct HelperCommand {
    std::string_view name;
    int (*run)(const std::vector<std::string>&);
};

// A helper's main: argv[1] names one of `commands`, the rest are its arguments.
int runHelperCommand(int argc, char** argv, std::span<const HelperCommand> commands);

}  // namespace skirlo
