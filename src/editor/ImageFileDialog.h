#pragma once
// The save dialog of "Save As &Image..": choosing a file type puts that
// type's extension on the name in the name box, so the name says what will
// be written. The dialog is Qt's own (not the desktop's), as only that one
// lets the program follow the file type.

#include <QFileDialog>

#include <string>
#include <string_view>

namespace skirlo {

// The name box's text after choosing the file type `typeText`, e.g.
// "Bitmap Files (*.bmp)": the extension of the name's last part replaced by
// the type's (its first three characters), or added when there is none. A
// type of any extension ("All Files (*.*)") leaves the name bare, so that
// the default extension goes on it unless the user types another.
std::string nameForImageType(std::string_view name, std::string_view typeText);

class ImageFileDialog final : public QFileDialog {
    Q_OBJECT
public:
    // Proposes `proposal` (folder and name); the default extension is "pcx".
    ImageFileDialog(QWidget* parent, const QString& proposal);

private:
    void followFileType(const QString& typeText);
};

}  // namespace skirlo
