#pragma once
// The two dialogs the play options open: "Frequency Mapping", the PC
// speaker's 27 frequencies as rows of pitches and columns of flat, natural
// and sharp; and "Catagory Duration", the gracenote duration of each
// duration category. Each edits a copy that OK gives back.

#include <QDialog>

#include <array>

class QLineEdit;

namespace skirlo {

class MessageSink;

// The pitch rows shared with the MIDI note grid.
inline constexpr const char* kPitchRowNames[9] = {"Low G", "Low A", "B", "C", "D", "E", "F", "High G", "High A"};

class FrequencyMappingDialog final : public QDialog {
    Q_OBJECT
public:
    // Values in the settings' order: 9 flats, 9 sharps, 9 naturals.
    FrequencyMappingDialog(const std::array<int, 27>& frequencies, MessageSink& messages, QWidget* parent = nullptr);
    const std::array<int, 27>& frequencies() const { return frequencies_; }
    QLineEdit* box(int index) const { return boxes_[index]; }

    void done(int result) override;

private:
    std::array<int, 27> frequencies_;
    std::array<QLineEdit*, 27> boxes_{};
    MessageSink& messages_;
};

class CategoryDurationDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLowest = 10;
    static constexpr int kHighest = 3000;

    // Categories none, '*', '1'..'9', '0', '~'.
    CategoryDurationDialog(const std::array<int, 13>& durations, MessageSink& messages, QWidget* parent = nullptr);
    const std::array<int, 13>& durations() const { return durations_; }
    QLineEdit* box(int category) const { return boxes_[category]; }

    void done(int result) override;

private:
    std::array<int, 13> durations_;
    std::array<QLineEdit*, 13> boxes_{};
    MessageSink& messages_;
};

}  // namespace skirlo
