// The drawing surface the map's painters and background drawings draw on.
//
// Painters speak in pixels and Windows colour values (0x00BBGGRR), as the map's settings and
// colour tables store them. The Qt backend (view/qt) draws on any paint device; the recording
// canvas of the tests keeps every call for inspection. Nothing here depends on Qt.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zep::view {

/// A colour as 0x00BBGGRR: red in the low byte.
using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(TColor c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(TColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(TColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

/// A point in device pixels, y growing downwards.
struct TPixel {
    int x = 0;
    int y = 0;
    friend bool operator==(const TPixel&, const TPixel&) = default;
};

/// A pixel rectangle; right and bottom are exclusive, as a clip rectangle of a repaint is.
struct TPixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(TPixel p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    /// True when the two rectangles share at least one pixel.
    bool Meets(const TPixelRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

enum class TPenStyle : std::uint8_t { Solid, Dash, Dot, DashDot, Clear };

/// How a stroke combines with what is already drawn. Xor and NotXor draw rubber bands that a
/// second identical stroke takes away again.
enum class TPenMode : std::uint8_t { Copy, Xor, NotXor };

struct TPen {
    TColor color = 0;
    int width = 1;
    TPenStyle style = TPenStyle::Solid;
    TPenMode mode = TPenMode::Copy;
    friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
    TColor color = 0xFFFFFF;
    bool clear = false; ///< no fill at all
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

struct TFont {
    std::string name = "Arial";
    int size = 8; ///< points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    friend bool operator==(const TFont&, const TFont&) = default;
};

/// Text alignment relative to the reference point: one horizontal and one vertical flag.
enum TTextAlign : unsigned {
    taLeft = 0,
    taCenter = 1,
    taRight = 2,
    taTop = 0,
    taBottom = 4,
    taBaseline = 8,
};

/// The canvas the painters draw on. Strokes use the current pen; closed shapes are filled with
/// the current brush and outlined with the pen. Text is Windows-1252, as the study holds it.
class ICanvas {
public:
    virtual ~ICanvas() = default;

    virtual void SetPen(const TPen& pen) = 0;
    virtual const TPen& Pen() const = 0;
    virtual void SetBrush(const TBrush& brush) = 0;
    virtual const TBrush& Brush() const = 0;
    virtual void SetFont(const TFont& font) = 0;
    virtual const TFont& Font() const = 0;

    /// Restricts all further drawing to the rectangle; an empty rectangle lifts the restriction.
    virtual void SetClip(const TPixelRect& rect) = 0;
    virtual TPixelRect Clip() const = 0;
    /// The whole drawable area.
    virtual TPixelRect Bounds() const = 0;

    virtual void Line(TPixel from, TPixel to) = 0;
    virtual void Polyline(std::span<const TPixel> points) = 0;
    virtual void Polygon(std::span<const TPixel> points) = 0;
    virtual void Rectangle(const TPixelRect& rect) = 0;
    virtual void Ellipse(const TPixelRect& rect) = 0;
    /// Fills without outline, whatever the pen and brush.
    virtual void FillRect(const TPixelRect& rect, TColor color) = 0;

    /// Draws text with a transparent background at the reference point, rotated
    /// counter-clockwise by escapement tenths of a degree, aligned by TTextAlign flags.
    virtual void Text(TPixel at, std::string_view text, int escapement, unsigned align) = 0;
    /// Width and height in pixels of the text in the current font, unrotated.
    virtual TPixel TextExtent(std::string_view text) const = 0;

    /// An anti-aliased cardinal spline through the points (tension 0.25 gives the map's gently
    /// rounded bands), stroked solid in the colour at the width.
    virtual void CardinalBand(std::span<const TPixel> points, TColor color, int width,
                              float tension = 0.25f) = 0;
};

} // namespace zep::view
