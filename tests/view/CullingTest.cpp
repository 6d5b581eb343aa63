// A paint of part of the map looks only at what the clip rectangle can show: on random studies
// and views, the links drawn are exactly those a brute-force filter over all links finds, in
// project order, and the nodes drawn those whose symbol meets the clip.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "tests/view/ViewTestStudy.h"

namespace zep::view::test {
namespace {

/// The link type painter, remembering which links and nodes it drew.
class TWatchingPainter : public TLinkTypePainter {
public:
    using TLinkTypePainter::TLinkTypePainter;
    std::vector<const TLink*> links;
    std::vector<const TNode*> nodes;
    void DrawLink(const TLink& link) override {
        links.push_back(&link);
        TLinkTypePainter::DrawLink(link);
    }
    void DrawNode(const TNode& node) override {
        const std::size_t before = static_cast<TRecordingCanvas*>(Canvas())->calls.size();
        TLinkTypePainter::DrawNode(node);
        if (static_cast<TRecordingCanvas*>(Canvas())->calls.size() > before) nodes.push_back(&node);
    }
    int Margin() const { return LinkMargin(); }
};

TPixelRect PixelBox(const TScaler& scaler, const std::vector<TFloatPoint>& points) {
    TPixelRect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const TFloatPoint& p : points) {
        const TPixel q = scaler.WorldToPixel(p);
        r = {std::min(r.left, q.x), std::min(r.top, q.y), std::max(r.right, q.x + 1),
             std::max(r.bottom, q.y + 1)};
    }
    return r;
}

void RandomStudy(TViewStudy& t, std::mt19937& rng, int mode) {
    std::uniform_real_distribution<double> unit(0, 1);
    const double scale = mode == 2 ? 0.5 : 1000; // degrees or metres
    const double x0 = mode == 2 ? 4.0 : 0, y0 = mode == 2 ? 51.0 : 0;
    const int nodes = 40 + int(unit(rng) * 200);
    for (int i = 0; i < nodes; ++i) {
        TNode* n = unit(rng) < 0.1 ? static_cast<TNode*>(t.p.NewMicroZone(1000 + i))
                                   : t.p.NewNode(1000 + i);
        n->SetPosition({x0 + scale * unit(rng), y0 + scale * unit(rng)});
    }
    std::uniform_int_distribution<int> pick(0, nodes - 1);
    const int links = nodes * 2;
    for (int i = 0; i < links; ++i) {
        TNode* a = t.p.FindNode(1000 + pick(rng));
        TNode* b = t.p.FindNode(1000 + pick(rng));
        if (a == b || t.p.FindLink(a, b)) continue;
        TLink* l = t.p.LinkBetween(a, b);
        if (unit(rng) < 0.85) l->SetLinkTypeIn(t.s, t.type); // the rest is not used
        if (unit(rng) < 0.3) {
            TPoint3Vector points;
            const int k = 1 + int(unit(rng) * 3);
            for (int j = 0; j < k; ++j) // some bend far out of their nodes' box
                points.push_back(
                    {x0 + scale * (-0.5 + 2 * unit(rng)), y0 + scale * (-0.5 + 2 * unit(rng)), 0});
            l->Polyline().SetPoints(points);
        }
    }
    TScaler& s = t.options.Scaler();
    s.SetCoordinateMode(mode);
    s.SetExtent(TPoint3{x0, y0, 0}, TPoint3{x0 + scale, y0 + scale, 0});
    s.ViewAll({0, 0, 1000, 1000});
    s.MultiplyZoom(std::pow(10.0, 2 * unit(rng)));
    s.SetOrigin(-1 + 2 * unit(rng), -1 + 2 * unit(rng));
}

TEST(CullingTest, ZoomedInPaintsDrawExactlyWhatMeetsTheClip) {
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> coord(0, 1000), size(1, 400);
    std::size_t drawnTotal = 0, linksTotal = 0;
    for (int round = 0; round < 60; ++round) {
        const int mode = round % 3;
        TViewStudy t;
        RandomStudy(t, rng, mode);
        TWatchingPainter painter(t.p, t.options);
        for (int view = 0; view < 5; ++view) {
            const int x = coord(rng), y = coord(rng);
            const TPixelRect clip{x, y, x + size(rng), y + size(rng)};
            painter.links.clear();
            painter.nodes.clear();
            TRecordingCanvas canvas;
            painter.Paint(canvas, clip, t.s);

            const int m = painter.Margin();
            const TPixelRect grown{clip.left - m, clip.top - m, clip.right + m, clip.bottom + m};
            std::vector<const TLink*> expected;
            for (std::size_t i = 0; i < t.p.Links().Count(); ++i) {
                const TLink* l = t.p.Links().Get(i);
                if (l->IsUsedIn(t.s) &&
                    PixelBox(t.options.Scaler(), l->GeometryPoints()).Meets(grown))
                    expected.push_back(l);
            }
            ASSERT_EQ(painter.links, expected) << "round " << round << " view " << view;

            std::vector<const TNode*> expectedNodes, zones;
            for (std::size_t i = 0; i < t.p.Nodes().Count(); ++i) {
                const TNode* n = t.p.Nodes().Get(i);
                const int r = n->IsZone() ? t.options.RadiusPixels(4 * t.options.nodeRadius)
                                          : t.options.NodeRadiusPixels();
                const TPixel p = t.options.Scaler().WorldToPixel(n->Position());
                if (!TPixelRect{p.x - r, p.y - r, p.x + r + 1, p.y + r + 1}.Meets(clip)) continue;
                if (n->IsZone())
                    zones.push_back(n);
                else if (n->IsUsedIn(t.s))
                    expectedNodes.push_back(n);
            }
            expectedNodes.insert(expectedNodes.end(), zones.begin(), zones.end());
            ASSERT_EQ(painter.nodes, expectedNodes) << "round " << round << " view " << view;
            drawnTotal += expected.size();
            linksTotal += t.p.Links().Count();
        }
    }
    // The views must have been neither empty nor everything.
    EXPECT_GT(drawnTotal, 100u);
    EXPECT_LT(drawnTotal, linksTotal / 2);
}

TEST(CullingTest, TheIndexFollowsEditsOfTheNetwork) {
    TViewStudy t;
    t.Link(1, 2);
    TNetworkIndex index(t.p);
    const TScaler& s = t.options.Scaler();
    std::vector<TLink*> out;
    const TPixelRect corner = s.WorldToPixelRect(analysis::TWorldRect::Of(95, 95, 100, 100));
    index.VisibleLinks(s, corner, 0, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(index.Builds(), 1u);
    // A new link is seen without being told.
    TLink* l = t.Link(3, 4);
    index.VisibleLinks(s, corner, 0, out);
    EXPECT_EQ(out, std::vector<TLink*>{l});
    EXPECT_EQ(index.Builds(), 2u);
    // A moved node needs Invalidate.
    t.N(4)->SetPosition({10, 100});
    t.N(3)->SetPosition({0, 90});
    index.Invalidate();
    index.VisibleLinks(s, corner, 0, out);
    EXPECT_TRUE(out.empty());
    // Repeated paints of the same view do not rebuild.
    index.VisibleLinks(s, corner, 0, out);
    EXPECT_EQ(index.Builds(), 3u);
    // The courses and positions painted from are those of the last build.
    std::span<const TNormalPoint> course;
    ASSERT_TRUE(index.LinkCourse(s, *l, course));
    ASSERT_EQ(course.size(), 2u);
    EXPECT_EQ(s.NormalToPixel(course[1]), s.WorldToPixel(TFloatPoint{10, 100}));
    TNormalPoint at;
    ASSERT_TRUE(index.NodePosition(s, *t.N(3), at));
    EXPECT_EQ(s.NormalToPixel(at), s.WorldToPixel(TFloatPoint{0, 90}));
    // Another scaler, or another extent, is not served from this build.
    TScaler other = s;
    EXPECT_FALSE(index.LinkCourse(other, *l, course));
    t.options.Scaler().SetExtent(TPoint3{0, 0, 0}, TPoint3{200, 200, 0});
    EXPECT_FALSE(index.LinkCourse(s, *l, course));
    index.VisibleLinks(s, corner, 0, out);
    EXPECT_TRUE(index.LinkCourse(s, *l, course));
}

} // namespace
} // namespace zep::view::test
