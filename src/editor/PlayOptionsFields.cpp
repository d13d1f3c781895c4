#include "editor/PlayOptionsFields.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "common/MessageSink.h"

namespace skirlo {

namespace {

constexpr int kBoxWidth = 56;

QToolButton* makeArrow(Qt::ArrowType direction, QWidget* parent) {
    auto* arrow = new QToolButton(parent);
    arrow->setArrowType(direction);
    arrow->setAutoRepeat(true);
    arrow->setFixedSize(16, 11);
    arrow->setFocusPolicy(Qt::NoFocus);
    return arrow;
}

}  // namespace

std::optional<int> readIntegerBox(QLineEdit& box, int low, int high, MessageSink& messages) {
    bool isNumber = false;
    const int value = box.text().trimmed().toInt(&isNumber);
    if (isNumber && value >= low && value <= high) return value;
    messages.show(QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high).toStdString(),
                  kApplicationTitle, MessageButtons::Ok);
    box.setFocus(Qt::OtherFocusReason);
    box.selectAll();
    return std::nullopt;
}

QLineEdit* makeIntegerBox(int controlId, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::number(controlId));
    box->setFixedWidth(kBoxWidth);
    return box;
}

SpinEdit::SpinEdit(int boxId, int spinId, int low, int high, QWidget* parent)
    : QWidget(parent), low_(low), high_(high) {
    box_ = makeIntegerBox(boxId, this);
    auto* arrows = new QWidget(this);
    arrows->setObjectName(QString::number(spinId));
    auto* up = makeArrow(Qt::UpArrow, arrows);
    auto* down = makeArrow(Qt::DownArrow, arrows);
    auto* arrowColumn = new QVBoxLayout(arrows);
    arrowColumn->setContentsMargins(0, 0, 0, 0);
    arrowColumn->setSpacing(0);
    arrowColumn->addWidget(up);
    arrowColumn->addWidget(down);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(box_);
    row->addWidget(arrows);
    connect(up, &QToolButton::clicked, this, [this] { step(1); });
    connect(down, &QToolButton::clicked, this, [this] { step(-1); });
}

void SpinEdit::setValue(int value) { box_->setText(QString::number(value)); }

// From a value outside the arrows' range the first step lands on its nearer end.
void SpinEdit::step(int by) {
    bool isNumber = false;
    const int value = box_->text().trimmed().toInt(&isNumber);
    setValue(std::clamp(isNumber ? value + by : low_, low_, high_));
}

}  // namespace skirlo
