#include "view/ORVGeomModels.h"

#include <gtest/gtest.h>

#include "tests/view/RecordingCanvas.h"

namespace zep::view {
namespace {

using testing::TDrawCall;
using testing::TRecordingCanvas;

TPixel Identity(double x, double y, double) {
    return {static_cast<int>(x), static_cast<int>(y)};
}

std::unique_ptr<TPolyLine> Line(double x, double y, TColor color = 0, bool colored = false) {
    auto p = std::make_unique<TPolyLine>();
    p->AppendPoint(x, y);
    p->AppendPoint(x + 1, y + 1);
    if (colored) p->SetColor(color);
    return p;
}

TEST(ORVGeomModels, ColoursApplyToTheEntityAndItsChildrenButNeverLeak) {
    TModel model;
    TLayer& layer = model.Layer("L");
    TAbstractEntity& red = layer.AddChild(Line(0, 0, 0x0000FF, true));
    red.AddChild(Line(10, 10));   // inherits red
    layer.AddChild(Line(20, 20)); // the caller's pen again
    layer.AddChild(Line(30, 30, 0xFF00, true));

    for (unsigned mode : {0u, unsigned(kIgnoreOwnColors)}) {
        TRecordingCanvas canvas;
        canvas.SetPen({0xC0C0C0, 2});
        model.Draw(canvas, mode, Identity);
        ASSERT_EQ(canvas.calls.size(), 4u);
        const bool own = mode == 0;
        EXPECT_EQ(canvas.calls[0].pen.color, own ? 0x0000FFu : 0xC0C0C0u);
        EXPECT_EQ(canvas.calls[1].pen.color, own ? 0x0000FFu : 0xC0C0C0u);
        EXPECT_EQ(canvas.calls[1].points, (std::vector<TPixel>{{10, 10}, {11, 11}}));
        EXPECT_EQ(canvas.calls[2].pen.color, 0xC0C0C0u);
        EXPECT_EQ(canvas.calls[3].pen.color, own ? 0x00FF00u : 0xC0C0C0u);
        for (const TDrawCall& c : canvas.calls)
            EXPECT_EQ(c.pen.width, 2);
        EXPECT_EQ(canvas.Pen(), (TPen{0xC0C0C0, 2}));
    }
}

TEST(ORVGeomModels, HiddenEntitiesDrawNothingButCountInTheExtent) {
    TModel model;
    TAbstractEntity& a = model.Layer("b").AddChild(Line(5, 5));
    a.AddChild(Line(-10, 7));
    model.Layer("a").AddChild(Line(100, -3));
    model.Layer("c"); // empty layer: adds nothing to the extent
    a.SetVisible(false);

    TRecordingCanvas canvas;
    model.Draw(canvas, 0, Identity);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].points[0], (TPixel{100, -3}));
    const TExtent e = model.Extent();
    EXPECT_EQ(e.min, (TPoint3{-10, -3, 0}));
    EXPECT_EQ(e.max, (TPoint3{101, 8, 0}));

    model.Layer("a").SetVisible(false);
    a.SetVisible(true);
    TRecordingCanvas second;
    model.Draw(second, 0, Identity);
    ASSERT_EQ(second.calls.size(), 2u); // layer "b" and its child
    model.SetVisible(false);
    TRecordingCanvas none;
    model.Draw(none, 0, Identity);
    EXPECT_TRUE(none.calls.empty());

    model.Clear();
    EXPECT_EQ(model.LayerCount(), 0u);
    EXPECT_TRUE(model.Extent().empty);
}

TEST(ORVGeomModels, PointsAndChildren) {
    TPolyLine p;
    p.SetPoint(2, 1, 2, 3);
    EXPECT_EQ(p.Points(), (std::vector<TPoint3>{{0, 0, 0}, {0, 0, 0}, {1, 2, 3}}));
    p.SetPointXY(0, 4, 5);
    p.SetPointZ(0, 6);
    p.SetPointXY(3, 7, 8);
    p.SetPointZ(4, 9);
    EXPECT_EQ(p.Points(),
              (std::vector<TPoint3>{{4, 5, 6}, {0, 0, 0}, {1, 2, 3}, {7, 8, 0}, {0, 0, 9}}));
    p.SetPointCount(1);
    EXPECT_EQ(p.PointCount(), 1u);

    TLayer layer;
    TAbstractEntity& first = layer.AddChild(Line(0, 0));
    TAbstractEntity& third = layer.AddChild(Line(2, 2));
    TAbstractEntity& second = layer.InsertChild(1, Line(1, 1));
    TAbstractEntity& front = layer.InsertChild(0, Line(-1, -1));
    EXPECT_EQ(layer.IndexOfChild(front), 0);
    EXPECT_EQ(layer.IndexOfChild(first), 1);
    EXPECT_EQ(layer.IndexOfChild(second), 2);
    EXPECT_EQ(layer.IndexOfChild(third), 3);
    TAbstractEntity& last = layer.InsertChild(99, Line(9, 9));
    EXPECT_EQ(&last, &layer.Child(4));
    std::unique_ptr<TAbstractEntity> taken = layer.RemoveChild(second);
    ASSERT_EQ(taken.get(), &second);
    EXPECT_EQ(layer.IndexOfChild(second), -1);
    EXPECT_EQ(layer.RemoveChild(second), nullptr);
    EXPECT_EQ(layer.IndexOfChild(third), 2);

    // One point gives a one-pixel polyline; no points, no call.
    TRecordingCanvas canvas;
    TPolyLine empty;
    empty.Draw(canvas, 0, Identity);
    p.Draw(canvas, 0, Identity);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].points.size(), 1u);
}

} // namespace
} // namespace zep::view
