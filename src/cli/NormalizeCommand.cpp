#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"

namespace skirlo {

int runNormalize(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    if (!error.empty() || !out || args.size() != 1) return usageError("normalize FILE -o OUT");
    auto document = openDocument(args[0], *environment);
    if (!document) return 1;
    return writeScript(*document, *out) ? 0 : 1;
}

}  // namespace skirlo
