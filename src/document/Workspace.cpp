#include "document/Workspace.h"

#include <cstdlib>
#include <system_error>

namespace skirlo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProfileName = "QTN32.INI";

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

fs::path userConfigDir() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return fs::path(xdg) / "skirlo";
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config" / "skirlo";
    return {};
}

// The first of the folder beside the executable and its installed place.
fs::path findBesideOrInstalled(const fs::path& beside, const fs::path& installed) {
    if (isDirectory(beside)) return beside;
    if (isDirectory(installed)) return installed;
    return beside;
}

// The installation a program folder belongs to: bin's parent, or for
// skirlo-cli's helper programs in libexec/skirlo, libexec's parent.
fs::path installPrefix(const fs::path& programDir) {
    const fs::path parent = programDir.parent_path();
    if (programDir.filename() == "skirlo" && parent.filename() == "libexec") return parent.parent_path();
    return parent;
}

// Copies the default profile into the user's folder; the default itself when
// that cannot be done (a read-only home: the program still runs, it only
// cannot remember anything).
fs::path makeUserProfile(const fs::path& userProfile, const fs::path& defaultProfile) {
    std::error_code error;
    fs::create_directories(userProfile.parent_path(), error);
    if (!error) fs::copy_file(defaultProfile, userProfile, fs::copy_options::skip_existing, error);
    return error ? defaultProfile : userProfile;
}

fs::path findProfile(const fs::path& resourceDir, const WorkspaceOptions& options) {
    if (!options.explicitProfile.empty()) return options.explicitProfile;
    if (fs::path beside = executableDir() / kProfileName; isFile(beside)) return beside;
    const fs::path defaultProfile = resourceDir / kProfileName;
    const fs::path config = userConfigDir();
    if (config.empty()) return defaultProfile;
    if (isFile(config / kProfileName)) return config / kProfileName;
    if (options.createUserProfile && isFile(defaultProfile)) return makeUserProfile(config / kProfileName, defaultProfile);
    return defaultProfile;
}

bool hasSymbolMap(const SymbolMap& symbols) {
    for (int section = 1; section <= SymbolMap::kSectionCount; ++section) {
        if (symbols.size(section) > 0) return true;
    }
    return false;
}

WorkspaceOpening failure(std::string error) {
    WorkspaceOpening opening;
    opening.error = std::move(error);
    return opening;
}

}  // namespace

fs::path executableDir() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : exe.parent_path();
}

WorkspaceOpening openWorkspace(const WorkspaceOptions& options, MessageSink& messages) {
    const fs::path exe = executableDir();
    const fs::path prefix = installPrefix(exe);
    auto workspace = std::make_unique<Workspace>();
    workspace->resourceDir = findBesideOrInstalled(exe / "resources", prefix / "share" / "skirlo");
    workspace->docsDir = findBesideOrInstalled(exe / "docs", prefix / "share" / "doc" / "skirlo");
    if (!isFile(workspace->resourceDir / "fonts" / "QTN1.ttf")) {
        return failure("cannot find the music fonts in " + (workspace->resourceDir / "fonts").string() +
                       " (is Skirlo installed completely?)");
    }
    workspace->profilePath = findProfile(workspace->resourceDir, options);
    if (!isFile(workspace->profilePath)) {
        return failure("cannot read the profile file " + workspace->profilePath.string());
    }
    workspace->profile = IniProfile::open(workspace->profilePath.string());
    workspace->symbols.load(*workspace->profile, messages);
    if (!hasSymbolMap(workspace->symbols)) {
        return failure("the profile file " + workspace->profilePath.string() +
                       " has no symbol map (sections FontMap1 to FontMap8)");
    }
    WorkspaceOpening opening;
    opening.workspace = std::move(workspace);
    return opening;
}

}  // namespace skirlo
