#include "fonts/FaceLookup.h"

namespace skirlo {

FaceLookup::~FaceLookup() {
    if (config_) FcConfigDestroy(config_);
}

FcConfig* FaceLookup::config() {
    // Loaded on the first text font: a picture of music alone never pays
    // for reading the configuration and font directories.
    if (!config_) config_ = FcInitLoadConfigAndFonts();
    return config_;
}

std::optional<FaceLocation> FaceLookup::find(const std::string& family, int weight, bool italic) {
    const auto key = std::make_tuple(family, weight, italic);
    if (auto it = found_.find(key); it != found_.end()) return it->second;
    FcConfig* fc = config();
    if (!fc) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(fc, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(fc, pattern, &result);
    FcPatternDestroy(pattern);
    std::optional<FaceLocation> location;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        int index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        location = FaceLocation{reinterpret_cast<const char*>(file), index};
    }
    if (match) FcPatternDestroy(match);
    return found_.emplace(key, location).first->second;
}

}  // namespace skirlo
