#include "editor/QtMessageSink.h"

#include <QMessageBox>

#include "common/Windows1252.h"

namespace skirlo {

MessageAnswer QtMessageSink::show(std::string_view text, std::string_view caption, MessageButtons buttons) {
    QMessageBox::StandardButtons choice = QMessageBox::Ok;
    if (buttons == MessageButtons::YesNo) choice = QMessageBox::Yes | QMessageBox::No;
    if (buttons == MessageButtons::YesNoCancel) choice = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    const QMessageBox::Icon icon = buttons == MessageButtons::Ok ? QMessageBox::Warning : QMessageBox::Question;
    QMessageBox box(icon, QString::fromStdString(std::string(caption)), QString::fromStdString(windows1252ToUtf8(text)),
                    choice, parent_);
    switch (box.exec()) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        default: return MessageAnswer::Ok;
    }
}

}  // namespace skirlo
