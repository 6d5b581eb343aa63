// The path painter: the current path and its reverse in route colours over the grey network,
// the start and boarding marks, hiding the reverse, the areas a change of path repaints, and
// its settings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "analysis/PathFile.h"
#include "foundation/Stream.h"
#include "tests/view/ViewTestStudy.h"
#include "view/PthPaint.h"
#include "view/ViewSettings.h"

namespace zep::view::test {
namespace {

namespace fs = std::filesystem;
using namespace zep::analysis::paths;

struct TPathViewStudy : TViewStudy {
    fs::path dir;
    TZone* a;
    TZone* b;
    TRoute* red;
    TRoute* blue;

    TPathViewStudy() {
        dir = fs::temp_directory_path() / "zep_view_pthpaint";
        fs::remove_all(dir);
        fs::create_directories(dir);
        p.SetFileName((dir / "VSTUDY.zpz").string());
        options.Scaler().SetExtent(TPoint3{-25, -25, 0}, TPoint3{125, 125, 0});
        options.Scaler().ViewAll({0, 0, 1000, 1000});
        a = p.NewMicroZone(10);
        a->SetPosition({0, 50});
        b = p.NewMicroZone(11);
        b->SetPosition({100, 50});
        // a -> 2 -> b on two routes, and back b -> 2 -> a.
        TLink* a2 = Link(10, 2);
        TLink* a2back = Link(2, 10);
        TLink* b2 = Link(2, 11);
        TLink* b2back = Link(11, 2);
        red = Route(bus, 1, {a2, a2back});
        blue = Route(bus, 1, {b2, b2back});
        TPathFileContent c(2);
        c.nodes.resize(1);
        c.Pair(0, 1).push_back({0.0f, {{Lr(a2, red), 1}, {Lr(b2, blue), 1}}});
        c.Pair(1, 0).push_back({0.0f, {{Lr(b2back, blue), 1}, {Lr(a2back, red), 1}}});
        TFileStream f(PathFileName(p, s, 0), FileMode::Create);
        WritePathFile(f, c);
    }
    ~TPathViewStudy() { fs::remove_all(dir); }

    std::int32_t Lr(TLink* link, TRoute* route) {
        return std::int32_t(p.LinkRoutes().IndexOf(link->LinkRouteOf(route))) + 1;
    }
};

TEST(PathPainterTest, DrawsThePathAndItsReverseWithMarks) {
    TPathViewStudy t;
    TPathPainter painter(t.p, t.options);
    std::vector<TPixelRect> invalidated;
    painter.onInvalidate = [&](const TPixelRect& r) { invalidated.push_back(r); };
    painter.linkWidth = 5;
    painter.ColorMap().Set(std::size_t(t.red->ListIndex()), 1);
    painter.ColorMap().Set(std::size_t(t.blue->ListIndex()), 6);
    painter.PathFileSet().Select(0, 0, 0, 1);
    ASSERT_EQ(painter.PathCount(), 1u);
    ASSERT_NE(painter.CurrentPath(), nullptr);
    // The current path and its reverse: two steps each.
    EXPECT_EQ(invalidated.size(), 4u);

    TRecordingCanvas canvas;
    painter.Paint(canvas, {0, 0, 1000, 1000}, t.s);
    std::vector<TColor> pathBands;
    for (const TDrawCall* c : canvas.OfKind(TDrawCall::Band))
        if (c->width == 5) pathBands.push_back(c->color);
    EXPECT_EQ(pathBands, (std::vector<TColor>{PaletteColor(1), PaletteColor(6), PaletteColor(6),
                                              PaletteColor(1)}));
    // The whole network is there beneath, grey.
    std::size_t grey = 0;
    for (const TDrawCall* c : canvas.OfKind(TDrawCall::Band))
        grey += c->color == PaletteColor(0) && c->width == 1;
    EXPECT_EQ(grey, 4u);

    // Marks after the nodes: green at the start, red at the boarding, red at the reverse start
    // and its boarding.
    std::vector<std::pair<TColor, TPixel>> marks;
    for (const TDrawCall* c : canvas.OfKind(TDrawCall::Ellipse))
        if (c->pen.width == 2 && c->brush.clear)
            marks.push_back({c->pen.color,
                             {(c->points[0].x + c->points[1].x - 1) / 2,
                              (c->points[0].y + c->points[1].y - 1) / 2}});
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[0], std::make_pair(TColor(32768), t.Pixel(10)));
    EXPECT_EQ(marks[1], std::make_pair(TColor(255), t.Pixel(2)));
    EXPECT_EQ(marks[2], std::make_pair(TColor(255), t.Pixel(11)));
    EXPECT_EQ(marks[3], std::make_pair(TColor(255), t.Pixel(2)));
    // They come after every node symbol.
    std::size_t lastNode = 0, firstMark = canvas.calls.size();
    for (std::size_t i = 0; i < canvas.calls.size(); ++i) {
        const TDrawCall& c = canvas.calls[i];
        if (c.kind == TDrawCall::Rectangle) lastNode = i;
        if (c.kind == TDrawCall::Ellipse && c.pen.width == 2) firstMark = std::min(firstMark, i);
    }
    EXPECT_LT(lastNode, firstMark);

    // Hiding the reverse repaints its area and leaves it out.
    invalidated.clear();
    painter.SetShowReverse(false);
    EXPECT_EQ(invalidated.size(), 4u + 2u);
    canvas.calls.clear();
    painter.Paint(canvas, {0, 0, 1000, 1000}, t.s);
    std::size_t wide = 0;
    for (const TDrawCall* c : canvas.OfKind(TDrawCall::Band))
        wide += c->width == 5;
    EXPECT_EQ(wide, 2u);

    // The repaint areas hold each step link, grown by 2 x (radius x zoom + separation).
    const TPixelRect extent =
        TNetworkIndex::LinkPixelExtent(t.options.Scaler(), *t.p.FindLink(t.N(10), t.N(2)));
    const int grow = int(std::lround(2 * (0.02 * t.options.Scaler().Zoom() + 1)));
    const auto rects = painter.PathRects();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (TPixelRect{extent.left - grow, extent.top - grow, extent.right + grow,
                                    extent.bottom + grow}));
}

TEST(PathPainterTest, StateIsSavedAndRestored) {
    TPathViewStudy t;
    TViewSettings settings;
    {
        TPathPainter painter(t.p, t.options);
        painter.SetCurrent(0, 1);
        painter.SetShowReverse(false);
        EXPECT_EQ(painter.Current(0), 1);
        EXPECT_EQ(painter.Current(1), 0); // the destination moved off the origin
        painter.SaveSettings(settings);
    }
    EXPECT_EQ(settings.ReadInteger("PathPainter", "Source", -1), 1);
    EXPECT_EQ(settings.ReadInteger("PathPainter", "Sink", -1), 0);
    EXPECT_TRUE(settings.ReadBool("PathPainter", "DontShowReverse", false));
    TPathPainter again(t.p, t.options);
    again.LoadSettings(settings);
    EXPECT_EQ(again.Current(0), 1);
    EXPECT_EQ(again.Current(1), 0);
    EXPECT_FALSE(again.ShowReverse());
    ASSERT_NE(again.CurrentPath(), nullptr);
    EXPECT_EQ(again.CurrentPath()->steps.size(), 2u);
    // Defaults: origin 0, destination 1.
    TPathPainter fresh(t.p, t.options);
    fresh.LoadSettings(TViewSettings());
    EXPECT_EQ(fresh.Current(0), 0);
    EXPECT_EQ(fresh.Current(1), 1);
    EXPECT_TRUE(fresh.ShowReverse());
}

} // namespace
} // namespace zep::view::test
