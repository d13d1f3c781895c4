#pragma once
// What every command of skirlo-cli starts from: the resources folder, the
// profile file, the symbol map read from it, and the message printer.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"

namespace skirlo {

struct CliEnvironment {
    std::filesystem::path resourceDir;
    std::filesystem::path profilePath;
    std::unique_ptr<IniProfile> profile;
    SymbolMap symbols;
    StderrMessageSink messages;
};

// The resources folder: beside the executable (the build tree, a portable
// copy) or the installed share/skirlo.
std::filesystem::path findResourceDir();

// The profile: `explicitPath` when given, else QTN32.INI beside the
// executable, else $XDG_CONFIG_HOME/skirlo/QTN32.INI (default ~/.config),
// else the default in the resources folder. The command line only reads it.
std::filesystem::path findProfile(const std::filesystem::path& resourceDir, const std::string& explicitPath);

// Takes "--profile FILE" out of the arguments and loads the symbol map.
std::unique_ptr<CliEnvironment> openEnvironment(std::vector<std::string>& args);

// Takes "NAME VALUE" out of the arguments; nullopt when absent. A name
// without its value is an error, reported through `error`.
std::optional<std::string> takeOption(std::vector<std::string>& args, const std::string& name, std::string& error);

}  // namespace skirlo
