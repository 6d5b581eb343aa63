#include "view/qt/HairLines.h"

#include <QPaintEngine>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace zep::view::qt {

namespace {

/// Each channel of x times a/255, rounded as Qt's raster engine rounds it.
inline std::uint32_t ByteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

/// a / b in 16.16 fixed point, a and b in any common unit.
inline int FixedDiv(int a, int b) {
    if (std::abs(a) > 0x7fff) return int(std::int64_t(a) * 65536 / b);
    return a * 65536 / b;
}

// Images this size and smaller keep every 16.16 position of a line inside an int.
constexpr int kLargestSide = 16383;

} // namespace

THairLineTarget::THairLineTarget(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image || !painter.isActive()) return;
    auto* image = static_cast<QImage*>(device);
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return;
    if (image->format() != QImage::Format_RGB32 &&
        image->format() != QImage::Format_ARGB32_Premultiplied)
        return;
    if (image->devicePixelRatio() != 1.0 || !painter.deviceTransform().isIdentity() ||
        painter.hasClipping() || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return;
    if (image->width() > kLargestSide || image->height() > kLargestSide) return;
    // The painter draws into the image's own pixels; a write through a shared copy would not
    // reach them.
    if (!image->isDetached()) return;
    bits_ = image->bits();
    stride_ = image->bytesPerLine();
    image_ = {0, 0, image->width(), image->height()};
    clip_ = image_;
}

void THairLineTarget::SetClip(const TPixelRect& clip) {
    const TPixelRect c = clip.IsEmpty() ? image_ : clip;
    clip_ = {std::max(c.left, image_.left), std::max(c.top, image_.top),
             std::min(c.right, image_.right), std::min(c.bottom, image_.bottom)};
}

__attribute__((always_inline)) inline void
THairLineTarget::Blend(std::uint32_t& pixel, unsigned coverage, std::uint32_t argb) {
    // Nothing covered leaves the pixel as it is (Qt's blend of coverage 0 gives it back).
    if (coverage == 0) return;
    if (coverage >= 255) {
        pixel = argb;
        return;
    }
    const std::uint32_t c = ByteMul(argb, coverage);
    pixel = c + ByteMul(pixel, (~c) >> 24);
}

bool THairLineTarget::Stamp(std::span<const TStampPixel> pixels, const TPixelRect& box) {
    if (!bits_ || box.left < clip_.left || box.top < clip_.top || box.right > clip_.right ||
        box.bottom > clip_.bottom)
        return false;
    for (const TStampPixel& p : pixels)
        reinterpret_cast<std::uint32_t*>(bits_ + (box.top + p.dy) * stride_)[box.left + p.dx] =
            p.argb;
    return true;
}

bool THairLineTarget::Line(int x1, int y1, int x2, int y2, std::uint32_t argb) {
    if (!bits_ || (x1 == x2 && y1 == y2)) return false;
    // Every pixel a line touches lies within one pixel of the box of its end points.
    const int left = (std::min(x1, x2) >> 6) - 1, right = (std::max(x1, x2) >> 6) + 2;
    const int top = (std::min(y1, y2) >> 6) - 1, bottom = (std::max(y1, y2) >> 6) + 2;
    if (left < clip_.left || top < clip_.top || right > clip_.right || bottom > clip_.bottom)
        return false;

    // Walk the longer axis a pixel at a time; the shorter axis's position, in 16.16, splits each
    // step's coverage between the two pixels it falls between. The end pixels are covered in
    // proportion to the part of them the line spans.
    const bool steep = std::abs(x2 - x1) < std::abs(y2 - y1);
    if (steep) {
        std::swap(x1, y1);
        std::swap(x2, y2);
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int inc = FixedDiv(y2 - y1, x2 - x1);
    int pos = (y1 - 32) * (1 << 10);
    pos -= (((x1 & 63) - 32) * inc) >> 6;

    int step = x1 >> 6;
    const int end = x2 >> 6;
    int alphaStart = 64 - (x1 & 63), alphaEnd = x2 & 63;
    if (step == end) {
        alphaStart = x2 - x1;
        alphaEnd = 0;
    }
    // Along the major axis a step moves `major` bytes, across it `minor` bytes.
    const qsizetype major = steep ? stride_ : 4, minor = steep ? 4 : stride_;
    unsigned char* row = bits_ + step * major;
    auto pair = [&](unsigned weight) __attribute__((always_inline)) {
        const unsigned alpha = unsigned(pos >> 8) & 0xff;
        unsigned char* at = row + qsizetype(pos >> 16) * minor;
        Blend(*reinterpret_cast<std::uint32_t*>(at), ((255 - alpha) * weight) >> 6, argb);
        Blend(*reinterpret_cast<std::uint32_t*>(at + minor), (alpha * weight) >> 6, argb);
        pos += inc;
        row += major;
    };
    pair(unsigned(alphaStart));
    for (int n = end - step - 1; n > 0; --n)
        pair(64);
    if (alphaEnd) pair(unsigned(alphaEnd));
    return true;
}

} // namespace zep::view::qt
