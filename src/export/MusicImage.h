#pragma once
// The laid-out music drawn as pixels: a 1-bit bitmap of its music extent for
// the PCX and BMP writers, or an anti-aliased PNG with a margin round it.
// SVG and PDF are drawn by export/VectorPicture.h.
// Needs a QGuiApplication (the fonts are Qt's).

#include <QIODevice>
#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "common/Measuring.h"
#include "engraving/MusicRenderer.h"
#include "export/MonoBitmap.h"
#include "export/PictureFrame.h"
#include "notation/TuneTree.h"

namespace skirlo {

// The music in black on white, drawn without anti-aliasing and then each
// pixel set black when it is darker than mid-grey. Drawn in bands, so that
// only one band of colour pixels is held besides the bitmap.
MonoBitmap renderMonoBitmap(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent,
                            const MusicRenderer& renderer);

// The music anti-aliased on white; in shades of grey unless something is
// drawn in colour (a marked symbol, a coloured text), which keeps PNGs small
// and quick to write.
QImage renderPicture(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer);
// PNG at a fast compression level; false when the device refuses it.
bool encodePng(const QImage& picture, QIODevice& device);

// Draws the PNG into `device`, which the caller writes out whole: a failed
// write then never leaves part of a picture in place. False with `error`
// set when the picture cannot be made.
bool drawPng(const std::vector<std::unique_ptr<Tune>>& tunes, Extent extent, const MusicRenderer& renderer,
             QIODevice& device, std::string& error);

}  // namespace skirlo
