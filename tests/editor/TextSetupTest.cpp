// The Text Setup dialog over a text record: what it shows, what typing and
// choosing do, and that OK without changes and Cancel leave the record as
// it was, byte for byte.

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/FixedMetrics.h"
#include "editor/TextSetupDialog.h"
#include "editor/TextSetupValues.h"
#include "tunefile/TextRecord.h"

using namespace skirlo;

namespace {

constexpr int kLayoutScale = 130;

std::unique_ptr<TextRecord> record(const std::string& text, const std::string& attributes) {
    FixedMetricsContext measuring;
    return TextRecord::create(measuring, text, attributes, kLayoutScale);
}

template <typename Widget>
Widget* child(QWidget& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void pressButton(QWidget& dialog, QDialogButtonBox::StandardButton which) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

// Types into a coordinate box and moves the focus on, as a user leaving it.
void typeInto(QLineEdit* box, QWidget* next, const QString& typed) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, typed);
    next->setFocus();
}

}  // namespace

TEST(TextSetupValuesTest, CoordinateBoxesAndFontNamesKeepTheRecordSound) {
    EXPECT_EQ(inchText(1500), "1.500\"");
    EXPECT_EQ(inchText(-250), "-0.250\"");
    EXPECT_EQ(normalisedInchText("  1.5 \t"), "1.5\"");
    EXPECT_EQ(normalisedInchText("2\""), "2\"");
    EXPECT_EQ(thousandthsOfInchText("1.2349"), 1234) << "the fraction of a thousandth is dropped";
    EXPECT_EQ(thousandthsOfInchText("3 inches"), 3000);
    EXPECT_EQ(thousandthsOfInchText("99999999999"), 2147483647);
    for (int value : {0, 1001, -4321, 123456789}) {
        EXPECT_EQ(thousandthsOfInchText(inchText(value)), value) << "binary fractions must not lose a thousandth";
    }
    const FontChoice shown{"Serif", 120, 400, false, false, false};
    FontChoice chosen = shown;
    chosen.face = "Odd, Face (Bold)";
    EXPECT_EQ(mergeFontChoice(FontDescription{}, shown, chosen).faceName, "Odd Face (Bold")
        << "nothing that would end the face's field";
}

TEST(TextSetupDialogTest, ShowsEveryKindAndAlignmentAndOkWithoutChangesKeepsTheRecord) {
    const char* lists[] = {
        "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)",
        "(Y,C,250,0,Times New Roman,14,400,1,0,18,0,0,255)",
        "(M,R,0,1500,Liberation Sans,12,400,0,1,34,0,1,16711680)",
        "(F,N,3000,10250,Times New Roman,10,0,0,0,18,0,0,12345)",
        "(X,N,-125,7,DejaVu Sans,9,700,0,0,18,0,0,0)",
        "(I,L,0,0,Times New Roman,11,700,0,0,0,0,0,0)",
    };
    const char* kindNames[] = {"Tune Title", "Tune Type", "Composer", "Footer", "Fixed", "Inline"};
    const char* buttons[] = {"left", "center", "right", "absolute", "absolute", "left"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(lists[i]);
        auto text = record("Crossing \xE0 the \x93Minch\x94", lists[i]);
        const std::string before = text->writtenForm();
        TextSetupDialog dialog(*text);
        EXPECT_EQ(dialog.windowTitle(), "Font");
        const QFont shown = dialog.findChild<QFontDialog*>()->currentFont();
        EXPECT_EQ(shown.family(), QFontInfo(QFont(QString::fromStdString(text->description.faceName))).family());
        EXPECT_EQ(shown.weight(), text->description.weight == 700 ? QFont::Bold : QFont::Normal);
        EXPECT_EQ(child<QLineEdit>(dialog, "text")->text(), QString::fromUtf8("Crossing à the “Minch”"));
        EXPECT_EQ(child<QComboBox>(dialog, "textType")->currentText(), kindNames[i]);
        EXPECT_TRUE(child<QRadioButton>(dialog, buttons[i])->isChecked());
        EXPECT_EQ(child<QLineEdit>(dialog, "fromLeftEdge")->text().toStdString(), inchText(text->x));
        EXPECT_EQ(child<QLineEdit>(dialog, "fromTopEdge")->text().toStdString(), inchText(text->y));
        dialog.accept();
        dialog.applyTo(*text);
        EXPECT_EQ(text->writtenForm(), before);
    }
}

TEST(TextSetupDialogTest, TypedAndChosenValuesReachTheRecord) {
    auto text = record("Title", "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)");
    TextSetupDialog dialog(*text);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    auto* textBox = child<QLineEdit>(dialog, "text");
    auto* left = child<QLineEdit>(dialog, "fromLeftEdge");
    auto* top = child<QLineEdit>(dialog, "fromTopEdge");
    textBox->setFocus();
    textBox->selectAll();
    QTest::keyClicks(textBox, "Mrs \"Ross\"");
    EXPECT_EQ(textBox->text(), "Mrs Ross") << "a double quote would end the text in the file";
    typeInto(left, top, ".5");
    EXPECT_EQ(left->text(), "0.5\"");
    typeInto(top, left, " 1.5 ");
    EXPECT_EQ(top->text(), "1.5\"");

    QComboBox* kinds = child<QComboBox>(dialog, "textType");
    kinds->setFocus();
    QTest::keyClick(kinds, Qt::Key_Down);
    QTest::keyClick(kinds, Qt::Key_Down);
    QTest::mouseClick(child<QRadioButton>(dialog, "right"), Qt::LeftButton);
    QComboBox* colours = child<QComboBox>(dialog, "colour");
    colours->setCurrentIndex(colours->findText("Red"));
    QFontDialog* fonts = dialog.findChild<QFontDialog*>();
    fonts->setCurrentFont(QFont(fonts->currentFont().family(), 20, QFont::Bold, true));

    pressButton(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.applyTo(*text);
    EXPECT_EQ(text->writtenForm(), "\"Mrs Ross\",(M,R,500,1500,Times New Roman,20,700,1,0,18,0,0,255)")
        << "kind, alignment, place, size, italic and red; the unchanged face as the record named it";
}

TEST(TextSetupDialogTest, EditReturnsWhetherOkWasPressedAndCancelChangesNothing) {
    auto text = record("Footer", "(F,C,100,200,Times New Roman,10,400,0,0,18,0,0,0)");
    const std::string before = text->writtenForm();
    auto answer = [](QDialogButtonBox::StandardButton which) {
        QTimer::singleShot(0, [which] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit*>("fromLeftEdge")->setText("9.999\"");
            dialog->findChild<QLineEdit*>("text")->setText("Changed");
            pressButton(*dialog, which);
        });
    };
    answer(QDialogButtonBox::Cancel);
    EXPECT_FALSE(editTextRecord(*text, nullptr));
    EXPECT_EQ(text->writtenForm(), before);

    answer(QDialogButtonBox::Ok);
    EXPECT_TRUE(editTextRecord(*text, nullptr));
    EXPECT_EQ(text->text, "Changed");
    EXPECT_EQ(text->x, 9999);
}

TEST(TextSetupDialogTest, ATitleWrittenInUtf8IsShownAndKeptInUtf8) {
    auto text = record("Br\xC3\xA0igh", "(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)");
    TextSetupDialog dialog(*text);
    auto* textBox = child<QLineEdit>(dialog, "text");
    EXPECT_EQ(textBox->text(), QString::fromUtf8("Br\u00E0igh")) << "as the music shows it";
    dialog.applyTo(*text);
    EXPECT_EQ(text->text, "Br\xC3\xA0igh");
    textBox->setText(QString::fromUtf8("Br\u00E0igh \u0100"));
    dialog.applyTo(*text);
    EXPECT_EQ(text->text, "Br\xC3\xA0igh \xC4\x80") << "edited, it stays UTF-8, even past Windows-1252";
}
