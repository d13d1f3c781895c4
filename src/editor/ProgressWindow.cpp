#include "editor/ProgressWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "tunefile/Profile.h"

namespace skirlo {

namespace {

constexpr int kWidth = 390;
constexpr int kHeight = 130;
constexpr int kMessageLines = 4;
constexpr int kUnset = -1;

QString fromBytes(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace

ProgressWindow::ProgressWindow(Profile& profile, QWidget* owner)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      profile_(profile),
      owner_(owner ? owner->window() : nullptr),
      message_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
    setWindowModality(Qt::ApplicationModal);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message_->setMinimumHeight(fontMetrics().height() * kMessageLines);
    bar_->setTextVisible(false);
    QPalette blue = bar_->palette();
    blue.setColor(QPalette::Highlight, QColor(0, 0, 255));
    bar_->setPalette(blue);
    auto* cancel = new QPushButton(tr(" Cancel "), this);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &ProgressWindow::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(bar_);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    resize(kWidth, kHeight);
}

void ProgressWindow::begin(std::string_view title, std::string_view message, int lower, int upper) {
    title_ = std::string(title);
    cancelled_ = false;
    counter_.setRange(lower, upper);
    counter_.setPosition(lower);
    bar_->setRange(lower, upper);
    bar_->setValue(lower);
    message_->setText(fromBytes(message));
    showCaption();
    place();
    show();
    QCoreApplication::processEvents();
}

void ProgressWindow::step() {
    if (counter_.stepIt()) showCaption();
    bar_->setValue(counter_.position());
    QCoreApplication::processEvents();
}

void ProgressWindow::end() {
    profile_.writeInt("Settings", "X", pos().x());
    profile_.writeInt("Settings", "Y", pos().y());
    hide();
}

void ProgressWindow::reject() {
    cancelled_ = true;
    hide();
    if (owner_) owner_->activateWindow();
}

bool ProgressWindow::onScreen(QPoint topLeft) {
    return topLeft.x() >= 0 && topLeft.y() >= 0 && QGuiApplication::screenAt(topLeft) != nullptr;
}

void ProgressWindow::place() {
    const QPoint saved(profile_.getInt("Settings", "X", kUnset), profile_.getInt("Settings", "Y", kUnset));
    if (onScreen(saved)) {
        move(saved);
        return;
    }
    QRect area = owner_ ? owner_->frameGeometry() : QRect();
    if (area.isEmpty() && QGuiApplication::primaryScreen()) area = QGuiApplication::primaryScreen()->geometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

void ProgressWindow::showCaption() { setWindowTitle(QString::fromStdString(counter_.caption(title_))); }

}  // namespace skirlo
