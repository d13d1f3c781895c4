#pragma once
// "Set Ta&b Stops...": one count, a quarter of the tab stop distance the pane
// stores. OK refuses anything but an integer from 1 to 16 with the platform's
// validation message and keeps the dialog open.

#include <QDialog>

#include <optional>

class QLineEdit;

namespace skirlo {

class MessageSink;

class TabStopDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinimum = 1;
    static constexpr int kMaximum = 16;

    TabStopDialog(int count, MessageSink& messages, QWidget* parent = nullptr);
    int count() const { return count_; }
    QLineEdit* countEdit() const { return edit_; }

    // The count typed, or nothing after telling why it is refused.
    static std::optional<int> validCount(const QString& typed, MessageSink& messages);
    // Whether the count is in range; tells why not when it is not.
    static bool inRange(int count, MessageSink& messages);

public slots:
    void accept() override;

private:
    MessageSink& messages_;
    QLineEdit* edit_;
    int count_;
};

}  // namespace skirlo
