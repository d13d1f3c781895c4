#include "editor/PanIndicator.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>

#include <cstdlib>

namespace skirlo {

namespace {

constexpr int kStillZone = 5;

// A filled triangle pointing away from `centre` at `angle` degrees (0: right).
void arrow(QPainter& painter, QPointF centre, qreal distance, qreal angle) {
    painter.save();
    painter.translate(centre);
    painter.rotate(angle);
    QPainterPath head;
    head.moveTo(distance + 4, 0);
    head.lineTo(distance - 2, -5);
    head.lineTo(distance - 2, 5);
    head.closeSubpath();
    painter.drawPath(head);
    painter.restore();
}

}  // namespace

PanIndicator::PanIndicator(bool horizontal, bool vertical, QWidget* parent)
    : QWidget(parent), horizontal_(horizontal), vertical_(vertical) {
    setFixedSize(kSize, kSize);
    setMask(QRegion(2, 2, kSize - 4, kSize - 4, QRegion::Ellipse));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

PanIndicator::Direction PanIndicator::directionOf(QPoint offset) {
    if (std::abs(offset.x()) < kStillZone && std::abs(offset.y()) < kStillZone) return Direction::Still;
    if (std::abs(offset.x()) >= std::abs(offset.y())) return offset.x() > 0 ? Direction::Right : Direction::Left;
    return offset.y() > 0 ? Direction::Down : Direction::Up;
}

QCursor PanIndicator::cursorFor(Direction direction) {
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Qt::black);
    const QPointF centre(12, 12);
    painter.drawEllipse(centre, 3, 3);
    switch (direction) {
        case Direction::Still:
            for (qreal angle : {0, 90, 180, 270}) arrow(painter, centre, 6, angle);
            break;
        case Direction::Right: arrow(painter, centre, 6, 0); break;
        case Direction::Down: arrow(painter, centre, 6, 90); break;
        case Direction::Left: arrow(painter, centre, 6, 180); break;
        case Direction::Up: arrow(painter, centre, 6, 270); break;
    }
    return QCursor(picture, 12, 12);
}

void PanIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawEllipse(QRectF(2.5, 2.5, kSize - 5, kSize - 5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::WindowText));
    const QPointF centre(kSize / 2.0, kSize / 2.0);
    painter.drawEllipse(centre, 2, 2);
    if (horizontal_) {
        arrow(painter, centre, 6, 0);
        arrow(painter, centre, 6, 180);
    }
    if (vertical_) {
        arrow(painter, centre, 6, 90);
        arrow(painter, centre, 6, 270);
    }
}

}  // namespace skirlo
