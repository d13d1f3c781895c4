#include "editor/ImageFileDialog.h"

#include <QFileInfo>
#include <QLineEdit>

namespace skirlo {

namespace {

constexpr std::size_t kExtensionLength = 3;

// Where the extension's dot is in the name's last part, or npos.
std::size_t extensionDot(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of('/');
    const bool inFolder = slash != std::string_view::npos && dot != std::string_view::npos && dot < slash;
    return inFolder ? std::string_view::npos : dot;
}

}  // namespace

std::string nameForImageType(std::string_view name, std::string_view typeText) {
    const std::string stem(name.substr(0, extensionDot(name)));
    const std::size_t pattern = typeText.find("*.");
    if (pattern == std::string_view::npos) return std::string(name);
    const std::string_view extension = typeText.substr(pattern + 2, kExtensionLength);
    if (extension.empty() || extension.front() == '*') return stem;
    return stem + "." + std::string(extension);
}

ImageFileDialog::ImageFileDialog(QWidget* parent, const QString& proposal) : QFileDialog(parent, tr("Save As")) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QStringLiteral("pcx"));
    setNameFilters({tr("PCX Files (*.pcx)"), tr("Bitmap Files (*.bmp)"), tr("PNG Files (*.png)"),
                    tr("SVG Files (*.svg)"), tr("PDF Files (*.pdf)"), tr("All Files (*.*)")});
    const QFileInfo file(proposal);
    setDirectory(file.absolutePath());
    selectFile(file.fileName());
    // After the dialog's own handling of the new type, which writes its own
    // idea of the name ("tune.*" for all files).
    connect(this, &QFileDialog::filterSelected, this, &ImageFileDialog::followFileType, Qt::QueuedConnection);
}

void ImageFileDialog::followFileType(const QString& typeText) {
    auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (nameBox == nullptr) return;
    nameBox->setText(QString::fromStdString(nameForImageType(nameBox->text().toStdString(), typeText.toStdString())));
}

}  // namespace skirlo
