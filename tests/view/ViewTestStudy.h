// A small hand-built study and a view of it for the painter tests: nodes on a 100 x 100 square,
// one link type, bus operators, and a 1000 x 1000 pixel view with the square in the middle.
#pragma once

#include <memory>
#include <string>

#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"
#include "tests/view/RecordingCanvas.h"
#include "view/NetViewOptions.h"
#include "view/Painter.h"

namespace zep::view::test {

using namespace zep::model;
using testing::TDrawCall;
using testing::TRecordingCanvas;

struct TViewStudy {
    TProject p;
    TScenario* s;
    TMode* mode;
    TOperator* bus;
    TLinkType* type;
    TNetViewOptions options;

    explicit TViewStudy(int coordinateMode = 1) {
        s = p.BaseScenario();
        p.SetName("VST");
        mode = p.NewMode();
        mode->SetName("bus");
        bus = p.NewOperator(mode);
        bus->SetName("bus");
        bus->SetType(otRoute);
        bus->SetValueIn(s, TOperator::kOccupancyRate, TValue(10.0));
        type = p.NewLinkType();
        type->GetOrCreateOperatorData(bus)->SetValueIn(s, TLinkTypeOper::kFreeFlowSpeed,
                                                       TValue(50.0));
        Node(1, 0, 0);
        Node(2, 100, 0);
        Node(3, 0, 100);
        Node(4, 100, 100);
        options.Scaler().SetCoordinateMode(coordinateMode);
        options.Scaler().SetExtent(TPoint3{0, 0, 0}, TPoint3{100, 100, 0});
        options.Scaler().ViewAll({0, 0, 1000, 1000});
    }

    TNode* Node(std::int32_t id, double x, double y) {
        TNode* n = p.NewNode(id);
        n->SetPosition({x, y});
        return n;
    }
    TNode* N(std::int32_t id) { return p.FindNode(id); }
    TLink* Link(std::int32_t a, std::int32_t b) {
        TLink* l = p.LinkBetween(N(a), N(b));
        l->SetLinkTypeIn(s, type);
        return l;
    }
    /// A route of a new operator or of `op`, with min_freq `frequency`, over the given links.
    TRoute* Route(TOperator* op, double frequency, std::initializer_list<TLink*> links) {
        TRoute* r = p.NewRoute(op);
        r->SetValueIn(s, TRoute::kMinFreq, TValue(frequency));
        for (TLink* l : links)
            p.NewLinkRoute(l, r)->SetUsedIn(s, true);
        return r;
    }
    TPixel Pixel(std::int32_t node) const {
        return options.Scaler().WorldToPixel(p.FindNode(node)->Position());
    }
    /// Paints the whole view with a new painter of the class.
    std::unique_ptr<TPainter> Paint(const char* className, TRecordingCanvas& canvas) {
        auto painter = CreatePainter(className, p, options);
        painter->Paint(canvas, {0, 0, 1000, 1000}, s);
        return painter;
    }
};

} // namespace zep::view::test
