#include <cstdio>

#include "cli/CliDocument.h"
#include "cli/CliEnvironment.h"
#include "cli/Commands.h"
#include "common/FixedMetrics.h"

namespace skirlo {

int runNormalize(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    auto environment = openEnvironment(args);
    if (!environment) return 1;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    if (!error.empty() || !out || args.size() != 1) {
        std::fprintf(stderr, "usage: skirlo-cli normalize FILE -o OUT\n");
        return 1;
    }
    // The text does not depend on glyph shapes: a structure-only build.
    FixedMetricsContext measuring;
    const FontSet noFonts;
    auto document = openDocument(args[0], *environment, measuring, noFonts);
    if (!document) return 1;
    return writeScript(*document, *out) ? 0 : 1;
}

}  // namespace skirlo
