#include "editor/TextSetupDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "common/Windows1252.h"
#include "editor/ScriptTextCodec.h"
#include "tunefile/TextRecord.h"

namespace skirlo {

namespace {

constexpr int kSwatchSize = 12;
constexpr int kMinimumTenths = 10;  // the chooser knows no font below 1 point
constexpr int kNormalWeight = 400;
constexpr int kLargestWeight = 1000;

struct NamedColour {
    const char* name;
    int red, green, blue;
};

// The colours the platform's font dialog offers.
constexpr NamedColour kColours[] = {
    {"Black", 0, 0, 0},        {"Maroon", 128, 0, 0},    {"Green", 0, 128, 0},  {"Olive", 128, 128, 0},
    {"Navy", 0, 0, 128},       {"Purple", 128, 0, 128},  {"Teal", 0, 128, 128}, {"Gray", 128, 128, 128},
    {"Silver", 192, 192, 192}, {"Red", 255, 0, 0},       {"Lime", 0, 255, 0},   {"Yellow", 255, 255, 0},
    {"Blue", 0, 0, 255},       {"Fuchsia", 255, 0, 255}, {"Aqua", 0, 255, 255}, {"White", 255, 255, 255},
};

constexpr const char* kKindNames[] = {"Tune Title", "Tune Type", "Composer", "Footer", "Fixed", "Inline"};
constexpr const char* kAlignmentNames[] = {"Left", "Center", "Right", "Absolute"};

// Colours are stored with red in the low byte.
std::int32_t colourValue(int red, int green, int blue) { return red | (green << 8) | (blue << 16); }

QColor toQColor(std::int32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

QIcon swatch(std::int32_t colour) {
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(toQColor(colour));
    return QIcon(pixmap);
}

// The record's font as the chooser can show it: a face the system knows
// under another name (a substitute) shown as the family that draws it.
QFont qtFont(const FontDescription& description) {
    QFont font(QString::fromStdString(windows1252ToUtf8(description.faceName)));
    font.setFamily(QFontInfo(font).family());
    font.setPointSizeF(std::max(description.heightTenthsOfPoint, kMinimumTenths) / 10.0);
    const int weight = description.weight > 0 ? std::min(description.weight, kLargestWeight) : kNormalWeight;
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    return font;
}

FontChoice choiceOf(const QFont& font) {
    return {editorTextToScriptBytes(font.family()),
            static_cast<int>(std::lround(font.pointSizeF() * 10)),
            font.weight(),
            font.italic(),
            font.underline(),
            font.strikeOut()};
}

}  // namespace

TextSetupDialog::TextSetupDialog(const TextRecord& record, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Font"));
    fonts_ = new QFontDialog(this);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setCurrentFont(qtFont(record.description));
    shownFont_ = choiceOf(fonts_->currentFont());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addWidget(makeColourRow(record.colour));
    layout->addWidget(makeTextSetupGroup(record));
    layout->addWidget(buttons);
}

QWidget* TextSetupDialog::makeColourRow(std::int32_t colour) {
    colours_ = new QComboBox;
    colours_->setObjectName(QStringLiteral("colour"));
    for (const NamedColour& named : kColours) {
        const std::int32_t value = colourValue(named.red, named.green, named.blue);
        colours_->addItem(swatch(value), tr(named.name), value);
    }
    int shown = colours_->findData(colour);
    if (shown < 0) {
        colours_->addItem(swatch(colour), tr("Custom"), colour);
        shown = colours_->count() - 1;
    }
    colours_->setCurrentIndex(shown);

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("&Color:"));
    label->setBuddy(colours_);
    layout->addWidget(label);
    layout->addWidget(colours_);
    layout->addStretch();
    return row;
}

QWidget* TextSetupDialog::makeTextSetupGroup(const TextRecord& record) {
    auto* group = new QGroupBox(tr("Text Setup"));
    auto* form = new QFormLayout(group);

    // A text written in UTF-8 is drawn as UTF-8, so it is shown and edited as such too.
    textInUtf8_ = isMultiByteUtf8(record.text);
    shownText_ = textInUtf8_ ? QString::fromStdString(record.text) : scriptBytesToEditorText(record.text);
    text_ = new QLineEdit(shownText_);
    text_->setObjectName(QStringLiteral("text"));
    // A double quote would end the record's text in the tune file.
    text_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\"]*")), text_));
    form->addRow(tr("Text"), text_);

    kinds_ = new QComboBox;
    kinds_->setObjectName(QStringLiteral("textType"));
    for (const char* name : kKindNames) kinds_->addItem(tr(name));
    kinds_->setCurrentIndex(textKindIndex(record.kind));
    form->addRow(tr("Text Type"), kinds_);

    alignments_ = new QButtonGroup(group);
    auto* alignmentRow = new QHBoxLayout;
    for (int i = 0; i < static_cast<int>(kTextAlignments.size()); ++i) {
        auto* button = new QRadioButton(tr(kAlignmentNames[i]));
        button->setObjectName(QString::fromLatin1(kAlignmentNames[i]).toLower());
        alignments_->addButton(button, i);
        alignmentRow->addWidget(button);
    }
    alignments_->button(textAlignmentIndex(record.alignment))->setChecked(true);
    form->addRow(tr("Alignment"), alignmentRow);

    left_ = makeCoordinateBox(record.x, "fromLeftEdge");
    top_ = makeCoordinateBox(record.y, "fromTopEdge");
    form->addRow(tr("From Left Edge"), left_);
    form->addRow(tr("From Top Edge"), top_);
    return group;
}

QLineEdit* TextSetupDialog::makeCoordinateBox(int thousandths, const char* name) {
    auto* box = new QLineEdit(QString::fromStdString(inchText(thousandths)));
    box->setObjectName(QString::fromLatin1(name));
    connect(box, &QLineEdit::editingFinished, box,
            [box] { box->setText(QString::fromStdString(normalisedInchText(box->text().toStdString()))); });
    return box;
}

std::string TextSetupDialog::typedTextBytes() const {
    if (textInUtf8_) return text_->text().toStdString();
    return editorTextToScriptBytes(scriptInputText(text_->text()));
}

void TextSetupDialog::applyTo(TextRecord& record) const {
    if (text_->text() != shownText_) record.text = typedTextBytes();
    record.kind = kTextKinds[static_cast<std::size_t>(std::max(kinds_->currentIndex(), 0))];
    record.alignment = kTextAlignments[static_cast<std::size_t>(std::max(alignments_->checkedId(), 0))];
    record.x = thousandthsOfInchText(left_->text().toStdString());
    record.y = thousandthsOfInchText(top_->text().toStdString());
    record.description = mergeFontChoice(record.description, shownFont_, choiceOf(fonts_->currentFont()));
    record.colour = colours_->currentData().toInt();
}

bool editTextRecord(TextRecord& record, QWidget* parent) {
    TextSetupDialog dialog(record, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.applyTo(record);
    return true;
}

}  // namespace skirlo
