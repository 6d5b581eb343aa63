// The paint surface of the network window with its own scroll bars. It keeps its last rendering
// as an image: a pan moves the image and renders only the strips that came into view; a zoom,
// a resize or an edit renders it again.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "shell/MapRender.h"

class QScrollBar;

namespace zep::shell {

class TMapSurface;

/// The map with scroll bars running from -1024 to 1024 (small change 8, large 128): a position
/// is the view origin in 1/1024 of the extent's half size.
class TPaintChild : public QWidget {
    Q_OBJECT
public:
    static constexpr int kScrollRange = 1024, kSmallChange = 8, kLargeChange = 128;

    explicit TPaintChild(QWidget* parent = nullptr);

    void SetScene(const TMapScene& scene);
    const TMapScene& Scene() const { return scene_; }
    TMapSurface* Surface() const { return surface_; }
    QScrollBar* HorizontalBar() const { return hbar_; }
    QScrollBar* VerticalBar() const { return vbar_; }

    /// Renders everything again at the next paint.
    void InvalidateMap();
    /// Moves the map's content by (dx, dy) pixels, reusing what stays on screen.
    void PanPixels(int dx, int dy);
    /// Scales the zoom by `factor`, keeping the world point under `anchor` (pixels) in place.
    void ZoomAt(QPoint anchor, double factor);
    /// Puts the view origin back into the scroll bars.
    void SyncScrollBars();
    /// The size of the map in pixels (the paint area of the scaler).
    view::TPixelRect PaintArea() const;

    /// Told of a hover over the map: answers the text of the node or link there ("" for none).
    std::function<std::string(QPoint)> describeAt;
    /// Told of a click (no drag) with the left button.
    std::function<void(QPoint)> onClick;
    /// Told of a rubber band drawn with the left button (pixels, normalised).
    std::function<void(QRect)> onRubberBand;
    /// Told after the view moved or zoomed.
    std::function<void()> onViewChanged;
    /// Told when the map's size changed.
    std::function<void()> onResized;
    /// The selection drawn over the map (may be null).
    std::function<analysis::PSelection()> selection;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ScrollBarMoved(QScrollBar* bar, int value);

    TMapScene scene_;
    TMapSurface* surface_;
    QScrollBar* hbar_;
    QScrollBar* vbar_;
    int lastH_ = 0, lastV_ = 0;
    bool syncing_ = false;
};

/// The drawing area itself.
class TMapSurface : public QWidget {
    Q_OBJECT
public:
    explicit TMapSurface(TPaintChild* owner);
    void Invalidate() {
        cacheValid_ = false;
        update();
    }
    void Pan(int dx, int dy);
    /// How many times the whole map was rendered, and how many strips (for tests and the
    /// benchmark).
    int FullRenders() const { return fullRenders_; }
    int StripRenders() const { return stripRenders_; }
    /// Brings the cache up to date without waiting for a paint event.
    void EnsureRendered();
    const QImage& Cache() const { return cache_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void RenderStrip(QPainter& p, const QRect& strip);

    TPaintChild* owner_;
    QImage cache_;
    bool cacheValid_ = false;
    int fullRenders_ = 0, stripRenders_ = 0;
    QPoint pressPos_, lastPos_;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool dragging_ = false;
};

} // namespace zep::shell
