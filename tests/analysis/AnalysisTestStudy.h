// Small hand-built studies for the search and path file tests.
#pragma once

#include <cmath>
#include <string>

#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::analysis::test {

using namespace zep::model;

/// A study with one mode and one operator on one link type (free-flow speed 10, so a link's
/// travel time is its length over its own speed); links are added with their speed.
struct TTestNet {
    TProject p;
    TScenario* s;
    TMode* mode;
    TOperator* op;
    TLinkType* type;
    TCategory* category;

    explicit TTestNet(bool isPublic = false, std::int32_t operatorType = otAuto) {
        s = p.BaseScenario();
        p.SetName("TST");
        mode = p.NewMode();
        mode->SetName("car");
        if (isPublic) mode->SetBoolean(TMode::kIsPublic, true);
        op = p.NewOperator(mode);
        op->SetName("op");
        op->SetType(operatorType);
        type = p.NewLinkType();
        type->GetOrCreateOperatorData(op)->SetValueIn(s, TLinkTypeOper::kFreeFlowSpeed,
                                                      TValue(10.0));
        category = p.NewCategory();
        category->AddMode(mode);
    }

    TNode* Node(std::int32_t id) {
        if (TNode* n = p.FindNode(id)) return n;
        return p.NewNode(id);
    }
    TZone* Zone(std::int32_t id) {
        if (TNode* n = p.FindNode(id)) return static_cast<TZone*>(n);
        return p.NewMicroZone(id);
    }
    TLink* Link(TNode* a, TNode* b, double length, double speed = 10.0) {
        TLink* l = p.LinkBetween(a, b);
        l->SetLinkTypeIn(s, type);
        l->SetValueIn(s, TLink::kLength, TValue(length));
        l->SetValueIn(s, TLink::kSpeed, TValue(speed));
        return l;
    }
    TLink* Link(std::int32_t a, std::int32_t b, double length, double speed = 10.0) {
        return Link(p.FindNode(a), p.FindNode(b), length, speed);
    }
    /// The operator's own link-routes on every link it may use.
    void Access() { p.UpdateAllAccess(s); }
    /// A route of `o` over the links named by consecutive node identifiers.
    TRoute* Route(TOperator* o, const std::string& name, std::initializer_list<std::int32_t> ids) {
        TRoute* r = p.NewRoute(o);
        r->SetName(name);
        const std::int32_t* prev = nullptr;
        for (const std::int32_t& id : ids) {
            if (prev)
                p.NewLinkRoute(p.FindLink(p.FindNode(*prev), p.FindNode(id)), r)
                    ->SetUsedIn(s, true);
            prev = &id;
        }
        return r;
    }
    std::size_t ZoneIndex(const TZone* z) const {
        return std::size_t(p.TransportZones().IndexOf(z));
    }
};

inline bool Near(double a, double b) {
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

} // namespace zep::analysis::test
