#pragma once
// SVG and PDF pictures of laid-out music, made by our own writers without
// Qt, so that the command line makes them without loading it. The desktop
// program's export, clipboard and the command line all go through these.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engraving/MusicRenderer.h"
#include "export/ImageWriters.h"
#include "notation/LaidOutMusic.h"

namespace skirlo {

// Nullopt when the picture could not be kept while it was drawn.
std::optional<std::string> svgPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                                      const MusicRenderer& renderer);
std::optional<std::string> pdfPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                                      const MusicRenderer& renderer);

// The picture in `format` (SVG or PDF) put in place at `path` whole, or
// nothing there and `error` set.
WriteOutcome writeVectorPicture(const LaidOutMusic& music, const MusicRenderer& renderer, ImageFileFormat format,
                                const std::string& path, std::string& error);

}  // namespace skirlo
