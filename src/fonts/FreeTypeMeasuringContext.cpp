#include "fonts/FreeTypeMeasuringContext.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "common/Windows1252.h"
#include "fonts/FixedPoint.h"
#include "fonts/FreeTypeMusicFont.h"
#include "fonts/FreeTypeTextFont.h"
#include "fonts/TextShaper.h"

namespace skirlo {

namespace {

int roundToInt(double value) { return static_cast<int>(std::lround(value)); }

// Face names are file names in our fonts folder: letters and digits only.
bool plainFaceName(std::string_view face) {
    return !face.empty() && face.size() < 32 &&
           std::all_of(face.begin(), face.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::string trimmed(std::string_view text) {
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return std::string(text);
}

constexpr int kBoldWeight = 700;
// Faked bold stays readable only on small sizes.
constexpr int kLargestEmboldenedSize = 64;

}  // namespace

std::string requestedFamily(const std::string& faceName) {
    const std::string utf8 = windows1252ToUtf8(faceName);
    std::string family = trimmed(std::string_view(utf8).substr(0, utf8.find(',')));
    if (family.size() >= 2 && (family.front() == '"' || family.front() == '\'') && family.back() == family.front()) {
        family = family.substr(1, family.size() - 2);
    }
    return family;
}

FreeTypeMeasuringContext::FreeTypeMeasuringContext(std::filesystem::path resourceDir, int pixelsPerInchX,
                                                   int pixelsPerInchY, bool printer)
    : resourceDir_(std::move(resourceDir)),
      ppiX_(std::max(pixelsPerInchX, 1)),
      ppiY_(std::max(pixelsPerInchY, 1)),
      printer_(printer) {}

FreeTypeMeasuringContext::~FreeTypeMeasuringContext() = default;

FreeTypeLibrary* FreeTypeMeasuringContext::library() {
    if (!library_) library_ = FreeTypeLibrary::create();
    return library_.get();
}

std::shared_ptr<const FontBytes> FreeTypeMeasuringContext::fileBytes(const std::string& path) {
    if (auto it = files_.find(path); it != files_.end()) return it->second;
    return files_.emplace(path, FontBytes::map(path)).first->second;
}

std::shared_ptr<const FreeTypeFace> FreeTypeMeasuringContext::textFace(const FontDescription& description,
                                                                      int pixelSize) {
    if (!library()) return nullptr;
    const int weight = std::clamp(description.weight, 1, 1000);
    const std::optional<FaceLocation> location =
        lookup_.find(requestedFamily(description.faceName), weight, description.italic != 0);
    if (!location) return nullptr;
    return sharedFace(location->file, location->index, pixelSize);
}

std::shared_ptr<const FreeTypeFace> FreeTypeMeasuringContext::sharedFace(const std::string& file, int index,
                                                                       int pixelSize) {
    const auto key = std::make_tuple(file, index, pixelSize);
    if (const auto it = faces_.find(key); it != faces_.end()) return it->second;
    std::shared_ptr<const FreeTypeFace> face = FreeTypeFace::open(library_, fileBytes(file), index, pixelSize);
    if (face) faces_.emplace(key, face);
    return face;
}

std::unique_ptr<FreeTypeTextFont> FreeTypeMeasuringContext::textFontAt(const FontDescription& description,
                                                                      int pixelSize) {
    pixelSize = std::max(pixelSize, 1);
    std::shared_ptr<const FreeTypeFace> face = textFace(description, pixelSize);
    if (!face) return nullptr;
    const int weight = std::clamp(description.weight, 1, 1000);
    const bool italic = description.italic != 0;
    Synthesis synthesis;
    synthesis.obliquen = italic && !face->isItalic();
    synthesis.embolden = weight >= kBoldWeight && !face->isBold() && !face->isFixedWidth() &&
                         face->weightClass() != 0 && face->weightClass() < kBoldWeight &&
                         pixelSize < kLargestEmboldenedSize;
    TextFace textFace{requestedFamily(description.faceName), pixelSize, weight, italic, description.underline != 0,
                      description.strikeOut != 0};
    std::shared_ptr<const TextShaper>& shaper = shapers_[face.get()];
    if (!shaper) shaper = std::make_shared<const TextShaper>(face);
    return std::make_unique<FreeTypeTextFont>(std::move(face), shaper, std::move(textFace), synthesis);
}

std::unique_ptr<Font> FreeTypeMeasuringContext::createTextFont(const FontDescription& description) {
    // Point sizes are em heights, as a character-height request is.
    return textFontAt(description, roundToInt(description.heightTenthsOfPoint * static_cast<double>(ppiY_) / 720.0));
}

std::unique_ptr<Font> FreeTypeMeasuringContext::createTextFontByCellHeight(const FontDescription& description,
                                                                          int cellHeight) {
    // The cell is a fixed share of the em for a given face: measure it once at
    // a large size, where rounding does not matter, and scale.
    constexpr int kProbe = 1000;
    const std::shared_ptr<const FreeTypeFace> probe = textFace(description, kProbe);
    if (!probe) return nullptr;
    const HeightMetrics& metrics = probe->heightMetrics();
    const double cellPerEm = (fixed::toReal(metrics.ascent) + fixed::toReal(metrics.descent)) / kProbe;
    return textFontAt(description, cellPerEm > 0 ? roundToInt(cellHeight / cellPerEm) : cellHeight);
}

std::unique_ptr<Font> FreeTypeMeasuringContext::createMusicFont(std::string_view faceName, int height, int width) {
    if (height < 1 || !plainFaceName(faceName) || !library()) return nullptr;
    const std::string file = (resourceDir_ / "fonts" / (std::string(faceName) + ".ttf")).string();
    // The fonts' em is their cell (ascent plus descent), so the pixel size
    // is the cell height.
    std::shared_ptr<const FreeTypeFace> face = sharedFace(file, 0, height);
    if (!face) return nullptr;
    const double average = fixed::toReal(face->averageCharWidth());
    const double scale = width > 0 && average > 0 ? width / average : 1.0;
    return std::make_unique<FreeTypeMusicFont>(std::move(face), height, scale);
}

}  // namespace skirlo
