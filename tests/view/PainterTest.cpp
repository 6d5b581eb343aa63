// The painters on the recording canvas: route bands side by side, non-stops, grey and hidden
// links, link type widths, symmetry and change colours, link labels, node and zone symbols,
// polyline points, node labels, settings and the tab order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/SampleStudy.h"
#include "tests/view/ViewTestStudy.h"
#include "view/ViewSettings.h"

namespace zep::view::test {
namespace {

/// The study of TViewStudy with the square drawn inside the canvas, not on its border.
struct TPainterStudy : TViewStudy {
    explicit TPainterStudy(int mode = 1) : TViewStudy(mode) {
        options.Scaler().SetExtent(TPoint3{-25, -25, 0}, TPoint3{125, 125, 0});
        options.Scaler().ViewAll({0, 0, 1000, 1000});
    }
    /// The unrounded pixel y of a node.
    double PixelY(std::int32_t node) const {
        const TScaler& sc = options.Scaler();
        return sc.NormalToPixelY(sc.WorldToNormal(p.FindNode(node)->Position()).y);
    }
};

std::vector<const TDrawCall*> Strokes(const TRecordingCanvas& c) {
    std::vector<const TDrawCall*> out;
    for (const TDrawCall& call : c.calls)
        if (call.kind == TDrawCall::Band || call.kind == TDrawCall::Polyline) out.push_back(&call);
    return out;
}

TEST(PainterTest, RouteBandsLieSideBySideInColourOrder) {
    TPainterStudy t;
    TLink* l = t.Link(1, 2);
    // Colour 5 is added first: the bands still come in colour order.
    TRoute* b = t.Route(t.bus, 20, {l}); // 10 x 20 / 40 = 5 pixels
    TRoute* a = t.Route(t.bus, 12, {l}); // 10 x 12 / 40 = 3 pixels
    auto painter = CreatePainter("TRoutePainter", t.p, t.options);
    auto& routes = static_cast<TRoutePainter&>(*painter);
    routes.ColorMap().Set(std::size_t(b->ListIndex()), 5);
    routes.ColorMap().Set(std::size_t(a->ListIndex()), 3);
    TRecordingCanvas canvas;
    painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
    const auto bands = canvas.OfKind(TDrawCall::Band);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0]->color, PaletteColor(3));
    EXPECT_EQ(bands[0]->width, 3);
    EXPECT_EQ(bands[1]->color, PaletteColor(5));
    EXPECT_EQ(bands[1]->width, 5);
    // East-going link, y up: the bands lie below the course (to its right), the first one
    // separation + half its width off, the second beyond the first and one more separation.
    const double centre = t.PixelY(1);
    EXPECT_NEAR(bands[0]->points.front().y - centre, 1 + 1.5, 0.5);
    EXPECT_NEAR(bands[1]->points.front().y - centre, 1 + 3 + 1 + 2.5, 0.5);
    EXPECT_EQ(bands[0]->points.front().x, t.Pixel(1).x);
    EXPECT_EQ(bands[0]->points.back().x, t.Pixel(2).x);

    // A route that does not stop there draws a dotted line one pixel wide.
    a->LinkRoutes().Get(0)->SetValueIn(t.s, TLinkRoute::kNoTransfers, TValue(true));
    routes.InvalidateMeasure(); // as the window does after every edit
    canvas.calls.clear();
    painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
    auto strokes = Strokes(canvas);
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0]->kind, TDrawCall::Polyline);
    EXPECT_EQ(strokes[0]->pen.style, TPenStyle::Dot);
    EXPECT_EQ(strokes[0]->pen.width, 1);
    EXPECT_EQ(strokes[0]->pen.color, PaletteColor(3));
    EXPECT_EQ(strokes[1]->kind, TDrawCall::Band);
    EXPECT_NEAR(strokes[1]->points.front().y - centre, 1 + 1 + 1 + 2.5, 0.5);
    // Without showing non-stops it is an ordinary band again.
    t.options.showNonStops = false;
    canvas.calls.clear();
    painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
    EXPECT_EQ(canvas.OfKind(TDrawCall::Band).size(), 2u);
    EXPECT_TRUE(canvas.OfKind(TDrawCall::Polyline).empty());
}

TEST(PainterTest, LinksWithoutRoutesAreThinGreyOrHidden) {
    TPainterStudy t;
    t.Link(3, 4);
    TRecordingCanvas canvas;
    auto painter = t.Paint("TRoutePainter", canvas);
    auto bands = canvas.OfKind(TDrawCall::Band);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0]->color, PaletteColor(0));
    EXPECT_EQ(bands[0]->width, 1);
    EXPECT_NEAR(bands[0]->points.front().y - t.PixelY(3), 1, 0.5);

    t.options.hideGrayedLinks = true;
    t.options.linkLabelIndex = 1;
    canvas.calls.clear();
    painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
    EXPECT_TRUE(Strokes(canvas).empty());
    EXPECT_TRUE(canvas.OfKind(TDrawCall::Text).empty());
    // The colour painters hide their grey links the same way, coloured ones stay with labels.
    TLink* typed = t.Link(1, 2);
    t.p.FindLink(t.N(3), t.N(4))->SetLinkTypeIn(t.s, nullptr);
    canvas.calls.clear();
    t.Paint("TLinkTypePainter", canvas);
    ASSERT_EQ(Strokes(canvas).size(), 1u);
    EXPECT_EQ(Strokes(canvas)[0]->points.front().x, t.Pixel(1).x);
    const auto texts = canvas.OfKind(TDrawCall::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, std::to_string(typed->Id()));
}

TEST(PainterTest, LinkTypeWidthGrowsWithCapacity) {
    TPainterStudy t;
    TLink* l = t.Link(1, 2);
    auto painter = CreatePainter("TLinkTypePainter", t.p, t.options);
    painter->linkWidth = 3;
    auto widthFor = [&](const TValue& capacity) {
        l->SetValueIn(t.s, TLink::kCapacity, capacity);
        TRecordingCanvas canvas;
        painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
        const auto bands = canvas.OfKind(TDrawCall::Band);
        EXPECT_EQ(bands.size(), 1u);
        EXPECT_EQ(bands[0]->color, PaletteColor(1)); // the first link type's default colour
        return bands.empty() ? -1 : bands[0]->width;
    };
    EXPECT_EQ(widthFor(TValue(1.0)), 3);
    EXPECT_EQ(widthFor(TValue(20001.0)), 9);     // 3 x 20000 / 10000 + 3
    EXPECT_EQ(widthFor(TValue(0.0)), 3);         // no capacity: the link width
    EXPECT_EQ(widthFor(TValue(1e300)), INT_MAX); // huge: pinned, not overflowed
    EXPECT_EQ(widthFor(TValue(std::numeric_limits<double>::infinity())), 3);
}

TEST(PainterTest, AsymmetricAndChangedColours) {
    TPainterStudy t;
    TLink* ab = t.Link(1, 2);
    TLink* ba = t.Link(2, 1);
    TLink* oneWay = t.Link(1, 3);
    for (TLink* l : {ab, ba})
        l->SetValueIn(t.s, TLink::kTwoWay, TValue(true));
    ba->SetProperty(kPropId, TValue(ab->Id()));
    auto colourOf = [&](const char* painter, TLink* link, TScenario* scenario, int* width) {
        TRecordingCanvas canvas;
        auto p = CreatePainter(painter, t.p, t.options);
        p->linkWidth = 6;
        p->Paint(canvas, {0, 0, 1000, 1000}, scenario);
        const TPixel start = t.options.Scaler().WorldToPixel(link->Tail()->Position());
        const TPixel end = t.options.Scaler().WorldToPixel(link->Head()->Position());
        for (const TDrawCall* c : canvas.OfKind(TDrawCall::Band)) {
            // A band runs from beside the tail to beside the head.
            const TPixel a = c->points.front(), b = c->points.back();
            if (std::abs(a.x - start.x) + std::abs(a.y - start.y) < 12 &&
                std::abs(b.x - end.x) + std::abs(b.y - end.y) < 12) {
                *width = c->width;
                return c->color;
            }
        }
        return TColor(0xDEAD);
    };
    int w = 0;
    EXPECT_EQ(colourOf("TNonTwoWayPainter", ab, t.s, &w), PaletteColor(0)); // plain pair
    EXPECT_EQ(w, 1);
    EXPECT_EQ(colourOf("TNonTwoWayPainter", oneWay, t.s, &w), TColor(0x0000FF));
    EXPECT_EQ(w, 6);
    t.Route(t.bus, 1, {ab, ba}); // no longer plain, but the two agree
    EXPECT_EQ(colourOf("TNonTwoWayPainter", ab, t.s, &w), TColor(0x00FF00));
    EXPECT_EQ(w, 6);
    ba->SetValueIn(t.s, TLink::kCapacity, TValue(900.0));
    EXPECT_EQ(colourOf("TNonTwoWayPainter", ab, t.s, &w), TColor(0x0000FF));

    TScenario* child = t.p.NewScenario(t.s);
    ab->SetValueIn(child, TLink::kCapacity, TValue(500.0));
    EXPECT_EQ(colourOf("TChangedPainter", ab, child, &w), TColor(0x007F00));
    EXPECT_EQ(w, 6);
    EXPECT_EQ(colourOf("TChangedPainter", oneWay, child, &w), PaletteColor(0));
    EXPECT_EQ(w, 1);
}

TEST(PainterTest, LinkLabelsOncePerPairAndRotatedAlongThePiece) {
    for (int mode : {0, 1}) {
        TPainterStudy t(mode);
        TLink* ab = t.Link(1, 2);
        TLink* ba = t.Link(2, 1);
        TLink* up = t.Link(1, 3);
        ab->SetValueIn(t.s, TLink::kLinkName, TValue(std::string("Main")));
        ba->SetValueIn(t.s, TLink::kLinkName, TValue(std::string(" Main ")));
        up->SetValueIn(t.s, TLink::kLinkName, TValue(std::string("North")));
        t.options.linkLabelIndex = 7;
        TRecordingCanvas canvas;
        t.Paint("TLinkTypePainter", canvas);
        auto texts = canvas.OfKind(TDrawCall::Text);
        ASSERT_EQ(texts.size(), 2u) << mode;
        const TDrawCall* main = texts[0]->text == "Main" ? texts[0] : texts[1];
        const TDrawCall* north = texts[0]->text == "North" ? texts[0] : texts[1];
        EXPECT_EQ(main->text, "Main");
        EXPECT_EQ(north->text, "North");
        EXPECT_EQ(main->align, unsigned(taCenter | taBottom));
        // Escapement = (1800 - 10 x angle - 1800 in window mode) mod 3600, the angle of the
        // piece on screen.
        if (mode == 1) {
            EXPECT_EQ(main->escapement, 1800);  // east: angle 0
            EXPECT_EQ(north->escapement, 2700); // up the screen: angle -90
        } else {
            EXPECT_EQ(main->escapement, 0);
            EXPECT_EQ(north->escapement, 2700); // down the screen: angle 90
        }
        // At the piece's middle, off the line by the band width plus the separation.
        EXPECT_NEAR(main->points[0].x, (t.Pixel(1).x + t.Pixel(2).x) / 2, 1);
        EXPECT_NEAR(std::abs(main->points[0].y - t.Pixel(1).y), 2, 1);

        // Different texts: both directions are labelled.
        ba->SetValueIn(t.s, TLink::kLinkName, TValue(std::string("Side")));
        canvas.calls.clear();
        t.Paint("TLinkTypePainter", canvas);
        EXPECT_EQ(canvas.OfKind(TDrawCall::Text).size(), 3u);
        // A label longer than its piece is left out.
        up->SetValueIn(t.s, TLink::kLinkName, TValue(std::string(200, 'x')));
        canvas.calls.clear();
        t.Paint("TLinkTypePainter", canvas);
        EXPECT_EQ(canvas.OfKind(TDrawCall::Text).size(), 2u);
    }
}

TEST(PainterTest, NodesZonesAndPolylinePoints) {
    TPainterStudy t;
    TZone* zone = t.p.NewMicroZone(10);
    zone->SetPosition({50, 50});
    TZone* external = t.p.NewExternalZone(11);
    external->SetPosition({60, 60});
    TRecordingCanvas canvas;
    // Without links every node is drawn.
    t.Paint("TRoutePainter", canvas);
    const int r = t.options.NodeRadiusPixels();
    const int rz = t.options.RadiusPixels(4 * t.options.nodeRadius);
    EXPECT_GT(rz, r);
    auto ellipses = canvas.OfKind(TDrawCall::Ellipse);
    ASSERT_EQ(ellipses.size(), 4u);
    const TPixel p1 = t.Pixel(1);
    EXPECT_EQ(ellipses[0]->points[0], (TPixel{p1.x - r, p1.y - r}));
    EXPECT_EQ(ellipses[0]->brush.color, TColor(0x808080));
    auto squares = canvas.OfKind(TDrawCall::Rectangle);
    ASSERT_EQ(squares.size(), 2u);
    const TPixel pz = t.Pixel(10);
    EXPECT_EQ(squares[0]->points[0], (TPixel{pz.x - rz, pz.y - rz}));
    EXPECT_EQ(squares[0]->brush.color, TColor(0x800000));
    EXPECT_EQ(squares[1]->brush.color, TColor(0x0000FF));

    // With links, only used nodes (and every zone); a polyline point is a grey diamond.
    TLink* l = t.Link(1, 4);
    l->Polyline().SetPoints({{50, 20, 0}});
    canvas.calls.clear();
    t.Paint("TRoutePainter", canvas);
    EXPECT_EQ(canvas.OfKind(TDrawCall::Ellipse).size(), 2u);
    EXPECT_EQ(canvas.OfKind(TDrawCall::Rectangle).size(), 2u);
    auto diamonds = canvas.OfKind(TDrawCall::Polygon);
    ASSERT_EQ(diamonds.size(), 1u);
    const TPixel pp = t.options.Scaler().WorldToPixel(TFloatPoint{50, 20});
    const int d = std::max(2, r - 2);
    EXPECT_EQ(diamonds[0]->points,
              (std::vector<TPixel>{
                  {pp.x, pp.y - d}, {pp.x + d, pp.y}, {pp.x, pp.y + d}, {pp.x - d, pp.y}}));
    EXPECT_EQ(diamonds[0]->pen.color, TColor(0x808080));
    EXPECT_EQ(diamonds[0]->brush.color, TColor(0xC0C0C0));
    // The band bends through the polyline point.
    EXPECT_EQ(canvas.OfKind(TDrawCall::Band)[0]->points.size(), 3u);

    // A clip rectangle away from everything draws nothing at all.
    canvas.calls.clear();
    auto painter = CreatePainter("TLinkTypePainter", t.p, t.options);
    painter->Paint(canvas, {0, 0, 20, 20}, t.s);
    EXPECT_TRUE(canvas.calls.empty());
}

TEST(PainterTest, NodeLabelsFollowLabelWhatAndWith) {
    TPainterStudy t;
    t.N(1)->SetName("Alpha");
    t.N(2)->SetName("Beta");
    TZone* zone = t.p.NewMicroZone(10);
    zone->SetPosition({50, 50});
    zone->SetName("Town");
    auto texts = [&](TPainter& painter) {
        TRecordingCanvas canvas;
        painter.Paint(canvas, {0, 0, 1000, 1000}, t.s);
        std::vector<std::string> out;
        for (const TDrawCall* c : canvas.OfKind(TDrawCall::Text))
            out.push_back(c->text);
        return out;
    };
    auto painter = CreatePainter("TLinkTypePainter", t.p, t.options);
    t.options.labelWhat = 3;
    t.options.labelWith = 2;
    EXPECT_EQ(texts(*painter),
              (std::vector<std::string>{"1 Alpha", "2 Beta", "3 ", "4 ", "10 Town"}));
    t.options.labelWhat = 1;
    t.options.labelWith = 1;
    EXPECT_EQ(texts(*painter), (std::vector<std::string>{"Town"}));
    t.options.labelWhat = 2;
    t.options.labelWith = 0;
    painter->SetNodeMarked(*t.N(2), true);
    painter->SetNodeMarked(*t.N(10), true);
    painter->SetNodeMarked(*t.N(2), true);
    EXPECT_EQ(painter->MarkedNodes(), (std::vector<std::string>{"10", "2"}));
    EXPECT_EQ(texts(*painter), (std::vector<std::string>{"2", "10"}));
    painter->SetNodeMarked(*t.N(10), false);
    EXPECT_TRUE(painter->IsNodeMarked(*t.N(2)));
    EXPECT_FALSE(painter->IsNodeMarked(*t.N(10)));
    // Labels off forget the marks.
    t.options.labelWhat = 0;
    EXPECT_TRUE(texts(*painter).empty());
    EXPECT_TRUE(painter->MarkedNodes().empty());
}

TEST(PainterTest, SettingsReadOverTheClassDefaults) {
    TPainterStudy t;
    TViewSettings settings;
    auto vc = CreatePainter("TVolumeCapacityPainter", t.p, t.options);
    EXPECT_EQ(vc->linkWidth, 4);
    EXPECT_EQ(vc->linkWidthFactor, 1);
    settings.WriteInteger("VolumeCapacityPainter", "LinkWidth", 7);
    vc->LoadSettings(settings);
    EXPECT_EQ(vc->linkWidth, 7);
    EXPECT_EQ(vc->linkWidthFactor, 1);

    // Everything a painter saves comes back in a new one.
    TLink* l = t.Link(1, 2);
    t.Route(t.bus, 1, {l});
    auto routes = CreatePainter("TRoutePainter", t.p, t.options);
    auto& rp = static_cast<TRoutePainter&>(*routes);
    rp.linkWidth = 2;
    rp.linkWidthFactor = 80;
    rp.SetNodeMarked(*t.N(3), true);
    rp.SetNodeMarked(*t.N(1), true);
    rp.ColorMap().Set(0, 9);
    rp.ColorMap().Set(2, 0);
    rp.SaveSettings(settings);
    EXPECT_EQ(settings.ReadStringList("RoutePainter", "Marked"),
              (std::vector<std::string>{"1", "3"}));
    auto again = CreatePainter("TRoutePainter", t.p, t.options);
    again->LoadSettings(settings);
    auto& ap = static_cast<TRoutePainter&>(*again);
    EXPECT_EQ(ap.linkWidth, 2);
    EXPECT_EQ(ap.linkWidthFactor, 80);
    EXPECT_EQ(ap.MarkedNodes(), (std::vector<std::string>{"1", "3"}));
    for (std::size_t i = 0; i < t.p.Routes().Count(); ++i)
        EXPECT_EQ(ap.ColorMap().Index(i), rp.ColorMap().Index(i)) << i;
    // A factor of 0 in the file would divide by zero: the default stays.
    settings.WriteInteger("RoutePainter", "LinkWidthFactor", 0);
    again->LoadSettings(settings);
    EXPECT_EQ(again->linkWidthFactor, 80);
}

TEST(PainterTest, TabsFollowTheProjectAndTheFactoryKnowsEveryClass) {
    TPainterStudy t;
    EXPECT_EQ(PainterTabs(t.p), (std::vector<std::string>{"TLinkTypePainter", "TRoutePainter",
                                                          "TNonTwoWayPainter", "TChangedPainter"}));
    t.p.SetAssignmentResults(true);
    const auto tabs = PainterTabs(t.p);
    ASSERT_EQ(tabs.size(), 11u);
    EXPECT_EQ(tabs[4], "TEquivVehiclesPainter");
    EXPECT_EQ(tabs[10], "TWaitingTimePainter");
    const std::vector<std::string> captions = {
        "Link Types", "Routes",  "Asymmetric", "Changed",       "Equiv Veh",   "Total Veh",
        "Volume",     "Vol/Cap", "Demand/Cap", "Service Level", "Waiting Time"};
    const std::vector<int> factors = {10000, 40, 1, 1, 1000, 1000, 10000, 1, 1, 1, 40};
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        auto painter = CreatePainter(tabs[i], t.p, t.options);
        ASSERT_TRUE(painter) << tabs[i];
        EXPECT_EQ(painter->ClassName(), tabs[i]);
        EXPECT_EQ(painter->Caption(), captions[i]);
        EXPECT_EQ(painter->linkWidthFactor, factors[i]) << tabs[i];
        EXPECT_EQ(painter->SectionName(), tabs[i].substr(1));
    }
    EXPECT_EQ(CreatePainter("TPathPainter", t.p, t.options)->Caption(), std::string("Paths"));
    EXPECT_EQ(CreatePainter("TNoSuchPainter", t.p, t.options), nullptr);
    EXPECT_EQ(PainterClassNames().size(), 12u);
}

TEST(PainterTest, AssignmentAndServiceLevelValues) {
    TPainterStudy t;
    t.p.SetAssignmentResults(true);
    TLink* l = t.Link(1, 2);
    TRoute* r = t.Route(t.bus, 1, {l});
    TLinkRoute* lr = l->LinkRoutes().Get(0);
    lr->SetValueIn(t.s, TLinkRoute::kVehicles, TValue(4.0));
    lr->SetValueIn(t.s, TLinkRoute::kVolume, TValue(30000.0));
    lr->SetValueIn(t.s, TLinkRoute::kWaitingTime, TValue(0.5));
    lr->SetValueIn(t.s, TLinkRoute::kBoard, TValue(100.0));
    auto bandWidth = [&](const char* name) {
        auto painter = CreatePainter(name, t.p, t.options);
        static_cast<TColorPainter&>(*painter).ColorMap().Set(std::size_t(r->ListIndex()), 6);
        TRecordingCanvas canvas;
        painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
        const auto bands = canvas.OfKind(TDrawCall::Band);
        return bands.size() == 1 && bands[0]->color == PaletteColor(6) ? bands[0]->width : -1;
    };
    EXPECT_EQ(bandWidth("TVolumePainter"), 3);                     // 30000 / 10000
    EXPECT_EQ(bandWidth("TPassengerVolumeCapacityPainter"), 3000); // 4 x 30000 / (4 x 10)
    EXPECT_EQ(bandWidth("TWaitingTimePainter"), 1);                // max(50 / 40, 1) rounded
    lr->SetValueIn(t.s, TLinkRoute::kBoard, TValue(30000.0));      // 15000 > 10000: drops to 0
    EXPECT_EQ(bandWidth("TWaitingTimePainter"), -1);
    lr->SetValueIn(t.s, TLinkRoute::kVehicles, TValue(0.0));
    EXPECT_EQ(bandWidth("TPassengerVolumeCapacityPainter"), -1);

    // Service level from speed over the type's free-flow speed (50), as the reports name it.
    l->SetValueIn(t.s, TLink::kSpeed, TValue(22.0)); // 44 %: level D
    EXPECT_EQ(LinkServiceLevel(t.p, *l, t.s), 3);
    auto painter = CreatePainter("TServiceLevelPainter", t.p, t.options);
    TRecordingCanvas canvas;
    painter->Paint(canvas, {0, 0, 1000, 1000}, t.s);
    ASSERT_EQ(canvas.OfKind(TDrawCall::Band).size(), 1u);
    EXPECT_EQ(canvas.OfKind(TDrawCall::Band)[0]->color, PaletteColor(10));
    l->SetValueIn(t.s, TLink::kSpeed, TValue(49.0));
    EXPECT_EQ(LinkServiceLevel(t.p, *l, t.s), 0);
    l->SetValueIn(t.s, TLink::kSpeed, TValue(2.0));
    EXPECT_EQ(LinkServiceLevel(t.p, *l, t.s), 7);
}

} // namespace
} // namespace zep::view::test

namespace zep::view::test {
namespace {

/// Route painter that checks, for every link it draws, its bands against bands gathered with
/// the link-routes' own use rule.
class TCheckingRoutePainter : public TRoutePainter {
public:
    using TRoutePainter::TRoutePainter;
    std::size_t checked = 0, used = 0;
    int DrawLinkBands(const TLink& link, const TCentreLine& line, double offset) override {
        TBands expected;
        const TLinkRouteList& list = link.LinkRoutes();
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const TLinkRoute* lr = list.Get(i);
            if (!lr->IsUsedIn(Scenario())) continue;
            ++used;
            const auto c = std::size_t(std::min(14, int(ColorMap().IndexOf(lr->Route()))));
            expected.value[c] = Accumulate(expected.value[c], *lr);
            if (!lr->GetBooleanIn(Scenario(), TLinkRoute::kNoTransfers)) ++expected.stops[c];
        }
        const TBands got = BandsOf(link);
        EXPECT_EQ(got.value, expected.value) << link.IdText();
        EXPECT_EQ(got.stops, expected.stops) << link.IdText();
        ++checked;
        return TRoutePainter::DrawLinkBands(link, line, offset);
    }
};

TEST(PainterTest, RouteBandsFollowTheLinkRoutesUseInEveryScenario) {
    for (bool synthetic : {false, true}) {
        TProject p;
        if (synthetic) {
            TStudySizes sizes;
            sizes.nodes = 600;
            sizes.links = 1600;
            sizes.zones = 20;
            sizes.routes = 12;
            BuildSyntheticStudy(p, sizes);
        } else {
            BuildSampleStudy(p);
            // Below the base, the first operator may no longer use links of the first type:
            // its own link-routes there drop out.
            TLinkTypeOper* data = p.LinkTypes().Get(0)->OperatorDataList().Get(0);
            data->SetValueIn(p.Scenarios().Get(1), TLinkTypeOper::kFreeFlowSpeed, TValue(0.0));
        }
        TNetViewOptions options;
        options.Scaler().SetExtent(StudyExtent(p));
        options.Scaler().ViewAll({0, 0, 1000, 1000});
        TCheckingRoutePainter painter(p, options);
        std::size_t used = 0;
        for (std::size_t i = 0; i < p.Scenarios().Count(); ++i) {
            TRecordingCanvas canvas;
            painter.Paint(canvas, {0, 0, 1000, 1000}, p.Scenarios().Get(i));
            used += painter.used;
        }
        EXPECT_GT(painter.checked, 100u);
        EXPECT_GT(used, 100u);
    }
}

} // namespace
} // namespace zep::view::test
