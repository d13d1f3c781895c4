#include "editor/TabStopDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "common/MessageSink.h"

namespace skirlo {

TabStopDialog::TabStopDialog(int count, MessageSink& messages, QWidget* parent)
    : QDialog(parent), messages_(messages), edit_(new QLineEdit(QString::number(count), this)), count_(count) {
    setWindowTitle("Dialog");
    auto* layout = new QFormLayout(this);
    auto* label = new QLabel("&Tab Stops:", this);
    label->setBuddy(edit_);
    layout->addRow(label, edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TabStopDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TabStopDialog::reject);
    layout->addRow(buttons);
    edit_->selectAll();
}

std::optional<int> TabStopDialog::validCount(const QString& typed, MessageSink& messages) {
    bool isNumber = false;
    const int value = typed.trimmed().toInt(&isNumber);
    if (!isNumber) {
        messages.show("Please enter an integer.", kApplicationTitle);
        return std::nullopt;
    }
    if (!inRange(value, messages)) return std::nullopt;
    return value;
}

bool TabStopDialog::inRange(int count, MessageSink& messages) {
    if (count >= kMinimum && count <= kMaximum) return true;
    const QString text = QString("Please enter an integer between %1 and %2.").arg(kMinimum).arg(kMaximum);
    messages.show(text.toStdString(), kApplicationTitle);
    return false;
}

void TabStopDialog::accept() {
    const auto value = validCount(edit_->text(), messages_);
    if (!value) {
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    count_ = *value;
    QDialog::accept();
}

}  // namespace skirlo
