#include "editor/PlayOptionsSubDialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <climits>
#include <optional>

#include "editor/PlayOptionsFields.h"

namespace skirlo {

namespace {

constexpr const char* kCategoryNames[13] = {"none", "*", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "~"};
// Columns of the frequency grid and the block of nine each shows.
constexpr const char* kColumnNames[3] = {"Flat", "Natural", "Sharp"};
constexpr int kColumnBlocks[3] = {0, 2, 1};

QDialogButtonBox* addOkCancel(QDialog& dialog, QVBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
    return buttons;
}

// Reads every box in order; stops at the first refused one.
template <std::size_t N>
bool readBoxes(const std::array<QLineEdit*, N>& boxes, int low, int high, MessageSink& messages,
               std::array<int, N>& into) {
    std::array<int, N> read{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::optional<int> value = readIntegerBox(*boxes[i], low, high, messages);
        if (!value) return false;
        read[i] = *value;
    }
    into = read;
    return true;
}

}  // namespace

FrequencyMappingDialog::FrequencyMappingDialog(const std::array<int, 27>& frequencies, MessageSink& messages,
                                               QWidget* parent)
    : QDialog(parent), frequencies_(frequencies), messages_(messages) {
    setWindowTitle(tr("Frequency Mapping"));
    auto* grid = new QGridLayout;
    for (int column = 0; column < 3; ++column) grid->addWidget(new QLabel(tr(kColumnNames[column])), 0, column + 1);
    for (int row = 0; row < 9; ++row) {
        grid->addWidget(new QLabel(tr(kPitchRowNames[row])), row + 1, 0);
        for (int column = 0; column < 3; ++column) {
            const int index = kColumnBlocks[column] * 9 + row;
            boxes_[index] = makeIntegerBox(index);
            boxes_[index]->setText(QString::number(frequencies_[index]));
            grid->addWidget(boxes_[index], row + 1, column + 1);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    addOkCancel(*this, *layout);
}

// The speaker takes any frequency (0 or below is silence), so only whole numbers are asked for.
void FrequencyMappingDialog::done(int result) {
    if (result == Accepted && !readBoxes(boxes_, INT_MIN, INT_MAX, messages_, frequencies_)) return;
    QDialog::done(result);
}

CategoryDurationDialog::CategoryDurationDialog(const std::array<int, 13>& durations, MessageSink& messages,
                                               QWidget* parent)
    : QDialog(parent), durations_(durations), messages_(messages) {
    setWindowTitle(tr("Catagory Duration"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Milliseconds")), 0, 1);
    for (int category = 0; category < 13; ++category) {
        grid->addWidget(new QLabel(QString::fromLatin1(kCategoryNames[category])), category + 1, 0);
        boxes_[category] = makeIntegerBox(category);
        boxes_[category]->setText(QString::number(durations_[category]));
        grid->addWidget(boxes_[category], category + 1, 1);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    addOkCancel(*this, *layout);
}

void CategoryDurationDialog::done(int result) {
    if (result == Accepted && !readBoxes(boxes_, kLowest, kHighest, messages_, durations_)) return;
    QDialog::done(result);
}

}  // namespace skirlo
