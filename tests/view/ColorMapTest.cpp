// The palette, the colour maps' defaults and their form in the settings, the view options'
// keys and node radius, and the link label texts.
#include <gtest/gtest.h>

#include <random>

#include "model/ADMIN.h"
#include "tests/view/ViewTestStudy.h"
#include "view/ColorMap.h"
#include "view/ViewSettings.h"

namespace zep::view::test {
namespace {

TEST(ColorMapTest, PaletteClampsItsIndex) {
    EXPECT_EQ(PaletteColor(0), TColor(0xC0C0C0));
    EXPECT_EQ(PaletteColor(1), TColor(0x0000FF));
    EXPECT_EQ(PaletteColor(5), TColor(0xFFFF00));
    EXPECT_EQ(PaletteColor(13), TColor(0xC000C0));
    EXPECT_EQ(PaletteColor(14), TColor(0x00007F));
    EXPECT_EQ(PaletteColor(15), PaletteColor(14));
    EXPECT_EQ(PaletteColor(60000), PaletteColor(14));
    EXPECT_EQ(PaletteColor(-3), PaletteColor(0));
}

TEST(ColorMapTest, DefaultsOfEachMap) {
    TViewStudy t;
    for (int i = 0; i < 30; ++i)
        t.p.NewNode(100 + i);
    TEntityColorMap plain(&t.p.Nodes());
    plain.ResetToDefaults();
    EXPECT_EQ(plain.Count(), t.p.Nodes().Count());
    EXPECT_EQ(plain.Index(0), 1);
    EXPECT_EQ(plain.Index(20), 21);
    EXPECT_EQ(plain.Index(100000), 0); // outside the map
    EXPECT_EQ(plain.DefaultIndex(8190), 8191);
    EXPECT_EQ(plain.DefaultIndex(8191), 1);
    EXPECT_EQ(plain.DefaultSchemeName(), "Default");

    // Routes take their operator's colour, which repeats every 13 operators.
    std::vector<TRoute*> routes;
    std::vector<TOperator*> ops = {t.bus};
    for (int i = 0; i < 27; ++i)
        ops.push_back(t.p.NewOperator(t.mode));
    for (TOperator* op : ops)
        routes.push_back(t.p.NewRoute(op));
    TRouteColorMap byOperator(&t.p.Routes());
    byOperator.ResetToDefaults();
    EXPECT_EQ(byOperator.DefaultSchemeName(), "By Operator");
    for (TRoute* r : routes) {
        const int opPosition = r->Operator()->ListIndex();
        EXPECT_EQ(byOperator.IndexOf(r), opPosition % 13 + 1);
        EXPECT_EQ(byOperator.IndexOf(r), byOperator.IndexOf(routes[std::size_t(opPosition % 13)]));
    }
    EXPECT_NE(byOperator.IndexOf(routes[1]), byOperator.IndexOf(routes[2]));

    TServiceLevelColorMap levels(&t.p.ServiceLevels());
    levels.ResetToDefaults();
    std::vector<int> got;
    for (std::size_t i = 0; i < 8; ++i)
        got.push_back(levels.Index(i));
    EXPECT_EQ(got, (std::vector<int>{0, 5, 4, 10, 2, 1, 7, 8}));

    // ApplyDefaults keeps what was set and covers entities added later.
    plain.Set(3, 0);
    t.p.NewNode(500);
    plain.ApplyDefaults();
    EXPECT_EQ(plain.Index(3), 0);
    EXPECT_EQ(plain.Count(), t.p.Nodes().Count());
    EXPECT_EQ(plain.Index(plain.Count() - 1), plain.Count());
}

TEST(ColorMapTest, WrittenAndReadBackThroughTheSettings) {
    std::mt19937 rng(21);
    TViewSettings settings;
    settings.WriteInteger("RoutePainter.ColorMap", "7000", 3); // stale: erased by the write
    for (int round = 0; round < 20; ++round) {
        TColorMap map;
        std::uniform_int_distribution<int> position(0, 9000), index(0, 20);
        for (int k = 0; k < 50; ++k)
            map.Set(std::size_t(position(rng)), tColorIndex(index(rng)));
        map.Write(settings, "RoutePainter");
        const std::vector<std::string> keys = settings.Keys("RoutePainter.ColorMap");
        for (const std::string& key : keys) {
            EXPECT_NE(settings.ReadInteger("RoutePainter.ColorMap", key, 0), 0);
            EXPECT_LE(std::stoul(key), TColorMap::kMaxStoredPosition);
        }
        TColorMap back;
        back.Read(settings, "RoutePainter");
        for (std::size_t i = 0; i <= TColorMap::kMaxStoredPosition; ++i)
            ASSERT_EQ(back.Index(i), map.Index(i)) << "round " << round << " position " << i;
    }
    // A section that is not there leaves the defaults alone.
    TViewStudy t;
    TRouteColorMap routes(&t.p.Routes());
    t.p.NewRoute(t.bus);
    routes.ResetToDefaults();
    routes.Read(settings, "NoSuchPainter");
    EXPECT_EQ(routes.Index(0), 1);
}

TEST(NetViewOptionsTest, KeysDefaultsAndRoundTrip) {
    TNetViewOptions defaults;
    EXPECT_EQ(defaults.nodeRadius, 0.02);
    EXPECT_EQ(defaults.labelWhat, 0);
    EXPECT_EQ(defaults.linkLabelIndex, -1);
    EXPECT_EQ(defaults.linkSeparation, 1);
    EXPECT_TRUE(defaults.showNonStops);
    EXPECT_FALSE(defaults.hideGrayedLinks);
    EXPECT_EQ(defaults.nodeFont.name, "Arial");
    EXPECT_EQ(defaults.Scaler().Zoom(), 1);

    TNetViewOptions o;
    o.nodeRadius = 0.125;
    o.labelWhat = 2;
    o.labelWith = 1;
    o.linkLabelIndex = 9;
    o.nodeFont = {"Courier", 11, true, false};
    o.linkFont = {"Helvetica", 7, false, true};
    o.linkSeparation = 5;
    o.showNonStops = false;
    o.hideGrayedLinks = true;
    o.Scaler().SetZoom(2.75);
    TViewSettings settings;
    o.Save(settings);
    EXPECT_EQ(settings.ReadString("NetViewOptions", "Node.Font.Name", ""), "Courier");
    EXPECT_EQ(settings.ReadDouble("NetViewOptions", "Scale", 0), 2.75);
    TNetViewOptions back;
    back.Load(settings);
    EXPECT_EQ(back.nodeRadius, 0.125);
    EXPECT_EQ(back.labelWhat, 2);
    EXPECT_EQ(back.labelWith, 1);
    EXPECT_EQ(back.linkLabelIndex, 9);
    EXPECT_EQ(back.nodeFont.name, "Courier");
    EXPECT_EQ(back.nodeFont.size, 11);
    EXPECT_EQ(back.linkFont.name, "Helvetica");
    EXPECT_EQ(back.linkSeparation, 5);
    EXPECT_FALSE(back.showNonStops);
    EXPECT_TRUE(back.hideGrayedLinks);
    EXPECT_EQ(back.Scaler().Zoom(), 2.75);

    // Values out of range are brought back into it; a scale that is not positive is ignored.
    settings.WriteInteger("NetViewOptions", "LinkSeparation", 40);
    settings.WriteInteger("NetViewOptions", "LabelWhat", 9);
    settings.WriteString("NetViewOptions", "Scale", "-3");
    settings.WriteString("NetViewOptions", "NodeRadius", "junk");
    TNetViewOptions clamped;
    clamped.Load(settings);
    EXPECT_EQ(clamped.linkSeparation, 16);
    EXPECT_EQ(clamped.labelWhat, 3);
    EXPECT_EQ(clamped.Scaler().Zoom(), 1);
    EXPECT_EQ(clamped.nodeRadius, 0.02);
}

TEST(NetViewOptionsTest, NodeRadiusInPixelsAndBack) {
    TNetViewOptions o;
    o.Scaler().SetZoom(500);
    EXPECT_EQ(o.NodeRadiusPixels(), 2); // round(ln(1 + 0.02 x 500)) = round(2.398)
    o.Scaler().SetResolution(3);
    EXPECT_EQ(o.NodeRadiusPixels(), 3); // round(ln(31))
    for (int pixels = 0; pixels <= 24; ++pixels) {
        o.SetNodeRadiusFromPixels(pixels);
        EXPECT_EQ(o.NodeRadiusPixels(), pixels) << pixels;
    }
}

TEST(NetViewOptionsTest, LinkLabelTexts) {
    TViewStudy t;
    TLink* l = t.Link(1, 2);
    l->SetValueIn(t.s, TLink::kCapacity, TValue(1200.0));
    l->SetValueIn(t.s, TLink::kLinkName, TValue(std::string("  High Street ")));
    TScenario* child = t.p.NewScenario(t.s);
    auto text = [&](int index, TScenario* s) {
        t.options.linkLabelIndex = index;
        return t.options.LinkLabelText(*l, t.p, s);
    };
    EXPECT_EQ(text(-1, t.s), "");
    EXPECT_EQ(text(0, t.s), "");
    EXPECT_EQ(text(1, t.s), std::to_string(l->Id()));
    EXPECT_EQ(text(2, t.s), "1200");
    EXPECT_EQ(text(2, child), "1200"); // the base value where the scenario has none
    EXPECT_EQ(text(7, t.s), "High Street");
    EXPECT_EQ(text(9, t.s), "50"); // no results: the type's largest free-flow speed
    t.p.SetAssignmentResults(true);
    l->SetValueIn(t.s, TLink::kSpeed, TValue(20.0));
    EXPECT_EQ(text(9, t.s), "20.00");   // the property's own display form
    EXPECT_EQ(text(8, t.s), "Level F"); // 40 % of the free-flow speed
    EXPECT_EQ(kLinkLabelAttributes.size(), 11u);
    EXPECT_STREQ(kLinkLabelAttributes[5].caption, "Equivalent Vehicles");
    int results = 0;
    for (const auto& a : kLinkLabelAttributes)
        results += a.results;
    EXPECT_EQ(results, 3);
}

} // namespace
} // namespace zep::view::test
