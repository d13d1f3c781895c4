#include "editor/MusicView.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <utility>
#include <cstdlib>

#include "document/MusicSettings.h"
#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/EditorContext.h"
#include "editor/MusicClipboard.h"
#include "editor/MusicSelection.h"
#include "editor/PanIndicator.h"
#include "editor/WaitCursor.h"
#include "notation/SymbolMap.h"
#include "view/QPainterSurface.h"
#include "view/QtMeasuring.h"

namespace skirlo {

namespace {

constexpr int kDragTickMs = 10;
// A cursor this close to the screen's left edge, left of the pane, counts as
// this far out: the screen edge would stop it from going further.
constexpr int kScreenEdgeSlack = 3;
constexpr int kScreenEdgeOvershoot = 14;

// Light enough not to be taken for the marking colour, which means "plays".
const QColor kFrameColour(0x60, 0xA0, 0xF0);

QRect toQRect(const Rect& rect) { return QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)); }

Rect toRect(const QRect& rect) { return {rect.left(), rect.top(), rect.right(), rect.bottom()}; }

QColor ballColourOf(const Profile& profile) {
    const std::string text = profile.getString("PlayOptions", "BouncingBallColour", "");
    std::int32_t colour = 0;
    if (text.empty() || !parseRgbColour(text, colour)) return Qt::black;
    return qtColour(colour);
}

// Scrolls `bar` by `by`, clamped to its range.
void scrollBy(QScrollBar* bar, int by) { bar->setValue(std::clamp(bar->value() + by, 0, bar->maximum())); }

// The first tune's tallest staff and widest bar: the key steps.
QSize keySteps(const std::vector<std::unique_ptr<Tune>>& tunes) {
    QSize steps(1, 1);
    if (tunes.empty()) return steps;
    for (const auto& part : tunes.front()->parts) {
        for (const auto& staff : part->staves) {
            steps.setHeight(std::max(steps.height(), staff->height));
            for (const auto& bar : staff->bars) steps.setWidth(std::max(steps.width(), bar->width));
        }
    }
    return steps;
}

}  // namespace

MusicView::MusicView(TuneDocument& document, EditorContext& context, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      context_(context),
      renderer_(context.workspace.symbols.hiliteColour()) {
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    const Profile& profile = *context.workspace.profile;
    ballOn_ = profile.getInt("PlayOptions", "BouncingBall", 1) != 0;
    ballColour_ = ballColourOf(profile);
    band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
}

MusicView::~MusicView() = default;

void MusicView::setUp() {
    settings_ = screenLayoutOf(document_.settings(), *context_.workspace.profile);
    storedZoom_ = document_.settings().fontSizes.zoom;
    build(context_.messages, TextRepairs::Mend);
}

bool MusicView::refresh() { return refresh(context_.messages); }

bool MusicView::refresh(MessageSink& messages, TextRepairs repairs) {
    if (document_.playback().performance.playing()) return false;
    TuneSettingsLines(document_.script(), document_.settings(), repairs).readAtRefresh();
    const int zoom = settings_.zoom;
    const int storedBefore = std::exchange(storedZoom_, document_.settings().fontSizes.zoom);
    settings_ = layoutSettingsFor(document_.settings(), settings_.ballSize);
    // The view keeps its own zoom (a zoom typed and not yet entered waits for
    // the next refresh) unless the text's zoom changed: an undo, a typed
    // FontSizes line or the zoom box's own write.
    if (storedZoom_ == storedBefore) settings_.zoom = zoom;
    settings_.engraving = engravingStyleOf(*context_.workspace.profile);  // the View menu may have changed it
    build(messages, repairs);
    return true;
}

void MusicView::build(MessageSink& messages, TextRepairs repairs) {
    Workspace& workspace = context_.workspace;
    // The tree that the ball and the selection point into goes now.
    ballSymbol_ = nullptr;
    scrolledTo_ = nullptr;
    selectedText_ = nullptr;
    framed_ = nullptr;
    {
        const WaitCursor waiting;
        document_.layOut(workspace.symbols, context_.measuring, messages, settings_, repairs);
        document_.rebuildPlayback(*workspace.profile, document_.playback().settings.output, SendList::Build, repairs);
    }
    updateScrollBars();
    viewport()->update();
    emit rebuilt();
}

void MusicView::textChanged() {
    updateScrollBars();
    viewport()->update();
}

void MusicView::updateScrollBars() {
    const Extent extent = document_.music().extent;
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, extent.width - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 20));
    verticalScrollBar()->setRange(0, std::max(0, extent.height - page.height()));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 20));
}

QPoint MusicView::scroll() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

void MusicView::updateLogical(const QRect& logical) { viewport()->update(logical.translated(-scroll())); }

void MusicView::updateSymbol(const Symbol& symbol) {
    // A little more than the box: glyphs, beams and arcs stand out of it.
    const int margin = std::max(2, document_.music().fonts->height / 4);
    updateLogical(toQRect(selectionBox(symbol)).adjusted(-margin, -margin, margin, margin));
}

void MusicView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    painter.translate(-scroll());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRect visible = event->rect().translated(scroll());
    QPainterSurface surface(painter, SurfaceKind::Screen, visible);
    renderer_.draw(document_.tunes(), surface);
    if (framed_ != nullptr) {
        painter.setPen(QPen(kFrameColour, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frameRect());
    }
    const QRect ball = ballRect();
    if (!ball.isEmpty() && ball.intersects(visible)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ballColour_);
        painter.drawEllipse(ball);
    }
}

void MusicView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void MusicView::scrollContentsBy(int, int) { viewport()->update(); }

// ---- The symbol at the script's caret ----

QRect MusicView::frameRect() const {
    const int margin = std::max(2, document_.music().fonts->height / 16);
    return toQRect(selectionBox(*framed_)).adjusted(-margin, -margin, margin, margin);
}

void MusicView::frameSymbolWrittenAt(std::size_t byte) {
    const Symbol* symbol = symbolWrittenAt(document_.tunes(), byte);
    if (symbol == framed_) return;
    if (framed_ != nullptr) updateLogical(frameRect().adjusted(-1, -1, 1, 1));
    framed_ = symbol;
    if (framed_ == nullptr) return;
    updateLogical(frameRect().adjusted(-1, -1, 1, 1));
    scrollToShow(*framed_);
}

void MusicView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    const QPoint logical = toLogical(event->position().toPoint());
    if (const std::optional<SourceRange> source = sourceAt(document_.tunes(), logical.x(), logical.y())) {
        emit sourceRequested(*source);
    }
}

// ---- Following playback ----

int MusicView::ballRadius() const {
    return document_.music().fonts->height * (settings_.ballSize / 2) / kLayoutReference;
}

QRect MusicView::ballRect() const {
    if (ballSymbol_ == nullptr || ballSymbol_->staff == nullptr) return {};
    const int r = ballRadius();
    const int top = ballSymbol_->staff->y;
    const int centre = ballSymbol_->centreX;
    return QRect(QPoint(centre - r + 1, top + 1), QPoint(centre + r - 2, top + 2 * r - 2));
}

void MusicView::followPlayback(const Symbol* sounding, const Symbol* next) {
    if (!ballOn_) return;
    if (next != nullptr && next != scrolledTo_) {
        scrollToShow(*next);
        scrolledTo_ = next;
    }
    if (sounding == nullptr || sounding == ballSymbol_) return;
    // The erased ball is the full ellipse, one unit larger than the drawn one.
    updateLogical(ballRect().adjusted(-1, -1, 1, 1));
    ballSymbol_ = sounding;
    updateLogical(ballRect());
}

void MusicView::eraseBall() {
    if (ballSymbol_ == nullptr) return;
    updateLogical(ballRect().adjusted(-1, -1, 1, 1));
    ballSymbol_ = nullptr;
    scrolledTo_ = nullptr;
}

void MusicView::scrollToShow(const Symbol& symbol) {
    const int top = symbol.staff ? symbol.staff->y : symbol.y;
    const QRect wanted(QPoint(symbol.x, top), QPoint(symbol.x + symbol.advanceWidth, symbol.y + symbol.height));
    const QRect visible(scroll(), viewport()->size());
    if (visible.contains(wanted)) return;
    const auto just = [](QScrollBar* bar, int low, int high, int shownLow, int shownHigh) {
        if (bar->maximum() == 0) return;
        if (high > shownHigh) scrollBy(bar, high - shownHigh);
        if (low < shownLow) scrollBy(bar, low - shownLow);
    };
    just(horizontalScrollBar(), wanted.left(), wanted.right(), visible.left(), visible.right());
    just(verticalScrollBar(), wanted.top(), wanted.bottom(), visible.top(), visible.bottom());
}

// ---- Selecting ----

void MusicView::mousePressEvent(QMouseEvent* event) {
    const QPoint window = event->position().toPoint();
    const bool ctrlLeft = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier);
    if (event->button() == Qt::MiddleButton || ctrlLeft) dragOutFrom_ = window;
    if (event->button() == Qt::RightButton && event->buttons() == Qt::RightButton &&
        !(event->modifiers() & Qt::ControlModifier)) {
        if (panner_) {
            stopPanning();
        } else {
            startPanning(window);
        }
        return;
    }
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    if (panner_) stopPanning();
    const QPoint logical = toLogical(window);
    const bool hadText = selectedText_ != nullptr;
    selectedText_ = selectTextAt(document_.tunes(), logical.x(), logical.y());
    if (selectedText_ || hadText) viewport()->update();
    if (selectedText_) return;
    if (playing_ || event->buttons() != Qt::LeftButton || (event->modifiers() & Qt::ControlModifier)) {
        return QAbstractScrollArea::mousePressEvent(event);
    }
    anchor_ = logical;
    lastCursor_ = window;
    if (logical.x() > settings_.zoom * 20 / 100) {
        drag_ = Drag::RubberBand;
        unmarkAll(document_.tunes(), [this](const Symbol& symbol) { updateSymbol(symbol); });
        bandArea_ = QRect(anchor_, anchor_);
        band_->setGeometry(QRect(window, window));
        band_->show();
        dragTimer_.start(kDragTickMs, this);
    } else {
        drag_ = Drag::Margin;
    }
}

void MusicView::mouseMoveEvent(QMouseEvent* event) {
    lastCursor_ = event->position().toPoint();
    if (drag_ == Drag::RubberBand) moveRubberBand(lastCursor_);
    if (dragOutFrom_ && (lastCursor_ - *dragOutFrom_).manhattanLength() >= QApplication::startDragDistance()) {
        dragMusicOut();
    }
}

void MusicView::dragMusicOut() {
    dragOutFrom_.reset();
    auto* drag = new QDrag(this);
    drag->setMimeData(musicMimeData(document_, renderer_).release());
    drag->exec(Qt::CopyAction);
}

void MusicView::copyMusic() const { copyMusicToClipboard(document_, renderer_); }

void MusicView::moveRubberBand(QPoint window) {
    const QRect area = QRect(anchor_, toLogical(window)).normalized();
    const Rect affected = toRect(area.united(bandArea_));
    bandArea_ = area;
    band_->setGeometry(area.translated(-scroll()));
    markInside(document_.tunes(), toRect(area), &affected, [this](const Symbol& symbol) { updateSymbol(symbol); });
}

void MusicView::autoScrollRubberBand() {
    const QRect client = viewport()->rect();
    int overshootX = lastCursor_.x() < 0 ? lastCursor_.x() : std::max(0, lastCursor_.x() - client.right());
    const int overshootY = lastCursor_.y() < 0 ? lastCursor_.y() : std::max(0, lastCursor_.y() - client.bottom());
    const QPoint global = viewport()->mapToGlobal(lastCursor_);
    if (overshootX < 0 && overshootX >= -kScreenEdgeSlack && global.x() <= 0) overshootX = -kScreenEdgeOvershoot;
    if (overshootX == 0 && overshootY == 0) return;
    if (std::abs(overshootX) >= std::abs(overshootY)) {
        scrollBy(horizontalScrollBar(), overshootX / 2);
    } else {
        scrollBy(verticalScrollBar(), overshootY / 2);
    }
    moveRubberBand(lastCursor_);
}

void MusicView::mouseReleaseEvent(QMouseEvent* event) {
    dragOutFrom_.reset();
    if (event->button() == Qt::LeftButton && drag_ != Drag::None) return finishDrag(event->position().toPoint());
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void MusicView::finishDrag(QPoint window) {
    const Drag drag = drag_;
    drag_ = Drag::None;
    dragTimer_.stop();
    band_->hide();
    if (drag == Drag::Margin) {
        const auto redraw = [this](const Symbol& symbol) { updateSymbol(symbol); };
        unmarkAll(document_.tunes(), redraw);
        const QPoint from = toLogical(window);
        const Extent extent = document_.music().extent;
        markInside(document_.tunes(), {from.x(), from.y(), from.x() + extent.width, from.y() + extent.height},
                   nullptr, redraw);
    }
    viewport()->update();
    emit markingChanged();
}

void MusicView::focusOutEvent(QFocusEvent* event) {
    if (drag_ == Drag::RubberBand) finishDrag(lastCursor_);
    if (panner_) stopPanning();
    QAbstractScrollArea::focusOutEvent(event);
}

void MusicView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == dragTimer_.timerId()) return autoScrollRubberBand();
    if (event->timerId() == panTimer_.timerId()) return pan();
    QAbstractScrollArea::timerEvent(event);
}

// ---- Keys and panning ----

void MusicView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) return copyMusic();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        emit playOrStopRequested();
        return;
    }
    if (event->matches(QKeySequence::ZoomIn) || event->matches(QKeySequence::ZoomOut)) {
        emit zoomStepRequested(event->matches(QKeySequence::ZoomIn) ? 1 : -1);
        return;
    }
    if (!scrollKey(event)) QAbstractScrollArea::keyPressEvent(event);
}

void MusicView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return QAbstractScrollArea::wheelEvent(event);
    // A notch is 120; touchpads send smaller pieces, which add up to one.
    wheelZoom_ += event->angleDelta().y();
    if (std::abs(wheelZoom_) >= 120) {
        emit zoomStepRequested(wheelZoom_ > 0 ? 1 : -1);
        wheelZoom_ = 0;
    }
    event->accept();
}

bool MusicView::scrollKey(QKeyEvent* event) {
    QScrollBar* across = horizontalScrollBar();
    QScrollBar* down = verticalScrollBar();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const QSize steps = keySteps(document_.tunes());
    const QSize client = viewport()->size();
    // Only an axis that can scroll moves.
    const auto move = [](QScrollBar* bar, int to) {
        if (bar->maximum() > 0) bar->setValue(std::clamp(to, 0, bar->maximum()));
    };
    switch (event->key()) {
        case Qt::Key_PageUp: move(down, down->value() - client.height()); return true;
        case Qt::Key_PageDown: move(down, down->value() + client.height()); return true;
        case Qt::Key_Up: move(down, down->value() - steps.height()); return true;
        case Qt::Key_Down: move(down, down->value() + steps.height()); return true;
        case Qt::Key_Left: move(across, across->value() - (ctrl ? client.width() / 2 : steps.width())); return true;
        case Qt::Key_Right: move(across, across->value() + (ctrl ? client.width() / 2 : steps.width())); return true;
        case Qt::Key_Home:
            move(across, 0);
            if (ctrl) move(down, 0);
            return true;
        case Qt::Key_End:
            move(across, across->maximum());
            if (ctrl) move(down, down->maximum());
            return true;
        default: return false;
    }
}

void MusicView::startPanning(QPoint window) {
    const bool horizontal = horizontalScrollBar()->maximum() > 0;
    const bool vertical = verticalScrollBar()->maximum() > 0;
    if (!horizontal && !vertical) return;
    panner_ = new PanIndicator(horizontal, vertical, viewport());
    panner_->move(window - QPoint(PanIndicator::kSize / 2, PanIndicator::kSize / 2));
    panner_->show();
    viewport()->setCursor(PanIndicator::cursorFor(PanIndicator::Direction::Still));
    panTimer_.start(kDragTickMs, this);
}

void MusicView::stopPanning() {
    panTimer_.stop();
    delete panner_;
    panner_ = nullptr;
    viewport()->unsetCursor();
    viewport()->update();
}

void MusicView::pan() {
    const QPoint centre = panner_->geometry().center();
    const QPoint offset = viewport()->mapFromGlobal(QCursor::pos()) - centre;
    const PanIndicator::Direction direction = PanIndicator::directionOf(offset);
    viewport()->setCursor(PanIndicator::cursorFor(direction));
    switch (direction) {
        case PanIndicator::Direction::Right: scrollBy(horizontalScrollBar(), offset.x() / 2); break;
        case PanIndicator::Direction::Left: scrollBy(horizontalScrollBar(), offset.x() / 2); break;
        case PanIndicator::Direction::Down: scrollBy(verticalScrollBar(), offset.y() / 2); break;
        case PanIndicator::Direction::Up: scrollBy(verticalScrollBar(), offset.y() / 2); break;
        case PanIndicator::Direction::Still: break;
    }
}

}  // namespace skirlo
