#include "cli/CliEnvironment.h"

#include <cstdio>

namespace skirlo {

std::optional<std::string> takeOption(std::vector<std::string>& args, const std::string& name, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            return std::nullopt;
        }
        std::string value = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return value;
    }
    return std::nullopt;
}

std::unique_ptr<CliEnvironment> openEnvironment(std::vector<std::string>& args) {
    std::string error;
    const std::optional<std::string> profileOption = takeOption(args, "--profile", error);
    if (!error.empty()) {
        std::fprintf(stderr, "skirlo-cli: %s\n", error.c_str());
        return nullptr;
    }
    return openEnvironment(profileOption);
}

std::unique_ptr<CliEnvironment> openEnvironment(const std::optional<std::string>& profile) {
    CliMessages messages;
    WorkspaceOpening opening = openWorkspace({profile.value_or(""), false}, messages);
    if (!opening.workspace) {
        std::fprintf(stderr, "skirlo-cli: %s\n", opening.error.c_str());
        return nullptr;
    }
    return std::make_unique<CliEnvironment>(std::move(*opening.workspace));
}

}  // namespace skirlo
