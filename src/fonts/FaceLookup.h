#pragma once
// Finds the font file of a text face through fontconfig, asking as the
// desktop program's font database does: family, weight and slant, with the
// configuration's substitutions (so "Times New Roman" finds its
// metric-compatible stand-in) and defaults.

#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fonts/FaceCache.h"

namespace skirlo {

class FaceLookup {
public:
    // Answers are remembered in the cache file at `cachePath` (none when
    // empty) and taken from it while it is still true.
    explicit FaceLookup(std::filesystem::path cachePath = FaceCache::defaultPath());
    ~FaceLookup();
    FaceLookup(const FaceLookup&) = delete;
    FaceLookup& operator=(const FaceLookup&) = delete;

    // The best face for a family (UTF-8; empty: the default face), weight
    // on the 1..1000 scale and slant; nullopt when fontconfig has no fonts.
    std::optional<FaceLocation> find(const std::string& family, int weight, bool italic);

    // Whether fontconfig's configuration had to be read.
    bool readConfiguration() const { return config_ != nullptr; }

private:
    FcConfig* config();
    std::optional<FaceLocation> match(const std::string& family, int weight, bool italic);
    // The files and folders whose change may change fontconfig's answers.
    std::vector<std::string> dependencies();

    FcConfig* config_ = nullptr;
    FaceCache cache_;
};

}  // namespace skirlo
