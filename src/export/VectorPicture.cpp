#include "export/VectorPicture.h"

#include <algorithm>

#include "export/PdfSurface.h"
#include "export/PictureFrame.h"
#include "export/SvgSurface.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

// A text record may hold any byte; XML allows no control character but
// tab, line feed and carriage return, not even escaped.
void removeXmlControlCharacters(std::string& xml) {
    std::erase_if(xml, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\r';
    });
}

}  // namespace

std::string svgPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer) {
    const Extent size = pictureSize(tunes, extent);
    const int margin = pictureMargin(tunes);
    SvgSurface surface({margin, margin});
    renderer.draw(tunes, surface);
    std::string svg = surface.document(size.width, size.height, musicTitle(tunes));
    removeXmlControlCharacters(svg);
    return svg;
}

std::string pdfPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer) {
    const Extent size = pictureSize(tunes, extent);
    const int margin = pictureMargin(tunes);
    PdfSurface surface({margin, margin});
    renderer.draw(tunes, surface);
    return surface.document(size.width, size.height, musicTitle(tunes));
}

WriteOutcome writeVectorPicture(const LaidOutMusic& music, const MusicRenderer& renderer, ImageFileFormat format,
                                const std::string& path, std::string& error) {
    const std::string bytes = format == ImageFileFormat::Svg ? svgPicture(music.tunes, music.extent, renderer)
                                                             : pdfPicture(music.tunes, music.extent, renderer);
    return replaceFileContents(path, bytes, error, Durability::Renamed) ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace skirlo
