// The transform between the study's world coordinates and the pixels of the map: extent,
// normalised coordinates, zoom, view origin and the three coordinate modes.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "analysis/Selections.h"
#include "model/Polylines.h"
#include "view/Canvas.h"

namespace zep::model {
class TProject;
}

namespace zep::view {

/// What the map's extent covers: the nodes united with `background` (the background drawings'
/// extent), or (-1000, -1000)-(1000, 1000) when both are empty.
analysis::TWorldRect StudyExtent(const model::TProject& project,
                                 const analysis::TWorldRect& background = {});

/// Pixels far outside any device are pinned here: converting them to int must not wrap around
/// onto the screen, and a line to such a point must still leave in the right direction.
inline constexpr double kPixelLimit = 1.0e9;

/// The pixel a coordinate falls in: floor(v + 0.5), by truncation (the library's floor is a call
/// on the plain x86-64 target, and every point of a paint comes through here). Not a number,
/// nowhere sensible, gives 0.
inline int ToPixel(double v) {
    if (!(v == v)) return 0;
    const double h = std::clamp(v, -kPixelLimit, kPixelLimit) + 0.5;
    const int t = static_cast<int>(h);
    return t - (h < t ? 1 : 0);
}

/// A point in normalised coordinates: world coordinates (UTM metres in mode 2) centred on the
/// extent, divided by half its larger side, y pointing downwards on screen.
struct TNormalPoint {
    double x = 0;
    double y = 0;
    double z = 0;
};

/// World <-> normalised <-> pixel. Normalised coordinates depend only on the extent and the
/// coordinate mode; pixels also on zoom, view origin, pixel offset and resolution.
///
/// Coordinate modes (the project's "coordinate_system"): 0 window coordinates (y grows
/// downwards on screen), 1 cartesian (y grows upwards), 2 geographic: x is the longitude and y
/// the latitude in degrees, projected to UTM before normalising (y upwards).
class TScaler {
public:
    static constexpr double kMinZoom = 0.001;
    static constexpr double kMaxZoom = 1000000;

    TScaler();
    ~TScaler();
    TScaler(const TScaler&);
    TScaler& operator=(const TScaler&);

    // ---- state -------------------------------------------------------------------------------
    /// The world extent from two corners in any order; a side of width or height 0 grows by 1
    /// on each side first (a single node becomes a 2 x 2 box).
    void SetExtent(const model::TPoint3& a, const model::TPoint3& b);
    void SetExtent(const analysis::TWorldRect& rect);
    const model::TPoint3& ExtentMin() const { return min_; }
    const model::TPoint3& ExtentMax() const { return max_; }
    /// The extent's centre in projected coordinates (UTM metres in mode 2).
    const model::TPoint3& Centre() const { return centre_; }
    /// Half the larger side of the extent in projected coordinates.
    double HalfSize() const { return half_; }

    /// Clamped to [kMinZoom, kMaxZoom].
    void SetZoom(double zoom);
    double Zoom() const { return zoom_; }
    void MultiplyZoom(double factor) { SetZoom(zoom_ * factor); }

    void SetOrigin(double x, double y) {
        originX_ = x;
        originY_ = y;
    }
    double OriginX() const { return originX_; }
    double OriginY() const { return originY_; }

    void SetPixelOffset(int x, int y) {
        offsetX_ = x;
        offsetY_ = y;
    }
    /// Puts the pixel offset at the centre of the paint area.
    void SetPaintArea(const TPixelRect& area);
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }

    /// Pixels per screen pixel: 1 on screen, more on printers.
    void SetResolution(int factor);
    int Resolution() const { return resolution_; }

    /// 0, 1 or 2 (anything else is taken as 1).
    void SetCoordinateMode(int mode);
    int CoordinateMode() const { return mode_; }
    /// +1 in mode 0, -1 otherwise: the sign that turns world y into downward normalised y.
    double YSign() const { return mode_ == 0 ? 1.0 : -1.0; }
    /// The UTM zone text of the map in mode 2: the zone of the extent's centre, which serves
    /// every point of the map ("" in other modes).
    const std::string& ZoneText() const { return zoneText_; }
    /// The ellipsoid of the UTM conversions (an index of TUTMLLConverter's table).
    void SetEllipsoid(int index);
    int Ellipsoid() const { return ellipsoid_; }

    /// Counts changes of extent and coordinate mode: normalised coordinates computed earlier
    /// are stale once it moves.
    unsigned NormalRevision() const { return normalRevision_; }

    // ---- view commands -----------------------------------------------------------------------
    /// The view origin becomes the centre of `world` and the zoom grows so that `world` fills
    /// `pixels` in its tighter direction.
    void Fit(const analysis::TWorldRect& world, const TPixelRect& pixels);
    /// The whole extent centred in the paint area.
    void ViewAll(const TPixelRect& area);
    void ZoomIn() { MultiplyZoom(1.2); }
    void ZoomOut() { MultiplyZoom(0.8333333333333334); }

    // ---- transforms --------------------------------------------------------------------------
    TNormalPoint WorldToNormal(const model::TPoint3& w) const;
    TNormalPoint WorldToNormal(model::TFloatPoint w) const { return WorldToNormal({w.x, w.y, 0}); }
    model::TPoint3 NormalToWorld(const TNormalPoint& n) const;
    /// Normalised to pixel coordinates before rounding.
    double NormalToPixelX(double nx) const {
        return (nx - originX_) * resolution_ * zoom_ + offsetX_;
    }
    double NormalToPixelY(double ny) const {
        return (ny - originY_) * resolution_ * zoom_ + offsetY_;
    }
    TPixel NormalToPixel(const TNormalPoint& n) const {
        return {ToPixel(NormalToPixelX(n.x)), ToPixel(NormalToPixelY(n.y))};
    }
    TNormalPoint PixelToNormal(TPixel p) const;
    TNormalPoint PixelToNormal(double px, double py) const;

    TPixel WorldToPixel(model::TFloatPoint w) const { return NormalToPixel(WorldToNormal(w)); }
    TPixel WorldToPixel(const model::TPoint3& w) const { return NormalToPixel(WorldToNormal(w)); }
    model::TFloatPoint PixelToWorld(TPixel p) const;
    /// Both corners converted; the result is ordered whatever the corners' order.
    TPixelRect WorldToPixelRect(const analysis::TWorldRect& r) const;
    analysis::TWorldRect PixelToWorldRect(const TPixelRect& r) const;
    /// A world distance in pixels, rounded; and back.
    int WorldToPixels(double distance) const;
    double PixelsToWorld(double pixels) const;
    /// The world size of one pixel along x and y at `near` (they differ only in mode 2).
    model::TFloatPoint PixelWorldSize(model::TFloatPoint near) const;
    void WorldToPixels(std::span<const model::TFloatPoint> points, std::vector<TPixel>& out) const;
    void WorldToPixels(std::span<const model::TPoint3> points, std::vector<TPixel>& out) const;

private:
    void Recompute();
    /// Mode 2: (longitude, latitude) to (easting, northing); the identity otherwise.
    model::TFloatPoint Project(double x, double y) const;
    model::TFloatPoint Unproject(double e, double n) const;

    double originX_ = 0, originY_ = 0;
    double zoom_ = 1;
    int offsetX_ = 0, offsetY_ = 0;
    model::TPoint3 min_{-1, -1, 0}, max_{1, 1, 0};
    model::TPoint3 centre_{0, 0, 0};
    double half_ = 1;
    int resolution_ = 1;
    int mode_ = 1;
    unsigned normalRevision_ = 0;
    int ellipsoid_ = 22;
    std::string zoneText_;
    int utmZone_ = 31;
    bool utmNorth_ = true;
};

} // namespace zep::view
