#pragma once
// The text faces fontconfig found, remembered between runs. Reading
// fontconfig's configuration costs more than drawing a tune, so a command
// that draws one tune would spend most of its time there. The cache holds
// each answer together with what the answer depends on: the configuration
// files and their folders, the font folders, the face files and the
// environment that steers fontconfig. It is used only while every one of
// them is as it was when the answers were found; otherwise fontconfig is
// asked again and the cache written anew. A cache that cannot be read, or
// reads oddly, is not used.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace skirlo {

struct FaceLocation {
    std::string file;
    int index = 0;
};

// A request: family (UTF-8), weight on the 1..1000 scale, italic.
using FaceRequest = std::tuple<std::string, int, bool>;

// A path and its state when the answers were found: modification time and
// size, or missing.
struct PathStamp {
    std::string path;
    bool exists = false;
    long long modified = 0;  // nanoseconds
    long long size = 0;
};

PathStamp stampOf(const std::string& path);

class FaceCache {
public:
    // The cache file under $XDG_CACHE_HOME/skirlo (else ~/.cache/skirlo);
    // empty when neither is set.
    static std::filesystem::path defaultPath();

    explicit FaceCache(std::filesystem::path path);

    // The remembered answer, if the cache is still true.
    std::optional<std::optional<FaceLocation>> find(const FaceRequest& request);
    // Remembers an answer and writes the cache, with the paths it depends on
    // as they are now (the face files among them are added here).
    void store(const FaceRequest& request, const std::optional<FaceLocation>& location,
               const std::vector<std::string>& dependencies);

private:
    void load();

    std::filesystem::path path_;
    bool loaded_ = false;
    bool valid_ = false;
    std::map<FaceRequest, std::optional<FaceLocation>> faces_;
};

}  // namespace skirlo
