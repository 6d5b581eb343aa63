// A small network study for the tests of nodes, links, link types, routes and polylines: a
// project that owns the network lists and registers link-routes, a scenario tree and an undo
// set that records the test's own edits.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/OrvLogging.h"
#include "model/CanonicalDump.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"
#include "undo/Undo_.h"

namespace zep::model::test {

/// The network part of a study: the lists a project holds for the network kinds.
class TNetProject : public TProjectI {
public:
    TNetProject() {
        scenarios.Add(ReleaseBaseScenario());
        nodes.SetProject(this);
        links.SetProject(this);
        linkRoutes.SetProject(this);
        routes.SetProject(this);
        types.SetProject(this);
        modes.SetProject(this);
        operators.SetProject(this);
    }
    ~TNetProject() override {
        // Undo records may hold deleted entities that still point at live ones: they go first.
        undo::SetCurrentUndoSet(nullptr);
        undoSet.reset();
    }

    void AddLinkRoute(TEntity* entity) override {
        if (!entity) return;
        auto* lr = dynamic_cast<TLinkRoute*>(entity);
        if (!lr) throw EAddingInvalidEntity("");
        linkRoutes.Add(lr);
    }

    TScenario* NewScenario(const char* name, TScenario* parent) {
        auto* s = new TScenario(parent);
        s->SetName(name);
        scenarios.Add(s);
        return s;
    }
    TNode* NewNode(double x, double y, std::int32_t id = 0) {
        auto* n = new TNode(this);
        if (id) n->RawProperties().RawPut(kPropId, TValue(id));
        n->ResetIdCache();
        n->SetPosition({x, y});
        nodes.Add(n);
        return n;
    }
    TZone* NewZone(double x, double y, std::int32_t id = 0) {
        auto* z = new TZone(this);
        if (id) z->RawProperties().RawPut(kPropId, TValue(id));
        z->ResetIdCache();
        z->SetPosition({x, y});
        nodes.Add(z);
        return z;
    }
    /// A link used in the base scenario.
    TLink* NewLink(TNode* a, TNode* b, TPoint3Vector points = {}) {
        auto* l = new TLink(this, a, b, std::move(points));
        links.Add(l);
        l->SetUsedIn(BaseScenario(), true);
        return l;
    }
    TMode* NewMode() {
        auto* m = new TMode(this);
        modes.Add(m);
        return m;
    }
    TOperator* NewOperator(TMode* mode, std::int32_t type) {
        auto* op = new TOperator(this, mode);
        operators.Add(op);
        op->SetType(type);
        return op;
    }
    TRoute* NewRoute(TOperator* op) {
        auto* r = new TRoute(this, op);
        routes.Add(r);
        return r;
    }
    TOperatorRoute* NewOperatorRoute(TOperator* op) {
        auto* r = new TOperatorRoute(this, op);
        routes.Add(r);
        return r;
    }
    TLinkType* NewLinkType() {
        auto* t = new TLinkType(this);
        types.Add(t);
        return t;
    }
    TLinkRoute* NewLinkRoute(TLink* link, TRoute* route) {
        if (TLinkRoute* lr = link->LinkRouteOf(route)) return lr;
        auto* lr = new TLinkRoute(this, link, route);
        AddLinkRoute(lr);
        return lr;
    }
    void RemoveLinkRoute(TLinkRoute* lr) { linkRoutes.Remove(lr); }
    /// The link with its link-routes.
    void RemoveLink(TLink* link) {
        while (link->LinkRoutes().Count() > 0)
            RemoveLinkRoute(link->LinkRoutes().Get(link->LinkRoutes().Count() - 1));
        links.Remove(link);
    }
    /// The node with every link touching it.
    void RemoveNode(TNode* node) {
        while (node->OutLinks().Count() > 0)
            RemoveLink(static_cast<TLink*>(node->OutLinks().Get(0)));
        while (node->InLinks().Count() > 0)
            RemoveLink(static_cast<TLink*>(node->InLinks().Get(0)));
        nodes.Remove(node);
    }

    std::string Dump() const {
        return DumpList(nodes) + DumpList(links) + DumpList(linkRoutes) + DumpList(routes) +
               DumpList(types);
    }

    // Declared in destruction order reversed: the link-routes go before what they point at.
    TScenarioList scenarios{true};
    TModeList modes{true};
    TOperatorList operators{true};
    TLinkTypeList types{true};
    TNodeList nodes{true};
    TRouteList routes{true};
    TLinkList links{true};
    TLinkRouteList linkRoutes{true};
    std::unique_ptr<undo::TUndoSet> undoSet = std::make_unique<undo::TUndoSet>();
};

/// Scenarios 00A -> 01A -> 02A and 00A -> 01B; recording starts with the test body.
class TNetFixture : public ::testing::Test {
protected:
    TNetFixture() {
        base = prj.BaseScenario();
        s1 = prj.NewScenario("01A", base);
        s2 = prj.NewScenario("02A", s1);
        sib = prj.NewScenario("01B", base);
    }
    void SetUp() override { prj.undoSet->BeginTransaction(); }
    /// Undoes everything recorded since SetUp or StartRecording. Entities created in that time
    /// are freed by it.
    void UndoAll() { prj.undoSet->UndoTo(1); }
    /// Keeps what was built so far (no undo can take it away) and records from here on.
    void StartRecording() {
        prj.undoSet->Clear();
        prj.undoSet->BeginTransaction();
    }

    TNetProject prj;
    TScenario* base;
    TScenario* s1;
    TScenario* s2;
    TScenario* sib;
};

/// Collects the messages one logger accepts while it lives.
class TLogCapture {
public:
    explicit TLogCapture(const std::string& logger) : logger_(GetLogger(logger)) {
        previous_ = logger_.GetLevel();
        logger_.SetLevel(llDebug);
        handler_ = std::make_shared<Handler>();
        logger_.AddHandler(handler_);
    }
    ~TLogCapture() {
        logger_.RemoveHandler(handler_);
        logger_.SetLevel(previous_);
    }
    const std::vector<std::string>& Lines() const { return handler_->lines; }
    void Clear() { handler_->lines.clear(); }

private:
    struct Handler : TAbstractLogHandler {
        void Publish(const TLogEntry& entry) override { lines.push_back(entry.message); }
        std::vector<std::string> lines;
    };
    TLogger& logger_;
    int previous_;
    std::shared_ptr<Handler> handler_;
};

} // namespace zep::model::test
