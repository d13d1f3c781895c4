#include "cli/CliEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace skirlo {

namespace fs = std::filesystem;

namespace {

fs::path executableDir() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : exe.parent_path();
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

fs::path userConfigDir() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return fs::path(xdg) / "skirlo";
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config" / "skirlo";
    return {};
}

}  // namespace

fs::path findResourceDir() {
    const fs::path exe = executableDir();
    for (const fs::path& candidate : {exe / "resources", exe.parent_path() / "share" / "skirlo"}) {
        std::error_code error;
        if (fs::is_directory(candidate, error)) return candidate;
    }
    return exe / "resources";
}

fs::path findProfile(const fs::path& resourceDir, const std::string& explicitPath) {
    if (!explicitPath.empty()) return explicitPath;
    if (fs::path beside = executableDir() / "QTN32.INI"; isFile(beside)) return beside;
    if (fs::path config = userConfigDir(); !config.empty() && isFile(config / "QTN32.INI")) {
        return config / "QTN32.INI";
    }
    return resourceDir / "QTN32.INI";
}

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
    auto environment = std::make_unique<CliEnvironment>();
    environment->resourceDir = findResourceDir();
    environment->profilePath = findProfile(environment->resourceDir, profileOption.value_or(""));
    if (profileOption && !isFile(environment->profilePath)) {
        std::fprintf(stderr, "skirlo-cli: cannot read the profile file %s\n", environment->profilePath.c_str());
        return nullptr;
    }
    environment->profile = IniProfile::open(environment->profilePath.string());
    environment->symbols.load(*environment->profile, environment->messages);
    return environment;
}

}  // namespace skirlo
