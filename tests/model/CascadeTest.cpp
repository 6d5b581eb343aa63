// Removal cascades through the project, on the sample study: each removal runs as a command;
// the study is consistent before and after it, the cascade's effects hold, and undoing the
// command gives back exactly the study from before.
#include <gtest/gtest.h>

#include "ProjectTestSupport.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
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

class Cascade : public ::testing::Test {
protected:
    Cascade() : commands(p) {
        BuildSampleStudy(p);
        base = p.BaseScenario();
        s1 = p.Scenarios().FindScenario("01A");
        s2 = p.Scenarios().FindScenario("02A");
    }

    /// Removes `e` as one command with the checks around it; `check` runs after the removal.
    void RemoveAndUndo(TEntity* e, const std::function<void()>& check) {
        ASSERT_EQ("", ConsistencyReport(p));
        const std::string before = DumpProject(p);
        commands.Run("Delete", [&] { p.RemoveEntity(e); });
        EXPECT_CONSISTENT(p);
        check();
        commands.UndoAll();
        EXPECT_CONSISTENT(p);
        EXPECT_SAME_DUMP(before, DumpProject(p));
    }

    TMode* ModeNamed(const char* name) { return static_cast<TMode*>(p.Modes().FindByName(name)); }
    TOperator* OperatorOf(const TMode* m) {
        for (std::size_t i = 0; i < p.Operators().Count(); ++i)
            if (p.Operators().Get(i)->Mode() == m) return p.Operators().Get(i);
        return nullptr;
    }
    /// A link with link-routes of a bus line and a reverse link.
    TLink* BusLink() {
        for (std::size_t i = 0; i < p.Links().Count(); ++i) {
            TLink* l = p.Links().Get(i);
            for (std::size_t k = 0; k < l->LinkRoutes().Count(); ++k)
                if (!l->LinkRoutes().Get(k)->Route()->Internal() && p.ReverseLink(l)) return l;
        }
        return nullptr;
    }

    TProject p;
    TCommands commands;
    TScenario *base, *s1, *s2;
};

TEST_F(Cascade, LinkLeavesItsReverseOneWayInEveryScenario) {
    TLink* l = BusLink();
    ASSERT_NE(nullptr, l);
    TLink* reverse = p.ReverseLink(l);
    reverse->SetValueIn(s2, TLink::kTwoWay, TValue(true)); // an own value in a scenario, too
    std::vector<TLinkRoute*> lrs(l->LinkRoutes().Count());
    for (std::size_t i = 0; i < lrs.size(); ++i)
        lrs[i] = l->LinkRoutes().Get(i);
    TNode* tail = l->Tail();
    const std::size_t links = p.Links().Count();
    RemoveAndUndo(l, [&] {
        EXPECT_EQ(links - 1, p.Links().Count());
        EXPECT_LT(p.Links().IndexOf(l), 0);
        EXPECT_LT(tail->OutLinks().IndexOf(l), 0);
        for (TLinkRoute* lr : lrs) {
            EXPECT_LT(p.LinkRoutes().IndexOf(lr), 0);
            EXPECT_LT(lr->Route()->LinkRoutes().IndexOf(lr), 0);
        }
        for (std::size_t i = 0; i < p.Scenarios().Count(); ++i)
            EXPECT_FALSE(reverse->GetBooleanIn(p.Scenarios().Get(i), TLink::kTwoWay));
    });
}

TEST_F(Cascade, LinkWithReverseTakesBoth) {
    TLink* l = BusLink();
    TLink* reverse = p.ReverseLink(l);
    const std::string before = DumpProject(p);
    commands.Run("Delete both", [&] { p.RemoveLink(l, true); });
    EXPECT_CONSISTENT(p);
    EXPECT_LT(p.Links().IndexOf(reverse), 0);
    commands.UndoAll();
    EXPECT_SAME_DUMP(before, DumpProject(p));
}

TEST_F(Cascade, NodeTakesEveryLinkTouchingItAndTheirLinkRoutes) {
    TLink* l = BusLink();
    TNode* n = l->Head();
    std::vector<TBaseLink*> touching;
    for (TBaseLinkList* list : {&n->OutLinks(), &n->InLinks()})
        for (std::size_t i = 0; i < list->Count(); ++i)
            touching.push_back(list->Get(i));
    // A turn at a neighbour that leads onto this node must go with the node.
    TLink* into = static_cast<TLink*>(l->Tail()->InLinks().Get(0));
    into->SetTurnProhibited(n, base, true);
    const std::size_t lrCount = p.LinkRoutes().Count();
    std::size_t lrOnTouching = 0;
    for (TBaseLink* t : touching)
        lrOnTouching += static_cast<TLink*>(t)->LinkRoutes().Count();
    RemoveAndUndo(n, [&] {
        EXPECT_LT(p.Nodes().IndexOf(n), 0);
        for (TBaseLink* t : touching)
            EXPECT_LT(p.Links().IndexOf(t), 0);
        EXPECT_EQ(lrCount - lrOnTouching, p.LinkRoutes().Count());
        EXPECT_EQ(nullptr, into->TurnTo(n));
    });
}

TEST_F(Cascade, TransportZoneLeavesLandUseAndTrips) {
    TTransportZone* z = nullptr;
    TTransportZone* origin = nullptr;
    for (std::size_t i = 0; i < p.TransportZones().Count() && !z; ++i)
        for (std::size_t k = 0; k < p.TransportZones().Get(i)->ODPairs().Count(); ++k) {
            origin = p.TransportZones().Get(i);
            z = origin->ODPairs().Get(k)->Destination();
            break;
        }
    ASSERT_NE(nullptr, z);
    z->GetOrCreateODPairTo(origin); // trips out of it too
    TSector* households = static_cast<TSector*>(p.Sectors().FindByName("Households"));
    ASSERT_NE(nullptr, households->SectorZoneFor(z));
    const std::size_t zones = p.TransportZones().Count();
    RemoveAndUndo(z, [&] {
        EXPECT_EQ(zones - 1, p.TransportZones().Count());
        EXPECT_LT(p.Nodes().IndexOf(z), 0);
        EXPECT_EQ(nullptr, households->SectorZoneFor(z));
        EXPECT_EQ(nullptr, origin->ODPairTo(z));
    });
}

TEST_F(Cascade, MacroZoneLetsItsZonesGo) {
    TMacroZone* west = static_cast<TMacroZone*>(p.MacroZones().FindByName("West"));
    ASSERT_GT(west->SubZones().Count(), 0u);
    TMicroZone* member = west->SubZones().Get(0);
    RemoveAndUndo(west, [&] {
        EXPECT_EQ(1u, p.MacroZones().Count());
        EXPECT_EQ(nullptr, member->MacroZone());
        EXPECT_GE(p.Nodes().IndexOf(member), 0);
    });
}

TEST_F(Cascade, LinkRouteLeavesItsLinkAndRoute) {
    TLink* l = BusLink();
    TLinkRoute* lr = nullptr;
    for (std::size_t k = 0; k < l->LinkRoutes().Count(); ++k)
        if (!l->LinkRoutes().Get(k)->Route()->Internal()) lr = l->LinkRoutes().Get(k);
    TRoute* route = lr->Route();
    RemoveAndUndo(lr, [&] {
        EXPECT_EQ(nullptr, l->LinkRouteOf(route));
        EXPECT_LT(route->LinkRoutes().IndexOf(lr), 0);
        EXPECT_LT(p.LinkRoutes().IndexOf(lr), 0);
    });
}

TEST_F(Cascade, RouteTakesItsLinkRoutes) {
    TRoute* line = static_cast<TRoute*>(p.Routes().FindByName("Line 1"));
    ASSERT_GT(line->LinkRoutes().Count(), 0u);
    const std::size_t lrs = p.LinkRoutes().Count() - line->LinkRoutes().Count();
    RemoveAndUndo(line, [&] {
        EXPECT_EQ(lrs, p.LinkRoutes().Count());
        EXPECT_LT(p.Routes().IndexOf(line), 0);
    });
}

TEST_F(Cascade, OperatorTakesRoutesOperatorDataAndTransfers) {
    TOperator* bus = OperatorOf(ModeNamed("bus"));
    TOperator* walk = OperatorOf(ModeNamed("walk"));
    ASSERT_NE(nullptr, walk->TransferTo(bus));
    RemoveAndUndo(bus, [&] {
        for (std::size_t i = 0; i < p.Routes().Count(); ++i)
            EXPECT_NE(bus, p.Routes().Get(i)->Operator());
        for (std::size_t i = 0; i < p.LinkTypes().Count(); ++i)
            EXPECT_EQ(nullptr, p.LinkTypes().Get(i)->OperatorData(bus));
        for (std::size_t i = 0; i < p.Transfers().Count(); ++i) {
            EXPECT_NE(bus, p.Transfers().Get(i)->FromOperator());
            EXPECT_NE(bus, p.Transfers().Get(i)->ToOperator());
        }
        EXPECT_EQ(nullptr, walk->TransferTo(bus));
    });
}

TEST_F(Cascade, ModeTakesItsOperatorsAndItsTrips) {
    TMode* car = ModeNamed("car");
    TOperator* carOp = OperatorOf(car);
    RemoveAndUndo(car, [&] {
        EXPECT_LT(p.Operators().IndexOf(carOp), 0);
        for (std::size_t i = 0; i < p.Categories().Count(); ++i)
            EXPECT_FALSE(p.Categories().Get(i)->HasMode(car));
        std::size_t tripRecords = 0;
        for (std::size_t i = 0; i < p.TransportZones().Count(); ++i) {
            TTransportZone* z = p.TransportZones().Get(i);
            for (std::size_t k = 0; k < z->ODPairs().Count(); ++k)
                for (std::size_t m = 0; m < z->ODPairs().Get(k)->CategoryModes().Count(); ++m) {
                    EXPECT_NE(car, z->ODPairs().Get(k)->CategoryModes().Get(m)->Mode());
                    ++tripRecords;
                }
        }
        EXPECT_GT(tripRecords, 0u); // the records without a mode stay
    });
}

TEST_F(Cascade, CategoryLeavesSectorsOperatorsAndTrips) {
    TCategory* work = static_cast<TCategory*>(p.Categories().FindByName("work"));
    TSector* households = static_cast<TSector*>(p.Sectors().FindByName("Households"));
    ASSERT_NE(nullptr, households->SectorCategoryFor(work));
    RemoveAndUndo(work, [&] {
        EXPECT_EQ(nullptr, households->SectorCategoryFor(work));
        for (std::size_t i = 0; i < p.Operators().Count(); ++i)
            EXPECT_EQ(nullptr, p.Operators().Get(i)->OperatorCategoryFor(work));
    });
}

TEST_F(Cascade, AdministratorIsClearedFromLinkTypesInEveryScenario) {
    TAdministrator* city =
        static_cast<TAdministrator*>(p.Administrators().FindByName("City council"));
    TLinkType* urban = static_cast<TLinkType*>(p.LinkTypes().FindByName("Urban road"));
    urban->SetAdminIn(s1, city); // also held in a scenario below the base
    RemoveAndUndo(city, [&] {
        for (std::size_t i = 0; i < p.Scenarios().Count(); ++i)
            for (std::size_t k = 0; k < p.LinkTypes().Count(); ++k)
                EXPECT_NE(city, p.LinkTypes().Get(k)->AdminIn(p.Scenarios().Get(i)));
    });
}

TEST_F(Cascade, LinkTypeLeavesItsLinksUntypedAndUnused) {
    TLinkType* footpath = static_cast<TLinkType*>(p.LinkTypes().FindByName("Footpath"));
    std::vector<TLink*> typed;
    for (std::size_t i = 0; i < p.Links().Count(); ++i)
        if (p.Links().Get(i)->LinkTypeIn(base) == footpath) typed.push_back(p.Links().Get(i));
    ASSERT_FALSE(typed.empty());
    RemoveAndUndo(footpath, [&] {
        for (TLink* l : typed)
            for (TScenario* s : {base, s1, s2}) {
                EXPECT_EQ(nullptr, l->LinkTypeIn(s));
                EXPECT_FALSE(l->IsUsedIn(s));
            }
    });
}

TEST_F(Cascade, NodeTypeLeavesItsNodes) {
    TNodeType* centroid = p.NodeTypes().Get(0);
    TNode* n = p.Nodes().Get(0);
    n->SetNodeType(centroid);
    RemoveAndUndo(centroid, [&] {
        EXPECT_EQ(nullptr, n->NodeType());
        EXPECT_EQ(0u, p.NodeTypes().Count());
    });
}

TEST_F(Cascade, SectorLeavesInteractionsSubstitutesAndFunctions) {
    TSector* agriculture = static_cast<TSector*>(p.Sectors().FindByName("Agriculture"));
    TSector* households = static_cast<TSector*>(p.Sectors().FindByName("Households"));
    TSector* industry = static_cast<TSector*>(p.Sectors().FindByName("Industry"));
    TAttractionFunction* f = p.NewAttractionFunction(); // targets the first sector
    ASSERT_EQ(agriculture, f->TargetSector());
    const std::size_t functions = p.AttractionFunctions().Count();
    RemoveAndUndo(agriculture, [&] {
        EXPECT_EQ(nullptr, households->InteractionWith(agriculture));
        TSectorInteraction* x = households->InteractionWith(industry);
        ASSERT_NE(nullptr, x);
        EXPECT_LT(x->Substitutes().IndexOf(agriculture), 0);
        EXPECT_EQ(functions - 1, p.AttractionFunctions().Count());
        EXPECT_LT(p.AttractionFunctions().IndexOf(f), 0);
    });
}

TEST_F(Cascade, SectorAlsoLeavesAttractorsAndTargets) {
    TSector* households = static_cast<TSector*>(p.Sectors().FindByName("Households"));
    TSector* industry = static_cast<TSector*>(p.Sectors().FindByName("Industry"));
    industry->SetObject(TSector::kTargetSector, households);
    RemoveAndUndo(households,
                  [&] { EXPECT_EQ(nullptr, industry->GetObject(TSector::kTargetSector)); });
}

TEST_F(Cascade, AttractionFunctionLeavesTheList) {
    TAttractionFunction* f = p.AttractionFunctions().Get(0);
    RemoveAndUndo(f, [&] { EXPECT_EQ(0u, p.AttractionFunctions().Count()); });
}

TEST_F(Cascade, RemovingEveryNodeInOneCommandUndoesCompletely) {
    const std::string before = DumpProject(p);
    commands.Run("Remove Network", [&] {
        while (!p.Nodes().IsEmpty())
            p.RemoveEntity(p.Nodes().Get(p.Nodes().Count() - 1));
    });
    EXPECT_CONSISTENT(p);
    EXPECT_EQ(0u, p.Links().Count());
    EXPECT_EQ(0u, p.TransportZones().Count());
    for (std::size_t i = 0; i < p.Routes().Count(); ++i)
        EXPECT_EQ(0u, p.Routes().Get(i)->LinkRoutes().Count());
    commands.UndoAll();
    EXPECT_SAME_DUMP(before, DumpProject(p));
    EXPECT_CONSISTENT(p);
}

TEST_F(Cascade, RemovingNodesTogetherEndsAsRemovingThemOneByOne) {
    // Every 20th node is a small share of the network, removed entry by entry; larger shares
    // are collected and swept list by list.
    for (std::size_t stride : {20u, 7u, 1u}) {
        TProject twin;
        BuildSampleStudy(twin);
        std::vector<TNode*> some, twins;
        for (std::size_t i = 0; i < p.Nodes().Count(); i += stride) {
            some.push_back(p.Nodes().Get(i));
            twins.push_back(twin.Nodes().Get(i));
        }
        // A turn onto a removed node, held in a scenario below the base.
        p.Links().Get(0)->SetTurnProhibited(p.Links().Get(0)->Head(), s1, true);
        twin.Links().Get(0)->SetTurnProhibited(twin.Links().Get(0)->Head(), s1, true);
        const std::string before = DumpProject(p);
        commands.Run("Remove Nodes", [&] { p.RemoveNodes(some); });
        EXPECT_CONSISTENT(p);
        for (TNode* n : twins)
            twin.RemoveEntity(n);
        EXPECT_SAME_DUMP(DumpProject(twin), DumpProject(p));
        commands.UndoAll();
        EXPECT_SAME_DUMP(before, DumpProject(p));
        EXPECT_CONSISTENT(p);
    }
    // Left on the stack: the command's records let go of the removed nodes, links and
    // link-routes before the study closes.
    std::vector<TNode*> all;
    for (std::size_t i = 0; i < p.Nodes().Count(); ++i)
        all.push_back(p.Nodes().Get(i));
    commands.Run("Remove Nodes", [&] { p.RemoveNodes(all); });
    EXPECT_EQ(0u, p.LinkRoutes().Count());
}

TEST_F(Cascade, RemoveAllEmptiesTheNetworkWithProgress) {
    TProgressCapture progress;
    p.RemoveAll();
    EXPECT_EQ(0u, p.LinkRoutes().Count());
    EXPECT_EQ(0u, p.Links().Count());
    EXPECT_EQ(0u, p.Nodes().Count());
    EXPECT_EQ(0u, p.TransportZones().Count());
    ASSERT_LT(0u, p.Routes().Count());
    for (std::size_t i = 0; i < p.Routes().Count(); ++i) // routes stay, their entries went
        EXPECT_TRUE(p.Routes().Get(i)->LinkRoutes().IsEmpty());
    EXPECT_FALSE(progress.Fractions("Removing Objects").empty());
    EXPECT_EQ(1, progress.done);
    EXPECT_CONSISTENT(p);
    EXPECT_EQ(0u, p.UndoSet().Count()); // nothing left that could bring the network back
}

} // namespace
} // namespace zep::model::test
