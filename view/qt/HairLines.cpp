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

bool THairLineTarget::Stamp(std::span<const TStampRun> runs,
                            std::span<const std::uint32_t> colours, const TPixelRect& box) {
    if (!bits_) return false;
    const std::uint32_t* from = colours.data();
    if (box.left >= clip_.left && box.top >= clip_.top && box.right <= clip_.right &&
        box.bottom <= clip_.bottom) {
        // Nearly every symbol of a map: whole runs, without cutting each to the clip (which
        // lies within the image).
        for (const TStampRun& run : runs) {
            auto* row = reinterpret_cast<std::uint32_t*>(bits_ + (box.top + run.dy) * stride_);
            std::copy_n(from, run.count, row + box.left + run.dx);
            from += run.count;
        }
        return true;
    }
    // Qt does not draw a shape reaching past the image as the same shape cut at the edge (a
    // pixel differs now and then): those stay Qt's. Across the clip inside the image it does.
    if (box.left < image_.left || box.top < image_.top || box.right > image_.right ||
        box.bottom > image_.bottom)
        return false;
    for (const TStampRun& run : runs) {
        const int y = box.top + run.dy, x = box.left + run.dx;
        const int first = std::max(x, clip_.left), last = std::min(x + run.count, clip_.right);
        if (y >= clip_.top && y < clip_.bottom && first < last) {
            auto* row = reinterpret_cast<std::uint32_t*>(bits_ + y * stride_);
            std::copy_n(from + (first - x), last - first, row + first);
        }
        from += run.count;
    }
    return true;
}

bool THairLineTarget::Line(int x1, int y1, int x2, int y2, std::uint32_t argb) {
    if (!bits_ || (x1 == x2 && y1 == y2)) return false;
    // Every pixel a line touches lies within one pixel of the box of its end points.
    const int left = (std::min(x1, x2) >> 6) - 1, right = (std::max(x1, x2) >> 6) + 2;
    const int top = (std::min(y1, y2) >> 6) - 1, bottom = (std::max(y1, y2) >> 6) + 2;
    if (left >= clip_.left && top >= clip_.top && right <= clip_.right && bottom <= clip_.bottom) {
        Draw<false>(x1, y1, x2, y2, argb);
        return true;
    }
    if (clip_.IsEmpty()) return true;
    // A line reaching outside the clip is drawn pixel by pixel within it. One reaching outside
    // the image is first cut to the image with a pixel to spare (two on the right and at the
    // bottom) in floating point, and its new ends truncated to 1/64 pixels, as the raster
    // engine does: that moves what remains by a little, and the pixels must move alike.
    double fx1 = x1 / 64.0, fy1 = y1 / 64.0, fx2 = x2 / 64.0, fy2 = y2 / 64.0;
    const double xmin = image_.left - 1, xmax = image_.right + 1;
    const double ymin = image_.top - 1, ymax = image_.bottom + 1;
    auto cut = [](double& a1, double& b1, double& a2, double& b2, double low, double high) {
        if (a1 < low) {
            if (a2 <= low) return false;
            b1 += (b2 - b1) / (a2 - a1) * (low - a1);
            a1 = low;
        } else if (a1 > high) {
            if (a2 >= high) return false;
            b1 += (b2 - b1) / (a2 - a1) * (high - a1);
            a1 = high;
        }
        if (a2 < low) {
            b2 += (b2 - b1) / (a2 - a1) * (low - a2);
            a2 = low;
        } else if (a2 > high) {
            b2 += (b2 - b1) / (a2 - a1) * (high - a2);
            a2 = high;
        }
        return true;
    };
    if (!cut(fx1, fy1, fx2, fy2, xmin, xmax) || !cut(fy1, fx1, fy2, fx2, ymin, ymax)) return true;
    x1 = int(fx1 * 64);
    y1 = int(fy1 * 64);
    x2 = int(fx2 * 64);
    y2 = int(fy2 * 64);
    if (x1 == x2 && y1 == y2) return true;
    Draw<true>(x1, y1, x2, y2, argb);
    return true;
}

template <bool kClipped>
void THairLineTarget::Draw(int x1, int y1, int x2, int y2, std::uint32_t argb) {
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
    // The clip in the walk's axes: major from `low` to `high`, minor from `low2` to `high2`
    // (exclusive).
    const int low = steep ? clip_.top : clip_.left, high = steep ? clip_.bottom : clip_.right;
    const int low2 = steep ? clip_.left : clip_.top, high2 = steep ? clip_.right : clip_.bottom;
    unsigned char* row = kClipped ? nullptr : bits_ + step * major;
    auto pair = [&](unsigned weight) __attribute__((always_inline)) {
        const unsigned alpha = unsigned(pos >> 8) & 0xff;
        const int across = pos >> 16;
        if constexpr (kClipped) {
            if (step >= low && step < high) {
                auto pixel = [&](int a) -> std::uint32_t& {
                    return *reinterpret_cast<std::uint32_t*>(bits_ + step * major + a * minor);
                };
                if (across >= low2 && across < high2)
                    Blend(pixel(across), ((255 - alpha) * weight) >> 6, argb);
                if (across + 1 >= low2 && across + 1 < high2)
                    Blend(pixel(across + 1), (alpha * weight) >> 6, argb);
            }
            ++step;
        } else {
            unsigned char* at = row + qsizetype(across) * minor;
            Blend(*reinterpret_cast<std::uint32_t*>(at), ((255 - alpha) * weight) >> 6, argb);
            Blend(*reinterpret_cast<std::uint32_t*>(at + minor), (alpha * weight) >> 6, argb);
            row += major;
        }
        pos += inc;
    };
    const int first = step;
    pair(unsigned(alphaStart));
    for (int n = end - first - 1; n > 0; --n)
        pair(64);
    if (alphaEnd) pair(unsigned(alphaEnd));
}

} // namespace zep::view::qt
