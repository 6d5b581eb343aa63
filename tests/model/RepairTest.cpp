// The consistency pass after loading: a deliberately damaged study (references to things the
// study does not hold, values where older files kept them, missing registrations) is mended
// with the stated log lines and progress texts and ends consistent.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <random>

#include "ProjectTestSupport.h"
#include "model/ADMIN.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/SECTOR.h"
#include "model/SampleStudy.h"
#include "model/Zone.h"

namespace zep::model::test {
namespace {

class Repair : public ::testing::Test {
protected:
    Repair() {
        BuildSampleStudy(p);
        base = p.BaseScenario();
        bus = static_cast<TMode*>(p.Modes().FindByName("bus"));
        for (std::size_t i = 0; i < p.Operators().Count(); ++i)
            if (p.Operators().Get(i)->Type() == otRoute) busOp = p.Operators().Get(i);
        line1 = static_cast<TRoute*>(p.Routes().FindByName("Line 1"));
    }
    TLink* LinkAt(std::size_t i) { return p.Links().Get(i); }

    TProject p;
    TScenario* base;
    TMode* bus;
    TOperator* busOp = nullptr;
    TRoute* line1;
};

TEST_F(Repair, AnUndamagedStudyHasNothingToReportAndASecondPassChangesNothing) {
    TLogCapture log("Project");
    p.Repair();
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_CONSISTENT(p);
    // The first pass gives the routes the occupancy older studies lacked; then nothing is left.
    TRoute* own = p.InternalRouteOf(p.Operators().Get(0));
    EXPECT_DOUBLE_EQ(0.5, own->GetFloatIn(base, TRoute::kTargetOccupancy));
    const std::string before = DumpProject(p);
    p.Repair();
    EXPECT_SAME_DUMP(before, DumpProject(p));
}

TEST_F(Repair, LinkRoutesOfStrayRoutesGoWithTheirLogLine) {
    // A route the study does not list, with a link-route that the link-route list does hold.
    auto stray = std::make_unique<TRoute>(&p, busOp);
    TLink* l = LinkAt(3);
    auto* lr = new TLinkRoute(&p, l, stray.get());
    p.AddLinkRoute(lr);
    lr->SetUsedIn(base, true);
    // A link-route on an existing route that its route's list lost.
    TLinkRoute* kept = line1->LinkRoutes().Get(0);
    line1->LinkRoutes().Delete(0);
    ASSERT_NE("", ConsistencyReport(p));
    TLogCapture log("Project");
    TProgressCapture progress;
    p.Repair();
    EXPECT_EQ(1u, log.CountOf("Upgrade: Not Routes.Member(LR.R)"));
    EXPECT_EQ(nullptr, l->LinkRouteOf(stray.get()));
    EXPECT_EQ(0u, stray->LinkRoutes().Count());
    EXPECT_GE(line1->LinkRoutes().IndexOf(kept), 0);
    EXPECT_FALSE(progress.Fractions("Updating Link-Routes").empty());
    EXPECT_DOUBLE_EQ(1.0, progress.Fractions("Updating Link-Routes").back());
    EXPECT_FALSE(progress.Fractions("Updating Routes").empty());
    EXPECT_FALSE(progress.Fractions("Updating OD Pairs").empty());
    EXPECT_FALSE(progress.Fractions("Updating Sector Interactions").empty());
    EXPECT_FALSE(progress.Fractions("Updating node connections").empty());
    EXPECT_EQ(1, progress.done);
    EXPECT_CONSISTENT(p);
}

TEST_F(Repair, NetworkRegistrationsAreRestored) {
    TLink* l = LinkAt(0);
    TNode* tail = l->Tail();
    // The tail lost the link; the head holds a link the study does not list.
    tail->OutLinks().Delete(static_cast<std::size_t>(tail->OutLinks().IndexOf(l)));
    auto orphan = std::make_unique<TLink>(nullptr, nullptr, nullptr);
    l->Head()->InLinks().Add(orphan.get());
    // Stored "used" values older files wrote at the entity level and as the base default.
    l->RawProperties().RawPut(kPropUsed, TValue(true));
    TLink* other = LinkAt(1);
    other->RawVersion(base).RawPut(kPropUsed, TValue(false));
    ASSERT_NE(nullptr, other->VersionOf(base)->Find(kPropUsed));
    // A turn towards a node the study does not hold.
    TNode foreign(&p);
    l->GetOrCreateTurnTo(&foreign);
    ASSERT_NE("", ConsistencyReport(p));
    p.Repair();
    EXPECT_GE(tail->OutLinks().IndexOf(l), 0);
    EXPECT_LT(l->Head()->InLinks().IndexOf(orphan.get()), 0);
    EXPECT_EQ(nullptr, l->Properties().Find(kPropUsed));
    EXPECT_EQ(nullptr, other->VersionOf(base)->Find(kPropUsed));
    EXPECT_EQ(nullptr, l->TurnTo(&foreign));
    EXPECT_CONSISTENT(p);
}

// Random damage to the nodes' link lists (entries lost, links the study does not hold added),
// sometimes as many of each, so that the lists hold as many entries as the links need: the
// pass leaves every node exactly its own links.
TEST(RepairNodeLinks, RandomDamageLeavesEveryNodeExactlyItsLinks) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TProject p;
        BuildSampleStudy(p);
        std::mt19937 rnd(seed);
        std::vector<std::unique_ptr<TLink>> strangers;
        const std::size_t nodes = p.Nodes().Count();
        const int lost = int(rnd() % 4), added = rnd() % 2 ? lost : int(rnd() % 4);
        for (int k = 0; k < lost; ++k) {
            TNode* n = p.Nodes().Get(rnd() % nodes);
            TBaseLinkList& l = rnd() % 2 ? n->InLinks() : n->OutLinks();
            if (!l.IsEmpty()) l.Delete(rnd() % l.Count());
        }
        for (int k = 0; k < added; ++k) {
            TNode* n = p.Nodes().Get(rnd() % nodes);
            strangers.push_back(std::make_unique<TLink>(nullptr, nullptr, nullptr));
            (rnd() % 2 ? n->InLinks() : n->OutLinks()).Add(strangers.back().get());
        }
        p.Repair();
        for (std::size_t i = 0; i < nodes; ++i) {
            const TNode* n = p.Nodes().Get(i);
            std::size_t in = 0, out = 0;
            for (std::size_t k = 0; k < p.Links().Count(); ++k) {
                in += p.Links().Get(k)->Head() == n;
                out += p.Links().Get(k)->Tail() == n;
            }
            ASSERT_EQ(in, n->InLinks().Count()) << "seed " << seed << " node " << n->Id();
            ASSERT_EQ(out, n->OutLinks().Count()) << "seed " << seed << " node " << n->Id();
        }
        EXPECT_CONSISTENT(p);
    }
}

TEST_F(Repair, RoutesGetOperatorsOccupancyAndFrequencies) {
    TRoute* orphan = p.NewRoute(nullptr);
    TRoute* line2 = static_cast<TRoute*>(p.Routes().FindByName("Line 2"));
    line2->SetValueIn(base, TRoute::kMinFreq, TValue(5.0));
    line2->SetValueIn(base, TRoute::kMaxFreq, TValue(2.0));
    TRoute* line3 = static_cast<TRoute*>(p.Routes().FindByName("Line 3"));
    line3->SetValueIn(base, TRoute::kMinFreq, TValue(std::numeric_limits<double>::infinity()));
    line3->SetValueIn(base, TRoute::kMaxFreq, TValue(2.0));
    line3->SetValueIn(base, TRoute::kTargetOccupancy, TValue());
    line3->RawProperties().RawPut(kPropUsed, TValue(false));
    p.Repair();
    EXPECT_EQ(busOp, orphan->Operator());
    EXPECT_DOUBLE_EQ(5.0, line2->GetFloatIn(base, TRoute::kMaxFreq));
    EXPECT_DOUBLE_EQ(0.0, line3->GetFloatIn(base, TRoute::kMinFreq));
    EXPECT_EQ(std::numeric_limits<double>::infinity(), line3->GetFloatIn(base, TRoute::kMaxFreq));
    EXPECT_DOUBLE_EQ(0.5, line3->GetFloatIn(base, TRoute::kTargetOccupancy));
    EXPECT_EQ(nullptr, line3->Properties().Find(kPropUsed));
    EXPECT_CONSISTENT(p);
}

TEST_F(Repair, RoutesWithoutAnyRouteOperatorGo) {
    TProject small;
    TRoute* r = small.NewRoute(nullptr);
    small.Repair();
    EXPECT_LT(small.Routes().IndexOf(r), 0);
    EXPECT_CONSISTENT(small);
}

TEST_F(Repair, TransportListsAreCleaned) {
    TCategory* work = static_cast<TCategory*>(p.Categories().FindByName("work"));
    work->AvailableModes().Add(bus); // twice
    TMode foreignMode(&p);
    work->AvailableModes().Add(&foreignMode);
    // A mode value older files kept at the entity level.
    bus->RawProperties().RawPut(TMode::kPathOverlappingFactor, TValue::Single(2.5f));
    bus->RawProperties().RawPut(TMode::kNofPaths, TValue(4.0));
    // A transfer the index lost, and operator data of an operator the study does not hold.
    TOperator* walkOp = nullptr;
    for (std::size_t i = 0; i < p.Operators().Count(); ++i)
        if (p.Operators().Get(i)->Type() == otWalk) walkOp = p.Operators().Get(i);
    TTransfer* t = walkOp->TransferTo(busOp);
    p.Transfers().Remove(t);
    TOperator foreignOp(&p, bus);
    TLinkType* urban = static_cast<TLinkType*>(p.LinkTypes().FindByName("Urban road"));
    urban->GetOrCreateOperatorData(&foreignOp);
    // An administrator value that is text, not a reference.
    TLinkType* motorway = static_cast<TLinkType*>(p.LinkTypes().FindByName("Motorway"));
    motorway->RawVersion(base).RawPut(TLinkType::kAdmin, TValue("State roads"));
    ASSERT_NE("", ConsistencyReport(p));
    p.Repair();
    EXPECT_EQ(3u, work->AvailableModes().Count());
    EXPECT_LT(work->AvailableModes().IndexOf(&foreignMode), 0);
    EXPECT_EQ(nullptr, bus->Properties().Find(TMode::kPathOverlappingFactor));
    EXPECT_TRUE(
        bus->VersionOf(base)->Find(TMode::kPathOverlappingFactor)->value.SameAs(TValue(2.5)));
    EXPECT_TRUE(bus->VersionOf(base)->Find(TMode::kNofPaths)->value.SameAs(TValue(4)));
    EXPECT_GE(p.Transfers().IndexOf(t), 0);
    EXPECT_EQ(nullptr, urban->OperatorData(&foreignOp));
    EXPECT_EQ(nullptr, motorway->AdminIn(base));
    EXPECT_CONSISTENT(p);
}

TEST_F(Repair, LandUseRecordsArePruned) {
    TTransportZone* z1 = p.TransportZones().Get(0);
    TTransportZone* z2 = p.TransportZones().Get(1);
    TCategory* other = static_cast<TCategory*>(p.Categories().FindByName("other"));
    // Trips with a factor kept at the entity level, trips of value 0, a pair towards a node
    // that is not a transport zone.
    TODPair* od = z1->GetOrCreateODPairTo(z2);
    TCategoryMode* factor = od->GetOrCreateCategoryModeFor(other, bus);
    factor->RawProperties().RawPut(TCategoryMode::kTripFactor, TValue(7.0));
    TODPair* empty = z2->GetOrCreateODPairTo(z1);
    empty->GetOrCreateCategoryModeFor(other, nullptr)
        ->SetValueIn(base, TCategoryMode::kTrips, TValue(0.0));
    TMicroZone outside(&p);
    auto* wrong = new TODPair(&p, z1, &outside);
    z1->ODPairs().Add(wrong);
    wrong->GetOrCreateCategoryModeFor(other, nullptr)
        ->SetValueIn(base, TCategoryMode::kTrips, TValue(3.0));
    // Sector data: an empty record, one of a zone that is not a transport zone, an interaction
    // with a sector the study does not hold, a substitute likewise.
    TSector* households = static_cast<TSector*>(p.Sectors().FindByName("Households"));
    TSector* agriculture = static_cast<TSector*>(p.Sectors().FindByName("Agriculture"));
    TTransportZone* z3 = p.TransportZones().Get(2);
    ASSERT_EQ(nullptr, agriculture->SectorZoneFor(z3));
    agriculture->GetOrCreateSectorZoneFor(z3);
    TSectorZone* foreignZone = households->GetOrCreateSectorZoneFor(&outside);
    foreignZone->SetValueIn(base, TSectorZone::kPrice, TValue(2.0));
    TSector foreignSector(&p);
    households->GetOrCreateInteractionWith(&foreignSector);
    TSector* industry = static_cast<TSector*>(p.Sectors().FindByName("Industry"));
    households->InteractionWith(industry)->Substitutes().Add(&foreignSector);
    households->RawProperties().RawPut(TSector::kDistParam, TValue(0.7));
    ASSERT_NE("", ConsistencyReport(p));
    p.Repair();
    ASSERT_EQ(factor, od->CategoryModeFor(other, bus));
    EXPECT_DOUBLE_EQ(7.0, factor->GetFloatIn(base, TCategoryMode::kTrips));
    EXPECT_EQ(nullptr, factor->Properties().Find(TCategoryMode::kTripFactor));
    EXPECT_EQ(nullptr, z2->ODPairTo(z1));
    EXPECT_EQ(nullptr, z1->ODPairTo(&outside));
    EXPECT_EQ(nullptr, agriculture->SectorZoneFor(z3));
    EXPECT_EQ(nullptr, households->SectorZoneFor(&outside));
    EXPECT_EQ(nullptr, households->InteractionWith(&foreignSector));
    EXPECT_LT(households->InteractionWith(industry)->Substitutes().IndexOf(&foreignSector), 0);
    EXPECT_DOUBLE_EQ(0.8, households->GetFloatIn(base, TSector::kDistParam)); // base kept its own
    EXPECT_CONSISTENT(p);
}

TEST_F(Repair, ReadOnlyStudiesOnlyGetTheirProjectSet) {
    p.SetReadOnly(true);
    TRoute* orphan = p.NewRoute(nullptr);
    p.Repair();
    EXPECT_EQ(nullptr, orphan->Operator());
    p.SortAll(); // renumbers in stored order
    for (std::size_t i = 0; i < p.Nodes().Count(); ++i)
        EXPECT_EQ(static_cast<std::int32_t>(i), p.Nodes().Get(i)->ListIndex());
}

TEST_F(Repair, AfterLoadSortsTheLists) {
    p.NewNode(99); // out of order
    p.AfterLoad();
    EXPECT_TRUE(p.Nodes().Sorted());
    EXPECT_TRUE(p.Links().Sorted());
    for (std::size_t i = 1; i < p.Nodes().Count(); ++i)
        EXPECT_LE(std::abs(p.Nodes().Get(i - 1)->Id()), std::abs(p.Nodes().Get(i)->Id()));
    EXPECT_CONSISTENT(p);
}

} // namespace
} // namespace zep::model::test
