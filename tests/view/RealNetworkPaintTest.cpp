// A real road network with geographic node positions (Anaheim, longitude and latitude) drawn in
// coordinate mode 2: on the UTM grid of zone 11, true to the ground's proportions, whole on the
// screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "files/TntpImport.h"
#include "model/LINK.h"
#include "model/Project.h"
#include "tests/view/RecordingCanvas.h"
#include "view/NetViewOptions.h"
#include "view/Painter.h"

namespace zep::view {
namespace {

/// Metres between two longitude/latitude positions on a sphere of the earth's mean radius.
double GroundDistance(model::TFloatPoint a, model::TFloatPoint b) {
    const double k = 3.14159265358979323846 / 180;
    const double dLat = (b.y - a.y) * k, dLon = (b.x - a.x) * k;
    const double h =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(a.y * k) * std::cos(b.y * k) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * 6371008.8 * std::asin(std::sqrt(h));
}

TEST(RealNetworkPaintTest, AnaheimDrawsOnTheUtmGridOfZone11) {
    const std::string dir = std::string(ZEP_SHARED_DATA) + "/networks/Anaheim/";
    model::TProject p;
    files::ImportTntpFiles(p, dir + "Anaheim_net.tntp", "", dir + "anaheim_nodes.geojson", "");
    ASSERT_EQ(p.CoordinateSystem(), 2);
    ASSERT_GT(p.Links().Count(), 900u);

    TNetViewOptions options;
    TScaler& s = options.Scaler();
    s.SetCoordinateMode(p.CoordinateSystem());
    s.SetExtent(StudyExtent(p));
    const TPixelRect screen{0, 0, 1920, 1080};
    s.ViewAll(screen);
    EXPECT_EQ(s.ZoneText(), "11S");

    // The projection keeps the ground's proportions: pixels per metre agree over every link
    // (transverse Mercator is conformal; the scale varies by far less than a percent here).
    std::vector<double> pixelsPerMetre;
    for (std::size_t i = 0; i < p.Links().Count(); ++i) {
        const model::TLink* l = p.Links().Get(i);
        const model::TFloatPoint a = l->Tail()->Position(), b = l->Head()->Position();
        const double metres = GroundDistance(a, b);
        if (metres < 500) continue; // short links suffer from rounding to pixels
        const TNormalPoint na = s.WorldToNormal(a), nb = s.WorldToNormal(b);
        const double pixels = std::hypot(s.NormalToPixelX(nb.x) - s.NormalToPixelX(na.x),
                                         s.NormalToPixelY(nb.y) - s.NormalToPixelY(na.y));
        pixelsPerMetre.push_back(pixels / metres);
    }
    ASSERT_GT(pixelsPerMetre.size(), 100u);
    std::sort(pixelsPerMetre.begin(), pixelsPerMetre.end());
    const double median = pixelsPerMetre[pixelsPerMetre.size() / 2];
    EXPECT_LT(pixelsPerMetre.back() / pixelsPerMetre.front(), 1.01);
    EXPECT_GT(median, 0);

    // North is up: a node further north is higher on the screen.
    const model::TFloatPoint south{-117.9, 33.8}, north{-117.9, 33.85};
    EXPECT_LT(s.WorldToPixel(north).y, s.WorldToPixel(south).y);

    // Every link is painted, and the whole network fits the screen.
    testing::TRecordingCanvas canvas(screen);
    auto painter = CreatePainter("TLinkTypePainter", p, options);
    painter->Paint(canvas, screen, p.BaseScenario());
    const auto bands = canvas.OfKind(testing::TDrawCall::Band);
    EXPECT_EQ(bands.size(), p.Links().Count());
    for (const auto* band : bands)
        for (const TPixel& q : band->points)
            ASSERT_TRUE((TPixelRect{-10, -10, 1930, 1090}.Contains(q)));
}

} // namespace
} // namespace zep::view
