#include "fonts/FaceCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "tunefile/FileReplace.h"

namespace skirlo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "skirlo face cache 1";

// What steers fontconfig besides its files: where it reads its
// configuration and the user's folders, and the language it prefers faces
// for.
constexpr const char* kEnvironment[] = {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME",
                                        "XDG_CONFIG_HOME", "XDG_DATA_HOME", "FC_LANG", "LC_ALL", "LC_CTYPE",
                                        "LANG"};

std::string environmentLine(const char* name) {
    const char* value = std::getenv(name);
    return std::string("env ") + name + "=" + (value != nullptr ? value : "");
}

bool operator==(const PathStamp& a, const PathStamp& b) {
    return a.path == b.path && a.exists == b.exists && a.modified == b.modified && a.size == b.size;
}

// A line holds one field that may contain spaces, at its end; tabs and line
// breaks in a path or family cannot be written, so such an answer is not
// kept.
bool writable(const std::string& text) { return text.find_first_of("\t\n\r") == std::string::npos; }

std::string restOf(std::istringstream& in) {
    std::string rest;
    std::getline(in >> std::ws, rest);
    return rest;
}

}  // namespace

PathStamp stampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {path, false, 0, 0};
    const long long nanoseconds = static_cast<long long>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    return {path, true, nanoseconds, static_cast<long long>(status.st_size)};
}

fs::path FaceCache::defaultPath() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome != nullptr && *cacheHome == '/') return fs::path(cacheHome) / "skirlo" / "faces";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') return fs::path(home) / ".cache" / "skirlo" / "faces";
    return {};
}

FaceCache::FaceCache(fs::path path) : path_(std::move(path)) {}

void FaceCache::load() {
    loaded_ = true;
    std::ifstream in(path_);
    std::string line;
    if (path_.empty() || !std::getline(in, line) || line != kHeader) return;
    for (const char* name : kEnvironment) {
        if (!std::getline(in, line) || line != environmentLine(name)) return;
    }
    std::map<FaceRequest, std::optional<FaceLocation>> faces;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "path") {
            PathStamp stamp;
            fields >> stamp.exists >> stamp.modified >> stamp.size;
            stamp.path = restOf(fields);
            if (!fields || !(stampOf(stamp.path) == stamp)) return;
        } else if (kind == "face") {
            int weight = 0;
            bool italic = false;
            int index = 0;
            fields >> weight >> italic >> index;
            const std::string rest = restOf(fields);
            const std::size_t tab = rest.find('\t');
            if (!fields || tab == std::string::npos) return;
            std::optional<FaceLocation> location;
            if (index >= 0) location = FaceLocation{rest.substr(tab + 1), index};
            faces[{rest.substr(0, tab), weight, italic}] = location;
        } else {
            return;
        }
    }
    faces_ = std::move(faces);
    valid_ = true;
}

std::optional<std::optional<FaceLocation>> FaceCache::find(const FaceRequest& request) {
    if (!loaded_) load();
    if (!valid_) return std::nullopt;
    const auto it = faces_.find(request);
    if (it == faces_.end()) return std::nullopt;
    return it->second;
}

void FaceCache::store(const FaceRequest& request, const std::optional<FaceLocation>& location,
                      const std::vector<std::string>& dependencies) {
    if (!loaded_) load();
    faces_[request] = location;
    valid_ = true;
    if (path_.empty()) return;
    std::set<std::string> paths(dependencies.begin(), dependencies.end());
    std::string text = std::string(kHeader) + "\n";
    for (const char* name : kEnvironment) text += environmentLine(name) + "\n";
    std::string faceLines;
    for (const auto& [key, found] : faces_) {
        const auto& [family, weight, italic] = key;
        if (!writable(family) || (found && !writable(found->file))) return;
        faceLines += "face " + std::to_string(weight) + " " + (italic ? "1" : "0") + " " +
                     std::to_string(found ? found->index : -1) + " " + family + "\t" + (found ? found->file : "") +
                     "\n";
        if (found) paths.insert(found->file);
    }
    for (const std::string& dependency : paths) {
        if (!writable(dependency)) return;
        const PathStamp stamp = stampOf(dependency);
        text += "path " + std::to_string(stamp.exists ? 1 : 0) + " " + std::to_string(stamp.modified) + " " +
                std::to_string(stamp.size) + " " + dependency + "\n";
    }
    text += faceLines;
    std::error_code ignored;
    fs::create_directories(path_.parent_path(), ignored);
    std::string error;
    // A cache that cannot be written is only slower the next time.
    replaceFileContents(path_.string(), text, error, Durability::Renamed);
}

}  // namespace skirlo
