#pragma once
// The integer boxes of the play options and their sub-dialogs. A box takes
// any text while it is edited and is checked when its dialog takes the
// values, so a value outside the range is reported with the message every
// integer box uses, and the box gets the focus to be corrected.

#include <QWidget>

#include <optional>

class QLineEdit;
class QToolButton;

namespace skirlo {

class MessageSink;

// The box's text as an integer within [low, high]; otherwise shows "Please
// enter an integer between %1 and %2.", selects the box and gives nothing.
std::optional<int> readIntegerBox(QLineEdit& box, int low, int high, MessageSink& messages);

// A box named after its control id, e.g. "1002".
QLineEdit* makeIntegerBox(int controlId, QWidget* parent = nullptr);

// An integer box with up and down arrows. The arrows step within their own
// range, which may be narrower than what the box accepts: the tempo arrows
// stop at 200 while 300 may be typed.
class SpinEdit final : public QWidget {
    Q_OBJECT
public:
    SpinEdit(int boxId, int spinId, int low, int high, QWidget* parent = nullptr);

    QLineEdit* box() const { return box_; }
    void setValue(int value);

private:
    void step(int by);

    QLineEdit* box_ = nullptr;
    int low_;
    int high_;
};

}  // namespace skirlo
