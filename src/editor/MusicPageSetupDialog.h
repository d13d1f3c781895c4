#pragma once
// "Page Setup" of the music: margins and orientation of the paper, with the
// settings that lay the music out on it (spreading, scale, justification,
// aligned bars, staff height in inches, symbol scales and space).

#include <QDialog>

#include "editor/MusicPageSetup.h"
#include "engraving/EngravingStyle.h"

class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

namespace skirlo {

class MusicPageSetupDialog final : public QDialog {
public:
    // `engraving` is the program's style, kept in the profile rather than the tune.
    MusicPageSetupDialog(const MusicPageSetup& values, EngravingStyle engraving = EngravingStyle::Classic,
                         QWidget* parent = nullptr);

    // What the controls hold, read back as OK reads them.
    MusicPageSetup values() const;
    EngravingStyle engraving() const;
    QLineEdit* staffHeightField() const { return staffHeight_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* paperBox(const MusicPageSetup& values);
    QWidget* musicBox(const MusicPageSetup& values);
    QWidget* engravingBox(EngravingStyle engraving);

    QDoubleSpinBox* margins_[4] = {};  // left, top, right, bottom, in inches
    QButtonGroup* orientation_ = nullptr;
    QCheckBox* horizontally_ = nullptr;
    QCheckBox* vertically_ = nullptr;
    QButtonGroup* scale_ = nullptr;
    QButtonGroup* justify_ = nullptr;
    QCheckBox* alignBars_ = nullptr;
    QLineEdit* staffHeight_ = nullptr;
    QSpinBox* xScale_ = nullptr;
    QSpinBox* yScale_ = nullptr;
    QSpinBox* space_ = nullptr;
    QButtonGroup* engraving_ = nullptr;
};

}  // namespace skirlo
