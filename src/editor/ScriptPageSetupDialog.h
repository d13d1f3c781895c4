#pragma once
// "Page Setup" of the script: the header and footer formats and which time
// each shows. The values change only on OK.

#include <QDialog>

#include "editor/ScriptPageFormat.h"

class QButtonGroup;
class QLineEdit;

namespace skirlo {

class ScriptPageSetupDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ScriptPageSetupDialog(const ScriptPageSetup& setup, QWidget* parent = nullptr);
    ScriptPageSetup values() const;

    QLineEdit* headerEdit() const { return header_; }
    QLineEdit* footerEdit() const { return footer_; }
    QButtonGroup* headerTimeButtons() const { return headerTime_; }
    QButtonGroup* footerTimeButtons() const { return footerTime_; }

private:
    QLineEdit* header_;
    QLineEdit* footer_;
    QButtonGroup* headerTime_;
    QButtonGroup* footerTime_;
};

}  // namespace skirlo
