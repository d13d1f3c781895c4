#include "export/PictureFrame.h"

#include <algorithm>

#include "common/Windows1252.h"

namespace skirlo {

namespace {

constexpr int kStaffSpacesOfMargin = 2;
constexpr int kMinPictureMargin = 8;  // pixels

}  // namespace

int pictureMargin(const std::vector<std::unique_ptr<Tune>>& tunes) {
    for (const auto& tune : tunes) {
        for (const auto& part : tune->parts) {
            for (const auto& staff : part->staves) {
                const int space = staff->lineY[1] - staff->lineY[0];
                if (space > 0) return std::max(kStaffSpacesOfMargin * space, kMinPictureMargin);
            }
        }
    }
    return kMinPictureMargin;
}

std::string imageSizeProblem(Extent extent) {
    const long long pixels = static_cast<long long>(extent.width) * extent.height;
    if (extent.width >= 1 && extent.height >= 1 && extent.width <= kMaxImageSide && extent.height <= kMaxImageSide &&
        pixels <= kMaxImagePixels) {
        return {};
    }
    return "the picture would be " + std::to_string(extent.width) + " x " + std::to_string(extent.height) +
           " pixels; at most " + std::to_string(kMaxImageSide) + " pixels a side and " +
           std::to_string(kMaxImagePixels) + " pixels in all can be made: choose a smaller zoom";
}

Extent pictureSize(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent) {
    const int margin = pictureMargin(tunes);
    return {extent.width + 2 * margin, extent.height + 2 * margin};
}

std::string musicTitle(const std::vector<std::unique_ptr<Tune>>& tunes) {
    std::string title;
    for (const auto& tune : tunes) {
        for (const auto& text : tune->header.texts) {
            if (text->kind != 'T') continue;
            if (!title.empty()) title += "; ";
            title += tuneTextToUtf8(text->text);
            break;
        }
    }
    return title;
}

}  // namespace skirlo
