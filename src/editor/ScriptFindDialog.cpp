#include "editor/ScriptFindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace skirlo {

ScriptFindDialog::ScriptFindDialog(Mode mode, QWidget* parent)
    : QDialog(parent), mode_(mode), find_(new QLineEdit(this)), matchCase_(new QCheckBox("Match &case", this)) {
    setWindowTitle(mode == Mode::Find ? "Find" : "Replace");
    auto* grid = new QGridLayout(this);
    auto* findLabel = new QLabel("Fi&nd what:", this);
    findLabel->setBuddy(find_);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(find_, 0, 1);
    if (mode == Mode::Replace) {
        replace_ = new QLineEdit(this);
        auto* replaceLabel = new QLabel("Re&place with:", this);
        replaceLabel->setBuddy(replace_);
        grid->addWidget(replaceLabel, 1, 0);
        grid->addWidget(replace_, 1, 1);
        grid->addWidget(matchCase_, 2, 0, 1, 2);
    } else {
        auto* direction = new QGroupBox("Direction", this);
        auto* directionLayout = new QHBoxLayout(direction);
        up_ = new QRadioButton("&Up", direction);
        down_ = new QRadioButton("&Down", direction);
        down_->setChecked(true);
        directionLayout->addWidget(up_);
        directionLayout->addWidget(down_);
        grid->addWidget(matchCase_, 1, 0);
        grid->addWidget(direction, 1, 1);
    }
    buttonColumn_ = new QVBoxLayout;
    grid->addLayout(buttonColumn_, 0, 2, 3, 1);
    addButton("&Find Next", &ScriptFindDialog::findNextRequested);
    if (mode == Mode::Replace) {
        addButton("&Replace", &ScriptFindDialog::replaceRequested);
        addButton("Replace &All", &ScriptFindDialog::replaceAllRequested);
    }
    auto* cancel = new QPushButton("Cancel", this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttonColumn_->addWidget(cancel);
    buttonColumn_->addStretch();
    connect(find_, &QLineEdit::textChanged, this, &ScriptFindDialog::updateButtons);
    updateButtons();
}

void ScriptFindDialog::addButton(const QString& label, void (ScriptFindDialog::*request)()) {
    auto* button = new QPushButton(label, this);
    if (needText_.isEmpty()) button->setDefault(true);
    connect(button, &QPushButton::clicked, this, request);
    buttonColumn_->addWidget(button);
    needText_.append(button);
}

void ScriptFindDialog::updateButtons() {
    for (QWidget* button : needText_) button->setEnabled(!find_->text().isEmpty());
}

ScriptSearch ScriptFindDialog::search() const {
    return {find_->text(), matchCase_->isChecked(), down_ == nullptr || down_->isChecked()};
}

QString ScriptFindDialog::replacement() const { return replace_ ? replace_->text() : QString(); }

void ScriptFindDialog::setSearch(const ScriptSearch& search) {
    find_->setText(search.text);
    find_->selectAll();
    matchCase_->setChecked(search.matchCase);
    if (down_ != nullptr) (search.down ? down_ : up_)->setChecked(true);
}

}  // namespace skirlo
