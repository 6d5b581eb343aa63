// The network simplifier on small hand-built networks: what each operation makes of the network,
// that least costs between zones survive Simplify, and that undoing each command gives back the
// exact study it started from.
#include <gtest/gtest.h>

#include "AnalysisTestStudy.h"
#include "SimplifyTestSupport.h"
#include "analysis/SimplerNet.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "undo/CMDStk_.h"

namespace zep::analysis::test {
namespace {

using model::test::FirstDifference;

/// Collects the errors a command reports.
class TErrorCollector : public TNullMessageHandler {
public:
    void Error(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> errors;
};

/// A test network with a command stack: every command is checked for consistency and undone.
struct TSimplifyNet : TTestNet {
    undo::TCommandStack stack;
    TWorldRect repaint;
    std::vector<TSimplifyChange> changes;

    using TTestNet::TTestNet;
    ~TSimplifyNet() { undo::SetCurrentUndoSet(nullptr); }

    std::int32_t Simplify(TWorldRect rect = {}) {
        return SimplifyNetworkCommand(p, stack, rect, repaint,
                                      [&](const TSimplifyChange& c) { changes.push_back(c); });
    }
    /// Runs `command`, checks the study, undoes the command when pushed and checks that the
    /// study is back; then runs it again to leave its result. Answers what the command answered.
    template <class F> auto Checked(F command) {
        const std::string before = model::DumpProject(p);
        const std::size_t depth = stack.Count();
        auto result = command();
        EXPECT_EQ("", model::ConsistencyReport(p));
        if (stack.Count() > depth) {
            stack.UndoTop();
            EXPECT_EQ("", FirstDifference(before, model::DumpProject(p)));
            EXPECT_EQ("", model::ConsistencyReport(p));
            changes.clear();
            result = command();
        } else {
            EXPECT_EQ("", FirstDifference(before, model::DumpProject(p))) << "dropped command";
        }
        return result;
    }
    TZoneCosts Costs() { return ZoneCosts(p, category, mode, s); }
    void SetCapacity(TLink* l, TScenario* in, double c) {
        l->SetValueIn(in, TLink::kCapacity, TValue(c));
    }
};

TEST(SimplerNet, ChainThroughPassThroughNodesBecomesOneLink) {
    TSimplifyNet n;
    n.Zone(1)->SetPosition({0, 0});
    n.Node(10)->SetPosition({1, 0});
    n.Node(11)->SetPosition({2, 0});
    n.Zone(2)->SetPosition({3, 0});
    n.Link(1, 10, 1.5);
    TLink* mid = n.Link(10, 11, 2.0);
    n.Link(11, 2, 4.0);
    mid->Polyline().SetPoints({{1.5, 0.5, 0}});
    n.Access();
    const TZoneCosts before = n.Costs();
    ASSERT_EQ(1u, before.size());

    EXPECT_EQ(2, n.Checked([&] { return n.Simplify(); }));
    EXPECT_EQ(nullptr, n.p.FindNode(10));
    EXPECT_EQ(nullptr, n.p.FindNode(11));
    ASSERT_EQ(1u, n.p.Links().Count());
    TLink* r = n.p.FindLink(n.p.FindNode(1), n.p.FindNode(2));
    ASSERT_NE(nullptr, r);
    EXPECT_DOUBLE_EQ(7.5, r->GetFloatIn(n.s, TLink::kLength));
    EXPECT_EQ(n.type, r->LinkTypeIn(n.s));
    EXPECT_EQ((TPoint3Vector{{1, 0, 0}, {1.5, 0.5, 0}, {2, 0, 0}}), r->Polyline().Points());
    EXPECT_EQ(1u, r->LinkRoutes().Count());
    EXPECT_EQ(0u, CostDifferences(before, n.Costs()));
    ASSERT_EQ(2u, n.changes.size());
    EXPECT_EQ("merged node", n.changes[0].kind);
    EXPECT_EQ("", n.changes[0].text);
    EXPECT_EQ(0, n.changes[0].before);
    EXPECT_EQ(1, n.changes[1].before);
    EXPECT_TRUE(n.repaint.Contains({1.5, 0.5}));
}

TEST(SimplerNet, TwoWayChainMergesBothDirections) {
    TSimplifyNet n;
    n.Zone(1)->SetPosition({0, 0});
    n.Node(10)->SetPosition({1, 1});
    n.Zone(2)->SetPosition({2, 0});
    n.Link(1, 10, 1);
    n.Link(10, 1, 1);
    n.Link(10, 2, 2)->Polyline().SetPoints({{1.5, 1, 0}});
    n.Link(2, 10, 2);
    n.Access();
    const TZoneCosts before = n.Costs();
    EXPECT_EQ(1, n.Checked([&] { return n.Simplify(); }));
    ASSERT_EQ(2u, n.p.Links().Count());
    TLink* there = n.p.FindLink(n.p.FindNode(1), n.p.FindNode(2));
    TLink* back = n.p.FindLink(n.p.FindNode(2), n.p.FindNode(1));
    ASSERT_TRUE(there && back);
    EXPECT_DOUBLE_EQ(3, there->GetFloatIn(n.s, TLink::kLength));
    EXPECT_DOUBLE_EQ(3, back->GetFloatIn(n.s, TLink::kLength));
    // The second direction is drawn along the first.
    TPoint3Vector reversed = there->Polyline().Points();
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(reversed, back->Polyline().Points());
    EXPECT_EQ(0u, CostDifferences(before, n.Costs()));
}

TEST(SimplerNet, WhatSimplifyLeavesAlone) {
    // A link X -> Z already present; a zone in the middle of a chain; data that differ in a
    // child scenario.
    TSimplifyNet n;
    TScenario* child = n.p.NewScenario(n.s);
    n.Zone(1);
    n.Zone(2);
    n.Zone(3);
    n.Node(10);
    n.Node(11);
    n.Link(1, 10, 1);
    n.Link(10, 2, 1);
    n.Link(1, 2, 5); // X -> Z exists: 10 stays
    n.Link(2, 3, 1); // 2 is a zone with one link in and one out
    n.Link(3, 11, 1);
    TLink* q = n.Link(11, 1, 1);
    n.SetCapacity(q, child, 500); // differs only in the child scenario
    n.Access();
    EXPECT_EQ(0, n.Checked([&] { return n.Simplify(); }));
    EXPECT_EQ(0u, n.stack.Count());
    EXPECT_EQ(6u, n.p.Links().Count());

    // Merge Node forces what Simplify refused, the smaller capacity winning.
    n.SetCapacity(n.p.FindLink(n.p.FindNode(3), n.p.FindNode(11)), child, 800);
    EXPECT_TRUE(
        n.Checked([&] { return MergeNodeCommand(n.p, n.stack, n.p.FindNode(11), n.repaint); }));
    TLink* r = n.p.FindLink(n.p.FindNode(3), n.p.FindNode(1));
    ASSERT_NE(nullptr, r);
    EXPECT_DOUBLE_EQ(500, r->GetFloatIn(child, TLink::kCapacity));
    EXPECT_DOUBLE_EQ(2, r->GetFloatIn(child, TLink::kLength));
    // A zone is never merged, not even by force; a node with X -> Z present neither.
    EXPECT_FALSE(MergeNodeCommand(n.p, n.stack, n.p.FindNode(2), n.repaint));
    EXPECT_FALSE(MergeNodeCommand(n.p, n.stack, n.p.FindNode(10), n.repaint));
    EXPECT_NE(nullptr, n.p.FindNode(10));
}

TEST(SimplerNet, DeadEndsGoAndStopAtZones) {
    TSimplifyNet n;
    n.Zone(1);
    n.Zone(2);
    n.Zone(3);
    n.Node(10);
    n.Node(20);
    n.Node(21);
    n.Link(1, 10, 1);
    n.Link(10, 1, 1);
    n.Link(10, 2, 1);
    n.Link(2, 10, 1);
    n.Link(10, 3, 1); // into a zone that has no way out: stays
    n.Link(10, 20, 1);
    n.Link(20, 10, 1); // a spur 10 <-> 20 that only turns back
    n.Link(20, 21, 1); // and a dead end behind it
    n.Access();
    {
        TNetSimplifier sim(n.p);
        sim.removeDeadEnds = true;
        EXPECT_TRUE(sim.IsDeadEnd(n.p.FindLink(n.p.FindNode(20), n.p.FindNode(21))));
        EXPECT_TRUE(sim.IsDeadEnd(n.p.FindLink(n.p.FindNode(10), n.p.FindNode(20))) ==
                    false); // 20 still leads on to 21
        EXPECT_FALSE(sim.IsDeadEnd(n.p.FindLink(n.p.FindNode(10), n.p.FindNode(3))));
        EXPECT_FALSE(sim.IsDeadEnd(n.p.FindLink(n.p.FindNode(1), n.p.FindNode(10))));
    }
    const TZoneCosts before = n.Costs();
    n.Checked([&] { return n.Simplify(); });
    EXPECT_EQ(nullptr, n.p.FindNode(20));
    EXPECT_EQ(nullptr, n.p.FindNode(21));
    EXPECT_NE(nullptr, n.p.FindLink(n.p.FindNode(10), n.p.FindNode(3)));
    EXPECT_EQ(3u, n.p.TransportZones().Count());
    EXPECT_EQ(0u, CostDifferences(before, n.Costs()));
    int deletedLinks = 0;
    for (const auto& c : n.changes)
        deletedLinks += c.kind == "deleted link";
    EXPECT_EQ(3, deletedLinks);
}

TEST(SimplerNet, PassStopsAfterItsLimitAndTheCommandRepeatsPasses) {
    TSimplifyNet n;
    n.Zone(1);
    n.Zone(2);
    n.Node(10);
    n.Link(1, 10, 1);
    n.Link(10, 2, 1);
    for (std::int32_t i = 0; i < 300; ++i) {
        n.Node(100 + i);
        n.Link(10, 100 + i, 1);
        n.Link(100 + i, 10, 1);
    }
    const std::string before = model::DumpProject(n.p);
    std::vector<int> perPass;
    {
        undo::TCommand command(&n.p.UndoSet(), "Simplify Network");
        TNetSimplifier sim(n.p);
        sim.removeDeadEnds = true;
        TWorldRect all = TWorldRect::Of(-1, -1, 1, 1);
        for (std::int32_t last = 0; sim.SimplifyPass(all, n.repaint); last = sim.Changes())
            perPass.push_back(sim.Changes() - last);
        EXPECT_EQ("", model::ConsistencyReport(n.p));
        command.Undo();
        undo::SetCurrentUndoSet(nullptr);
    }
    // 600 spur links in passes of 256; then node 10 (first in node order) merges and the 300
    // orphan spur nodes go.
    EXPECT_EQ((std::vector<int>{256, 256, 88, 256, 45}), perPass);
    EXPECT_EQ("", FirstDifference(before, model::DumpProject(n.p)));
    EXPECT_EQ(901, n.Simplify());
    EXPECT_EQ(1u, n.p.Links().Count());
    EXPECT_EQ(1u, n.stack.Count());
}

TEST(SimplerNet, SimplifyWorksInsideTheRectangleOnly) {
    TSimplifyNet n;
    n.Zone(1)->SetPosition({0, 0});
    n.Node(10)->SetPosition({1, 0});
    n.Node(11)->SetPosition({5, 0});
    n.Zone(2)->SetPosition({6, 0});
    n.Link(1, 10, 1);
    n.Link(10, 11, 1);
    n.Link(11, 2, 1);
    EXPECT_EQ(1, n.Checked([&] { return n.Simplify(TWorldRect::Of(0.5, -1, 2, 1)); }));
    EXPECT_EQ(nullptr, n.p.FindNode(10));
    EXPECT_NE(nullptr, n.p.FindNode(11));
}

TEST(SimplerNet, MergeLinkMovesTheTailsLinksOntoTheHead) {
    TSimplifyNet n;
    n.Zone(1)->SetPosition({0, 0});
    n.Zone(2)->SetPosition({0, 2});
    n.Node(10)->SetPosition({1, 0});
    n.Node(11)->SetPosition({2, 0});
    n.Link(1, 10, 1);
    n.Link(10, 2, 2);
    TLink* l = n.Link(10, 11, 3);
    n.Link(11, 1, 1);
    n.Access();
    EXPECT_TRUE(n.Checked([&] { return MergeLinkCommand(n.p, n.stack, l, n.repaint); }));
    EXPECT_EQ(nullptr, n.p.FindNode(10));
    TLink* in = n.p.FindLink(n.p.FindNode(1), n.p.FindNode(11));
    TLink* out = n.p.FindLink(n.p.FindNode(11), n.p.FindNode(2));
    ASSERT_TRUE(in && out);
    EXPECT_DOUBLE_EQ(4, in->GetFloatIn(n.s, TLink::kLength));
    EXPECT_DOUBLE_EQ(5, out->GetFloatIn(n.s, TLink::kLength));
    EXPECT_EQ(n.type, out->LinkTypeIn(n.s));
    // A zone as tail is left alone.
    EXPECT_FALSE(MergeLinkCommand(n.p, n.stack, in, n.repaint));
}

TEST(SimplerNet, MergeRoutesAddsFrequenciesAndReportsMismatches) {
    TSimplifyNet n(true, otRoute);
    TOperator* other = n.p.NewOperator(n.mode);
    other->SetType(otRoute);
    TOperator* walk = n.p.NewOperator(n.mode);
    walk->SetType(otWalk);
    TScenario* child = n.p.NewScenario(n.s);
    for (std::int32_t id : {1, 2, 3})
        n.Node(id);
    n.Link(1, 2, 1);
    n.Link(2, 3, 1);
    TRoute* r0 = n.Route(n.op, "a", {1, 2});
    TRoute* r1 = n.Route(n.op, "b", {2, 3});
    TRoute* r2 = n.Route(other, "c", {1, 2});
    TRoute* r3 = n.Route(walk, "d", {1, 2});
    r0->SetValueIn(n.s, TRoute::kMinFreq, TValue(2.0));
    r1->SetValueIn(n.s, TRoute::kMinFreq, TValue(3.0));
    r1->SetValueIn(child, TRoute::kMinFreq, TValue(5.0));
    r1->SetValueIn(child, TRoute::kScheduled, TValue(true));

    TErrorCollector errors;
    ScopedMessageHandler scope(errors);
    EXPECT_TRUE(n.Checked([&] { return MergeRoutesCommand(n.p, n.stack, {r0, r2, r1}); }));
    EXPECT_EQ((std::vector<std::string>{
                  "Merge Error: Operator mistmatch betwenn routes " + std::to_string(r2->Id()) +
                      " and " + std::to_string(r0->Id()),
                  "Merge Error: Operator mistmatch betwenn routes " + std::to_string(r2->Id()) +
                      " and " + std::to_string(r0->Id())}),
              errors.errors); // once for the undone run, once for the kept one
    EXPECT_EQ(nullptr, n.p.Routes().FindById(r1->Id()));
    EXPECT_NE(nullptr, n.p.Routes().FindById(r2->Id()));
    EXPECT_EQ(2u, r0->LinkRoutes().Count());
    EXPECT_DOUBLE_EQ(5, r0->GetFloatIn(n.s, TRoute::kMinFreq));
    EXPECT_DOUBLE_EQ(7, r0->GetFloatIn(child, TRoute::kMinFreq));
    EXPECT_FALSE(r0->GetBooleanIn(n.s, TRoute::kScheduled));
    EXPECT_TRUE(r0->GetBooleanIn(child, TRoute::kScheduled));

    errors.errors.clear();
    EXPECT_FALSE(MergeRoutesCommand(n.p, n.stack, {r3, r0}));
    EXPECT_FALSE(MergeRoutesCommand(n.p, n.stack, {r0, r3}));
    const std::string notRoute =
        "Merge Error: Operator " + std::to_string(r3->Id()) + " is not a route";
    EXPECT_EQ((std::vector<std::string>{notRoute, notRoute}), errors.errors);
}

TEST(SimplerNet, SplitLinkAtAPolylinePointSplitsBothDirections) {
    TSimplifyNet n;
    n.Node(1)->SetPosition({0, 0});
    n.Node(2)->SetPosition({4, 0});
    TLink* l = n.Link(1, 2, 8);
    l->Polyline().SetPoints({{1, 1, 0}, {2, 1, 0}, {3, 1, 0}});
    n.Link(2, 1, 8);
    n.Access();
    TNode* m = n.Checked([&] {
        return SplitLinkCommand(n.p, n.stack, n.p.FindLink(n.p.FindNode(1), n.p.FindNode(2)), n.s,
                                1, n.repaint);
    });
    ASSERT_NE(nullptr, m);
    EXPECT_EQ((TFloatPoint{2, 1}), m->Position());
    EXPECT_EQ(4u, n.p.Links().Count());
    TLink* a = n.p.FindLink(n.p.FindNode(1), m);
    TLink* b = n.p.FindLink(m, n.p.FindNode(2));
    TLink* rb = n.p.FindLink(n.p.FindNode(2), m);
    ASSERT_TRUE(a && b && rb);
    EXPECT_EQ((TPoint3Vector{{1, 1, 0}}), a->Polyline().Points());
    EXPECT_EQ((TPoint3Vector{{3, 1, 0}}), b->Polyline().Points());
    EXPECT_EQ((TPoint3Vector{{3, 1, 0}}), rb->Polyline().Points());
    EXPECT_DOUBLE_EQ(4, b->GetFloatIn(n.s, TLink::kLength));
    EXPECT_EQ(nullptr, SplitLinkCommand(n.p, n.stack, a, n.s, 5, n.repaint));
}

} // namespace
} // namespace zep::analysis::test
