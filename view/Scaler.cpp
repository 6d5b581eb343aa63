#include "view/Scaler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/NODE.h"
#include "model/Project.h"
#include "view/OrvUTM.h"

namespace zep::view {

using model::TFloatPoint;
using model::TPoint3;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

/// The transverse Mercator series of the UTM grid about a given central meridian: the map keeps
/// one zone for all its points, also those beyond the zone's edge, so that a study straddling
/// two zones does not tear apart. `south` adds the false northing of the southern hemisphere.
TFloatPoint TransverseMercator(const TEllipsoid& el, double latitude, double longitude,
                               double centralMeridian, bool south) {
    const double a = el.radius, e2 = el.eccSquared, e4 = e2 * e2, e6 = e4 * e2;
    const double ep2 = e2 / (1.0 - e2);
    double dLon = std::fmod(longitude - centralMeridian, 360.0);
    if (dLon >= 180) dLon -= 360;
    if (dLon < -180) dLon += 360;
    const double phi = latitude * kDeg;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi), tanPhi = std::tan(phi);
    const double N = a / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
    const double T = tanPhi * tanPhi;
    const double C = ep2 * cosPhi * cosPhi;
    const double A = cosPhi * dLon * kDeg;
    const double M = a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
                          (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
                          (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) -
                          (35 * e6 / 3072) * std::sin(6 * phi));
    const double A2 = A * A, A3 = A2 * A, A4 = A3 * A, A5 = A4 * A, A6 = A5 * A;
    const double k0 = 0.9996;
    const double easting =
        k0 * N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120) +
        500000.0;
    double northing = k0 * (M + N * tanPhi *
                                    (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                                     (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
    if (south) northing += 10000000.0;
    return {easting, northing};
}

} // namespace

analysis::TWorldRect StudyExtent(const model::TProject& project,
                                 const analysis::TWorldRect& background) {
    analysis::TWorldRect r = background;
    const model::TNodeList& nodes = project.Nodes();
    for (std::size_t i = 0; i < nodes.Count(); ++i) {
        const TFloatPoint p = nodes.Get(i)->Position();
        if (std::isfinite(p.x) && std::isfinite(p.y)) r.Include(p);
    }
    if (r.empty) r = analysis::TWorldRect::Of(-1000, -1000, 1000, 1000);
    return r;
}

TScaler::TScaler() {
    Recompute();
}
TScaler::~TScaler() = default;
TScaler::TScaler(const TScaler&) = default;
TScaler& TScaler::operator=(const TScaler&) = default;

void TScaler::SetExtent(const TPoint3& a, const TPoint3& b) {
    min_ = {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
    max_ = {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
    if (max_.x - min_.x == 0 || max_.y - min_.y == 0) {
        min_.x -= 1;
        min_.y -= 1;
        max_.x += 1;
        max_.y += 1;
    }
    Recompute();
}

void TScaler::SetExtent(const analysis::TWorldRect& r) {
    if (r.empty)
        SetExtent(TPoint3{-1000, -1000, 0}, TPoint3{1000, 1000, 0});
    else
        SetExtent(TPoint3{r.left, r.top, 0}, TPoint3{r.right, r.bottom, 0});
}

void TScaler::SetZoom(double zoom) {
    if (!(zoom == zoom)) return;
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
}

void TScaler::SetPaintArea(const TPixelRect& area) {
    offsetX_ = area.left + area.Width() / 2;
    offsetY_ = area.top + area.Height() / 2;
}

void TScaler::SetResolution(int factor) {
    resolution_ = std::max(1, factor);
}

void TScaler::SetEllipsoid(int index) {
    TUTMLLConverter check;
    check.SetEllipsoid(index); // refuses an index outside the table
    ellipsoid_ = index;
    Recompute();
}

void TScaler::SetCoordinateMode(int mode) {
    mode_ = (mode == 0 || mode == 2) ? mode : 1;
    Recompute();
}

void TScaler::Recompute() {
    ++normalRevision_;
    if (mode_ == 2) {
        // The zone of the extent's centre serves the whole map: points of a neighbouring zone
        // projected with their own meridian would land hundreds of kilometres apart.
        const double lon = (min_.x + max_.x) / 2, lat = (min_.y + max_.y) / 2;
        const TUTMCoord c = TUTMLLConverter(ellipsoid_).LLtoUTM(lat, lon);
        zoneText_ = c.zone;
        utmZone_ = TUTMLLConverter::ZoneNumber(lat, lon);
        utmNorth_ = !(lat < 0);
        double lo[2] = {std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::infinity()};
        double hi[2] = {-lo[0], -lo[1]};
        for (double x : {min_.x, lon, max_.x})
            for (double y : {min_.y, lat, max_.y}) {
                const TFloatPoint p = Project(x, y);
                lo[0] = std::min(lo[0], p.x);
                lo[1] = std::min(lo[1], p.y);
                hi[0] = std::max(hi[0], p.x);
                hi[1] = std::max(hi[1], p.y);
            }
        centre_ = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (min_.z + max_.z) / 2};
        half_ = std::max(hi[0] - lo[0], hi[1] - lo[1]) / 2;
    } else {
        zoneText_.clear();
        centre_ = {(min_.x + max_.x) / 2, (min_.y + max_.y) / 2, (min_.z + max_.z) / 2};
        half_ = std::max(max_.x - min_.x, max_.y - min_.y) / 2;
    }
    if (!(half_ > 0) || !std::isfinite(half_)) half_ = 1;
}

TFloatPoint TScaler::Project(double x, double y) const {
    if (mode_ != 2) return {x, y};
    return TransverseMercator(TUTMLLConverter::Ellipsoids()[std::size_t(ellipsoid_)], y, x,
                              utmZone_ * 6 - 183, !utmNorth_);
}

TFloatPoint TScaler::Unproject(double e, double n) const {
    if (mode_ != 2) return {e, n};
    double lat = 0, lon = 0;
    TUTMLLConverter(ellipsoid_).UTMtoLL({n, e, zoneText_}, lat, lon);
    return {lon, lat};
}

TNormalPoint TScaler::WorldToNormal(const TPoint3& w) const {
    const TFloatPoint p = Project(w.x, w.y);
    return {(p.x - centre_.x) / half_, YSign() * (p.y - centre_.y) / half_,
            (w.z - centre_.z) / half_};
}

TPoint3 TScaler::NormalToWorld(const TNormalPoint& n) const {
    const TFloatPoint p = Unproject(n.x * half_ + centre_.x, YSign() * n.y * half_ + centre_.y);
    return {p.x, p.y, n.z * half_ + centre_.z};
}

TNormalPoint TScaler::PixelToNormal(double px, double py) const {
    const double scale = resolution_ * zoom_;
    return {(px - offsetX_) / scale + originX_, (py - offsetY_) / scale + originY_, 0};
}

TNormalPoint TScaler::PixelToNormal(TPixel p) const {
    return PixelToNormal(double(p.x), double(p.y));
}

TFloatPoint TScaler::PixelToWorld(TPixel p) const {
    const TPoint3 w = NormalToWorld(PixelToNormal(p));
    return {w.x, w.y};
}

TPixelRect TScaler::WorldToPixelRect(const analysis::TWorldRect& r) const {
    const TPixel a = WorldToPixel(TFloatPoint{r.left, r.top});
    const TPixel b = WorldToPixel(TFloatPoint{r.right, r.bottom});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

analysis::TWorldRect TScaler::PixelToWorldRect(const TPixelRect& r) const {
    const TFloatPoint a = PixelToWorld({r.left, r.top});
    const TFloatPoint b = PixelToWorld({r.right, r.bottom});
    return analysis::TWorldRect::Of(a.x, a.y, b.x, b.y);
}

int TScaler::WorldToPixels(double distance) const {
    return ToPixel(distance / half_ * zoom_ * resolution_);
}

double TScaler::PixelsToWorld(double pixels) const {
    return pixels / (resolution_ * zoom_) * half_;
}

TFloatPoint TScaler::PixelWorldSize(TFloatPoint near) const {
    if (mode_ != 2) {
        const double s = PixelsToWorld(1);
        return {s, s};
    }
    // Geographic: measure one pixel's step in degrees around the point.
    const TNormalPoint n = WorldToNormal(near);
    const double step = 1.0 / (resolution_ * zoom_);
    const TPoint3 a = NormalToWorld(n);
    const TPoint3 bx = NormalToWorld({n.x + step, n.y, 0});
    const TPoint3 by = NormalToWorld({n.x, n.y + step, 0});
    return {std::hypot(bx.x - a.x, bx.y - a.y) + std::abs(by.x - a.x),
            std::hypot(by.x - a.x, by.y - a.y) + std::abs(bx.y - a.y)};
}

void TScaler::WorldToPixels(std::span<const TFloatPoint> points, std::vector<TPixel>& out) const {
    out.clear();
    out.reserve(points.size());
    for (const TFloatPoint& p : points)
        out.push_back(WorldToPixel(p));
}

void TScaler::WorldToPixels(std::span<const TPoint3> points, std::vector<TPixel>& out) const {
    out.clear();
    out.reserve(points.size());
    for (const TPoint3& p : points)
        out.push_back(WorldToPixel(p));
}

void TScaler::Fit(const analysis::TWorldRect& world, const TPixelRect& pixels) {
    if (world.empty) return;
    const TNormalPoint a = WorldToNormal(TFloatPoint{world.left, world.top});
    const TNormalPoint b = WorldToNormal(TFloatPoint{world.right, world.bottom});
    originX_ = (a.x + b.x) / 2;
    originY_ = (a.y + b.y) / 2;
    const double scale = resolution_ * zoom_;
    const double w = std::abs(b.x - a.x) * scale, h = std::abs(b.y - a.y) * scale;
    double factor = std::numeric_limits<double>::infinity();
    if (w > 0) factor = std::min(factor, pixels.Width() / w);
    if (h > 0) factor = std::min(factor, pixels.Height() / h);
    if (std::isfinite(factor) && factor > 0) SetZoom(zoom_ * factor);
}

void TScaler::ViewAll(const TPixelRect& area) {
    SetPaintArea(area);
    originX_ = originY_ = 0;
    zoom_ = 1;
    Fit(analysis::TWorldRect::Of(min_.x, min_.y, max_.x, max_.y), area);
}

} // namespace zep::view
