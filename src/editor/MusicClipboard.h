#pragma once
// The music of a tune document as other programs take it from the clipboard
// or a drag: every tune drawn as SVG and as PNG at the music pane's zoom (the
// document's tree is laid out at that zoom), and the tune text both under
// its own type, byte for byte, and as plain text.

#include <QMimeData>

#include <memory>

namespace skirlo {

class MusicRenderer;
class TuneDocument;

// The tune file's bytes, for programs that know them (and for pasting back).
inline constexpr const char* kTuneMimeType = "text/x-skirlo-tune";
inline constexpr const char* kSvgMimeType = "image/svg+xml";
inline constexpr const char* kPngMimeType = "image/png";

// Empty of pictures when the music is too large to draw; the text is always there.
std::unique_ptr<QMimeData> musicMimeData(const TuneDocument& document, const MusicRenderer& renderer);

// Puts the music on the system clipboard.
void copyMusicToClipboard(const TuneDocument& document, const MusicRenderer& renderer);

}  // namespace skirlo
