// Links: property table, registration with the nodes, length at creation, key texts,
// validation ("dead end", "dead start"), turns, geometry, the nearest link, aggregates, copies.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "ModeTestStudy.h"
#include "tests/model/LinkTestProject.h"

namespace zep::model::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
using TLinkFixture = TNetFixture;

TEST(LinkTest, PropertyTable) {
    const TValue none;
    ExpectTable(TLink::ClassSpecs(),
                {{253, "id", varInteger, psAttribute, none, none, none},
                 {250, "name", varString, psNotStored, none, none, none},
                 {30, "from", varError, psAlwaysStored | psAttribute, none, none, none},
                 {31, "to", varError, psAlwaysStored | psAttribute, none, none, none},
                 {2, "type", varError, psAlwaysStored, none, none, none},
                 {255, "used", varBoolean, 0, TValue(false), none, none},
                 {7, "link_name", varString, 0, none, none, none},
                 {3, "two_way", varBoolean, 0, TValue(true), none, none},
                 {4, "length", varDouble, psMinExclusive, TValue(0.0), TValue(0.0), none},
                 {5, "capacity", varDouble, psMinExclusive, TValue(0.0), TValue(0.0), none},
                 {6, "speed", varDouble, 0, none, none, none},
                 {35, "delay", varDate, 0, none, none, none},
                 {8, "link_desc", varString, 0, none, none, none},
                 {50, "polypoints", varString, psAttribute | psNotStored, none, none, none}});
    EXPECT_EQ(TLink::ClassSpecs().ById(253).KeyPrefix(), "l");
    EXPECT_EQ(TLink::ClassSpecs().ById(4).DisplayFormat(), "%3.2f");
    EXPECT_EQ(TLink::ClassSpecs().ById(6).DisplayFormat(), "%3.2f");
    ExpectTable(TTurnRestriction::ClassSpecs(),
                {{253, "id", varInteger, psNotStored, none, none, none},
                 {1, "to", varError, psAlwaysStored | psAttribute, none, none, none},
                 {255, "restriction", varBoolean, psNotStored, TValue(false), none, none},
                 {3, "delay", varDouble, 0, TValue(0.0), TValue(0.0), none}});
    EXPECT_EQ(TTurnRestriction::ClassSpecs().ById(253).KeyPrefix(), "i");
}

TEST_F(TLinkFixture, CreationRegistersAndMeasures) {
    prj.SetFloat(TProjectI::kLinkLengthMultiplier, 1.5);
    TNode* a = prj.NewNode(0, 0, 12);
    TNode* b = prj.NewNode(3, 4, 15);
    StartRecording();
    TLink* bent = prj.NewLink(a, b, {{3, 0, 0}});
    EXPECT_DOUBLE_EQ(bent->GeometricLength(), 7);
    EXPECT_DOUBLE_EQ(bent->GetFloatIn(base, TLink::kLength), 7 * 1.5);
    EXPECT_EQ(bent->GetStringIn(s2, TLink::kLength), "10.50");
    TLink* straight = prj.NewLink(b, a);
    EXPECT_DOUBLE_EQ(straight->GetFloatIn(s1, TLink::kLength), 5 * 1.5);
    EXPECT_EQ(bent->GetObject(TLink::kFrom), a);
    EXPECT_EQ(bent->GetObject(TLink::kTo), b);
    EXPECT_EQ(a->OutLinks().IndexOf(bent), 0);
    EXPECT_EQ(b->InLinks().IndexOf(bent), 0);
    EXPECT_EQ(b->OutLinks().IndexOf(straight), 0);

    EXPECT_EQ(bent->IdText(), "12-15");
    EXPECT_EQ(bent->KeyText(), "l_12-15");
    EXPECT_EQ(bent->GetListText(), "    12 \t15");
    a->SetId(112); // renumbering a node changes its links' keys
    EXPECT_EQ(bent->KeyText(), "l_112-15");
    EXPECT_EQ(straight->KeyText(), "l_15-112");

    // Detaching (deletion from the list) leaves both nodes' lists, and undo restores them.
    prj.links.Remove(bent);
    EXPECT_EQ(a->OutLinks().Count(), 0u);
    EXPECT_EQ(b->InLinks().Count(), 0u);
    UndoAll();
    EXPECT_EQ(prj.links.Count(), 0u);
    EXPECT_EQ(a->OutLinks().Count() + a->InLinks().Count(), 0u);
    EXPECT_EQ(a->Id(), 12);
}

TEST_F(TLinkFixture, LinkListOrder) {
    TNode* n3 = prj.NewNode(0, 0, 3);
    TNode* n10 = prj.NewNode(0, 0, 10);
    TNode* n2 = prj.NewNode(0, 0, 2);
    TLink* a = prj.NewLink(n10, n2);
    TLink* b = prj.NewLink(n3, n10);
    TLink* c = prj.NewLink(n3, n2);
    TLink* d = prj.NewLink(n2, n3);
    prj.links.Sort();
    EXPECT_EQ(prj.links.Get(0), d);
    EXPECT_EQ(prj.links.Get(1), c);
    EXPECT_EQ(prj.links.Get(2), b);
    EXPECT_EQ(prj.links.Get(3), a);
}

// A chain 1 -> 2 -> 3 -> 4 with the way back 2 -> 1; node 1 is a zone in the second half.
TEST_F(TLinkFixture, DeadEndAndDeadStart) {
    TNode* n1 = prj.NewNode(0, 0, 1);
    TNode* n2 = prj.NewNode(1, 0, 2);
    TNode* n3 = prj.NewNode(2, 0, 3);
    TNode* n4 = prj.NewNode(3, 0, 4);
    TLink* l12 = prj.NewLink(n1, n2);
    TLink* l21 = prj.NewLink(n2, n1);
    TLink* l23 = prj.NewLink(n2, n3);
    TLink* l34 = prj.NewLink(n3, n4);
    TLink* l43 = prj.NewLink(n4, n3);

    // 1 -> 2: node 1 is reached only from its own reverse link.
    EXPECT_EQ(l12->ErrorMessageIn(base), "dead start");
    // 2 -> 1: node 1 has no onward link other than back to 2.
    EXPECT_EQ(l21->ErrorMessageIn(base), "dead end");
    EXPECT_EQ(l23->ErrorMessageIn(base), "");
    EXPECT_EQ(l34->ErrorMessageIn(base), "dead end");
    EXPECT_EQ(l43->ErrorMessageIn(base), "dead end"); // checked before "dead start"

    // Removing 3 -> 4 in a scenario makes 2 -> 3 a dead end there and below only.
    l34->SetUsedIn(s1, false);
    EXPECT_EQ(l23->ErrorMessageIn(s1), "dead end");
    EXPECT_EQ(l23->ErrorMessageIn(s2), "dead end");
    EXPECT_EQ(l23->ErrorMessageIn(sib), "");
    EXPECT_EQ(l34->ErrorMessageIn(s1), ""); // not used there: valid
    // Incoming links count whether used or not: the unused 3 -> 4 still leads into node 4,
    // and it is the reverse of 4 -> 3.
    l43->SetValueIn(s1, TLink::kSpeed, TValue(30.0));
    TNode* n5 = prj.NewNode(4, 0, 5);
    prj.NewLink(n3, n5);
    prj.NewLink(n5, n3);
    EXPECT_EQ(l43->ErrorMessageIn(s1), "dead start");
    EXPECT_EQ(l12->ErrorMessageIn(s1), "dead start");

    // The property messages of the version come first.
    l23->SetValueIn(s1, TLink::kCapacity, TValue(0.0));
    EXPECT_NE(l23->ErrorMessageIn(s1), "dead end");
    EXPECT_FALSE(l23->ErrorMessageIn(s1).empty());
    EXPECT_EQ(l23->ErrorMessageIn(sib), "");
}

TEST_F(TLinkFixture, ZonesAreNeitherDeadEndsNorDeadStarts) {
    TZone* z = prj.NewZone(0, 0, 1);
    TNode* n2 = prj.NewNode(1, 0, 2);
    TNode* n3 = prj.NewNode(2, 0, 3);
    TLink* z2 = prj.NewLink(z, n2);
    TLink* twoZ = prj.NewLink(n2, z);
    prj.NewLink(n2, n3);
    prj.NewLink(n3, n2);
    EXPECT_EQ(z2->ErrorMessageIn(base), "");
    EXPECT_EQ(twoZ->ErrorMessageIn(base), "");
}

TEST_F(TLinkFixture, TurnProhibition) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(1, 0);
    TNode* c = prj.NewNode(1, 1);
    TLink* ab = prj.NewLink(a, b);
    prj.NewLink(b, c);
    StartRecording();
    EXPECT_FALSE(ab->IsTurnProhibited(c, s1));
    EXPECT_EQ(ab->TurnTo(c), nullptr);
    ab->SetTurnProhibited(c, s1, false); // allowing a turn that does not exist makes none
    EXPECT_EQ(ab->TurnTo(c), nullptr);
    EXPECT_FALSE(ab->HasTurns());
    EXPECT_FALSE(ab->HasVersion(s1)); // asked without a list, which is made on first use
    EXPECT_TRUE(ab->Turns().IsEmpty());

    ab->SetTurnProhibited(c, s1, true);
    TTurnRestriction* t = ab->TurnTo(c);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(ab->GetOrCreateTurnTo(c), t);
    EXPECT_EQ(t->To(), c);
    EXPECT_EQ(t->GetFloatIn(s1, TTurnRestriction::kDelay), kInf);
    EXPECT_TRUE(t->GetBooleanIn(s1, TTurnRestriction::kRestriction));
    EXPECT_TRUE(t->IsUsedIn(s1)); // its existence is its restriction
    EXPECT_TRUE(ab->IsTurnProhibited(c, s1));
    EXPECT_TRUE(ab->IsTurnProhibited(c, s2));
    EXPECT_FALSE(ab->IsTurnProhibited(c, base));
    EXPECT_TRUE(ab->HasVersion(s1)); // through the turn
    EXPECT_TRUE(ab->HasTurns());

    // Prohibited in 01A and 02A; allowing it in 02A clears 02A only.
    ab->SetTurnProhibited(c, s2, true);
    ab->SetTurnProhibited(c, s2, false);
    EXPECT_TRUE(ab->IsTurnProhibited(c, s2)); // inherited from 01A again
    EXPECT_EQ(t->VersionOf(s2), nullptr);
    ab->SetTurnProhibited(c, s1, false);
    EXPECT_FALSE(ab->IsTurnProhibited(c, s1));
    EXPECT_FALSE(ab->IsTurnProhibited(c, s2));
    EXPECT_EQ(t->VersionOf(s1), nullptr);

    // The link passes its version operations on to its turns.
    ab->SetTurnProhibited(c, s1, true);
    ab->CopyVersion(s1, sib);
    EXPECT_TRUE(ab->IsTurnProhibited(c, sib));
    ab->RemoveVersion(s1);
    EXPECT_EQ(t->VersionOf(s1), nullptr);
    EXPECT_FALSE(ab->HasVersion(s1));
    EXPECT_FALSE(ab->IsTurnProhibited(c, s2));
    ab->MoveVersion(sib, s2);
    EXPECT_EQ(t->VersionOf(sib), nullptr);
    EXPECT_TRUE(ab->IsTurnProhibited(c, s2));
    ab->RemoveVersion(s2);
    EXPECT_FALSE(ab->IsTurnProhibited(c, s2));

    // A positive delay alone also prohibits.
    t->SetValueIn(sib, TTurnRestriction::kDelay, TValue(0.25));
    EXPECT_TRUE(ab->IsTurnProhibited(c, sib));
    const std::string dumped = DumpEntity(*t);
    UndoAll();
    EXPECT_EQ(ab->Turns().Count(), 0u);
    EXPECT_NE(dumped, "");
}

TEST_F(TLinkFixture, NextNodeSkipsTheWayBackAndUnusedLinks) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(1, 0);
    TNode* c = prj.NewNode(2, 0);
    TNode* d = prj.NewNode(1, 1);
    TNode* e = prj.NewNode(1, -1);
    TLink* ab = prj.NewLink(a, b);
    prj.NewLink(b, a);
    TLink* bc = prj.NewLink(b, c);
    prj.NewLink(b, d);
    prj.NewLink(b, e);
    EXPECT_EQ(ab->NextNode(0, base), c);
    EXPECT_EQ(ab->NextNode(1, base), d);
    EXPECT_EQ(ab->NextNode(2, base), e);
    EXPECT_EQ(ab->NextNode(3, base), nullptr);
    bc->SetUsedIn(s1, false);
    EXPECT_EQ(ab->NextNode(0, s1), d);
    EXPECT_EQ(ab->NextNode(2, s1), nullptr);
}

TEST_F(TLinkFixture, GeometryFollowsNodesAndPolyline) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(10, 0);
    TLink* l = prj.NewLink(a, b);
    StartRecording();
    ASSERT_EQ(l->Segments().size(), 1u);
    EXPECT_DOUBLE_EQ(l->GeometricLength(), 10);
    b->SetPosition({0, 5}); // no notification: the caches notice by themselves
    EXPECT_DOUBLE_EQ(l->GeometricLength(), 5);
    l->Polyline().Append({5, 5, 0});
    ASSERT_EQ(l->GeometryPoints().size(), 3u);
    EXPECT_EQ(l->GeometryPoints()[1], (TFloatPoint{5, 5}));
    EXPECT_DOUBLE_EQ(l->GeometricLength(), std::hypot(5, 5) + 5);

    // Insertion at the nearest segment: (2, 2) is nearest the first one.
    l->InsertPolylinePoint({2, 2});
    EXPECT_EQ(l->Polyline().Point(0), (TPoint3{2, 2, 0}));
    l->InsertPolylinePoint({3, 5.5});
    EXPECT_EQ(l->Polyline().Points(), (TPoint3Vector{{2, 2, 0}, {5, 5, 0}, {3, 5.5, 0}}));
    // A "polypoints" record read from a file replaces the polyline; a bad one changes nothing.
    l->SetString(TLink::kPolypoints, "1, 2, 3@4, 5.5@-6");
    EXPECT_TRUE(l->ApplyPolypoints());
    EXPECT_EQ(l->Polyline().Points(), (TPoint3Vector{{3, 4, 0}, {5.5, -6, 0}}));
    l->SetString(TLink::kPolypoints, "1, 2, 3@");
    EXPECT_THROW(l->ApplyPolypoints(), EPolylineFormatError);
    EXPECT_EQ(l->Polyline().Count(), 2u);
    l->SetString(TLink::kPolypoints, "");
    EXPECT_FALSE(l->ApplyPolypoints());
    UndoAll();
    EXPECT_TRUE(l->Polyline().IsEmpty());
    EXPECT_DOUBLE_EQ(l->GeometricLength(), 10); // the undone move and polyline are seen too
}

TEST_F(TLinkFixture, DistanceUsesMidpointOrPerpendicular) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(10, 0);
    TLink* l = prj.NewLink(a, b);
    EXPECT_DOUBLE_EQ(l->Distance({5, 3}, 0), 3);
    EXPECT_DOUBLE_EQ(l->Distance({2, -3}, 0), 3); // within half a length of the midpoint
    EXPECT_DOUBLE_EQ(l->Distance({-1, 0}, 0), 6); // beyond: the midpoint's distance
    EXPECT_DOUBLE_EQ(l->Distance({5, -1}, 1), 0); // shifted to the right of travel
    EXPECT_DOUBLE_EQ(l->Distance({5, 1}, 1), 2);
    TNode* lone = prj.NewNode(0, 0);
    TLink detached(nullptr, nullptr, nullptr);
    EXPECT_EQ(detached.Distance({0, 0}, 0), kInf);
    (void)lone;
}

TEST_F(TLinkFixture, NearestLinkAndItsLog) {
    TNode* a = prj.NewNode(0, 0, 1);
    TNode* b = prj.NewNode(10, 0, 2);
    TNode* c = prj.NewNode(10, 10, 3);
    TLink* ab = prj.NewLink(a, b);
    TLink* bc = prj.NewLink(b, c);
    TLink* ba = prj.NewLink(b, a); // as near as ab
    TLogCapture log("Link.TLinkList.Nearest");
    EXPECT_EQ(prj.links.NearestLink({5, 1}, base, 0, -1), ab);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "entering", Format("candidate 1-2 %0.4g ; %0.4g", {1.0, 1.0}),
                               Format("candidate 2-3 %0.4g ; %0.4g", {std::hypot(5.0, 4.0), 1.0}),
                               Format("candidate 2-1 %0.4g ; %0.4g", {1.0, 1.0}), "exiting"}));
    log.Clear();
    EXPECT_EQ(prj.links.NearestLink({5, 1}, base, 0, 0.5), nullptr);
    ASSERT_EQ(log.Lines().size(), 6u);
    EXPECT_EQ(log.Lines()[4], Format("result is nil %0.4g", {0.5}));
    EXPECT_EQ(prj.links.NearestLink({9, 6}, base, 0, 2), bc);
    // The offset separates the two directions of a pair.
    EXPECT_EQ(prj.links.NearestLink({5, 1}, base, 1, -1), ba);
    // Unused links are skipped in a scenario, every link counts without one.
    ab->SetUsedIn(s1, false);
    ba->SetUsedIn(s1, false);
    EXPECT_EQ(prj.links.NearestLink({5, 1}, s1, 0, -1), bc);
    EXPECT_EQ(prj.links.NearestLink({5, 1}, nullptr, 0, -1), ab);
}

TEST_F(TLinkFixture, AggregatesRoundHalvesUp) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(1, 0);
    TLink* l = prj.NewLink(a, b);
    TMode* bus = prj.NewMode();
    TOperator* op1 = prj.NewOperator(bus, otRoute);
    TOperator* op2 = prj.NewOperator(bus, otRoute);
    TLinkRoute* r1 = prj.NewLinkRoute(l, prj.NewRoute(op1));
    TLinkRoute* r2 = prj.NewLinkRoute(l, prj.NewRoute(op2));
    r1->SetValueIn(base, TLinkRoute::kVolume, TValue(10.25));
    r2->SetValueIn(base, TLinkRoute::kVolume, TValue(2.25));
    r1->SetValueIn(base, TLinkRoute::kVehicles, TValue(1.0));
    r2->SetValueIn(base, TLinkRoute::kVehicles, TValue(1.5));
    r2->SetValueIn(s1, TLinkRoute::kVolume, TValue(2.24));
    EXPECT_EQ(l->TotalVolume(base), 13); // 12.5 rounds up
    EXPECT_EQ(l->TotalVolume(s1), 12);
    EXPECT_EQ(l->TotalVehicles(base), 3);           // 2.5
    EXPECT_EQ(l->TotalEquivalentVehicles(base), 3); // no type: vehicles alone
    TLinkType* type = prj.NewLinkType();
    l->SetLinkTypeIn(base, type);
    type->GetOrCreateOperatorData(op1)->SetValueIn(base, TLinkTypeOper::kEquivalentVehicles,
                                                   TValue(2.0));
    type->GetOrCreateOperatorData(op2)->SetValueIn(base, TLinkTypeOper::kEquivalentVehicles,
                                                   TValue(3.0));
    EXPECT_EQ(l->TotalEquivalentVehicles(base), 7); // 2 + 4.5 = 6.5
    type->RemoveOperatorData(op2);                  // an operator without data counts nothing
    EXPECT_EQ(l->TotalEquivalentVehicles(base), 2);
}

TEST_F(TLinkFixture, LinkTypeSetsExistence) {
    TLink* l = prj.NewLink(prj.NewNode(0, 0), prj.NewNode(1, 1));
    TLinkType* t = prj.NewLinkType();
    l->SetLinkTypeIn(s1, t);
    EXPECT_EQ(l->LinkTypeIn(s2), t);
    EXPECT_EQ(l->LinkTypeIn(base), nullptr);
    EXPECT_TRUE(l->IsUsedIn(s1));
    l->SetLinkTypeIn(s2, nullptr);
    EXPECT_FALSE(l->IsUsedIn(s2));
    EXPECT_TRUE(l->IsUsedIn(s1));
    l->SetLinkTypeIn(s1, nullptr); // clears 01A's own type
    EXPECT_EQ(l->LinkTypeIn(s1), nullptr);
}

TEST_F(TLinkFixture, CopyClonesLinkRoutesAndTurns) {
    TNode* a = prj.NewNode(0, 0);
    TNode* b = prj.NewNode(1, 0);
    TNode* c = prj.NewNode(2, 0);
    TLink* src = prj.NewLink(a, b);
    TRoute* route = prj.NewRoute(prj.NewOperator(prj.NewMode(), otRoute));
    TLinkRoute* lr = prj.NewLinkRoute(src, route);
    lr->SetUsedIn(s1, true);
    lr->SetValueIn(s1, TLinkRoute::kVolume, TValue(4.0));
    src->SetTurnProhibited(c, s1, true);
    src->SetValueIn(s1, TLink::kCapacity, TValue(900.0));

    StartRecording();
    const std::string dumpBefore = prj.Dump();
    TLink* dst = prj.NewLink(b, c);
    const std::size_t before = prj.linkRoutes.Count();
    dst->Copy(*src);
    EXPECT_EQ(dst->Tail(), b); // its own ends stay
    EXPECT_EQ(dst->GetObject(TLink::kFrom), b);
    EXPECT_EQ(dst->GetObject(TLink::kTo), c);
    EXPECT_EQ(dst->GetFloatIn(s1, TLink::kCapacity), 900);
    EXPECT_EQ(prj.linkRoutes.Count(), before + 1);
    TLinkRoute* clone = dst->LinkRouteOf(route);
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone, lr);
    EXPECT_EQ(clone->Link(), dst);
    EXPECT_EQ(clone->GetObject(TLinkRoute::kLink), dst);
    EXPECT_GE(route->LinkRoutes().IndexOf(clone), 0);
    EXPECT_EQ(clone->GetFloatIn(s2, TLinkRoute::kVolume), 4);
    ASSERT_EQ(dst->Turns().Count(), 1u);
    EXPECT_NE(dst->Turns().Get(0), src->Turns().Get(0));
    EXPECT_TRUE(dst->IsTurnProhibited(c, s1));
    UndoAll();
    EXPECT_EQ(prj.links.Count(), 1u);
    EXPECT_EQ(route->LinkRoutes().Count(), 1u);
    EXPECT_EQ(dumpBefore, prj.Dump());
}

// Random network edits, each a transaction; then everything undone gives the first dump again.
TEST_F(TLinkFixture, RandomEditsUndoToTheStart) {
    for (int i = 0; i < 12; ++i)
        prj.NewNode(i % 4, i / 4, i + 1);
    TRoute* route = prj.NewRoute(prj.NewOperator(prj.NewMode(), otRoute));
    TLinkType* type = prj.NewLinkType();
    prj.undoSet->Clear(); // the setup stays: only what follows is undone

    const std::string start = prj.Dump();
    std::mt19937 rng(11);
    TScenario* scen[] = {base, s1, s2, sib};
    for (int step = 0; step < 400; ++step) {
        prj.undoSet->BeginTransaction();
        TNode* x = prj.nodes.Get(rng() % prj.nodes.Count());
        TNode* y = prj.nodes.Get(rng() % prj.nodes.Count());
        TScenario* s = scen[rng() % 4];
        TLink* any = prj.links.Count() ? prj.links.Get(rng() % prj.links.Count()) : nullptr;
        switch (rng() % 8) {
        case 0:
            if (x != y) prj.NewLink(x, y, {{0.5, 0.5, 0}});
            break;
        case 1:
            if (any) prj.RemoveLink(any);
            break;
        case 2:
            if (any) any->SetValueIn(s, TLink::kCapacity, TValue(double(rng() % 5)));
            break;
        case 3:
            if (any) any->SetLinkTypeIn(s, rng() % 2 ? type : nullptr);
            break;
        case 4:
            if (any && any->Head() != x) any->SetTurnProhibited(x, s, rng() % 2);
            break;
        case 5:
            if (any) prj.NewLinkRoute(any, route)->SetUsedIn(s, rng() % 2);
            break;
        case 6:
            if (any) any->InsertPolylinePoint({double(rng() % 7), 1});
            break;
        default:
            x->SetPosition({double(rng() % 9), double(rng() % 9)});
            break;
        }
    }
    prj.undoSet->UndoTo(1);
    EXPECT_EQ(prj.Dump(), start);
    for (std::size_t i = 0; i < prj.nodes.Count(); ++i) {
        EXPECT_EQ(prj.nodes.Get(i)->OutLinks().Count(), 0u);
        EXPECT_EQ(prj.nodes.Get(i)->InLinks().Count(), 0u);
    }
    EXPECT_EQ(route->LinkRoutes().Count(), 0u);
}

} // namespace
} // namespace zep::model::test
