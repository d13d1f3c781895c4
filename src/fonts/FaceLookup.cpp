#include "fonts/FaceLookup.h"

#include <cstdlib>

namespace skirlo {

namespace fs = std::filesystem;

namespace {

void addAll(FcStrList* list, std::vector<std::string>& to, bool withFolder) {
    if (list == nullptr) return;
    while (const FcChar8* item = FcStrListNext(list)) {
        const std::string path = reinterpret_cast<const char*>(item);
        to.push_back(path);
        if (withFolder) to.push_back(fs::path(path).parent_path().string());
    }
    FcStrListDone(list);
}

// Where a user's own configuration would be, whether or not it is there
// yet: one that appears later must be noticed too.
std::vector<std::string> userConfiguration() {
    const char* home = std::getenv("HOME");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::vector<std::string> paths;
    fs::path xdg = configHome != nullptr && *configHome == '/' ? fs::path(configHome) : fs::path();
    if (home != nullptr && *home == '/') {
        if (xdg.empty()) xdg = fs::path(home) / ".config";
        paths.push_back((fs::path(home) / ".fonts.conf").string());
        paths.push_back((fs::path(home) / ".fonts.conf.d").string());
    }
    if (!xdg.empty()) {
        paths.push_back((xdg / "fontconfig" / "fonts.conf").string());
        paths.push_back((xdg / "fontconfig" / "conf.d").string());
    }
    return paths;
}

}  // namespace

FaceLookup::FaceLookup(fs::path cachePath) : cache_(std::move(cachePath)) {}

FaceLookup::~FaceLookup() {
    if (config_) FcConfigDestroy(config_);
}

FcConfig* FaceLookup::config() {
    // Loaded on the first text face the cache cannot answer for.
    if (!config_) config_ = FcInitLoadConfigAndFonts();
    return config_;
}

std::optional<FaceLocation> FaceLookup::find(const std::string& family, int weight, bool italic) {
    const FaceRequest request{family, weight, italic};
    if (const auto remembered = cache_.find(request)) return *remembered;
    const std::optional<FaceLocation> location = match(family, weight, italic);
    if (config_) cache_.store(request, location, dependencies());
    return location;
}

std::vector<std::string> FaceLookup::dependencies() {
    std::vector<std::string> paths = userConfiguration();
    addAll(FcConfigGetConfigFiles(config_), paths, true);
    addAll(FcConfigGetConfigDirs(config_), paths, false);
    addAll(FcConfigGetFontDirs(config_), paths, false);
    return paths;
}

std::optional<FaceLocation> FaceLookup::match(const std::string& family, int weight, bool italic) {
    FcConfig* fc = config();    if (!fc) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(fc, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* best = FcFontMatch(fc, pattern, &result);
    FcPatternDestroy(pattern);
    std::optional<FaceLocation> location;
    FcChar8* file = nullptr;
    if (best && FcPatternGetString(best, FC_FILE, 0, &file) == FcResultMatch && file) {
        int index = 0;
        FcPatternGetInteger(best, FC_INDEX, 0, &index);
        location = FaceLocation{reinterpret_cast<const char*>(file), index};
    }
    if (best) FcPatternDestroy(best);
    return location;
}

}  // namespace skirlo
