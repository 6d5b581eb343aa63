#include "view/qt/QtCanvas.h"

#include "foundation/CodePages.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace zep::view::qt {

QColor ToQColor(TColor color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

QString FromWindows1252(std::string_view text) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (unsigned char c : text)
        out.append(QChar(static_cast<char16_t>(Cp1252ToUnicode(c))));
    return out;
}

QFont ToQFont(const TFont& font) {
    QFont q(QString::fromStdString(font.name));
    q.setPointSize(std::max(1, font.size));
    q.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    q.setItalic(font.italic);
    q.setUnderline(font.underline);
    q.setStrikeOut(font.strikeout);
    return q;
}

namespace {

Qt::PenStyle ToQtStyle(TPenStyle style) {
    switch (style) {
    case TPenStyle::Solid:
        return Qt::SolidLine;
    case TPenStyle::Dash:
        return Qt::DashLine;
    case TPenStyle::Dot:
        return Qt::DotLine;
    case TPenStyle::DashDot:
        return Qt::DashDotLine;
    case TPenStyle::Clear:
        return Qt::NoPen;
    }
    return Qt::SolidLine;
}

/// A width of 0 or 1 is the one-pixel line; wider pens join and end round, as thick map lines
/// look best.
QPen ToQPen(const TPen& pen) {
    QPen q(ToQColor(pen.color));
    q.setWidth(std::max(1, pen.width));
    q.setStyle(ToQtStyle(pen.style));
    q.setCapStyle(pen.width > 1 ? Qt::RoundCap : Qt::SquareCap);
    q.setJoinStyle(Qt::RoundJoin);
    return q;
}

QRect ToQRect(const TPixelRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

TQtCanvas::TQtCanvas(QPainter& painter, const TPixelRect& bounds, bool direct)
    : painter_(painter), bounds_(bounds) {
    if (direct) hair_ = THairLineTarget(painter);
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setBackgroundMode(Qt::TransparentMode);
    SetPen(pen_);
    SetBrush(brush_);
    qfont_ = ToQFont(font_);
    painter_.setFont(qfont_);
}

TQtCanvas::~TQtCanvas() {
    Flush();
    painter_.restore();
}

void TQtCanvas::Flush() {
    if (lines_.empty()) return;
    Smooth(true);
    painter_.setPen(bandPen_);
    painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
    lines_.clear();
    penDirty_ = true;
}

void TQtCanvas::Smooth(bool on) {
    if (on == smooth_) return;
    smooth_ = on;
    painter_.setRenderHint(QPainter::Antialiasing, on);
}

void TQtCanvas::ApplyMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    // Raster operations exist on raster devices only; vector output (SVG, PDF) draws plainly.
    QPaintEngine* engine = painter_.paintEngine();
    if (mode != TPenMode::Copy && !(engine && engine->hasFeature(QPaintEngine::RasterOpModes)))
        return;
    switch (mode) {
    case TPenMode::Copy:
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case TPenMode::Xor:
        painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case TPenMode::NotXor:
        painter_.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        break;
    }
}

void TQtCanvas::SetPen(const TPen& pen) {
    // Bands drawn so far keep the raster operation they were drawn under.
    if (pen.mode != mode_) Flush();
    pen_ = pen;
    ApplyMode(pen.mode);
    penDirty_ = true; // handed to Qt when a stroke needs it: painters set a pen per link
}

void TQtCanvas::ApplyPen() {
    if (!penDirty_) return;
    penDirty_ = false;
    painter_.setPen(ToQPen(pen_));
}

void TQtCanvas::SetBrush(const TBrush& brush) {
    brush_ = brush;
    brushDirty_ = true; // handed to Qt when a shape needs it: painters set a brush per node
}

void TQtCanvas::ApplyBrush() {
    if (!brushDirty_) return;
    brushDirty_ = false;
    painter_.setBrush(brush_.clear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.color)));
}

void TQtCanvas::SetFont(const TFont& font) {
    // Making a Qt font costs more than a paint of a few links: painters set theirs per paint.
    if (font == font_) return;
    font_ = font;
    qfont_ = ToQFont(font);
    painter_.setFont(qfont_);
}

void TQtCanvas::SetClip(const TPixelRect& rect) {
    Flush();
    clip_ = rect;
    hair_.SetClip(rect);
    if (rect.IsEmpty())
        painter_.setClipping(false);
    else
        painter_.setClipRect(ToQRect(rect));
}

const QPoint* TQtCanvas::Points(std::span<const TPixel> points) {
    scratch_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        scratch_[i] = QPoint(points[i].x, points[i].y);
    return scratch_.data();
}

void TQtCanvas::Line(TPixel from, TPixel to) {
    Flush();
    Smooth(false);
    ApplyPen();
    painter_.drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
}

void TQtCanvas::Polyline(std::span<const TPixel> points) {
    Flush();
    Smooth(false);
    ApplyPen();
    if (points.size() < 2) return;
    painter_.drawPolyline(Points(points), static_cast<int>(points.size()));
}

void TQtCanvas::Polygon(std::span<const TPixel> points) {
    Flush();
    Smooth(false);
    ApplyPen();
    ApplyBrush();
    if (points.empty()) return;
    painter_.drawPolygon(Points(points), static_cast<int>(points.size()));
}

namespace {

/// A node or zone symbol (a few shapes repeated thousands of times) as Qt draws it, ready to be
/// copied: its opaque pixels in runs, or not usable.
struct TStampEntry {
    bool ellipse = false;
    int width = 0, height = 0;
    TPen pen;
    TBrush brush;
    int hints = 0;
    bool usable = false;
    std::vector<THairLineTarget::TStampRun> runs;
    std::vector<std::uint32_t> colours;
};

} // namespace

bool TQtCanvas::Stamp(bool ellipse, const TPixelRect& rect) {
    constexpr int kLargest = 48;
    if (!hair_.IsBound() || mode_ != TPenMode::Copy || rect.Width() < 1 || rect.Height() < 1 ||
        rect.Width() > kLargest || rect.Height() > kLargest || pen_.width > 4)
        return false;
    const int hints = int(painter_.renderHints());
    auto same = [&](const TStampEntry& e) {
        return e.ellipse == ellipse && e.width == rect.Width() && e.height == rect.Height() &&
               e.pen == pen_ && e.brush == brush_ && e.hints == hints;
    };
    // Shared by the canvases of a thread: a map is painted on a new canvas each time, and its
    // few symbols need not be drawn by Qt again for each paint.
    thread_local std::vector<TStampEntry> stamps;
    auto it = std::find_if(stamps.begin(), stamps.end(), same);
    if (it == stamps.end()) {
        if (stamps.size() >= 32) stamps.clear();
        TStampEntry& e = stamps.emplace_back();
        e.ellipse = ellipse;
        e.width = rect.Width();
        e.height = rect.Height();
        e.pen = pen_;
        e.brush = brush_;
        e.hints = hints;
        // Drawn by Qt once on a transparent image with a margin for the pen; without smoothing
        // every pixel is either untouched or opaque, and moving a shape by whole pixels moves
        // its pixels alike.
        const int pad = 1 + std::max(1, pen_.width);
        QImage image(rect.Width() + 2 * pad, rect.Height() + 2 * pad,
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter qp(&image);
            qp.setRenderHints(painter_.renderHints());
            qp.setRenderHint(QPainter::Antialiasing, false);
            qp.setPen(ToQPen(pen_));
            qp.setBrush(brush_.clear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.color)));
            const QRect shape(pad, pad, rect.Width() - 1, rect.Height() - 1);
            if (ellipse)
                qp.drawEllipse(shape);
            else
                qp.drawRect(shape);
        }
        e.usable = true;
        for (int y = 0; y < image.height() && e.usable; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(line[x]) == 0) continue;
                if (qAlpha(line[x]) != 255 || x == 0 || y == 0 || x + 1 == image.width() ||
                    y + 1 == image.height()) {
                    e.usable = false; // blended, or reaching the margin: leave it to Qt
                    break;
                }
                // Pixels next to each other on a row are copied as one run.
                if (e.runs.empty() || e.runs.back().dy != y ||
                    e.runs.back().dx + e.runs.back().count != x)
                    e.runs.push_back({std::int16_t(y), std::int16_t(x), 0});
                ++e.runs.back().count;
                e.colours.push_back(line[x]);
            }
        }
        it = std::prev(stamps.end());
    }
    if (!it->usable) return false;
    const int pad = 1 + std::max(1, pen_.width);
    Flush();
    return hair_.Stamp(it->runs, it->colours,
                       {rect.left - pad, rect.top - pad, rect.right + pad, rect.bottom + pad});
}

void TQtCanvas::Rectangle(const TPixelRect& rect) {
    if (Stamp(false, rect)) return;
    Flush();
    Smooth(false);
    ApplyPen();
    ApplyBrush();
    // The pixel rectangle's right and bottom are exclusive; Qt's outline includes its corners.
    painter_.drawRect(QRect(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1));
}

void TQtCanvas::Ellipse(const TPixelRect& rect) {
    if (Stamp(true, rect)) return;
    Flush();
    Smooth(false);
    ApplyPen();
    ApplyBrush();
    painter_.drawEllipse(QRect(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1));
}

void TQtCanvas::FillRect(const TPixelRect& rect, TColor color) {
    Flush();
    Smooth(false);
    ApplyPen();
    painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(color));
}

void TQtCanvas::Text(TPixel at, std::string_view text, int escapement, unsigned align) {
    Flush();
    Smooth(false);
    ApplyPen();
    if (text.empty()) return;
    const QString s = FromWindows1252(text);
    const QFontMetrics metrics(qfont_, painter_.device());
    const int width = metrics.horizontalAdvance(s);
    int dx = 0;
    if (align & taRight)
        dx = -width;
    else if (align & taCenter)
        dx = -width / 2;
    int dy = metrics.ascent(); // top
    if (align & taBaseline)
        dy = 0;
    else if (align & taBottom)
        dy = -metrics.descent();
    painter_.save();
    painter_.setPen(ToQColor(pen_.color));
    painter_.translate(at.x, at.y);
    if (escapement % 3600 != 0)
        painter_.rotate(-escapement / 10.0); // escapement turns counter-clockwise on screen
    painter_.drawText(QPoint(dx, dy), s);
    painter_.restore();
}

TPixel TQtCanvas::TextExtent(std::string_view text) const {
    const QFontMetrics metrics(qfont_, painter_.device());
    return {metrics.horizontalAdvance(FromWindows1252(text)), metrics.height()};
}

void TQtCanvas::CardinalBand(std::span<const TPixel> points, TColor color, int width,
                             float tension) {
    if (points.size() < 2) return;
    // Pixel centres lie at half coordinates here: a band through them keeps a one-pixel line
    // on one row of pixels instead of smearing it over two.
    auto P = [&](std::size_t i) { return QPointF(points[i].x + 0.5, points[i].y + 0.5); };
    const std::size_t n = points.size();
    if (n == 2 && width <= 1 && mode_ == TPenMode::Copy && hair_.IsBound()) {
        const int x1 = points[0].x, y1 = points[0].y, x2 = points[1].x, y2 = points[1].y;
        // Far-off points would overflow 1/64 pixels: such a line goes through Qt.
        constexpr int kFar = 1 << 20;
        if (std::abs(x1) < kFar && std::abs(y1) < kFar && std::abs(x2) < kFar &&
            std::abs(y2) < kFar) {
            Flush(); // what was drawn before stays underneath
            if (hair_.Line(x1 * 64 + 32, y1 * 64 + 32, x2 * 64 + 32, y2 * 64 + 32,
                           0xFF000000u | (std::uint32_t(RedOf(color)) << 16) |
                               (std::uint32_t(GreenOf(color)) << 8) | std::uint32_t(BlueOf(color))))
                return;
        }
    }
    const QColor qcolor = ToQColor(color);
    const int w = std::max(1, width);
    if (!lines_.empty() && (bandPen_.color() != qcolor || bandPen_.width() != w)) Flush();
    if (lines_.empty()) {
        bandPen_ = QPen(qcolor, w, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    }
    if (n == 2) {
        lines_.emplace_back(P(0), P(1));
        return;
    }
    // A cardinal spline as cubic Bezier pieces: at each inner point the tangent follows its
    // neighbours, scaled by the tension; the ends aim at their only neighbour.
    const double k = tension * 0.3;
    QPainterPath path(P(0));
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF p0 = P(i), p1 = P(i + 1);
        const QPointF before = i == 0 ? p0 : P(i - 1);
        const QPointF after = i + 2 < n ? P(i + 2) : p1;
        const QPointF c1 = i == 0 ? p0 + (p1 - p0) * k : p0 + (p1 - before) * k;
        const QPointF c2 = i + 2 == n ? p1 - (p1 - p0) * k : p1 - (after - p0) * k;
        path.cubicTo(c1, c2, p1);
    }
    const QPen pen = bandPen_;
    Flush();
    Smooth(true);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    brushDirty_ = true;
    painter_.drawPath(path);
    penDirty_ = true;
}

} // namespace zep::view::qt
