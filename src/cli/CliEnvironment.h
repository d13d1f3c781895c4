#pragma once
// What every command of skirlo-cli starts from: the workspace (resources,
// profile, symbol map) and the message printer.

#include <memory>
#include <optional>
#include <string>

#include "cli/CliMessages.h"
#include "document/Workspace.h"

namespace skirlo {

struct CliEnvironment : Workspace {
    explicit CliEnvironment(Workspace&& workspace) : Workspace(std::move(workspace)) {}
    CliMessages messages;
};

// Opens the workspace with the profile given by --profile, or the one found
// as the desktop program finds it; null, with the reason printed, when the
// fonts or the symbol map cannot be found.
std::unique_ptr<CliEnvironment> openEnvironment(const std::optional<std::string>& profile);

}  // namespace skirlo
