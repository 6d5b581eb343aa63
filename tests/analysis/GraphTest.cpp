// The search graph's rules on small hand-built studies: cost records, boardings and transfers,
// turns, U-turns, the heap's tie order and the path text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "AnalysisTestStudy.h"
#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"
#include "model/LinkRouteCost.h"

namespace zep::analysis::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

bool HasArc(TGraph& g, const TVertice* from, const TVertice* to) {
    for (const TArc& a : g.Arcs(from->Index()))
        if (a.target == to->Index()) return true;
    return false;
}

TEST(LinkRouteCost, EveryFieldFollowsTheOperatorTheLinkTypeAndTheCategory) {
    TTestNet n;
    TScenario* s = n.s;
    TOperator* op = n.op;
    op->SetType(otNormal);
    for (auto [id, v] : {std::pair{TOperator::kOccupancyRate, 2.0},
                         {TOperator::kDistanceTariff, 0.1},
                         {TOperator::kTimeTariff, 0.5},
                         {TOperator::kMinEnergy, 1.0},
                         {TOperator::kMaxEnergy, 3.0},
                         {TOperator::kEnergySlope, 0.1},
                         {TOperator::kEnergyCost, 0.2},
                         {TOperator::kTimeCost, 4.0},
                         {TOperator::kPctCostToUser, 0.5},
                         {TOperator::kMinWaitingTime, 0.25},
                         {TOperator::kModalConstant, 1.5}})
        op->SetValueIn(s, id, TValue(v));
    TLinkTypeOper* e = n.type->OperatorData(op);
    for (auto [id, v] : {std::pair{TLinkTypeOper::kEquivalentVehicles, 2.0},
                         {TLinkTypeOper::kCharges, 0.3},
                         {TLinkTypeOper::kPenalization, 2.0},
                         {TLinkTypeOper::kDistanceCost, 0.4}})
        e->SetValueIn(s, id, TValue(v));
    // A faster operator on the same type halves this one's relative speed.
    TOperator* fast = n.p.NewOperator(n.mode);
    n.type->GetOrCreateOperatorData(fast)->SetValueIn(s, TLinkTypeOper::kFreeFlowSpeed,
                                                      TValue(20.0));
    n.Node(10);
    n.Node(11);
    TLink* l = n.Link(10, 11, 5.0, 40.0);
    TRoute* route = n.p.NewRoute(op);
    TLinkRoute* lr = n.p.NewLinkRoute(l, route);
    lr->SetUsedIn(s, true);
    for (auto [id, v] : {std::pair{TLinkRoute::kVehicles, 3.0},
                         {TLinkRoute::kVolume, 7.0},
                         {TLinkRoute::kBoard, 4.0},
                         {TLinkRoute::kUnboard, 1.0},
                         {TLinkRoute::kWaitingTime, 0.0}})
        lr->SetValueIn(s, id, TValue(v));
    op->GetOrCreateOperatorCategoryFor(n.category)
        ->SetValueIn(s, TOperatorCategory::kTariff, TValue(0.8));
    op->OperatorCategoryFor(n.category)->SetValueIn(s, TOperatorCategory::kPenalty, TValue(1.25));

    const TLinkRouteCostRecord c = LinkRouteCost(*lr, s, n.category);
    const double epud = 1 + 2 * std::exp(-0.1 * 20.0);
    const double opCost = 5 * (0.4 + 0.3 + 0.2 * epud) + 4 * 0.25;
    EXPECT_DOUBLE_EQ(5.0, c.distance);
    EXPECT_DOUBLE_EQ(7.0, c.volume);
    EXPECT_DOUBLE_EQ(3.0, c.vehicles);
    EXPECT_DOUBLE_EQ(6.0, c.equivalentVehicles);
    EXPECT_DOUBLE_EQ(0.25, c.waitingTime); // 0 takes the operator's minimum
    EXPECT_DOUBLE_EQ(20.0, c.speed);
    EXPECT_DOUBLE_EQ(0.25, c.travelTime);
    EXPECT_DOUBLE_EQ(epud, c.energyPerUnitDistance);
    EXPECT_DOUBLE_EQ(5 * epud * 3, c.energy);
    EXPECT_DOUBLE_EQ(0.2 * epud, c.energyCostPerUnitDistance);
    EXPECT_DOUBLE_EQ(opCost, c.operatingCost);
    EXPECT_DOUBLE_EQ((0.1 * 5 + 0.5 * 0.25 + 0.5 * opCost / 2) * 0.8, c.tariff);
    EXPECT_DOUBLE_EQ(1.5 * (2 * 0.25) * 1.25, c.penalisedTime);
    EXPECT_DOUBLE_EQ(1.5, c.charges);
    EXPECT_DOUBLE_EQ(0.375, c.chargesPerUser);
    EXPECT_DOUBLE_EQ(0.0, c.additionalTransferCost);
    EXPECT_DOUBLE_EQ(4.0, c.boardings);
    EXPECT_DOUBLE_EQ(1.0, c.alightings);
    EXPECT_DOUBLE_EQ(6.0, c.passengerCapacity);
    EXPECT_DOUBLE_EQ(3.0, c.spareCapacity);

    // Without the category the factors stay out; a walking operator moves at its own speed.
    EXPECT_DOUBLE_EQ(1.5 * (2 * 0.25), LinkRouteCost(*lr, s, nullptr).penalisedTime);
    op->SetType(otWalk);
    EXPECT_DOUBLE_EQ(10.0, LinkRouteCost(*lr, s, nullptr).speed);

    // No link type: everything that needs it is infinite; no speed leaves travel infinite.
    l->SetLinkTypeIn(s, nullptr);
    const TLinkRouteCostRecord none = LinkRouteCost(*lr, s, nullptr);
    EXPECT_EQ(kInf, none.travelTime);
    EXPECT_EQ(kInf, none.tariff);
    EXPECT_EQ(kInf, none.penalisedTime);
    EXPECT_DOUBLE_EQ(3.0, none.equivalentVehicles);
    l->SetLinkTypeIn(s, n.type);
    l->SetValueIn(s, TLink::kSpeed, TValue(0.0));
    op->SetType(otNormal);
    EXPECT_EQ(kInf, LinkRouteCost(*lr, s, nullptr).travelTime);
    EXPECT_EQ(kInf, LinkRouteCost(*lr, s, nullptr).operatingCost);
}

// Zones 1 and 2, nodes 10..13; public routes R1 (1-10-11) and R2 (11-12-2).
struct TTransitNet : TTestNet {
    TRoute* r1;
    TRoute* r2;
    TTransitNet() : TTestNet(true, otRoute) {
        Zone(1);
        Zone(2);
        for (int id : {10, 11, 12, 13})
            Node(id);
        Link(1, 10, 10);
        Link(10, 11, 10);
        Link(11, 12, 10);
        Link(12, 2, 10);
        op->SetValueIn(s, TOperator::kMinWaitingTime, TValue(0.1));
        op->SetValueIn(s, TOperator::kBoardingTariff, TValue(1.5));
        r1 = Route(op, "R1", {1, 10, 11});
        r2 = Route(op, "R2", {11, 12, 2});
    }
    TLinkRoute* LR(TRoute* r, int a, int b) {
        return p.FindLink(p.FindNode(a), p.FindNode(b))->LinkRouteOf(r);
    }
};

TEST(GraphArcs, SameRouteRidesOnTransfersBoardAndNoTransfersRemovesTheArc) {
    TTransitNet n;
    {
        TDualGraph g(n.p, nullptr, n.mode, n.s);
        const TVertice* a = g.VertexOf(n.LR(n.r1, 1, 10));
        const TVertice* b = g.VertexOf(n.LR(n.r1, 10, 11));
        const TVertice* c = g.VertexOf(n.LR(n.r2, 11, 12));
        const TArcCostRecord ride = g.ArcCost(a, *b);
        EXPECT_FALSE(ride.boarding);
        EXPECT_EQ(0.0, ride.waitingTime);
        EXPECT_EQ(0.0, ride.transferCost);
        EXPECT_DOUBLE_EQ(1.0, ride.total);
        const TArcCostRecord transfer = g.ArcCost(b, *c);
        EXPECT_TRUE(transfer.boarding);
        EXPECT_TRUE(transfer.motorised);
        EXPECT_DOUBLE_EQ(0.1, transfer.waitingTime);
        EXPECT_DOUBLE_EQ(1.5, transfer.transferCost);
        EXPECT_DOUBLE_EQ(1.0 + 0.1 + 1.5, transfer.total);
        EXPECT_TRUE(HasArc(g, b, c));
        // Board at the zone (wait, tariff), ride, transfer, ride, leave.
        PPath p = g.PathBetweenZones(n.Zone(1), n.Zone(2));
        ASSERT_TRUE(p);
        EXPECT_DOUBLE_EQ((1.0 + 0.1 + 1.5) + 1.0 + (1.0 + 0.1 + 1.5) + 1.0, p->Cost());
    }
    n.LR(n.r2, 11, 12)->SetValueIn(n.s, TLinkRoute::kNoTransfers, TValue(true));
    TDualGraph g(n.p, nullptr, n.mode, n.s);
    EXPECT_FALSE(HasArc(g, g.VertexOf(n.LR(n.r1, 10, 11)), g.VertexOf(n.LR(n.r2, 11, 12))));
    EXPECT_FALSE(g.PathBetweenZones(n.Zone(1), n.Zone(2)));
}

TEST(GraphArcs, ProhibitedTurnRemovesPrivateArcsAndMakesPublicOnesABoarding) {
    // Public: R1 continues 11-12 itself; the prohibited turn 10-11-12 becomes alight-and-board.
    TTransitNet t;
    t.p.NewLinkRoute(t.p.FindLink(t.Node(11), t.Node(12)), t.r1)->SetUsedIn(t.s, true);
    t.p.FindLink(t.Node(10), t.Node(11))->SetTurnProhibited(t.Node(12), t.s, true);
    {
        TDualGraph g(t.p, nullptr, t.mode, t.s);
        const TArcCostRecord a =
            g.ArcCost(g.VertexOf(t.LR(t.r1, 10, 11)), *g.VertexOf(t.LR(t.r1, 11, 12)));
        EXPECT_TRUE(a.boarding);
        EXPECT_EQ(0.0, a.turnDelay);
        EXPECT_DOUBLE_EQ(1.0 + 0.1 + 1.5, a.total);
    }
    // Private: the turn is gone, the path takes the detour 11-13-12.
    TTestNet n;
    n.Zone(1);
    n.Zone(2);
    for (int id : {10, 11, 12, 13})
        n.Node(id);
    n.Link(1, 10, 10);
    n.Link(10, 11, 10);
    n.Link(11, 12, 10);
    n.Link(11, 13, 10);
    n.Link(13, 12, 10);
    n.Link(12, 2, 10);
    n.Access();
    TLink* in = n.p.FindLink(n.Node(10), n.Node(11));
    {
        TDualGraph g(n.p, nullptr, n.mode, n.s);
        EXPECT_DOUBLE_EQ(4.0, g.PathBetweenZones(n.Zone(1), n.Zone(2))->Cost());
    }
    in->SetTurnProhibited(n.Node(12), n.s, true);
    {
        TDualGraph g(n.p, nullptr, n.mode, n.s);
        const TVertice* from = g.VertexOf(in->LinkRoutes().Get(0));
        const TVertice* to = g.VertexOf(n.p.FindLink(n.Node(11), n.Node(12))->LinkRoutes().Get(0));
        EXPECT_FALSE(HasArc(g, from, to));
        EXPECT_DOUBLE_EQ(5.0, g.PathBetweenZones(n.Zone(1), n.Zone(2))->Cost());
    }
    // A finite delay stays in the record and is valued with the travel time.
    in->SetTurnProhibited(n.Node(12), n.s, false);
    in->GetOrCreateTurnTo(n.Node(12))->SetValueIn(n.s, TTurnRestriction::kDelay, TValue(0.5));
    n.category->SetValueIn(n.s, TCategory::kValueOfTravelTime, TValue(2.0));
    TDualGraph g(n.p, nullptr, n.mode, n.s);
    const TArcCostRecord a =
        g.ArcCost(g.VertexOf(in->LinkRoutes().Get(0)),
                  *g.VertexOf(n.p.FindLink(n.Node(11), n.Node(12))->LinkRoutes().Get(0)));
    EXPECT_DOUBLE_EQ(0.5, a.turnDelay);
    EXPECT_DOUBLE_EQ(1.5, a.time);
    EXPECT_DOUBLE_EQ(3.0, a.timeCost);
    PPath p = g.PathBetweenZones(n.Zone(1), n.Zone(2));
    EXPECT_DOUBLE_EQ(2.0 * 4.5, p->Cost());
    EXPECT_NE(std::string::npos, p->ToString().find("dt:0.50"));
}

TEST(GraphArcs, NoUTurnEvenOntoAnotherRoute) {
    TTestNet n;
    n.Zone(1);
    n.Zone(2);
    n.Node(10);
    n.Node(11);
    n.Link(1, 10, 10);
    n.Link(10, 11, 10);
    n.Link(11, 10, 10);
    n.Link(10, 2, 10);
    n.Access();
    TLink* direct = n.p.FindLink(n.Node(1), n.Node(10));
    direct->SetTurnProhibited(n.Node(2), n.s, true);
    TRoute* other = n.Route(n.op, "other", {11, 10});
    (void)other;
    {
        TDualGraph g(n.p, nullptr, n.mode, n.s);
        const TLink* up = n.p.FindLink(n.Node(10), n.Node(11));
        const TLink* back = n.p.FindLink(n.Node(11), n.Node(10));
        for (TZEPPersistent* a : up->LinkRoutes().Items())
            for (TZEPPersistent* b : back->LinkRoutes().Items())
                EXPECT_FALSE(HasArc(g, g.VertexOf(static_cast<TLinkRoute*>(a)),
                                    g.VertexOf(static_cast<TLinkRoute*>(b))));
        EXPECT_FALSE(g.PathBetweenZones(n.Zone(1), n.Zone(2)));
    }
    // A loop 11-12-10 turns the traveller round without a U-turn.
    n.Node(12);
    n.Link(11, 12, 10);
    n.Link(12, 10, 10);
    n.Access();
    TDualGraph g(n.p, nullptr, n.mode, n.s);
    EXPECT_DOUBLE_EQ(5.0, g.PathBetweenZones(n.Zone(1), n.Zone(2))->Cost());
}

TEST(GraphSearch, HeapTiesMoveUpAndSinkingStopsOnlyAboveADearerChild) {
    TPathHeap h;
    h.Push(1, 1.0);
    h.Push(2, 1.0);
    h.Push(3, 1.0);
    h.Push(4, 0.5);
    h.Push(5, 2.0);
    std::vector<std::int32_t> order;
    while (!h.Empty())
        order.push_back(h.Pop().vertex);
    EXPECT_EQ((std::vector<std::int32_t>{4, 3, 1, 2, 5}), order);
}

// The heap's rules written out plainly: push appends and moves up while not dearer than the
// parent; pop moves the last item to the root and sinks it, taking the right child only when
// strictly cheaper and stopping only above a strictly dearer child.
struct TPlainHeap {
    std::vector<TPathHeap::TItem> a;
    void Push(std::int32_t v, double c) {
        a.push_back({v, c});
        std::size_t k = a.size() - 1;
        while (k > 0 && !(a[k].cost > a[(k - 1) / 2].cost)) {
            std::swap(a[k], a[(k - 1) / 2]);
            k = (k - 1) / 2;
        }
    }
    TPathHeap::TItem Pop() {
        const TPathHeap::TItem root = a[0];
        a[0] = a.back();
        a.pop_back();
        std::size_t k = 0;
        for (;;) {
            std::size_t c = 2 * k + 1;
            if (c >= a.size()) break;
            if (c + 1 < a.size() && a[c + 1].cost < a[c].cost) ++c;
            if (a[k].cost < a[c].cost) break;
            std::swap(a[k], a[c]);
            k = c;
        }
        return root;
    }
};

TEST(GraphSearch, HeapPopsInThePlainRulesOrderWithManyTies) {
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        TPathHeap heap;
        TPlainHeap plain;
        std::int32_t next = 0;
        const int levels = 1 + int(rng() % 6); // few distinct costs: many ties
        // A few long rounds grow heaps of thousands of items (a dozen levels and more).
        const int steps = round % 40 == 39 ? 20000 : 400;
        for (int step = 0; step < steps; ++step) {
            if (rng() % 1000 == 0) { // emptied and used again, as the next search does
                heap.Clear();
                plain.a.clear();
            } else if (plain.a.empty() || rng() % 3 != 0) {
                const double c = double(rng() % unsigned(levels)) * 0.5;
                heap.Push(next, c);
                plain.Push(next, c);
                ++next;
            } else {
                const TPathHeap::TItem x = heap.Pop(), y = plain.Pop();
                ASSERT_EQ(y.vertex, x.vertex) << "round " << round << " step " << step;
                ASSERT_EQ(y.cost, x.cost);
            }
            ASSERT_EQ(plain.a.size(), heap.Count());
        }
    }
}

TEST(GraphSearch, PathTextAndEqualCostsKeepTheFirstPathFound) {
    TTestNet n;
    n.Zone(1);
    n.Zone(2);
    n.Node(10);
    n.Node(11);
    n.Node(12);
    n.Link(1, 10, 10);
    n.Link(10, 2, 5);
    n.Access();
    {
        TDualGraph g(n.p, nullptr, n.mode, n.s);
        PPath p = g.PathBetweenZones(n.Zone(1), n.Zone(2));
        ASSERT_TRUE(p);
        EXPECT_EQ("$1.50 (d:15.00,tt:1:30:00,dt:0.00,tc:1.50,wt:0:00:00,wc:0.00,mc:0.00) = "
                  "<1> $1.00 : 10[op] $1.50 : <2>",
                  p->ToString());
        EXPECT_EQ("<2>", p->LastVertex().ToString());
        EXPECT_EQ(0, p->CompareTo(*g.PathBetweenZones(n.Zone(1), n.Zone(2))));
    }
    // Two equal ways round, via 11 and via 12: the tie order of the heap picks the one whose
    // vertex is expanded first, and a later equal cost does not replace it.
    n.Link(1, 11, 10);
    n.Link(11, 2, 5);
    n.Link(1, 12, 10);
    n.Link(12, 2, 5);
    n.p.FindLink(n.Node(1), n.Node(10))->SetUsedIn(n.s, false);
    n.Access();
    TDualGraph g(n.p, nullptr, n.mode, n.s);
    PPath p = g.PathBetweenZones(n.Zone(1), n.Zone(2));
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(1.5, p->Cost());
    // 1-12, pushed after 1-11 at the same cost, moves up and is expanded first; but 11-2, pushed
    // after 12-2 at the same cost, overtakes it in turn and labels zone 2 first.
    EXPECT_NE(std::string::npos, p->ToString().find("<1> $1.00 : 11[op] $1.50 : <2>"))
        << p->ToString();
}

TEST(GraphSearch, SearchersKeepTheirLabelsAndAnswerOnlyFinalOnes) {
    TTestNet n;
    n.Zone(1);
    n.Zone(2);
    n.Zone(3);
    for (int id : {10, 11, 12})
        n.Node(id);
    n.Link(1, 10, 10);
    n.Link(10, 2, 10);
    n.Link(1, 12, 15);
    n.Link(12, 10, 15);
    n.Link(10, 11, 20);
    n.Link(11, 3, 10);
    n.Access();
    // Straight on from 1-10 to 10-11 waits 5 hours; coming from 12 it does not.
    n.p.FindLink(n.Node(1), n.Node(10))
        ->GetOrCreateTurnTo(n.Node(11))
        ->SetValueIn(n.s, TTurnRestriction::kDelay, TValue(5.0));
    TDualGraph g(n.p, nullptr, n.mode, n.s);
    auto s = g.SearcherForZone(n.Zone(1));
    EXPECT_EQ(s, g.SearcherForZone(n.Zone(1)));
    EXPECT_DOUBLE_EQ(2.0, s->PathTo(g.ZoneVertex(n.Zone(2))->Index())->Cost());
    // 10-11 is labelled by now (8 hours, through the delayed turn) but not final: asking for it
    // goes on searching and finds the way through 12.
    const std::int32_t v =
        g.VertexOf(n.p.FindLink(n.Node(10), n.Node(11))->LinkRoutes().Get(0))->Index();
    EXPECT_DOUBLE_EQ(8.0, s->CostTo(v));
    EXPECT_DOUBLE_EQ(5.0, s->PathTo(v)->Cost());
    g.SearchAllFromZone(n.Zone(1));
    EXPECT_DOUBLE_EQ(6.0, s->CostTo(g.ZoneVertex(n.Zone(3))->Index()));
    EXPECT_DOUBLE_EQ(6.0, s->PathTo(g.ZoneVertex(n.Zone(3))->Index())->Cost());
    EXPECT_FALSE(s->PathTo(g.ZoneVertex(n.Zone(1))->Index())); // no path to the origin
    EXPECT_FALSE(s->PathTo(-1));
    EXPECT_FALSE(s->PathTo(1 << 30));
    // Zones are not passed through: nothing leaves zone 2, so it reaches nothing.
    EXPECT_FALSE(g.PathBetweenZones(n.Zone(2), n.Zone(3)));
}

TEST(GraphSearch, HiddenCommandUsesTheOnlyModeOrTheSecond) {
    TTestNet n;
    for (int id = 1; id <= 4; ++id)
        n.Zone(id);
    n.Node(10);
    for (int id = 1; id <= 4; ++id) {
        n.Link(id, 10, 10);
        n.Link(10, id, 10);
    }
    n.Access();
    EXPECT_EQ(n.mode, DefaultSearchMode(n.p));
    const TDualGraphRun run = MakeDualGraph(n.p);
    EXPECT_EQ(0u, run.firstPathText.find("$2.00 ")) << run.firstPathText;
    EXPECT_NE(std::string::npos, run.firstPathText.find("<4>"));
    EXPECT_EQ(11u, run.elapsed.size()); // 0:00:00.000
    TMode* second = n.p.NewMode();
    EXPECT_EQ(second, DefaultSearchMode(n.p));
    // The second mode has no operator: no path at all.
    EXPECT_EQ("", MakeDualGraph(n.p).firstPathText);
}

TEST(GraphSearch, NegativeCostCycleEndsTheSearch) {
    // Two public routes round a loop with a transfer cost below zero both ways.
    TTestNet n(true, otRoute);
    n.Zone(1);
    n.Zone(2);
    for (int id : {10, 11})
        n.Node(id);
    n.Link(1, 10, 10);
    n.Link(10, 11, 1);
    n.Link(11, 10, 1);
    n.Node(12);
    n.Link(11, 12, 1);
    n.Link(12, 10, 1);
    TRoute* a = n.Route(n.op, "A", {1, 10, 11, 12, 10});
    TOperator* op2 = n.p.NewOperator(n.mode);
    op2->SetType(otRoute);
    n.type->GetOrCreateOperatorData(op2)->SetValueIn(n.s, TLinkTypeOper::kFreeFlowSpeed,
                                                     TValue(10.0));
    TRoute* b = n.Route(op2, "B", {10, 11, 12, 10});
    (void)a;
    (void)b;
    n.op->GetOrCreateTransferTo(op2)->SetValueIn(n.s, TTransfer::kTransferCost, TValue(-50.0));
    op2->GetOrCreateTransferTo(n.op)->SetValueIn(n.s, TTransfer::kTransferCost, TValue(-50.0));
    TDualGraph g(n.p, nullptr, n.mode, n.s);
    EXPECT_TRUE(g.HasNegativeArcs());
    g.SearchAllFromZone(n.Zone(1)); // must return
    EXPECT_FALSE(g.PathBetweenZones(n.Zone(1), n.Zone(2)));
}

} // namespace
} // namespace zep::analysis::test
