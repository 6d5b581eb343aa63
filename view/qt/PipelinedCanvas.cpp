#include "view/qt/PipelinedCanvas.h"

#include <QFontMetrics>

#include <utility>

#include "view/qt/QtCanvas.h"

namespace zep::view::qt {

TPipelinedCanvas::TPipelinedCanvas(QPainter& painter, const TPixelRect& bounds)
    : painter_(painter), device_(painter.device()), bounds_(bounds), qfont_(ToQFont(font_)),
      current_(std::make_unique<TChunk>()) {
    current_->ops.reserve(kChunkOps);
    worker_ = std::thread([this] { Work(); });
}

TPipelinedCanvas::~TPipelinedCanvas() {
    try {
        Finish();
    } catch (...) {
        // A destructor must not throw, least of all while an exception unwinds the caller.
    }
}

void TPipelinedCanvas::Finish() {
    if (finished_) return;
    finished_ = true;
    Publish();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    ready_.notify_one();
    worker_.join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void TPipelinedCanvas::Work() {
    try {
        Draw();
    } catch (...) {
        // Handed to the caller by Finish; what is still queued is dropped unseen.
        std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
        queue_.clear();
        broken_ = true;
    }
}

void TPipelinedCanvas::Draw() {
    // The Qt canvas is made and dropped here: it saves the painter's state on entry and gives
    // it back when it goes, both while the caller leaves the painter alone.
    TQtCanvas canvas(painter_, bounds_);
    for (;;) {
        std::unique_ptr<TChunk> chunk;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty()) return;
            chunk = std::move(queue_.front());
            queue_.pop_front();
        }
        Replay(*chunk, canvas);
        chunk->Clear();
        std::lock_guard lock(mutex_);
        spare_.push_back(std::move(chunk));
    }
}

void TPipelinedCanvas::Publish() {
    if (current_->ops.empty()) return;
    std::unique_ptr<TChunk> next;
    {
        std::lock_guard lock(mutex_);
        if (broken_) { // nobody draws any more: keep the chunk for the next calls
            current_->Clear();
            return;
        }
        queue_.push_back(std::move(current_));
        if (!spare_.empty()) {
            next = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    ready_.notify_one();
    if (!next) {
        next = std::make_unique<TChunk>();
        next->ops.reserve(kChunkOps);
    }
    current_ = std::move(next);
}

TPipelinedCanvas::TOp& TPipelinedCanvas::Add(TOpKind kind) {
    if (current_->ops.size() >= kChunkOps) Publish();
    TOp& op = current_->ops.emplace_back();
    op.kind = kind;
    return op;
}

TPipelinedCanvas::TOp& TPipelinedCanvas::AddPoints(TOpKind kind, std::span<const TPixel> points) {
    TOp& op = Add(kind);
    op.first = std::uint32_t(current_->points.size());
    op.count = std::uint32_t(points.size());
    current_->points.insert(current_->points.end(), points.begin(), points.end());
    return op;
}

void TPipelinedCanvas::SetPen(const TPen& pen) {
    pen_ = pen;
    TOp& op = Add(TOpKind::Pen);
    op.color = pen.color;
    op.a = pen.width;
    op.style = std::uint8_t(pen.style);
    op.mode = std::uint8_t(pen.mode);
}

void TPipelinedCanvas::SetBrush(const TBrush& brush) {
    brush_ = brush;
    TOp& op = Add(TOpKind::Brush);
    op.color = brush.color;
    op.flag = brush.clear;
}

void TPipelinedCanvas::SetFont(const TFont& font) {
    font_ = font;
    qfont_ = ToQFont(font);
    TOp& op = Add(TOpKind::Font);
    op.first = std::uint32_t(current_->fonts.size());
    current_->fonts.push_back(font);
}

void TPipelinedCanvas::SetClip(const TPixelRect& rect) {
    clip_ = rect;
    TOp& op = Add(TOpKind::Clip);
    op.a = rect.left, op.b = rect.top, op.c = rect.right, op.d = rect.bottom;
}

void TPipelinedCanvas::Line(TPixel from, TPixel to) {
    TOp& op = Add(TOpKind::Line);
    op.a = from.x, op.b = from.y, op.c = to.x, op.d = to.y;
}

void TPipelinedCanvas::Polyline(std::span<const TPixel> points) {
    AddPoints(TOpKind::Polyline, points);
}

void TPipelinedCanvas::Polygon(std::span<const TPixel> points) {
    AddPoints(TOpKind::Polygon, points);
}

void TPipelinedCanvas::Rectangle(const TPixelRect& rect) {
    TOp& op = Add(TOpKind::Rectangle);
    op.a = rect.left, op.b = rect.top, op.c = rect.right, op.d = rect.bottom;
}

void TPipelinedCanvas::Ellipse(const TPixelRect& rect) {
    TOp& op = Add(TOpKind::Ellipse);
    op.a = rect.left, op.b = rect.top, op.c = rect.right, op.d = rect.bottom;
}

void TPipelinedCanvas::FillRect(const TPixelRect& rect, TColor color) {
    TOp& op = Add(TOpKind::FillRect);
    op.a = rect.left, op.b = rect.top, op.c = rect.right, op.d = rect.bottom;
    op.color = color;
}

void TPipelinedCanvas::Text(TPixel at, std::string_view text, int escapement, unsigned align) {
    TOp& op = Add(TOpKind::Text);
    op.a = at.x, op.b = at.y, op.c = escapement, op.d = int(align);
    op.first = std::uint32_t(current_->texts.size());
    current_->texts.emplace_back(text);
}

TPixel TPipelinedCanvas::TextExtent(std::string_view text) const {
    // As the Qt canvas measures: the same font on the same device.
    const QFontMetrics metrics(qfont_, device_);
    return {metrics.horizontalAdvance(FromWindows1252(text)), metrics.height()};
}

void TPipelinedCanvas::CardinalBand(std::span<const TPixel> points, TColor color, int width,
                                    float tension) {
    TOp& op = AddPoints(TOpKind::Band, points);
    op.color = color;
    op.a = width;
    op.tension = tension;
}

void TPipelinedCanvas::Replay(const TChunk& chunk, ICanvas& canvas) {
    for (const TOp& op : chunk.ops) {
        const std::span<const TPixel> points(chunk.points.data() + op.first, op.count);
        const TPixelRect rect{op.a, op.b, op.c, op.d};
        switch (op.kind) {
        case TOpKind::Pen:
            canvas.SetPen({op.color, op.a, TPenStyle(op.style), TPenMode(op.mode)});
            break;
        case TOpKind::Brush:
            canvas.SetBrush({op.color, op.flag});
            break;
        case TOpKind::Font:
            canvas.SetFont(chunk.fonts[op.first]);
            break;
        case TOpKind::Clip:
            canvas.SetClip(rect);
            break;
        case TOpKind::Line:
            canvas.Line({op.a, op.b}, {op.c, op.d});
            break;
        case TOpKind::Polyline:
            canvas.Polyline(points);
            break;
        case TOpKind::Polygon:
            canvas.Polygon(points);
            break;
        case TOpKind::Rectangle:
            canvas.Rectangle(rect);
            break;
        case TOpKind::Ellipse:
            canvas.Ellipse(rect);
            break;
        case TOpKind::FillRect:
            canvas.FillRect(rect, op.color);
            break;
        case TOpKind::Text:
            canvas.Text({op.a, op.b}, chunk.texts[op.first], op.c, unsigned(op.d));
            break;
        case TOpKind::Band:
            canvas.CardinalBand(points, op.color, op.a, op.tension);
            break;
        }
    }
}

} // namespace zep::view::qt
