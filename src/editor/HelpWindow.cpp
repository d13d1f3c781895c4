#include "editor/HelpWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace skirlo {

namespace {

QToolButton* toolButton(QStyle::StandardPixmap icon, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

HelpWindow::HelpWindow(const QString& guidePath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      browser_(new QTextBrowser(this)),
      search_(new QLineEdit(this)),
      found_(new QLabel(this)) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(tr("Skirlo Help"));
    QToolButton* back = toolButton(QStyle::SP_ArrowBack, tr("Back"), this);
    QToolButton* forward = toolButton(QStyle::SP_ArrowForward, tr("Forward"), this);
    QToolButton* home = toolButton(QStyle::SP_DirHomeIcon, tr("Contents"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    search_->setPlaceholderText(tr("Search the guide"));
    search_->setClearButtonEnabled(true);

    auto* bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addWidget(home);
    bar->addStretch(1);
    bar->addWidget(found_);
    bar->addWidget(search_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);

    // Pages of the guide open here; addresses outside it go to the desktop's browser.
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl::fromLocalFile(guidePath));
    connect(back, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(search_, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    connect(search_, &QLineEdit::textChanged, found_, &QLabel::clear);
    new QShortcut(QKeySequence::Find, this, [this] { search_->setFocus(Qt::ShortcutFocusReason); });
    new QShortcut(QKeySequence::FindNext, this, this, &HelpWindow::findNext);
    resize(760, 640);
}

bool HelpWindow::findNext() {
    const QString word = search_->text();
    found_->clear();
    if (word.isEmpty()) return false;
    if (browser_->find(word)) return true;
    // From the top again: the next place may be above the selection.
    QTextCursor top = browser_->textCursor();
    top.movePosition(QTextCursor::Start);
    browser_->setTextCursor(top);
    if (browser_->find(word)) return true;
    found_->setText(tr("Not found"));
    return false;
}

}  // namespace skirlo
