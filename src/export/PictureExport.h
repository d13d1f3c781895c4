#pragma once
// Laid-out music written to a picture file, as "Save As &Image.." and
// `skirlo-cli image` write it: the same bytes from both. PCX and BMP are the
// 1-bit files written a scan line at a time with progress and cancel; PNG,
// SVG and PDF are drawn whole.
// Needs a QGuiApplication (the fonts and the screen are Qt's).


#include <string>

#include "export/ImageWriters.h"
#include "notation/LaidOutMusic.h"

namespace skirlo {

class ExportProgress;
class MeasuringContext;
class MessageSink;
class MusicRenderer;

// What a PCX header records: the resolution the music was measured at and
// the size of the primary screen.
PcxDevice screenPcxDevice(const MeasuringContext& measuring);

// Writes `music` to `path` in `format`, replacing the contents of a file
// already there (a link stays a link, the file keeps its permissions). A picture too large to make, or a
// file that cannot be written, fails with `error` set; cancelling shows
// "Saving Cancelled". Either way nothing is left at `path`.
WriteOutcome writeMusicPicture(const LaidOutMusic& music, const MusicRenderer& renderer, ImageFileFormat format,
                               const std::string& path, const PcxDevice& device, ExportProgress& progress,
                               MessageSink& messages, std::string& error);

}  // namespace skirlo
