#pragma once
// The round marker of panning with the right button: it sits where panning
// began, shows the directions the music can move in, and gives the cursor
// its shape for each direction (drawn here, so they look the same on every
// desktop).

#include <QCursor>
#include <QWidget>

namespace skirlo {

class PanIndicator final : public QWidget {
public:
    static constexpr int kSize = 30;

    enum class Direction { Still, Right, Left, Down, Up };

    PanIndicator(bool horizontal, bool vertical, QWidget* parent);

    // The direction of the cursor's offset from the centre: the larger of
    // |dx| and |dy|; still within 5 pixels both ways.
    static Direction directionOf(QPoint offset);
    static QCursor cursorFor(Direction direction);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool horizontal_;
    bool vertical_;
};

}  // namespace skirlo
