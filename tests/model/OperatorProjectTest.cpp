// Transport and land-use kinds inside a real project: what creation gives an operator, and that
// removing a mode, a category, an administrator, a sector, a transport zone or a scenario
// leaves no reference behind and undoes to the same study.
#include <gtest/gtest.h>

#include <vector>

#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::model::test {
namespace {

/// A small land-use and transport study: two modes, three operators with transfers and
/// per-category data, two categories, three zones with exogenous trips, two sectors with
/// interactions, economic and category data, and an attraction function.
class TransportProjectTest : public ::testing::Test {
protected:
    TransportProjectTest() {
        base = p.BaseScenario();
        s1 = p.NewScenario(base);
        car = p.NewMode();
        bus = p.NewMode();
        auto_ = p.NewOperator(car);
        bus1 = p.NewOperator(bus);
        bus2 = p.NewOperator(bus);
        bus1->SetType(otRoute);
        bus2->SetType(otRoute);
        p.AddTransfer(bus1, bus2)->SetValueIn(s1, TTransfer::kTransferCost, TValue(0.5));
        p.AddTransfer(auto_, bus1);
        work = p.NewCategory();
        shop = p.NewCategory();
        for (TCategory* c : {work, shop}) {
            c->AddMode(car);
            c->AddMode(bus);
            for (TOperator* op : {auto_, bus1, bus2})
                op->GetOrCreateOperatorCategoryFor(c)->SetValueIn(base, TOperatorCategory::kTariff,
                                                                  TValue(2.0));
        }
        z1 = p.NewMicroZone();
        z2 = p.NewMicroZone();
        ext = p.NewExternalZone();
        zones_ = {z1, z2, ext};
        macro = p.NewMacroZone();
        z1->SetMacroZone(macro);
        z2->SetMacroZone(macro);
        for (TTransportZone* o : Zones())
            for (TTransportZone* d : Zones()) {
                TODPair* pair = o->GetOrCreateODPairTo(d);
                for (TCategory* c : {work, shop}) {
                    pair->GetOrCreateCategoryModeFor(c, car)->SetValueIn(
                        base, TCategoryMode::kTrips, TValue(10.0));
                    pair->GetOrCreateCategoryModeFor(c, bus)->SetValueIn(s1, TCategoryMode::kTrips,
                                                                         TValue(5.0));
                    pair->GetOrCreateCategoryModeFor(c, nullptr);
                }
            }
        farming = p.NewSector();
        industry = p.NewSector();
        TSectorInteraction* in = industry->GetOrCreateInteractionWith(farming);
        in->Substitutes().Add(industry);
        in->SetValueIn(s1, TSectorInteraction::kMinDemand, TValue(1.0));
        farming->GetOrCreateInteractionWith(industry)->Substitutes().Add(farming);
        industry->SetObject(TSector::kTargetSector, farming);
        for (TSector* s : {farming, industry}) {
            for (TZone* z : std::initializer_list<TZone*>{z1, z2})
                s->GetOrCreateSectorZoneFor(z)->SetValueIn(s1, TSectorZone::kPrice, TValue(4.0));
            s->GetOrCreateSectorCategoryFor(work)->SetValueIn(s1, TSectorCategory::kTimeFactor,
                                                              TValue(1.0));
        }
        fn = p.NewAttractionFunction();
        fn->SetTargetSector(industry);
        fn->AddAttractor()->SetAttractorSectorIn(s1, farming);
        admin = p.NewAdministrator();
        road = p.NewLinkType();
        road->SetAdminIn(base, admin);
        road->SetAdminIn(s1, admin);
    }

    const std::vector<TTransportZone*>& Zones() const { return zones_; }

    /// Runs `edit` as one transaction, checks the study is consistent after it, undoes it and
    /// checks the study is exactly as before.
    template <class F> void CheckedAndUndone(F edit) {
        ASSERT_EQ(ConsistencyReport(p), "");
        const std::string before = DumpProject(p);
        const std::uint32_t n = p.UndoSet().BeginTransaction();
        edit();
        EXPECT_EQ(ConsistencyReport(p), "");
        p.UndoSet().UndoTo(n);
        EXPECT_EQ(DumpProject(p), before);
        EXPECT_EQ(ConsistencyReport(p), "");
    }

    TProject p;
    TScenario* base;
    TScenario* s1;
    TMode *car, *bus;
    TOperator *auto_, *bus1, *bus2;
    TCategory *work, *shop;
    TMicroZone *z1, *z2;
    TExternalZone* ext;
    TMacroZone* macro;
    TSector *farming, *industry;
    TAttractionFunction* fn;
    TAdministrator* admin;
    TLinkType* road;
    std::vector<TTransportZone*> zones_;
};

TEST_F(TransportProjectTest, NewOperatorHasItsOwnRouteAndTransferToItself) {
    for (TOperator* op : {auto_, bus1, bus2}) {
        TTransfer* self = op->TransferTo(op);
        ASSERT_NE(self, nullptr);
        EXPECT_TRUE(p.Transfers().Contains(self));
        TOperatorRoute* route = p.InternalRouteOf(op);
        ASSERT_NE(route, nullptr);
        EXPECT_GE(p.Routes().IndexOf(route), 0);
    }
    // Get-or-create twice: one transfer, one index entry.
    const std::size_t count = p.Transfers().Count();
    TTransfer* t = p.AddTransfer(bus2, bus1);
    EXPECT_EQ(p.AddTransfer(bus2, bus1), t);
    EXPECT_EQ(p.Transfers().Count(), count + 1);
    EXPECT_EQ(bus2->Transfers().Count(), 2u);
    EXPECT_EQ(ConsistencyReport(p), "");
    // The index is no owner; the transfer cost reads through it.
    EXPECT_FALSE(p.Transfers().Owns());
    EXPECT_DOUBLE_EQ(bus1->TransferCostTo(bus2, s1), 0.5);
    EXPECT_TRUE(p.Operators().HasRouteOperator());
}

TEST_F(TransportProjectTest, NewProjectHasEightServiceLevels) {
    TProject fresh;
    ASSERT_EQ(fresh.ServiceLevels().Count(), 8u);
    EXPECT_EQ(fresh.ServiceLevels().Get(0)->GetName(), "Level A");
    EXPECT_EQ(fresh.ServiceLevels().Get(7)->Id(), 8);
    EXPECT_EQ(fresh.ServiceLevels().Get(7)->GetName(), "Level H");
}

TEST_F(TransportProjectTest, RemovingAModeLeavesNoReferenceToIt) {
    CheckedAndUndone([&] {
        p.RemoveEntity(bus);
        EXPECT_FALSE(p.Modes().Contains(bus));
        EXPECT_FALSE(p.Operators().Contains(bus1));
        EXPECT_FALSE(p.Operators().Contains(bus2));
        EXPECT_TRUE(p.Operators().Contains(auto_));
        EXPECT_EQ(auto_->TransferTo(bus1), nullptr);
        for (std::size_t i = 0; i < p.Transfers().Count(); ++i) {
            EXPECT_NE(p.Transfers().Get(i)->FromOperator(), bus1);
            EXPECT_NE(p.Transfers().Get(i)->ToOperator(), bus1);
        }
        for (std::size_t i = 0; i < p.Routes().Count(); ++i)
            EXPECT_NE(p.Routes().Get(i)->Operator(), bus2);
        for (TCategory* c : {work, shop}) {
            EXPECT_FALSE(c->HasMode(bus));
            EXPECT_TRUE(c->HasMode(car));
        }
        // Exactly the records of that mode went, in every pair of every zone.
        for (std::size_t i = 0; i < p.TransportZones().Count(); ++i) {
            const TODPairList& pairs = p.TransportZones().Get(i)->ODPairs();
            ASSERT_EQ(pairs.Count(), 3u);
            for (std::size_t k = 0; k < pairs.Count(); ++k) {
                const TCategoryModeList& recs = pairs.Get(k)->CategoryModes();
                EXPECT_EQ(recs.Count(), 4u);
                for (std::size_t r = 0; r < recs.Count(); ++r)
                    EXPECT_NE(recs.Get(r)->Mode(), bus);
            }
        }
    });
}

TEST_F(TransportProjectTest, RemovingACategoryLeavesNoReferenceToIt) {
    CheckedAndUndone([&] {
        p.RemoveEntity(work);
        for (TOperator* op : {auto_, bus1, bus2}) {
            EXPECT_EQ(op->OperatorCategoryFor(work), nullptr);
            EXPECT_NE(op->OperatorCategoryFor(shop), nullptr);
        }
        for (TSector* s : {farming, industry})
            EXPECT_EQ(s->SectorCategoryFor(work), nullptr);
        EXPECT_EQ(z1->ODPairTo(z2)->CategoryModeFor(work, car), nullptr);
        EXPECT_NE(z1->ODPairTo(z2)->CategoryModeFor(shop, car), nullptr);
    });
}

TEST_F(TransportProjectTest, RemovingAnAdministratorClearsLinkTypes) {
    CheckedAndUndone([&] {
        p.RemoveEntity(admin);
        EXPECT_EQ(road->AdminIn(base), nullptr);
        EXPECT_EQ(road->AdminIn(s1), nullptr);
    });
}

TEST_F(TransportProjectTest, RemovingASectorLeavesNoReferenceToIt) {
    TAttractionFunction* other = p.NewAttractionFunction();
    other->SetTargetSector(industry);
    other->AddAttractor()->SetAttractorSectorIn(base, farming);
    CheckedAndUndone([&] {
        p.RemoveEntity(farming);
        EXPECT_FALSE(p.Sectors().Contains(farming));
        EXPECT_EQ(industry->InteractionWith(farming), nullptr);
        EXPECT_EQ(industry->GetObject(TSector::kTargetSector), nullptr);
        // A function that only reads the sector through an attractor stays, without it.
        EXPECT_GE(p.AttractionFunctions().IndexOf(other), 0);
        EXPECT_EQ(other->Attractors().Get(0)->AttractorSectorIn(base), nullptr);
    });
}

TEST_F(TransportProjectTest, RemovingATransportZoneLeavesNoReferenceToIt) {
    CheckedAndUndone([&] {
        p.RemoveEntity(z2);
        EXPECT_FALSE(p.TransportZones().Contains(z2));
        EXPECT_EQ(z1->ODPairTo(z2), nullptr);
        EXPECT_EQ(ext->ODPairTo(z2), nullptr);
        EXPECT_NE(ext->ODPairTo(z1), nullptr);
        for (TSector* s : {farming, industry}) {
            EXPECT_EQ(s->SectorZoneFor(z2), nullptr);
            EXPECT_NE(s->SectorZoneFor(z1), nullptr);
        }
        EXPECT_FALSE(macro->SubZones().Contains(z2));
        EXPECT_TRUE(macro->SubZones().Contains(z1));
    });
}

TEST_F(TransportProjectTest, RemovingAMacroZoneKeepsItsZones) {
    CheckedAndUndone([&] {
        p.RemoveEntity(macro);
        EXPECT_EQ(z1->MacroZone(), nullptr);
        EXPECT_EQ(z2->MacroZone(), nullptr);
        EXPECT_TRUE(p.TransportZones().Contains(z1));
        EXPECT_EQ(z1->ODPairs().Count(), 3u);
    });
}

TEST_F(TransportProjectTest, RemovingAScenarioReachesEveryOwnedRecord) {
    CheckedAndUndone([&] {
        p.RemoveScenario(s1);
        // Nothing anywhere keeps a version of the removed scenario.
        auto noVersion = [&](const TVersionedEntity& e) {
            EXPECT_EQ(e.VersionOf(s1), nullptr) << e.ClassName() << " " << e.KeyText();
        };
        for (TOperator* op : {auto_, bus1, bus2}) {
            noVersion(*op);
            for (std::size_t i = 0; i < op->Transfers().Count(); ++i)
                noVersion(*op->Transfers().Get(i));
            for (std::size_t i = 0; i < op->OperatorCategories().Count(); ++i)
                noVersion(*op->OperatorCategories().Get(i));
        }
        for (TTransportZone* z : Zones())
            for (std::size_t i = 0; i < z->ODPairs().Count(); ++i)
                for (std::size_t k = 0; k < z->ODPairs().Get(i)->CategoryModes().Count(); ++k)
                    noVersion(*z->ODPairs().Get(i)->CategoryModes().Get(k));
        for (TSector* s : {farming, industry}) {
            for (std::size_t i = 0; i < s->Interactions().Count(); ++i)
                noVersion(*s->Interactions().Get(i));
            for (std::size_t i = 0; i < s->SectorZones().Count(); ++i)
                noVersion(*s->SectorZones().Get(i));
            for (std::size_t i = 0; i < s->SectorCategories().Count(); ++i)
                noVersion(*s->SectorCategories().Get(i));
        }
        noVersion(*fn->Attractors().Get(0));
        noVersion(*road);
    });
}

} // namespace
} // namespace zep::model::test
