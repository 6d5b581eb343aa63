// Anti-aliased one-pixel straight lines written straight into a 32-bit image, pixel for pixel as
// Qt's raster engine draws them with a one-pixel flat-capped pen. A full view of a large study is
// hundreds of thousands of such lines a few pixels long; through QPainter each costs a pen change
// and a call far dearer than its dozen pixels.
#pragma once

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <span>

#include "view/Canvas.h"

namespace zep::view::qt {

/// Scan lines of an RGB32 or premultiplied ARGB32 image and the rectangle lines may touch.
class THairLineTarget {
public:
    /// Bound to what `painter` paints on when plain writes give what Qt would draw: a 32-bit
    /// image, no transform, source-over, full opacity, no clipping of the painter's own.
    /// Otherwise IsBound() is false and lines go through Qt.
    explicit THairLineTarget(QPainter& painter);
    THairLineTarget() = default;

    bool IsBound() const { return bits_ != nullptr; }
    /// Lines and shapes are drawn only inside `clip` (exclusive right and bottom), which is cut
    /// to the image.
    void SetClip(const TPixelRect& clip);

    /// Draws the line between two points given in 1/64 pixels, in an opaque colour (0xAARRGGBB
    /// with alpha 255), as far as it lies inside the clip, and returns true; false, drawing
    /// nothing, for a line of no length.
    bool Line(int x1, int y1, int x2, int y2, std::uint32_t argb);

    /// A run of opaque pixels of a small shape, on one row, relative to the top-left corner of
    /// the shape's box; their colours follow one another in the shape's colour list.
    struct TStampRun {
        std::int16_t dy = 0, dx = 0, count = 0;
    };
    /// Copies the runs' colours, in order, to `box`'s top-left corner, as far as they fall
    /// inside the clip, and returns true; false, drawing nothing, when the box reaches outside
    /// the image.
    bool Stamp(std::span<const TStampRun> runs, std::span<const std::uint32_t> colours,
               const TPixelRect& box);

private:
    template <bool kClipped> void Draw(int x1, int y1, int x2, int y2, std::uint32_t argb);
    static void Blend(std::uint32_t& pixel, unsigned coverage, std::uint32_t argb);

    unsigned char* bits_ = nullptr;
    qsizetype stride_ = 0;
    TPixelRect image_{};
    TPixelRect clip_{};
};

} // namespace zep::view::qt
