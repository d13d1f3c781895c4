#pragma once
// The music pane: the document's tree laid out at the view's zoom and drawn
// through the music renderer, only the visible part on each paint. It owns
// the zoom; the document owns the tree, which is rebuilt on first display
// and on "&Refresh Music".

#include <QAbstractScrollArea>

#include "view/MusicLayout.h"
#include "view/MusicRenderer.h"

namespace skirlo {

class TuneDocument;
struct EditorContext;

class MusicView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    MusicView(TuneDocument& document, EditorContext& context, QWidget* parent = nullptr);

    // First display: the zoom stored in the text, the first build and the
    // performance. The document's first set-up has been done.
    void setUp();
    // Re-reads the settings lines and rebuilds at the view's zoom; false,
    // changing nothing, while the performance plays.
    bool refresh();

    int zoom() const { return settings_.zoom; }
    void setZoom(int zoom) { settings_.zoom = zoom; }
    const LayoutSettings& layoutSettings() const { return settings_; }

signals:
    void rebuilt();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void build();
    void updateScrollBars();

    TuneDocument& document_;
    EditorContext& context_;
    LayoutSettings settings_;
    MusicRenderer renderer_;
};

}  // namespace skirlo
