#include "editor/StartPage.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace skirlo {

namespace {

constexpr int kPathRole = Qt::UserRole;

void addFile(QListWidget& list, const QString& path) {
    auto* item = new QListWidgetItem(QFileInfo(path).completeBaseName(), &list);
    item->setData(kPathRole, path);
    item->setToolTip(path);
}

}  // namespace

StartPage::StartPage(const QString& examplesFolder, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("startPage"));
    auto* title = new QLabel(tr("<h2>Skirlo</h2><p>Open a tune to see, hear and print it, or start a new one.</p>"));
    auto* newButton = new QPushButton(tr("&New Tune"));
    auto* openButton = new QPushButton(tr("&Open..."));
    newButton->setObjectName(QStringLiteral("startNew"));
    openButton->setObjectName(QStringLiteral("startOpen"));
    connect(newButton, &QPushButton::clicked, this, &StartPage::newRequested);
    connect(openButton, &QPushButton::clicked, this, &StartPage::openRequested);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newButton);
    buttons->addWidget(openButton);
    buttons->addStretch(1);

    auto* lists = new QHBoxLayout;
    recent_ = addList(tr("Recent tunes"), this);
    examples_ = addList(tr("Example tunes"), this);
    lists->addWidget(recent_->parentWidget());
    lists->addWidget(examples_->parentWidget());

    auto* column = new QVBoxLayout;
    column->addWidget(title);
    column->addLayout(buttons);
    column->addLayout(lists, 1);
    auto* centred = new QHBoxLayout(this);
    centred->addStretch(1);
    centred->addLayout(column, 3);
    centred->addStretch(1);

    const QDir folder(examplesFolder);
    for (const QString& name : folder.entryList({QStringLiteral("*.tnz")}, QDir::Files, QDir::Name)) {
        addFile(*examples_, folder.filePath(name));
    }
}

QListWidget* StartPage::addList(const QString& heading, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 12, 0, 0);
    auto* label = new QLabel(QStringLiteral("<b>%1</b>").arg(heading.toHtmlEscaped()), box);
    auto* list = new QListWidget(box);
    label->setBuddy(list);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    // One click opens, as the links of a start page do, and so does Enter.
    connect(list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit fileChosen(item->data(kPathRole).toString()); });
    for (const QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(key, list, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this, list] {
            if (QListWidgetItem* item = list->currentItem()) emit fileChosen(item->data(kPathRole).toString());
        });
    }
    return list;
}

void StartPage::showRecentFiles(const std::vector<std::string>& paths) {
    recent_->clear();
    for (const std::string& path : paths) addFile(*recent_, QString::fromStdString(path));
}

}  // namespace skirlo
