// The map transform: round trips over random views in all three coordinate modes, rectangles in
// both corner orders, extent growth, zoom limits, the direction of y, fitting, and the UTM grid.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/NODE.h"
#include "model/Project.h"
#include "view/OrvUTM.h"
#include "view/Scaler.h"

namespace zep::view {
namespace {

using model::TFloatPoint;
using model::TPoint3;

struct TRandomView {
    TScaler scaler;
    TFloatPoint lo, hi;
};

TRandomView MakeView(std::mt19937& rng, int mode) {
    std::uniform_real_distribution<double> unit(0, 1);
    TRandomView v;
    v.scaler.SetCoordinateMode(mode);
    if (mode == 2) {
        const double lat = -70 + 140 * unit(rng), lon = -180 + 354 * unit(rng);
        const double w = 0.001 + 5 * unit(rng), h = 0.001 + 5 * unit(rng);
        v.lo = {lon, lat};
        v.hi = {lon + w, std::min(lat + h, 80.0)};
    } else {
        const double x = -1e6 + 2e6 * unit(rng), y = -1e6 + 2e6 * unit(rng);
        const double size = std::pow(10.0, -2 + 7 * unit(rng));
        v.lo = {x, y};
        v.hi = {x + size * unit(rng), y + size * unit(rng)};
    }
    // Either corner order must give the same extent.
    if (unit(rng) < 0.5)
        v.scaler.SetExtent(TPoint3{v.lo.x, v.lo.y, 0}, TPoint3{v.hi.x, v.hi.y, 0});
    else
        v.scaler.SetExtent(TPoint3{v.hi.x, v.lo.y, 0}, TPoint3{v.lo.x, v.hi.y, 0});
    v.scaler.SetZoom(std::pow(10.0, -3 + 9 * unit(rng)));
    v.scaler.SetOrigin(-1 + 2 * unit(rng), -1 + 2 * unit(rng));
    v.scaler.SetPixelOffset(int(2000 * unit(rng)), int(2000 * unit(rng)));
    v.scaler.SetResolution(1 + int(3 * unit(rng)));
    return v;
}

TEST(ScalerTest, RandomRoundTripsStayWithinHalfAPixel) {
    std::mt19937 rng(2111);
    std::uniform_real_distribution<double> unit(0, 1);
    int checked = 0;
    for (int round = 0; round < 3000; ++round) {
        const int mode = round % 3;
        TRandomView v = MakeView(rng, mode);
        const TScaler& s = v.scaler;
        for (int k = 0; k < 10; ++k) {
            const TFloatPoint w{v.lo.x + (v.hi.x - v.lo.x) * unit(rng),
                                v.lo.y + (v.hi.y - v.lo.y) * unit(rng)};
            const TPixel p = s.WorldToPixel(w);
            if (std::abs(p.x) > 100000000 || std::abs(p.y) > 100000000) continue;
            const TFloatPoint back = s.PixelToWorld(p);
            // The world size of a pixel here, measured by stepping one pixel each way.
            const TFloatPoint stepX = s.PixelToWorld({p.x + 1, p.y});
            const TFloatPoint stepY = s.PixelToWorld({p.x, p.y + 1});
            const double tolX = 0.5 * (std::abs(stepX.x - back.x) + std::abs(stepY.x - back.x));
            const double tolY = 0.5 * (std::abs(stepX.y - back.y) + std::abs(stepY.y - back.y));
            const double eps = 1e-9 * (1 + std::abs(w.x) + std::abs(w.y));
            ASSERT_LE(std::abs(back.x - w.x), tolX * 1.001 + eps)
                << "mode " << mode << " round " << round;
            ASSERT_LE(std::abs(back.y - w.y), tolY * 1.001 + eps)
                << "mode " << mode << " round " << round;
            // The point found again lies in the same pixel.
            ASSERT_EQ(s.WorldToPixel(back), p);
            ++checked;
        }
        // Rectangles: both corner orders give the same ordered rectangle.
        const analysis::TWorldRect r = analysis::TWorldRect::Of(v.lo.x, v.lo.y, v.hi.x, v.hi.y);
        analysis::TWorldRect flipped = r;
        std::swap(flipped.left, flipped.right);
        std::swap(flipped.top, flipped.bottom);
        const TPixelRect a = s.WorldToPixelRect(r), b = s.WorldToPixelRect(flipped);
        ASSERT_EQ(a, b);
        ASSERT_LE(a.left, a.right);
        ASSERT_LE(a.top, a.bottom);
        const TPixelRect reversed{a.right, a.bottom, a.left, a.top};
        const analysis::TWorldRect wa = s.PixelToWorldRect(a), wb = s.PixelToWorldRect(reversed);
        ASSERT_EQ(wa, wb);
        ASSERT_LE(wa.left, wa.right);
        ASSERT_LE(wa.top, wa.bottom);
    }
    EXPECT_GT(checked, 20000);
}

TEST(ScalerTest, ExtentGrowsAroundASingleNode) {
    TScaler s;
    s.SetExtent(TPoint3{5, 7, 0}, TPoint3{5, 7, 0});
    EXPECT_EQ(s.ExtentMin(), (TPoint3{4, 6, 0}));
    EXPECT_EQ(s.ExtentMax(), (TPoint3{6, 8, 0}));
    EXPECT_EQ(s.HalfSize(), 1);
    // A flat extent (one side 0) grows on both axes too.
    s.SetExtent(TPoint3{0, 3, 0}, TPoint3{10, 3, 0});
    EXPECT_EQ(s.ExtentMin(), (TPoint3{-1, 2, 0}));
    EXPECT_EQ(s.ExtentMax(), (TPoint3{11, 4, 0}));
    EXPECT_EQ(s.HalfSize(), 6);
    // No nodes at all: the default box.
    s.SetExtent(analysis::TWorldRect{});
    EXPECT_EQ(s.ExtentMin(), (TPoint3{-1000, -1000, 0}));
    EXPECT_EQ(s.ExtentMax(), (TPoint3{1000, 1000, 0}));
}

TEST(ScalerTest, StudyExtentUnitesNodesAndBackground) {
    model::TProject p;
    EXPECT_EQ(StudyExtent(p), analysis::TWorldRect::Of(-1000, -1000, 1000, 1000));
    p.NewNode(1)->SetPosition({5, 7});
    TScaler s;
    s.SetExtent(StudyExtent(p));
    EXPECT_EQ(s.ExtentMin(), (TPoint3{4, 6, 0})); // one node: a 2 x 2 box
    p.NewNode(2)->SetPosition({50, -3});
    EXPECT_EQ(StudyExtent(p), analysis::TWorldRect::Of(5, -3, 50, 7));
    EXPECT_EQ(StudyExtent(p, analysis::TWorldRect::Of(-20, 0, 0, 100)),
              analysis::TWorldRect::Of(-20, -3, 50, 100));
}

TEST(ScalerTest, ZoomIsClampedAtItsLimits) {
    TScaler s;
    s.SetZoom(0.0009);
    EXPECT_EQ(s.Zoom(), 0.001);
    s.SetZoom(1000001);
    EXPECT_EQ(s.Zoom(), 1000000);
    s.ZoomIn();
    EXPECT_EQ(s.Zoom(), 1000000);
    s.SetZoom(1);
    s.ZoomIn();
    EXPECT_DOUBLE_EQ(s.Zoom(), 1.2);
    s.ZoomOut();
    EXPECT_DOUBLE_EQ(s.Zoom(), 1.0);
    s.SetZoom(std::nan(""));
    EXPECT_DOUBLE_EQ(s.Zoom(), 1.0);
    s.SetZoom(-5);
    EXPECT_EQ(s.Zoom(), 0.001);
}

TEST(ScalerTest, WindowModeMapsYDownwardsOthersUpwards) {
    for (int mode : {0, 1, 2}) {
        TScaler s;
        s.SetCoordinateMode(mode);
        s.SetExtent(TPoint3{10, 40, 0}, TPoint3{11, 41, 0});
        s.SetZoom(1000);
        s.SetPixelOffset(500, 500);
        const TPixel low = s.WorldToPixel(TFloatPoint{10.5, 40.2});
        const TPixel high = s.WorldToPixel(TFloatPoint{10.5, 40.8});
        if (mode == 0) {
            EXPECT_GT(high.y, low.y) << mode;
            EXPECT_EQ(s.YSign(), 1);
        } else {
            EXPECT_LT(high.y, low.y) << mode;
            EXPECT_EQ(s.YSign(), -1);
        }
        // x grows to the right in every mode.
        EXPECT_LT(s.WorldToPixel(TFloatPoint{10.2, 40.5}).x,
                  s.WorldToPixel(TFloatPoint{10.8, 40.5}).x);
    }
}

TEST(ScalerTest, NormalisedPixelsAndDistancesFollowTheFormulas) {
    TScaler s;
    s.SetExtent(TPoint3{0, 0, 0}, TPoint3{200, 100, 0}); // centre (100, 50), h = 100
    s.SetZoom(300);
    s.SetOrigin(0.25, -0.5);
    s.SetPixelOffset(400, 300);
    s.SetResolution(2);
    const TNormalPoint n = s.WorldToNormal(TFloatPoint{150, 80});
    EXPECT_DOUBLE_EQ(n.x, 0.5);
    EXPECT_DOUBLE_EQ(n.y, -0.3);
    const TPixel p = s.NormalToPixel(n);
    EXPECT_EQ(p.x, std::lround((0.5 - 0.25) * 2 * 300 + 400));
    EXPECT_EQ(p.y, std::lround((-0.3 + 0.5) * 2 * 300 + 300));
    EXPECT_EQ(s.WorldToPixels(10), std::lround(10.0 / 100 * 300 * 2));
    EXPECT_DOUBLE_EQ(s.PixelsToWorld(60), 60.0 / (2 * 300) * 100);
    // Far off-screen points are pinned, never wrapped onto the screen.
    s.SetZoom(1000000);
    const TPixel far = s.WorldToPixel(TFloatPoint{1e12, -1e12});
    EXPECT_GT(far.x, 100000000);
    EXPECT_GT(far.y, 100000000);
}

TEST(ScalerTest, FitAndViewAllShowTheRectangle) {
    TScaler s;
    s.SetExtent(TPoint3{0, 0, 0}, TPoint3{1000, 500, 0});
    const TPixelRect area{0, 0, 800, 600};
    s.ViewAll(area);
    const TPixelRect all = s.WorldToPixelRect(analysis::TWorldRect::Of(0, 0, 1000, 500));
    EXPECT_NEAR(all.Width(), 800, 1);
    EXPECT_NEAR((all.left + all.right) / 2, 400, 1);
    EXPECT_NEAR((all.top + all.bottom) / 2, 300, 1);
    // A tall rectangle fills the height.
    const analysis::TWorldRect tall = analysis::TWorldRect::Of(100, 100, 110, 300);
    s.Fit(tall, area);
    const TPixelRect t = s.WorldToPixelRect(tall);
    EXPECT_NEAR(t.Height(), 600, 1);
    EXPECT_NEAR((t.left + t.right) / 2, 400, 1);
    EXPECT_NEAR((t.top + t.bottom) / 2, 300, 1);
}

TEST(ScalerTest, GeographicModeDrawsOnTheUtmGridOfTheExtentsZone) {
    TScaler s;
    s.SetCoordinateMode(2);
    // Anaheim, California.
    s.SetExtent(TPoint3{-118.0, 33.78, 0}, TPoint3{-117.7, 33.90, 0});
    EXPECT_EQ(s.ZoneText(), "11S");
    // Normalised coordinates are UTM metres about the centre: compare with the converter.
    const TUTMCoord a = TUTMLLConverter().LLtoUTM(33.8, -117.9);
    const TUTMCoord b = TUTMLLConverter().LLtoUTM(33.85, -117.8);
    const TNormalPoint na = s.WorldToNormal(TFloatPoint{-117.9, 33.8});
    const TNormalPoint nb = s.WorldToNormal(TFloatPoint{-117.8, 33.85});
    EXPECT_NEAR((nb.x - na.x) * s.HalfSize(), b.easting - a.easting, 1e-6);
    EXPECT_NEAR(-(nb.y - na.y) * s.HalfSize(), b.northing - a.northing, 1e-6);

    // A study across the 120 degree meridian (zones 10 and 11) stays in one piece.
    s.SetExtent(TPoint3{-121.0, 37.0, 0}, TPoint3{-119.5, 38.0, 0});
    s.SetZoom(100000);
    const TPixel west = s.WorldToPixel(TFloatPoint{-120.000001, 37.5});
    const TPixel east = s.WorldToPixel(TFloatPoint{-119.999999, 37.5});
    EXPECT_LE(std::abs(east.x - west.x), 2);
    EXPECT_LE(std::abs(east.y - west.y), 1);
    // And across the equator.
    s.SetExtent(TPoint3{10.0, -0.5, 0}, TPoint3{11.0, 0.5, 0});
    const TPixel south = s.WorldToPixel(TFloatPoint{10.5, -0.000001});
    const TPixel north = s.WorldToPixel(TFloatPoint{10.5, 0.000001});
    EXPECT_LE(std::abs(south.y - north.y), 1);
}

} // namespace
} // namespace zep::view
