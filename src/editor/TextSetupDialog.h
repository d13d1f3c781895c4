#pragma once
// The "Font" dialog of a text record: a font chooser (face, style, size,
// effects) with a colour list, and the "Text Setup" group: the text, its
// "Text Type", its "Alignment" and its place "From Left Edge" and "From Top
// Edge" in inches. Only OK changes the record.

#include <QDialog>

#include "editor/TextSetupValues.h"

class QButtonGroup;
class QComboBox;
class QFontDialog;
class QLineEdit;

namespace skirlo {

class TextRecord;

class TextSetupDialog final : public QDialog {
    Q_OBJECT
public:
    TextSetupDialog(const TextRecord& record, QWidget* parent = nullptr);

    // Writes the choices into the record: text, kind, alignment, x, y, the
    // font description and the colour. Its font is made again by the caller
    // when it writes the record back into the script.
    void applyTo(TextRecord& record) const;

private:
    QWidget* makeTextSetupGroup(const TextRecord& record);
    QWidget* makeColourRow(std::int32_t colour);
    QLineEdit* makeCoordinateBox(int thousandths, const char* name);
    // The bytes of the edited text, in the encoding the record was written in.
    std::string typedTextBytes() const;

    QFontDialog* fonts_ = nullptr;
    FontChoice shownFont_;
    QComboBox* colours_ = nullptr;
    QLineEdit* text_ = nullptr;
    QString shownText_;
    bool textInUtf8_ = false;
    QComboBox* kinds_ = nullptr;
    QButtonGroup* alignments_ = nullptr;
    QLineEdit* left_ = nullptr;
    QLineEdit* top_ = nullptr;
};

// Shows the dialog for the record; on OK changes the record and returns
// true, on Cancel leaves it exactly as it was.
bool editTextRecord(TextRecord& record, QWidget* parent);

}  // namespace skirlo
