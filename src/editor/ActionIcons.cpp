#include "editor/ActionIcons.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

namespace skirlo {

namespace {

// The outline colour of our drawings, made for a light window.
constexpr QLatin1StringView kOutline("#2e3436");
constexpr int kSizes[] = {16, 22, 24, 32, 48};

bool darkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

// Our drawing with its outline in the palette's text colour, so that it
// stays visible on a dark window.
QIcon outlinedIn(const QString& file, const QColor& outline) {
    QFile svg(file);
    if (!svg.open(QIODevice::ReadOnly)) return QIcon(file);
    QByteArray drawing = svg.readAll();
    drawing.replace(QByteArray(kOutline.data(), kOutline.size()), outline.name().toLatin1());
    QSvgRenderer renderer(drawing);
    QIcon icon;
    for (int size : kSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon actionIcon(const char* name, const std::filesystem::path& resourceDir) {
    const QString bundled =
        QString::fromStdString((resourceDir / "icons" / "actions" / (std::string(name) + ".svg")).string());
    const QPalette palette = QGuiApplication::palette();
    const QIcon ours = darkPalette(palette) ? outlinedIn(bundled, palette.color(QPalette::WindowText)) : QIcon(bundled);
    return QIcon::fromTheme(QString::fromLatin1(name), ours);
}

}  // namespace skirlo
