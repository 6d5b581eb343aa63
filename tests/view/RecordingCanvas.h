// A canvas that draws nothing and keeps every call, for tests of painters and backgrounds.
#pragma once

#include "view/Canvas.h"

#include <string>
#include <vector>

namespace zep::view::testing {

/// One recorded drawing call with the pen, brush and font in force when it was made.
struct TDrawCall {
    enum TKind { Line, Polyline, Polygon, Rectangle, Ellipse, FillRect, Text, Band };
    TKind kind = Line;
    std::vector<TPixel> points; ///< the shape's points; a rectangle's two corners
    TPen pen;
    TBrush brush;
    TFont font;
    TColor color = 0; ///< FillRect and Band
    int width = 0;    ///< Band
    std::string text; ///< Text
    int escapement = 0;
    unsigned align = 0;
    TPixelRect clip;
};

class TRecordingCanvas : public ICanvas {
public:
    explicit TRecordingCanvas(TPixelRect bounds = {0, 0, 1000, 1000}) : bounds_(bounds) {}

    std::vector<TDrawCall> calls;

    void SetPen(const TPen& pen) override { pen_ = pen; }
    const TPen& Pen() const override { return pen_; }
    void SetBrush(const TBrush& brush) override { brush_ = brush; }
    const TBrush& Brush() const override { return brush_; }
    void SetFont(const TFont& font) override { font_ = font; }
    const TFont& Font() const override { return font_; }
    void SetClip(const TPixelRect& rect) override { clip_ = rect; }
    TPixelRect Clip() const override { return clip_.IsEmpty() ? bounds_ : clip_; }
    TPixelRect Bounds() const override { return bounds_; }

    void Line(TPixel from, TPixel to) override { Add(TDrawCall::Line, {from, to}); }
    void Polyline(std::span<const TPixel> points) override {
        Add(TDrawCall::Polyline, {points.begin(), points.end()});
    }
    void Polygon(std::span<const TPixel> points) override {
        Add(TDrawCall::Polygon, {points.begin(), points.end()});
    }
    void Rectangle(const TPixelRect& r) override {
        Add(TDrawCall::Rectangle, {{r.left, r.top}, {r.right, r.bottom}});
    }
    void Ellipse(const TPixelRect& r) override {
        Add(TDrawCall::Ellipse, {{r.left, r.top}, {r.right, r.bottom}});
    }
    void FillRect(const TPixelRect& r, TColor color) override {
        Add(TDrawCall::FillRect, {{r.left, r.top}, {r.right, r.bottom}}).color = color;
    }
    void Text(TPixel at, std::string_view text, int escapement, unsigned align) override {
        TDrawCall& call = Add(TDrawCall::Text, {at});
        call.text = std::string(text);
        call.escapement = escapement;
        call.align = align;
    }
    /// A fixed-pitch estimate: each character is as wide as half the font size plus two.
    TPixel TextExtent(std::string_view text) const override {
        return {static_cast<int>(text.size()) * (font_.size / 2 + 2), font_.size + 4};
    }
    void CardinalBand(std::span<const TPixel> points, TColor color, int width, float) override {
        TDrawCall& call = Add(TDrawCall::Band, {points.begin(), points.end()});
        call.color = color;
        call.width = width;
    }

    /// The calls of one kind, in order.
    std::vector<const TDrawCall*> OfKind(TDrawCall::TKind kind) const {
        std::vector<const TDrawCall*> out;
        for (const TDrawCall& c : calls)
            if (c.kind == kind) out.push_back(&c);
        return out;
    }

private:
    TDrawCall& Add(TDrawCall::TKind kind, std::vector<TPixel> points) {
        TDrawCall& call = calls.emplace_back();
        call.kind = kind;
        call.points = std::move(points);
        call.pen = pen_;
        call.brush = brush_;
        call.font = font_;
        call.clip = Clip();
        return call;
    }

    TPixelRect bounds_;
    TPixelRect clip_{};
    TPen pen_;
    TBrush brush_;
    TFont font_;
};

} // namespace zep::view::testing
