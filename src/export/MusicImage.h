#pragma once
// The laid-out music drawn as a picture: a 1-bit bitmap of its music extent
// for the PCX and BMP writers, an anti-aliased PNG, an SVG or a PDF page with
// a margin round it.
// Needs a QGuiApplication (the fonts are Qt's).

#include <QIODevice>
#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "common/Measuring.h"
#include "export/MonoBitmap.h"
#include "notation/TuneTree.h"
#include "view/MusicRenderer.h"

namespace skirlo {

// No picture is made larger than this on either side, nor of more pixels
// in all, so that a huge zoom cannot exhaust the memory.
inline constexpr int kMaxImageSide = 30000;
inline constexpr long long kMaxImagePixels = 300'000'000;

// Empty when a picture of this size may be made, else why not.
std::string imageSizeProblem(Extent extent);

// The music in black on white, drawn without anti-aliasing and then each
// pixel set black when it is darker than mid-grey. Drawn in bands, so that
// only one band of colour pixels is held besides the bitmap.
MonoBitmap renderMonoBitmap(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                            const MusicRenderer& renderer);

// PNG, SVG and PDF pictures are the music with a white margin all round
// (two staff spaces), so that nothing touches the picture's edge; this is
// their size for music of `extent`. PCX and BMP keep the bare extent.
Extent pictureSize(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent);

// The music anti-aliased on white; in shades of grey unless something is
// drawn in colour (a marked symbol, a coloured text), which keeps PNGs small
// and quick to write.
QImage renderPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer);
// PNG at a fast compression level; false when the device refuses it.
bool encodePng(const QImage& picture, QIODevice& device);

// Each draws the picture into `device`, which the caller writes out whole:
// a failed write then never leaves part of a picture in place. Only the PNG
// can fail here, with `error` set.
bool drawPng(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device, std::string& error);
void drawSvg(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device);
void drawPdf(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device);

// The titles of the tunes (UTF-8), as SVG and PDF pictures name themselves.
std::string musicTitle(const std::vector<std::unique_ptr<Tune>>& tunes);

}  // namespace skirlo
