#include "shell/MapView.h"

#include <QGridLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <cmath>

#include "shell/GuiMessageHandler.h"
#include "view/NetViewOptions.h"

namespace zep::shell {

TPaintChild::TPaintChild(QWidget* parent) : QWidget(parent) {
    surface_ = new TMapSurface(this);
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    vbar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {hbar_, vbar_}) {
        bar->setRange(-kScrollRange, kScrollRange);
        bar->setSingleStep(kSmallChange);
        bar->setPageStep(kLargeChange);
        connect(bar, &QScrollBar::valueChanged, this,
                [this, bar](int value) { ScrollBarMoved(bar, value); });
    }
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(surface_, 0, 0);
    grid->addWidget(vbar_, 0, 1);
    grid->addWidget(hbar_, 1, 0);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(surface_);
}

void TPaintChild::SetScene(const TMapScene& scene) {
    scene_ = scene;
    InvalidateMap();
}

void TPaintChild::InvalidateMap() {
    surface_->Invalidate();
}

view::TPixelRect TPaintChild::PaintArea() const {
    return {0, 0, surface_->width(), surface_->height()};
}

void TPaintChild::PanPixels(int dx, int dy) {
    if ((dx == 0 && dy == 0) || !scene_.options) return;
    view::TScaler& s = scene_.options->Scaler();
    const double unit = s.Resolution() * s.Zoom();
    // The origin moves by exactly the pixels the image moves, so the reused part and the new
    // strips agree to the pixel.
    s.SetOrigin(s.OriginX() - dx / unit, s.OriginY() - dy / unit);
    surface_->Pan(dx, dy);
    SyncScrollBars();
    if (onViewChanged) onViewChanged();
}

void TPaintChild::ZoomAt(QPoint anchor, double factor) {
    if (!scene_.options) return;
    view::TScaler& s = scene_.options->Scaler();
    const view::TNormalPoint n = s.PixelToNormal(anchor.x(), anchor.y());
    s.MultiplyZoom(factor);
    const double unit = s.Resolution() * s.Zoom();
    s.SetOrigin(n.x - (anchor.x() - s.OffsetX()) / unit, n.y - (anchor.y() - s.OffsetY()) / unit);
    InvalidateMap();
    SyncScrollBars();
    if (onViewChanged) onViewChanged();
}

void TPaintChild::SyncScrollBars() {
    if (!scene_.options || syncing_) return;
    const view::TScaler& s = scene_.options->Scaler();
    syncing_ = true;
    lastH_ = int(std::lround(std::clamp(s.OriginX(), -1.0, 1.0) * kScrollRange));
    lastV_ = int(std::lround(std::clamp(s.OriginY(), -1.0, 1.0) * kScrollRange));
    hbar_->setValue(lastH_);
    vbar_->setValue(lastV_);
    syncing_ = false;
}

void TPaintChild::ScrollBarMoved(QScrollBar* bar, int value) {
    if (syncing_ || !scene_.options) return;
    const view::TScaler& s = scene_.options->Scaler();
    const double unit = s.Resolution() * s.Zoom();
    int& last = bar == hbar_ ? lastH_ : lastV_;
    // Towards the origin the bar names, in whole pixels, so that steps do not drift.
    const double origin = bar == hbar_ ? s.OriginX() : s.OriginY();
    const int pixels = int(std::lround((double(value) / kScrollRange - origin) * unit));
    // The bar keeps the position it was moved to; the origin follows in whole pixels.
    syncing_ = true;
    if (bar == hbar_)
        PanPixels(-pixels, 0);
    else
        PanPixels(0, -pixels);
    syncing_ = false;
    last = value;
}

void TPaintChild::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onResized) onResized();
}

void TPaintChild::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        hbar_->triggerAction(ctrl ? QAbstractSlider::SliderPageStepSub
                                  : QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        hbar_->triggerAction(ctrl ? QAbstractSlider::SliderPageStepAdd
                                  : QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Up:
        vbar_->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        vbar_->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        vbar_->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        vbar_->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

// ---- the surface ---------------------------------------------------------------------------

TMapSurface::TMapSurface(TPaintChild* owner) : QWidget(owner), owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
}

void TMapSurface::EnsureRendered() {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    if (cacheValid_ && cache_.size() == pixels) return;
    cache_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    cache_.setDevicePixelRatio(dpr);
    const TMapScene& scene = owner_->Scene();
    if (scene.options) scene.options->Scaler().SetPaintArea(owner_->PaintArea());
    QPainter p(&cache_);
    RenderStrip(p, rect());
    ++fullRenders_;
    cacheValid_ = true;
}

void TMapSurface::RenderStrip(QPainter& p, const QRect& strip) {
    const TMapScene& scene = owner_->Scene();
    const view::TPixelRect bounds{0, 0, width(), height()};
    const view::TPixelRect clip{strip.left(), strip.top(), strip.right() + 1, strip.bottom() + 1};
    if (!scene.options || !scene.project) {
        p.fillRect(strip, Qt::white);
        return;
    }
    RenderMap(scene, p, bounds, clip);
}

void TMapSurface::Pan(int dx, int dy) {
    if (!cacheValid_) {
        update();
        return;
    }
    const QRect all = rect();
    // On a screen with a fractional pixel ratio a moved image would fall between device
    // pixels: render it whole instead.
    const qreal dpr = cache_.devicePixelRatio();
    const bool whole = std::abs(dpr - std::round(dpr)) > 1e-9;
    if (whole || std::abs(dx) >= width() || std::abs(dy) >= height()) {
        cacheValid_ = false;
        update();
        return;
    }
    QImage moved(cache_.size(), cache_.format());
    moved.setDevicePixelRatio(cache_.devicePixelRatio());
    {
        QPainter p(&moved);
        p.drawImage(QPoint(dx, dy), cache_);
        // The strips that came into view: a column at the left or right, a row at the top or
        // bottom.
        if (dx > 0) RenderStrip(p, QRect(0, 0, dx, height()));
        if (dx < 0) RenderStrip(p, QRect(width() + dx, 0, -dx, height()));
        const QRect rest = all.adjusted(std::max(dx, 0), 0, std::min(dx, 0), 0);
        if (dy > 0) RenderStrip(p, QRect(rest.left(), 0, rest.width(), dy));
        if (dy < 0) RenderStrip(p, QRect(rest.left(), height() + dy, rest.width(), -dy));
    }
    cache_ = std::move(moved);
    ++stripRenders_;
    update();
}

void TMapSurface::paintEvent(QPaintEvent*) {
    EnsureRendered();
    QPainter p(this);
    p.drawImage(QPoint(0, 0), cache_);
    if (owner_->selection) {
        if (analysis::PSelection sel = owner_->selection()) DrawSelection(owner_->Scene(), *sel, p);
    }
    if (dragging_ && dragButton_ == Qt::LeftButton) {
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(QRect(pressPos_, lastPos_).normalized());
    }
}

void TMapSurface::resizeEvent(QResizeEvent*) {
    cacheValid_ = false;
}

void TMapSurface::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) return;
    owner_->ZoomAt(event->position().toPoint(), std::pow(1.2, steps));
    event->accept();
}

void TMapSurface::mousePressEvent(QMouseEvent* event) {
    setFocus();
    pressPos_ = lastPos_ = event->position().toPoint();
    dragButton_ = event->button();
    dragging_ = false;
    if (dragButton_ == Qt::MiddleButton) setCursor(Qt::ClosedHandCursor);
}

void TMapSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (dragButton_ == Qt::NoButton) {
        if (owner_->describeAt) owner_->describeAt(pos);
        return;
    }
    if ((pos - pressPos_).manhattanLength() >= 4) dragging_ = true;
    if (dragButton_ == Qt::MiddleButton) {
        const QPoint d = pos - lastPos_;
        lastPos_ = pos;
        owner_->PanPixels(d.x(), d.y());
        return;
    }
    lastPos_ = pos;
    if (dragging_) update();
}

void TMapSurface::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (dragButton_ == Qt::LeftButton) {
        if (dragging_ && owner_->onRubberBand)
            owner_->onRubberBand(QRect(pressPos_, pos).normalized());
        else if (!dragging_ && owner_->onClick)
            owner_->onClick(pos);
    }
    if (dragButton_ == Qt::MiddleButton) unsetCursor();
    dragButton_ = Qt::NoButton;
    dragging_ = false;
    update();
}

bool TMapSurface::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const std::string text = owner_->describeAt ? owner_->describeAt(help->pos()) : "";
        if (text.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), ToQ(text), this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace zep::shell
