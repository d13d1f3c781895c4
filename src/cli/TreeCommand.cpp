#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "cli/TreeJson.h"

namespace skirlo {

int runTree(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    if (args.size() != 1) return usageError("tree FILE");
    auto document = openDocument(args[0], *environment);
    if (!document) return 1;
    const std::string json = treeJson(document->tunes());
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}

}  // namespace skirlo
