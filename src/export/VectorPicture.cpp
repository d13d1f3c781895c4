#include "export/VectorPicture.h"

#include "export/PdfSurface.h"
#include "export/PictureFrame.h"
#include "export/SvgSurface.h"
#include "tunefile/FileReplace.h"

namespace skirlo {

namespace {

// What a picture whose body could not be set aside while it was drawn says.
std::string unkeptPicture(const std::string& path) {
    return "Unable to write to " + path + ": the temporary folder has no room for the picture.";
}

// The picture drawn on a surface of our own writers, with its size and title.
template <typename PictureSurface>
struct Drawing {
    PictureSurface surface;
    Extent size;
    std::string title;
};

template <typename PictureSurface>
Drawing<PictureSurface> draw(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                             const MusicRenderer& renderer) {
    const int margin = pictureMargin(tunes);
    Drawing<PictureSurface> drawing{PictureSurface({margin, margin}), pictureSize(tunes, extent), musicTitle(tunes)};
    renderer.draw(tunes, drawing.surface);
    return drawing;
}

// Written to the file as it is put together: the picture of a large file is
// the largest thing the command makes.
template <typename PictureSurface>
WriteOutcome writePicture(const LaidOutMusic& music, const MusicRenderer& renderer, const std::string& path,
                          std::string& error) {
    Drawing<PictureSurface> drawing = draw<PictureSurface>(music.tunes, music.extent, renderer);
    ReplacementFile file(path, Durability::Renamed);
    if (!file.open(error)) return WriteOutcome::Failed;
    const auto write = [&file](std::string_view piece) { return file.write(piece.data(), piece.size()); };
    const bool whole = drawing.surface.writeDocument(drawing.size.width, drawing.size.height, drawing.title, write);
    if (!whole && !file.failed()) {
        error = unkeptPicture(path);
        return WriteOutcome::Failed;
    }
    // A failed write makes the commit fail, with its reason.
    return file.commit(error) ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace

std::optional<std::string> svgPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                                      const MusicRenderer& renderer) {
    Drawing<SvgSurface> drawing = draw<SvgSurface>(tunes, extent, renderer);
    return drawing.surface.document(drawing.size.width, drawing.size.height, drawing.title);
}

std::optional<std::string> pdfPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                                      const MusicRenderer& renderer) {
    Drawing<PdfSurface> drawing = draw<PdfSurface>(tunes, extent, renderer);
    return drawing.surface.document(drawing.size.width, drawing.size.height, drawing.title);
}

WriteOutcome writeVectorPicture(const LaidOutMusic& music, const MusicRenderer& renderer, ImageFileFormat format,
                                const std::string& path, std::string& error) {
    return format == ImageFileFormat::Svg ? writePicture<SvgSurface>(music, renderer, path, error)
                                          : writePicture<PdfSurface>(music, renderer, path, error);
}

}  // namespace skirlo
