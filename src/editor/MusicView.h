#pragma once
// The music pane: the document's tree laid out at the view's zoom and drawn
// through the music renderer, only the visible part on each paint. It owns
// the zoom, follows playback with the bouncing ball, selects a placed text
// or the symbols to play with the mouse, and scrolls by keys and by panning
// with the right button. The document owns the tree.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QPoint>

#include <optional>

#include <memory>

#include "common/SourceRange.h"
#include "engraving/MusicLayout.h"
#include "engraving/MusicRenderer.h"

class QRubberBand;

namespace skirlo {

class MessageSink;
class PanIndicator;
class TextRecord;
class TuneDocument;
struct EditorContext;
struct Symbol;

class MusicView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    MusicView(TuneDocument& document, EditorContext& context, QWidget* parent = nullptr);
    ~MusicView() override;

    // First display: the zoom stored in the text and the first build. The
    // document's first set-up has been done.
    void setUp();
    // Re-reads the settings lines and rebuilds at the view's zoom; false,
    // changing nothing, while the performance plays. The build's messages go
    // to `messages` (the program's boxes by default); with TextRepairs::Leave
    // the text is read as it stands and never written.
    bool refresh();
    bool refresh(MessageSink& messages, TextRepairs repairs = TextRepairs::Mend);

    // A light frame (not the marking colour, which means "plays") around the
    // symbol written at the script byte, scrolled into view; none when no
    // symbol is written there. A rebuild forgets it.
    void frameSymbolWrittenAt(std::size_t byte);
    const Symbol* framedSymbol() const { return framed_; }

    // The zoom the music is laid out at; a change of the zoom stored in the
    // text wins over it at the next refresh.
    int zoom() const { return settings_.zoom; }
    void setZoom(int zoom) { settings_.zoom = zoom; }
    const LayoutSettings& layoutSettings() const { return settings_; }
    // Selecting music and texts is refused while playing.
    void setPlaying(bool playing) { playing_ = playing; }

    // The bouncing ball ("BouncingBall" in the profile; the play options set it).
    bool ballOn() const { return ballOn_; }
    void setBallOn(bool on) { ballOn_ = on; }
    // Moves the ball to the symbol now sounding and scrolls, just enough, to
    // show the next one. Nothing happens with the ball off.
    void followPlayback(const Symbol* sounding, const Symbol* next);
    // Erases the ball and forgets it (playing stopped).
    void eraseBall();
    const Symbol* ballSymbol() const { return ballSymbol_; }
    // The ball's ellipse in logical units: the band above the symbol's staff,
    // 2r wide and high, inset by one unit; empty without a ball.
    QRect ballRect() const;
    int ballRadius() const;

    // The text the last click selected; null when none is.
    TextRecord* selectedText() const { return selectedText_; }
    // Repaints after a change of a placed text's look or place.
    void textChanged();
    // "&Copy" (and Ctrl+C) here: every tune on the clipboard as pictures and text.
    void copyMusic() const;

signals:
    void rebuilt();
    // A double-click asks for the script bytes of what is under it.
    void sourceRequested(SourceRange source);
    // The marked symbols changed: the performance must follow.
    void markingChanged();
    // Space: play when stopped, stop when playing.
    void playOrStopRequested();
    // Ctrl+wheel, Ctrl+plus, Ctrl+minus: one zoom step in or out.
    void zoomStepRequested(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    enum class Drag { None, RubberBand, Margin };

    void build(MessageSink& messages, TextRepairs repairs);
    QRect frameRect() const;
    void updateScrollBars();
    QPoint scroll() const;
    QPoint toLogical(QPoint window) const { return window + scroll(); }
    void updateLogical(const QRect& logical);
    void updateSymbol(const Symbol& symbol);
    void scrollToShow(const Symbol& symbol);
    void moveRubberBand(QPoint window);
    void autoScrollRubberBand();
    void finishDrag(QPoint window);
    void startPanning(QPoint window);
    void stopPanning();
    void pan();
    bool scrollKey(QKeyEvent* event);
    // The middle button, or the left one with Ctrl, drags the music out to
    // other programs; the plain left button selects.
    void dragMusicOut();

    TuneDocument& document_;
    EditorContext& context_;
    LayoutSettings settings_;
    int storedZoom_ = 0;  // the text's zoom at the last build
    int wheelZoom_ = 0;   // Ctrl+wheel turned since the last zoom step
    MusicRenderer renderer_;
    bool playing_ = false;

    bool ballOn_ = true;
    QColor ballColour_ = Qt::black;
    const Symbol* ballSymbol_ = nullptr;
    const Symbol* scrolledTo_ = nullptr;
    const Symbol* framed_ = nullptr;

    TextRecord* selectedText_ = nullptr;
    Drag drag_ = Drag::None;
    QPoint anchor_;      // logical: where the rubber band or margin drag began
    QRect bandArea_;     // logical: the rubber band as last drawn
    QPoint lastCursor_;  // window: the cursor of the last move
    QRubberBand* band_ = nullptr;
    QBasicTimer dragTimer_;
    std::optional<QPoint> dragOutFrom_;  // window: where a drag out may begin

    PanIndicator* panner_ = nullptr;
    QBasicTimer panTimer_;
};

}  // namespace skirlo
