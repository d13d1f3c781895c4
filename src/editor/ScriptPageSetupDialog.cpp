#include "editor/ScriptPageSetupDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace skirlo {

namespace {

// An edit with its label and the two time buttons beside it, on row `row`.
QButtonGroup* addFormatRow(QGridLayout& grid, int row, const QString& label, QLineEdit* edit, int choice) {
    auto* parent = grid.parentWidget();
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    grid.addWidget(caption, row, 0);
    grid.addWidget(edit, row, 1);
    auto* group = new QButtonGroup(parent);
    auto* fileTime = new QRadioButton("File Time", parent);
    auto* systemTime = new QRadioButton("System Time", parent);
    group->addButton(fileTime, kFileTime);
    group->addButton(systemTime, kSystemTime);
    grid.addWidget(fileTime, row, 2);
    grid.addWidget(systemTime, row, 3);
    if (auto* checked = group->button(choice)) checked->setChecked(true);
    return group;
}

}  // namespace

ScriptPageSetupDialog::ScriptPageSetupDialog(const ScriptPageSetup& setup, QWidget* parent)
    : QDialog(parent),
      header_(new QLineEdit(QString::fromStdString(setup.header), this)),
      footer_(new QLineEdit(QString::fromStdString(setup.footer), this)) {
    setWindowTitle("Page Setup");
    auto* grid = new QGridLayout(this);
    header_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    headerTime_ = addFormatRow(*grid, 0, "&Header:", header_, setup.headerTime);
    footerTime_ = addFormatRow(*grid, 1, "&Footer:", footer_, setup.footerTime);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 2, 0, 1, 4);
}

ScriptPageSetup ScriptPageSetupDialog::values() const {
    // checkedId() is -1 while neither button is checked, as the choice is.
    return {header_->text().toStdString(), footer_->text().toStdString(), headerTime_->checkedId(),
            footerTime_->checkedId()};
}

}  // namespace skirlo
