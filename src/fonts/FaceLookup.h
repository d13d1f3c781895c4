#pragma once
// Finds the font file of a text face through fontconfig, asking as the
// desktop program's font database does: family, weight and slant, with the
// configuration's substitutions (so "Times New Roman" finds its
// metric-compatible stand-in) and defaults.

#include <fontconfig/fontconfig.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace skirlo {

struct FaceLocation {
    std::string file;
    int index = 0;
};

class FaceLookup {
public:
    FaceLookup() = default;
    ~FaceLookup();
    FaceLookup(const FaceLookup&) = delete;
    FaceLookup& operator=(const FaceLookup&) = delete;

    // The best face for a family (UTF-8; empty: the default face), weight
    // on the 1..1000 scale and slant; nullopt when fontconfig has no fonts.
    std::optional<FaceLocation> find(const std::string& family, int weight, bool italic);

private:
    FcConfig* config();

    FcConfig* config_ = nullptr;
    std::map<std::tuple<std::string, int, bool>, std::optional<FaceLocation>> found_;
};

}  // namespace skirlo
