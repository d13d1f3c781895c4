#pragma once
// The frame of a picture of the music: the margin round it, its size, its
// title, and the limits on pictures made of pixels.

#include <memory>
#include <string>
#include <vector>

#include "common/Measuring.h"
#include "notation/TuneTree.h"

namespace skirlo {

// No picture is made larger than this on either side, nor of more pixels
// in all, so that a huge zoom cannot exhaust the memory.
inline constexpr int kMaxImageSide = 30000;
inline constexpr long long kMaxImagePixels = 300'000'000;

// Empty when a picture of this size may be made, else why not.
std::string imageSizeProblem(Extent extent);

// PNG, SVG and PDF pictures are the music with a white margin all round
// (two staff spaces of the first staff, so that it grows with the zoom like
// the music does), so that nothing touches the picture's edge. PCX and BMP
// keep the bare extent.
int pictureMargin(const std::vector<std::unique_ptr<Tune>>& tunes);
Extent pictureSize(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent);

// The titles of the tunes (UTF-8), as SVG and PDF pictures name themselves.
std::string musicTitle(const std::vector<std::unique_ptr<Tune>>& tunes);

}  // namespace skirlo
