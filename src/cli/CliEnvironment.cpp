#include "cli/CliEnvironment.h"

#include <cstdio>

namespace skirlo {

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
