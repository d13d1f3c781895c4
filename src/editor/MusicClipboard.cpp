#include "editor/MusicClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>

#include <string>

#include "document/TuneDocument.h"
#include "editor/ScriptTextCodec.h"
#include "export/MusicImage.h"
#include "export/VectorPicture.h"

namespace skirlo {

namespace {

// The same picture as the PNG and as the SVG export: the music with the picture margin all round.
// Empty when the picture could not be kept while it was drawn.
QByteArray svgBytes(const TuneDocument& document, const MusicRenderer& renderer) {
    const std::optional<std::string> svg = svgPicture(document.tunes(), document.music().extent, renderer);
    return svg ? QByteArray(svg->data(), static_cast<qsizetype>(svg->size())) : QByteArray();
}

QByteArray pngBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!encodePng(picture, buffer)) return {};
    return bytes;
}

}  // namespace

std::unique_ptr<QMimeData> musicMimeData(const TuneDocument& document, const MusicRenderer& renderer) {
    auto data = std::make_unique<QMimeData>();
    const std::string& text = document.script().text();
    data->setData(kTuneMimeType, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    data->setText(scriptBytesToEditorText(text));
    if (!document.hasTunes() || !imageSizeProblem(pictureSize(document.tunes(), document.music().extent)).empty()) {
        return data;
    }
    if (const QByteArray svg = svgBytes(document, renderer); !svg.isEmpty()) data->setData(kSvgMimeType, svg);
    const QImage picture = renderPicture(document.tunes(), document.music().extent, renderer);
    if (picture.isNull()) return data;
    // The encoded PNG for programs that ask for it by name; the image itself
    // so that Qt offers it in the other picture types too.
    data->setData(kPngMimeType, pngBytes(picture));
    data->setImageData(picture);
    return data;
}

void copyMusicToClipboard(const TuneDocument& document, const MusicRenderer& renderer) {
    QGuiApplication::clipboard()->setMimeData(musicMimeData(document, renderer).release());
}

}  // namespace skirlo
