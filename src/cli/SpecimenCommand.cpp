// skirlo-cli specimen -o OUT.{png,pdf} [--zoom N]: every symbol of the
// symbol map drawn with its name, for reviewing the music fonts.

#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliEnvironment.h"
#include "cli/CliGui.h"
#include "cli/Commands.h"
#include "common/LenientNumber.h"
#include "view/Specimen.h"

namespace skirlo {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "skirlo-cli specimen: %s\n", message.c_str());
    return 1;
}

}  // namespace

int runSpecimen(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    std::string error;
    const std::optional<std::string> out = takeOption(args, "-o", error);
    const std::optional<std::string> zoomText = takeOption(args, "--zoom", error);
    if (!error.empty()) return fail(error);
    if (!out) return fail("usage: skirlo-cli specimen -o OUT.{png,pdf} [--zoom N]");
    int zoom = 100;
    if (zoomText) zoom = leadingInt(*zoomText);
    std::unique_ptr<CliEnvironment> environment = openEnvironment(args);
    if (!environment) return 1;
    if (!args.empty()) return fail("unexpected argument " + args.front());

    const std::unique_ptr<QGuiApplication> application = ensureGuiApplication();
    const std::vector<SpecimenEntry> entries = specimenEntries(*environment->profile);
    if (entries.empty()) return fail("the profile " + environment->profilePath.string() + " has no symbol map");
    if (!writeSpecimen(*out, environment->resourceDir, entries, zoom, error)) return fail(error);
    std::printf("%s: %zu symbols\n", out->c_str(), entries.size());
    return 0;
}

}  // namespace skirlo
