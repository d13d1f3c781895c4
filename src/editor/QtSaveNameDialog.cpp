#include "editor/QtSaveNameDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace skirlo {

SaveNameDialog::Answer QtSaveNameDialog::ask(std::string_view title, std::string_view proposal) {
    QFileDialog dialog(parent_, QString::fromUtf8(title.data(), static_cast<int>(title.size())));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QString::fromLatin1(kTuneFilterName.data(), static_cast<int>(kTuneFilterName.size())),
                           QStringLiteral("All Files (*)")});
    const QString name = QString::fromUtf8(proposal.data(), static_cast<int>(proposal.size()));
    dialog.setDirectory(QFileInfo(QDir::current(), name).absolutePath());
    dialog.selectFile(QFileInfo(name).fileName());
    Answer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return answer;
    answer.cancelled = false;
    answer.name = dialog.selectedFiles().front().toStdString();
    return answer;
}

}  // namespace skirlo
