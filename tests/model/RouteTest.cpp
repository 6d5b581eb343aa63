// Routes and link-routes: property tables, the operator field, forced target occupancy, chains
// and connectivity, existence rules, validation messages, copies and version operations.
#include <gtest/gtest.h>

#include "ModeTestStudy.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "tests/model/LinkTestProject.h"

namespace zep::model::test {
namespace {

TEST(RouteTest, PropertyTables) {
    const TValue none;
    ExpectTable(TRoute::ClassSpecs(),
                {{253, "id", varInteger, psAttribute, none, none, none},
                 {20, "operator", varError, 0, none, none, none}, // the second declaration
                 {255, "used", varBoolean, 0, TValue(true), none, none},
                 {1, "min_freq", varDouble, 0, TValue(1.0), TValue(0.1), none},
                 {2, "max_freq", varDouble, 0, TValue(1.0), TValue(0.1), none},
                 {3, "new_freq", varDouble, psNotStored, none, none, none},
                 {4, "target_occupancy", varDouble, 0, TValue(0.0), TValue(0.0), TValue(1.0)},
                 {5, "max_fleet", varDouble, 0, TValue(0.0), TValue(0.0), none},
                 {6, "scheduled", varBoolean, 0, TValue(false), none, none}});
    EXPECT_EQ(TRoute::ClassSpecs().ById(253).KeyPrefix(), "r");
    EXPECT_EQ(TRoute::ClassSpecs().ById(4).DisplayText(TValue(0.5)),
              TPercentPropSpec(4, "x", 0).DisplayText(TValue(0.5)));
    ExpectTable(TLinkRoute::ClassSpecs(),
                {{253, "id", varInteger, psNotStored, none, none, none},
                 {250, "name", varString, psNotStored, none, none, none},
                 {40, "link", varError, psAttribute | psNotStored, none, none, none},
                 {41, "route", varError, psAttribute, none, none, none},
                 {255, "used", varBoolean, 0, TValue(false), none, none},
                 {2, "no_transfers", varBoolean, 0, TValue(false), none, none},
                 {3, "travel_time", varDouble, 0, none, none, none},
                 {4, "waiting_time", varDouble, 0, none, none, none},
                 {5, "volume", varDouble, 0, none, none, none},
                 {6, "vehicles", varDouble, 0, none, none, none},
                 {7, "speed", varDouble, 0, none, none, none},
                 {8, "energy", varDouble, 0, none, none, none},
                 {9, "operation_cost", varDouble, 0, none, none, none},
                 {10, "tariff", varDouble, 0, none, none, none},
                 {11, "charges", varDouble, 0, none, none, none},
                 {31, "board", varDouble, psNotStored, none, none, none},
                 {32, "unboard", varDouble, psNotStored, none, none, none}});
}

/// A bus operator of type "route" on a grid row 1 -> 2 -> ... -> 6 (and the way back), every
/// link of a type the bus may use.
class TRouteFixture : public TNetFixture {
protected:
    TRouteFixture() {
        bus = prj.NewMode();
        op = prj.NewOperator(bus, otRoute);
        op->SetName("Bus");
        type = prj.NewLinkType();
        type->GetOrCreateOperatorData(op)->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed,
                                                      TValue(40.0));
        for (int i = 1; i <= 6; ++i)
            n[i] = prj.NewNode(i, 0, i);
        for (int i = 1; i < 6; ++i) {
            fwd[i] = prj.NewLink(n[i], n[i + 1]);
            back[i] = prj.NewLink(n[i + 1], n[i]);
            fwd[i]->SetLinkTypeIn(base, type);
            back[i]->SetLinkTypeIn(base, type);
        }
        route = prj.NewRoute(op);
        route->SetName("Line 1");
    }
    /// Link-routes of the route on forward links i..j-1, used in the base scenario.
    void Cover(int from, int to) {
        for (int i = from; i < to; ++i)
            prj.NewLinkRoute(fwd[i], route)->TVersionedEntity::SetUsedIn(base, true);
    }

    TMode* bus;
    TOperator* op;
    TLinkType* type;
    TNode* n[7] = {};
    TLink* fwd[6] = {};
    TLink* back[6] = {};
    TRoute* route;
};

TEST_F(TRouteFixture, OperatorFieldFollowsTheProperty) {
    EXPECT_EQ(route->Operator(), op);
    EXPECT_EQ(route->GetObject(TRoute::kOperator), op);
    TOperator* other = prj.NewOperator(bus, otNormal);
    route->SetProperty(TRoute::kOperator, TValue(other));
    EXPECT_EQ(route->Operator(), other);
    route->SetOperator(nullptr);
    EXPECT_EQ(route->Operator(), nullptr);
    EXPECT_TRUE(route->IsFullyConnected(base)); // no operator of type "route"
    UndoAll();
    EXPECT_EQ(route->Operator(), op);
}

TEST_F(TRouteFixture, TargetOccupancyFallsBackToTheOperator) {
    op->SetValueIn(base, TOperator::kTargetOccupancy, TValue(0.6));
    op->SetValueIn(s1, TOperator::kTargetOccupancy, TValue(0.8));
    EXPECT_DOUBLE_EQ(route->TargetOccupancyIn(s2), 0.8);
    PVProperty p = route->GetVersionedProperty(s1, TRoute::kTargetOccupancy);
    EXPECT_DOUBLE_EQ(p->GetAsFloat(), 0.8);
    EXPECT_TRUE(p->IsDefault()); // shown as a forced default
    route->SetValueIn(base, TRoute::kTargetOccupancy, TValue(0.3));
    EXPECT_DOUBLE_EQ(route->GetVersionedProperty(s1, TRoute::kTargetOccupancy)->GetAsFloat(), 0.3);
    EXPECT_DOUBLE_EQ(route->TargetOccupancyIn(s2), 0.3);
}

TEST_F(TRouteFixture, LinkRouteTakesIdentityFromItsRoute) {
    TLinkRoute* lr = prj.NewLinkRoute(fwd[1], route);
    EXPECT_EQ(prj.NewLinkRoute(fwd[1], route), lr); // one per link and route
    EXPECT_EQ(lr->Id(), route->Id());
    EXPECT_EQ(lr->GetName(), "Line 1");
    EXPECT_EQ(lr->GetObject(TLinkRoute::kLink), fwd[1]);
    EXPECT_EQ(lr->GetObject(TLinkRoute::kRoute), route);
    EXPECT_EQ(lr->GetListText(), "\xAE" + route->GetListText());
    op->SetType(otNormal);
    EXPECT_EQ(lr->GetListText(), "    " + route->GetListText());
    EXPECT_EQ(fwd[1]->LinkRouteOf(route), lr);
    EXPECT_EQ(route->LinkRoutes().FindByLink(fwd[1]), lr);
    EXPECT_EQ(fwd[1]->LinkRoutes().FindByRoute(route), lr);
    EXPECT_TRUE(lr->IsRegistered());

    // Deleting it leaves both lists; undo brings it back into them.
    prj.RemoveLinkRoute(lr);
    EXPECT_EQ(fwd[1]->LinkRoutes().Count(), 0u);
    EXPECT_EQ(route->LinkRoutes().Count(), 0u);
}

TEST_F(TRouteFixture, LinkRouteWithoutBothEndsIsBadAndUnregistered) {
    TLogCapture log("Link");
    TLink loose(&prj, n[1], nullptr);
    TLinkRoute bad(&prj, &loose, route);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Bad Link Route"});
    EXPECT_EQ(route->LinkRoutes().Count(), 0u);
    EXPECT_EQ(loose.LinkRoutes().Count(), 0u);
    TLinkRoute noRoute(&prj, fwd[2], nullptr);
    EXPECT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(fwd[2]->LinkRoutes().Count(), 0u);
    EXPECT_FALSE(noRoute.IsRegistered());
    TLinkRoute loaderEntry; // empty: filled by a reader, nothing to report yet
    EXPECT_EQ(log.Lines().size(), 2u);
    n[1]->OutLinks().Remove(&loose);
}

TEST_F(TRouteFixture, ExistenceOfLinkRoutes) {
    TLinkRoute* lr = prj.NewLinkRoute(fwd[1], route);
    EXPECT_FALSE(lr->IsUsedIn(base)); // "used" defaults to false
    lr->SetUsedIn(base, true);
    EXPECT_TRUE(lr->IsUsedIn(s2));
    fwd[1]->SetUsedIn(s1, false); // its link gone there
    EXPECT_FALSE(lr->IsUsedIn(s1));
    EXPECT_TRUE(lr->IsUsedIn(sib));
    route->SetUsedIn(sib, false); // its route gone there
    EXPECT_FALSE(lr->IsUsedIn(sib));
    EXPECT_EQ(route->CountUsedLinkRoutes(base), 1u);
    EXPECT_EQ(route->CountUsedLinkRoutes(sib), 0u);
}

TEST_F(TRouteFixture, SwitchingOnRestartsARouteNotUsedInTheScenario) {
    Cover(1, 5);
    route->SetUsedIn(s1, false);
    TLinkRoute* last =
        fwd[5]->LinkRouteOf(route) ? fwd[5]->LinkRouteOf(route) : prj.NewLinkRoute(fwd[5], route);
    last->SetUsedIn(s1, true);
    EXPECT_TRUE(route->IsUsedIn(s1));
    EXPECT_EQ(route->CountUsedLinkRoutes(s1), 1u);
    EXPECT_TRUE(last->IsUsedIn(s1));
    EXPECT_EQ(route->CountUsedLinkRoutes(base), 4u); // the base scenario keeps its route
    // On a route already used, switching one on adds it to the others.
    TLinkRoute* first = fwd[1]->LinkRouteOf(route);
    first->SetUsedIn(s1, true);
    EXPECT_EQ(route->CountUsedLinkRoutes(s1), 2u);
}

TEST_F(TRouteFixture, ChainsAndConnectivity) {
    Cover(1, 6); // one piece 1..6
    ASSERT_EQ(route->LinkRoutes().Chains(base).size(), 1u);
    const auto ordered = route->LinkRoutes().Ordered(base);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(ordered[static_cast<std::size_t>(i - 1)]->Link(), fwd[i]);
    EXPECT_TRUE(route->IsFullyConnected(base));
    EXPECT_EQ(route->ErrorMessageIn(base), "");

    // A gap: two pieces 1..3 and 4..6 that do not meet are not connected.
    fwd[3]->LinkRouteOf(route)->SetUsedIn(s1, false);
    EXPECT_EQ(route->LinkRoutes().Chains(s1).size(), 2u);
    EXPECT_FALSE(route->IsFullyConnected(s1));
    EXPECT_EQ(route->ErrorMessageIn(s1), "Not fully connected");
    // The chain order leaves the unused entry at the end; the stored order is untouched.
    EXPECT_EQ(route->LinkRoutes().Ordered(s1).back()->Link(), fwd[3]);
    EXPECT_EQ(route->LinkRoutes().Get(2)->Link(), fwd[3]);

    // A circular line 1 -> ... -> 6 -> 1 cut into two pieces that join end to start.
    TLink* closing = prj.NewLink(n[6], n[1]);
    closing->SetLinkTypeIn(base, type);
    prj.NewLinkRoute(closing, route)->TVersionedEntity::SetUsedIn(base, true);
    fwd[1]->LinkRouteOf(route)->SetUsedIn(s2, false);
    fwd[4]->LinkRouteOf(route)->SetUsedIn(s2, false);
    // s2: used 2, 5, closing -> pieces {2}, {5, closing}; 2 starts at n2, nothing ends there.
    EXPECT_FALSE(route->IsFullyConnected(s2));
    fwd[3]->LinkRouteOf(route)->SetUsedIn(s2, true);
    fwd[4]->LinkRouteOf(route)->SetUsedIn(s2, true);
    fwd[1]->LinkRouteOf(route)->SetUsedIn(s2, true);
    fwd[2]->LinkRouteOf(route)->SetUsedIn(s2, false);
    // s2: used 1, 3, 4, 5, closing -> pieces {3, 4, 5, closing, 1} and nothing else: one.
    EXPECT_TRUE(route->IsFullyConnected(s2));

    // Three pieces are never connected; an unused route reports nothing.
    fwd[4]->LinkRouteOf(route)->SetUsedIn(sib, false);
    fwd[2]->LinkRouteOf(route)->SetUsedIn(sib, false);
    closing->LinkRouteOf(route)->SetUsedIn(sib, false);
    EXPECT_EQ(route->LinkRoutes().Chains(sib).size(), 3u);
    EXPECT_FALSE(route->IsFullyConnected(sib));
    route->SetUsedIn(sib, false);
    EXPECT_EQ(route->ErrorMessageIn(sib), "");
}

// Out and back (1 -> 2 -> 3 -> 2 -> 1): a chain never turns back onto the link it came from, so
// the line is two pieces, 3 -> 2 -> 1 and 1 -> 2 -> 3, and the first starts where the second
// ends.
TEST_F(TRouteFixture, TwoPiecesJoiningEndToStartAreConnected) {
    for (TLink* l : {fwd[1], fwd[2], back[2], back[1]})
        prj.NewLinkRoute(l, route)->TVersionedEntity::SetUsedIn(base, true);
    const auto& chains = route->LinkRoutes().Chains(base);
    ASSERT_EQ(chains.size(), 2u);
    ASSERT_EQ(chains[0].size(), 2u);
    EXPECT_EQ(chains[0][0]->Link(), back[2]);
    EXPECT_EQ(chains[0][1]->Link(), back[1]);
    EXPECT_EQ(chains[1][0]->Link(), fwd[1]);
    EXPECT_EQ(chains[1][1]->Link(), fwd[2]);
    EXPECT_TRUE(route->IsFullyConnected(base));
    // A third piece (the line goes on from 4) breaks it.
    prj.NewLinkRoute(fwd[4], route)->TVersionedEntity::SetUsedIn(base, true);
    EXPECT_EQ(route->LinkRoutes().Chains(base).size(), 3u);
    EXPECT_FALSE(route->IsFullyConnected(base));
    EXPECT_EQ(route->ErrorMessageIn(base), "Not fully connected");
    // Out and half-way back (1 -> 2 -> 3 -> 2): still two pieces that meet.
    fwd[4]->LinkRouteOf(route)->SetUsedIn(s1, false);
    back[1]->LinkRouteOf(route)->SetUsedIn(s1, false);
    EXPECT_EQ(route->LinkRoutes().Chains(s1).size(), 2u);
    EXPECT_TRUE(route->IsFullyConnected(s1));
}

TEST_F(TRouteFixture, ValidationOfLinkRoutes) {
    TLinkRoute* lr = prj.NewLinkRoute(fwd[2], route);
    lr->SetUsedIn(base, true);
    EXPECT_EQ(lr->ErrorMessageIn(base), "");
    // In 01A the link's type loses the bus: a link-route switched on there is refused.
    TLinkType* cars = prj.NewLinkType();
    fwd[2]->SetLinkTypeIn(s1, cars);
    EXPECT_EQ(lr->ErrorMessageIn(s1), ""); // nothing of its own changed there
    lr->SetValueIn(s1, TLinkRoute::kNoTransfers, TValue(true));
    EXPECT_EQ(lr->ErrorMessageIn(s1), "Route's operator not valid for link type");
    EXPECT_EQ(fwd[2]->ErrorMessageIn(s1), "Route's operator not valid for link type");
    lr->SetValueIn(s1, TLinkRoute::kNoTransfers, TValue());
    lr->SetValueIn(s1, TLinkRoute::kVolume, TValue(-1.0)); // no bounds: valid
    EXPECT_EQ(lr->ErrorMessageIn(s1), "");
    // The operator allowed again: property messages only.
    cars->GetOrCreateOperatorData(op)->SetValueIn(base, TLinkTypeOper::kFreeFlowSpeed,
                                                  TValue(10.0));
    lr->SetValueIn(s1, TLinkRoute::kNoTransfers, TValue(true));
    EXPECT_EQ(lr->ErrorMessageIn(s1), "");
    EXPECT_TRUE(route->CanUseLink(fwd[2], s1));
    EXPECT_TRUE(OperatorMayUseLink(fwd[2], op, s1));
    cars->GetOrCreateOperatorData(op)->SetValueIn(s1, TLinkTypeOper::kFreeFlowSpeed, TValue(0.0));
    EXPECT_FALSE(OperatorMayUseLink(fwd[2], op, s1));
    EXPECT_FALSE(OperatorMayUseLink(fwd[2], nullptr, s1));
}

TEST_F(TRouteFixture, InternalRoutesAndTheirLinkRoutes) {
    TOperator* car = prj.NewOperator(bus, otAuto);
    car->SetName("Car");
    TOperatorRoute* internal = prj.NewOperatorRoute(car);
    EXPECT_EQ(internal->Id(), -car->Id());
    EXPECT_EQ(internal->GetName(), "Car");
    EXPECT_EQ(internal->GetInteger(kPropId), -car->Id());
    EXPECT_TRUE(internal->Internal());
    EXPECT_FALSE(internal->IsObsoleteInternal());
    EXPECT_EQ(internal->ErrorMessageIn(base), "");

    TLinkRoute* lr = prj.NewLinkRoute(fwd[2], internal);
    EXPECT_TRUE(lr->Internal());
    EXPECT_FALSE(lr->IsUsedIn(base)); // the car may not use the type
    type->GetOrCreateOperatorData(car)->SetValueIn(s1, TLinkTypeOper::kFreeFlowSpeed, TValue(50.0));
    EXPECT_FALSE(lr->IsUsedIn(base));
    EXPECT_TRUE(lr->IsUsedIn(s2)); // its own "used" is not consulted
    EXPECT_EQ(lr->ErrorMessageIn(s1), "");
    car->SetType(otRoute);
    EXPECT_TRUE(internal->IsObsoleteInternal());
    EXPECT_FALSE(route->IsObsoleteInternal());
}

TEST_F(TRouteFixture, HasVersionFollowsTheRoutesUse) {
    TLinkRoute* lr = prj.NewLinkRoute(fwd[1], route);
    // The route sets "used" nowhere: the base scenario is where it comes from.
    EXPECT_TRUE(lr->HasVersion(base));
    EXPECT_FALSE(lr->HasVersion(s1));
    route->SetUsedIn(s1, false);
    EXPECT_TRUE(lr->HasVersion(s1));
    EXPECT_TRUE(route->HasVersion(s1));
    EXPECT_FALSE(lr->HasVersion(s2));
    lr->SetValueIn(s2, TLinkRoute::kVolume, TValue(3.0));
    EXPECT_TRUE(lr->HasVersion(s2));
    EXPECT_TRUE(route->HasVersion(s2)); // through its link-route
    EXPECT_TRUE(fwd[1]->HasVersion(s2));
}

TEST_F(TRouteFixture, CopyVersionCarriesTheLinkAlong) {
    TLink* added = prj.NewLink(n[1], n[3]);
    added->SetUsedIn(base, false);
    added->SetUsedIn(s1, true); // the link exists from 01A on
    TLinkRoute* lr = prj.NewLinkRoute(added, route);
    lr->SetUsedIn(s1, true);
    EXPECT_FALSE(added->IsUsedIn(sib));
    lr->CopyVersion(s1, sib);
    EXPECT_TRUE(added->IsUsedIn(sib));
    EXPECT_TRUE(lr->IsUsedIn(sib));
    // Without a change of its own in the source nothing is carried.
    TLink* other = prj.NewLink(n[2], n[4]);
    other->SetUsedIn(base, false);
    other->SetUsedIn(s1, true);
    TLinkRoute* inherited = prj.NewLinkRoute(other, route);
    inherited->SetUsedIn(base, true);
    inherited->CopyVersion(s1, sib);
    EXPECT_FALSE(other->IsUsedIn(sib));
    // Moving clears the source.
    lr->MoveVersion(s1, s2);
    EXPECT_EQ(lr->VersionOf(s1), nullptr);
    EXPECT_TRUE(lr->IsUsedIn(s2));
}

TEST_F(TRouteFixture, CopyClonesTheLinkRoutes) {
    Cover(1, 3);
    fwd[1]->LinkRouteOf(route)->SetValueIn(s1, TLinkRoute::kVolume, TValue(8.0));
    route->SetValueIn(s1, TRoute::kMaxFreq, TValue(4.0));
    StartRecording();
    const std::string before = prj.Dump();
    TRoute* copy = prj.NewRoute(nullptr);
    copy->Copy(*route);
    EXPECT_EQ(copy->Operator(), op);
    EXPECT_EQ(copy->GetFloatIn(s2, TRoute::kMaxFreq), 4);
    ASSERT_EQ(copy->LinkRoutes().Count(), 2u);
    TLinkRoute* c1 = fwd[1]->LinkRouteOf(copy);
    ASSERT_NE(c1, nullptr);
    EXPECT_EQ(c1->Route(), copy);
    EXPECT_EQ(c1->GetObject(TLinkRoute::kRoute), copy);
    EXPECT_EQ(c1->GetFloatIn(s1, TLinkRoute::kVolume), 8);
    EXPECT_GE(prj.linkRoutes.IndexOf(c1), 0);
    EXPECT_EQ(route->LinkRoutes().Count(), 2u);
    UndoAll();
    EXPECT_EQ(prj.Dump(), before);
    EXPECT_EQ(fwd[1]->LinkRoutes().Count(), 1u);
}


// Bus lines of a fixed length are each one connected chain of at most that many links (the
// grid's last row may be short), and keep the link-routes per link the same at every size;
// lines over whole rows grow with the grid.
TEST(SyntheticStudyRoutes, LinesOfAFixedLengthKeepTheStudyInProportion) {
    auto busLinkRoutesPerLink = [](std::int32_t links, std::int32_t lineLinks) {
        TStudySizes sizes{links * 3 / 8, links, links / 133, links / 200, 2, lineLinks};
        TProject p;
        BuildSyntheticStudy(p, sizes);
        std::size_t bus = 0;
        for (std::size_t i = 0; i < p.Routes().Count(); ++i) {
            const TRoute* r = p.Routes().Get(i);
            if (r->Internal()) continue;
            bus += r->LinkRoutes().Count();
            if (lineLinks > 0) {
                EXPECT_LE(r->LinkRoutes().Count(), std::size_t(lineLinks)) << r->GetName();
            }
            EXPECT_TRUE(r->IsFullyConnected(p.BaseScenario())) << r->GetName();
            EXPECT_EQ(r->LinkRoutes().Chains(p.BaseScenario()).size(),
                      r->LinkRoutes().Count() > 0 ? 1u : 0u)
                << r->GetName();
        }
        return double(bus) / double(p.Links().Count());
    };
    const double small = busLinkRoutesPerLink(4000, 20), large = busLinkRoutesPerLink(16000, 20);
    EXPECT_NEAR(small, 0.1, 0.005);
    EXPECT_NEAR(large, small, 0.005);
    EXPECT_GT(busLinkRoutesPerLink(16000, 0), 1.8 * busLinkRoutesPerLink(4000, 0));
}

} // namespace
} // namespace zep::model::test
