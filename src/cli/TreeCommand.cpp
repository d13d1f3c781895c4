#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "cli/TreeJson.h"
#include "common/FixedMetrics.h"

namespace skirlo {

int runTree(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: skirlo-cli tree FILE\n");
        return 1;
    }
    FixedMetricsContext measuring;
    const FontSet noFonts;
    auto document = openDocument(args[0], *environment, measuring, noFonts);
    if (!document) return 1;
    const std::string json = treeJson(document->tunes);
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}

}  // namespace skirlo
