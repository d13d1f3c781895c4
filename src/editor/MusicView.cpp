#include "editor/MusicView.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "document/TuneDocument.h"
#include "document/Workspace.h"
#include "editor/EditorContext.h"
#include "view/QPainterSurface.h"
#include "view/QtMeasuring.h"

namespace skirlo {

MusicView::MusicView(TuneDocument& document, EditorContext& context, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      context_(context),
      renderer_(context.workspace.symbols.hiliteColour()) {
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void MusicView::setUp() {
    const int ballSize = context_.workspace.profile->getInt("PlayOptions", "BouncingBallSize", kDefaultBallSize);
    settings_ = layoutSettingsFor(document_.settings(), ballSize);
    build();
}

bool MusicView::refresh() {
    if (document_.playback().performance.playing()) return false;
    TuneSettingsLines(document_.script(), document_.settings()).readAtRefresh();
    const int zoom = settings_.zoom;
    settings_ = layoutSettingsFor(document_.settings(), settings_.ballSize);
    settings_.zoom = zoom;
    build();
    return true;
}

void MusicView::build() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Workspace& workspace = context_.workspace;
    document_.rebuild([&](ScriptText& script, bool convertBareStrings) {
        return layOutMusic(script, convertBareStrings, workspace.symbols, context_.measuring, context_.messages,
                           settings_);
    });
    document_.rebuildPlayback(*workspace.profile, document_.playback().settings.output);
    QApplication::restoreOverrideCursor();
    updateScrollBars();
    viewport()->update();
    emit rebuilt();
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

void MusicView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-scroll);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QPainterSurface surface(painter, SurfaceKind::Screen, event->rect().translated(scroll));
    renderer_.draw(document_.tunes(), surface);
}

void MusicView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void MusicView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace skirlo
