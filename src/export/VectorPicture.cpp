#include "export/VectorPicture.h"

#include "export/PdfSurface.h"
#include "export/PictureFrame.h"
#include "export/SvgSurface.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

// The picture drawn on an SVG surface, with its size and title.
struct SvgDrawing {
    SvgSurface surface;
    Extent size;
    std::string title;
};

SvgDrawing drawSvg(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer) {
    const int margin = pictureMargin(tunes);
    SvgDrawing drawing{SvgSurface({margin, margin}), pictureSize(tunes, extent), musicTitle(tunes)};
    renderer.draw(tunes, drawing.surface);
    return drawing;
}

// Written to the file as it is put together: the SVG of a large file is the
// largest thing the command makes.
WriteOutcome writeSvgPicture(const LaidOutMusic& music, const MusicRenderer& renderer, const std::string& path,
                             std::string& error) {
    SvgDrawing drawing = drawSvg(music.tunes, music.extent, renderer);
    ReplacementFile file(path, Durability::Renamed);
    if (!file.open(error)) return WriteOutcome::Failed;
    drawing.surface.writeDocument(drawing.size.width, drawing.size.height, drawing.title,
                                  [&file](std::string_view piece) { return file.write(piece.data(), piece.size()); });
    return file.commit(error) ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace

std::string svgPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer) {
    SvgDrawing drawing = drawSvg(tunes, extent, renderer);
    return drawing.surface.document(drawing.size.width, drawing.size.height, drawing.title);
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
    if (format == ImageFileFormat::Svg) return writeSvgPicture(music, renderer, path, error);
    const std::string bytes = pdfPicture(music.tunes, music.extent, renderer);
    return replaceFileContents(path, bytes, error, Durability::Renamed) ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace skirlo
