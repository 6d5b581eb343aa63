// The map canvas on a QPainter, so one painter code draws on a widget, an image, an SVG
// generator, a PDF writer or a printer.
#pragma once

#include "view/Canvas.h"
#include "view/qt/HairLines.h"

#include <QFont>
#include <QPainter>
#include <QPen>

namespace zep::view::qt {

QColor ToQColor(TColor color);
/// The Qt font of a map font.
QFont ToQFont(const TFont& font);
/// Windows-1252 text of the study to a Qt string.
QString FromWindows1252(std::string_view text);

/// Draws on a QPainter that stays active as long as the canvas lives. The painter's state on
/// entry is saved and given back when the canvas goes.
class TQtCanvas : public ICanvas {
public:
    /// bounds: the drawable area in device pixels (the paint device's rectangle). direct: on an
    /// image, one-pixel straight bands and small node symbols may be written straight into its
    /// pixels, exactly as Qt would draw them (false: everything through Qt).
    TQtCanvas(QPainter& painter, const TPixelRect& bounds, bool direct = true);
    ~TQtCanvas() override;
    TQtCanvas(const TQtCanvas&) = delete;
    TQtCanvas& operator=(const TQtCanvas&) = delete;

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
    void ApplyMode(TPenMode mode);
    /// Draws the straight bands gathered so far; every other drawing call comes after them.
    void Flush();
    /// Anti-aliasing on for bands, off for everything else.
    void Smooth(bool on);
    /// Hands the current pen to Qt when it changed since.
    void ApplyPen();
    /// Hands the current brush to Qt when it changed since.
    void ApplyBrush();
    const QPoint* Points(std::span<const TPixel> points);
    /// Draws a small outlined and filled ellipse or rectangle from the pixels Qt drew for the
    /// same shape once; false when it cannot (not an image, outside the clip, too large).
    bool Stamp(bool ellipse, const TPixelRect& rect);

    QPainter& painter_;
    TPixelRect bounds_;
    TPixelRect clip_{};
    TPen pen_;
    TBrush brush_;
    TFont font_;
    QFont qfont_;
    TPenMode mode_ = TPenMode::Copy;
    std::vector<QPoint> scratch_;
    // Straight bands of one colour and width in a row are drawn in one call: a map is mostly
    // such bands, and a call per band costs more than its drawing.
    std::vector<QLineF> lines_;
    QPen bandPen_;
    // One-pixel straight bands on an image go straight into its pixels, as Qt would draw them.
    THairLineTarget hair_;
    bool smooth_ = false;
    bool penDirty_ = true;
    bool brushDirty_ = true;
};

} // namespace zep::view::qt
