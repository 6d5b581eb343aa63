// A canvas that draws on a second thread while its caller works out what to draw. The study is
// read from one thread only (its values, lists and link geometry keep lazy caches), so the
// painters stay on the caller's thread; what they ask of the canvas is queued in chunks and
// drawn, in the same order and through the same Qt canvas, by a worker that owns the QPainter
// until Finish. A full view of a large study costs then about the longer of the two halves
// instead of their sum.
#pragma once

#include <QFont>
#include <QPainter>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "view/Canvas.h"

namespace zep::view::qt {

class TPipelinedCanvas : public ICanvas {
public:
    /// `painter` must paint on an image (QImage): a widget paints in the GUI thread only. The
    /// caller does not touch the painter until Finish or the destructor returns.
    TPipelinedCanvas(QPainter& painter, const TPixelRect& bounds);
    /// Finishes; what the drawing thread threw is lost here (call Finish to see it).
    ~TPipelinedCanvas() override;
    TPipelinedCanvas(const TPipelinedCanvas&) = delete;
    TPipelinedCanvas& operator=(const TPipelinedCanvas&) = delete;

    /// Waits until everything asked so far is drawn and the painter's state is given back; the
    /// canvas draws nothing more afterwards. Passes on what the drawing thread threw.
    void Finish();

    void SetPen(const TPen& pen) override;
    const TPen& Pen() const override { return pen_; }
    void SetBrush(const TBrush& brush) override;
    const TBrush& Brush() const override { return brush_; }
    void SetFont(const TFont& font) override;
    const TFont& Font() const override { return font_; }
    void SetClip(const TPixelRect& rect) override;
    TPixelRect Clip() const override { return clip_.IsEmpty() ? bounds_ : clip_; }
    TPixelRect Bounds() const override { return bounds_; }

    void Line(TPixel from, TPixel to) override;
    void Polyline(std::span<const TPixel> points) override;
    void Polygon(std::span<const TPixel> points) override;
    void Rectangle(const TPixelRect& rect) override;
    void Ellipse(const TPixelRect& rect) override;
    void FillRect(const TPixelRect& rect, TColor color) override;
    void Text(TPixel at, std::string_view text, int escapement, unsigned align) override;
    TPixel TextExtent(std::string_view text) const override;
    void CardinalBand(std::span<const TPixel> points, TColor color, int width,
                      float tension) override;

private:
    enum class TOpKind : std::uint8_t {
        Pen,
        Brush,
        Font,
        Clip,
        Line,
        Polyline,
        Polygon,
        Rectangle,
        Ellipse,
        FillRect,
        Text,
        Band
    };
    /// One call. Rectangles and lines keep their coordinates in a..d; point lists, pens of a
    /// band and texts live in the chunk's side tables.
    struct TOp {
        TOpKind kind = TOpKind::Line;
        std::uint8_t style = 0, mode = 0;
        bool flag = false;
        TColor color = 0;
        int a = 0, b = 0, c = 0, d = 0;
        std::uint32_t first = 0, count = 0;
        float tension = 0;
    };
    struct TChunk {
        std::vector<TOp> ops;
        std::vector<TPixel> points;
        std::vector<std::string> texts;
        std::vector<TFont> fonts;
        void Clear() {
            ops.clear();
            points.clear();
            texts.clear();
            fonts.clear();
        }
    };
    static constexpr std::size_t kChunkOps = 4096;

    TOp& Add(TOpKind kind);
    TOp& AddPoints(TOpKind kind, std::span<const TPixel> points);
    /// Hands the current chunk to the worker.
    void Publish();
    void Work();
    void Draw();
    static void Replay(const TChunk& chunk, ICanvas& canvas);

    QPainter& painter_;
    QPaintDevice* device_;
    TPixelRect bounds_;
    TPixelRect clip_{};
    TPen pen_;
    TBrush brush_;
    TFont font_;
    QFont qfont_;
    std::unique_ptr<TChunk> current_;

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::unique_ptr<TChunk>> queue_;  // published, not yet drawn
    std::vector<std::unique_ptr<TChunk>> spare_; // drawn, for reuse
    bool closing_ = false;
    bool broken_ = false; // the drawing thread failed
    std::exception_ptr failure_;
    bool finished_ = false;
    std::thread worker_;
};

} // namespace zep::view::qt
