#include "editor/MusicPageSetupDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "editor/TextSetupValues.h"

namespace skirlo {

namespace {

constexpr int kMaxPercent = 1000;
constexpr double kMaxMarginInches = 20.0;

QRadioButton* addRadio(QButtonGroup* group, QLayout* layout, const QString& label, int id, int checked) {
    auto* radio = new QRadioButton(label);
    group->addButton(radio, id);
    layout->addWidget(radio);
    radio->setChecked(id == checked);
    return radio;
}

QSpinBox* percentBox(int value) {
    auto* box = new QSpinBox;
    box->setRange(0, kMaxPercent);
    box->setValue(std::clamp(value, 0, kMaxPercent));
    return box;
}

}  // namespace

MusicPageSetupDialog::MusicPageSetupDialog(const MusicPageSetup& values, EngravingStyle engraving, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Page Setup"));
    auto* layout = new QHBoxLayout;
    layout->addWidget(paperBox(values));
    layout->addWidget(musicBox(values));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(layout);
    outer->addWidget(engravingBox(engraving));
    outer->addWidget(buttons);
}

QWidget* MusicPageSetupDialog::engravingBox(EngravingStyle engraving) {
    auto* box = new QGroupBox(tr("Engraving"));
    auto* row = new QHBoxLayout;
    engraving_ = new QButtonGroup(this);
    const int chosen = static_cast<int>(engraving);
    addRadio(engraving_, row, tr("Cla&ssic"), static_cast<int>(EngravingStyle::Classic), chosen);
    addRadio(engraving_, row, tr("Mo&dern"), static_cast<int>(EngravingStyle::Modern), chosen);
    box->setLayout(row);
    return box;
}

EngravingStyle MusicPageSetupDialog::engraving() const {
    return engraving_->checkedId() == static_cast<int>(EngravingStyle::Modern) ? EngravingStyle::Modern
                                                                               : EngravingStyle::Classic;
}

QWidget* MusicPageSetupDialog::paperBox(const MusicPageSetup& values) {
    auto* box = new QGroupBox(tr("Margins (inches)"));
    auto* form = new QFormLayout;
    const int thousandths[4] = {values.leftMargin, values.topMargin, values.rightMargin, values.bottomMargin};
    const QString labels[4] = {tr("&Left:"), tr("&Top:"), tr("&Right:"), tr("&Bottom:")};
    for (int i = 0; i < 4; ++i) {
        margins_[i] = new QDoubleSpinBox;
        margins_[i]->setDecimals(2);  // hundredths: the margins are kept to tens of thousandths
        margins_[i]->setSingleStep(0.05);
        margins_[i]->setRange(0.0, kMaxMarginInches);
        margins_[i]->setValue(roundedMargin(thousandths[i]) / 1000.0);
        form->addRow(labels[i], margins_[i]);
    }
    auto* orientationRow = new QHBoxLayout;
    orientation_ = new QButtonGroup(this);
    addRadio(orientation_, orientationRow, tr("P&ortrait"), 'P', values.orientation);
    addRadio(orientation_, orientationRow, tr("L&andscape"), 'L', values.orientation);
    form->addRow(tr("Orientation:"), orientationRow);
    box->setLayout(form);
    return box;
}

QWidget* MusicPageSetupDialog::musicBox(const MusicPageSetup& values) {
    auto* box = new QGroupBox(tr("Music"));
    auto* grid = new QGridLayout;

    auto* spread = new QGroupBox(tr("Spread"));
    auto* spreadLayout = new QVBoxLayout;
    horizontally_ = new QCheckBox(tr("Horizontally"));
    vertically_ = new QCheckBox(tr("Vertically"));
    horizontally_->setChecked(values.spreadHorizontally != 0);
    vertically_->setChecked(values.spreadVertically != 0);
    spreadLayout->addWidget(horizontally_);
    spreadLayout->addWidget(vertically_);
    spread->setLayout(spreadLayout);
    grid->addWidget(spread, 0, 0);

    auto* scale = new QGroupBox(tr("Scale"));
    auto* scaleLayout = new QVBoxLayout;
    scale_ = new QButtonGroup(this);
    addRadio(scale_, scaleLayout, tr("To Fit Print Area"), 'F', values.scaleOption == 'F' ? 'F' : 'M');
    addRadio(scale_, scaleLayout, tr("Multiple Pages"), 'M', values.scaleOption == 'F' ? 'F' : 'M');
    scale->setLayout(scaleLayout);
    grid->addWidget(scale, 0, 1);

    auto* justify = new QGroupBox(tr("Justify"));
    auto* justifyLayout = new QVBoxLayout;
    justify_ = new QButtonGroup(this);
    addRadio(justify_, justifyLayout, tr("Left"), 'L', values.justify);
    addRadio(justify_, justifyLayout, tr("Right"), 'R', values.justify);
    addRadio(justify_, justifyLayout, tr("Center"), 'C', values.justify);
    justify->setLayout(justifyLayout);
    grid->addWidget(justify, 1, 0);

    auto* form = new QFormLayout;
    alignBars_ = new QCheckBox(tr("Align Bars"));
    alignBars_->setChecked(values.alignBars != 0);
    form->addRow(alignBars_);
    staffHeight_ = new QLineEdit(QString::fromStdString(inchText(values.staffHeight)));
    staffHeight_->installEventFilter(this);
    form->addRow(tr("Staff Height"), staffHeight_);
    xScale_ = percentBox(values.xScale);
    yScale_ = percentBox(values.yScale);
    space_ = percentBox(values.space);
    form->addRow(tr("X Scale Symbols"), xScale_);
    form->addRow(tr("Y Scale Symbols"), yScale_);
    form->addRow(tr("Space"), space_);
    grid->addLayout(form, 1, 1);

    box->setLayout(grid);
    return box;
}

bool MusicPageSetupDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == staffHeight_ && event->type() == QEvent::FocusOut) {
        staffHeight_->setText(QString::fromStdString(normalisedInchText(staffHeight_->text().toStdString())));
    }
    return QDialog::eventFilter(watched, event);
}

MusicPageSetup MusicPageSetupDialog::values() const {
    MusicPageSetup chosen;
    int* margins[4] = {&chosen.leftMargin, &chosen.topMargin, &chosen.rightMargin, &chosen.bottomMargin};
    for (int i = 0; i < 4; ++i) *margins[i] = roundedMargin(static_cast<int>(margins_[i]->value() * 1000.0 + 0.5));
    chosen.orientation = orientation_->checkedId() == 'L' ? 'L' : 'P';
    chosen.spreadHorizontally = horizontally_->isChecked() ? 1 : 0;
    chosen.spreadVertically = vertically_->isChecked() ? 1 : 0;
    chosen.scaleOption = scale_->checkedId() == 'F' ? 'F' : 'M';
    const int justify = justify_->checkedId();
    chosen.justify = justify == 'L' ? 'L' : justify == 'R' ? 'R' : 'C';
    chosen.alignBars = alignBars_->isChecked() ? 1 : 0;
    // A negative height would ask for no staff at all; 0 already means "fit to the page".
    chosen.staffHeight = std::max(0, thousandthsOfInchText(normalisedInchText(staffHeight_->text().toStdString())));
    chosen.xScale = xScale_->value();
    chosen.yScale = yScale_->value();
    chosen.space = space_->value();
    return chosen;
}

}  // namespace skirlo
