// Sectors: declared tables (with the sector-zone declaration order and what it resolves to),
// production restrictions, the economic-data order, interactions, dropping another sector,
// version operations passed on and copies.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "ModeTestStudy.h"
#include "model/CATEGORY.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::model::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

class SectorTest : public TStudyFixture {
protected:
    SectorTest() : sectors(true), nodes(true), categories(true) {
        for (int i = 0; i < 3; ++i)
            sectors.Add(new TSector());
        for (int i = 0; i < 3; ++i)
            nodes.Add(new TMicroZone());
        categories.Add(new TCategory());
        categories.Add(new TCategory());
    }
    TSector* S(std::size_t i) const { return sectors.Get(i); }
    TZone* Z(std::size_t i) const { return static_cast<TZone*>(nodes.Get(i)); }
    TCategory* C(std::size_t i) const { return categories.Get(i); }
    std::string Dump() const {
        std::string out = DumpList(sectors);
        for (std::size_t i = 0; i < sectors.Count(); ++i) {
            TSector* s = S(i);
            out += DumpList(s->Interactions()) + DumpList(s->SectorZones()) +
                   DumpList(s->SectorCategories());
            for (std::size_t k = 0; k < s->Interactions().Count(); ++k)
                out += DumpList(s->Interactions().Get(k)->Substitutes());
        }
        return out;
    }

    TSectorList sectors;
    TNodeList nodes;
    TCategoryList categories;
};

TEST_F(SectorTest, DeclaredTables) {
    const TValue e;
    const TValue z(0.0);
    const TValue one(1.0);
    ExpectTable(TSector::ClassSpecs(),
                {
                    {253, "id", varInteger, psAttribute, e, e, e},
                    {1, "dist_param", varDouble, 0, z, z, e},
                    {2, "dist_param2", varDouble, psNotStored, e, e, e},
                    {3, "price_scale", varDouble, 0, one, z, e},
                    {4, "price_scale2", varDouble, psNotStored, e, e, e},
                    {5, "dist_logit_scaling", varDouble, psUnversioned, one, z, e},
                    {6, "atractor_factor", varDouble, psUnversioned, one, z, e},
                    {7, "min_price_cost_ratio", varDouble, 0, z, z, one},
                    {8, "sector_type", varInteger, psAttribute, TValue(0), TValue(0), TValue(2)},
                    {9, "target_sector", varError, psAttribute, e, e, e},
                });
    EXPECT_EQ(S(0)->KeyText(), "e_1");
    ExpectTable(TSectorInteraction::ClassSpecs(),
                {
                    {253, "id", varInteger, psNotStored, e, e, e},
                    {250, "name", varString, psNotStored, e, e, e},
                    {30, "input_sector", varError, psAttribute | psAlwaysStored, e, e, e},
                    {1, "min_demand", varDouble, 0, e, z, e},
                    {2, "max_demand", varDouble, 0, e, z, e},
                    {3, "induced_demand_elasticity", varDouble, 0, one, z, e},
                    {4, "substitution_elasticity", varDouble, 0, one, z, e},
                    {5, "exog_increment_atractor", varDouble, 0, e, e, e},
                    {6, "exog_increment_atractor_2", varDouble, psNotStored, e, e, e},
                    {7, "exog_prod_factor", varDouble, 0, e, e, e},
                    {8, "exog_price_factor", varDouble, 0, e, e, e},
                    {9, "exog_capacity_factor", varDouble, 0, e, e, e},
                    {10, "induced_increment_atractor", varDouble, 0, e, z, e},
                    {11, "Induced_increment_atractor_2", varDouble, psNotStored, e, e, e},
                    {15, "substitution_penalty", varDouble, 0, e, z, e},
                    {16, "substitution_group", varDouble, 0, e, z, e},
                    {17, "substitution_logit_scaling", varDouble, 0, one, z, e},
                    {31, "alternative_specific_constant", varDouble, 0, e, e, e},
                });
    ExpectTable(TSectorCategory::ClassSpecs(),
                {
                    {253, "id", varInteger, psNotStored, e, e, e},
                    {250, "name", varString, psNotStored, e, e, e},
                    {1, "type", varDouble, psAttribute | psAlwaysStored, z, z, e},
                    {2, "time_factor", varDouble, 0, z, z, e},
                    {3, "volume_factor", varDouble, 0, z, z, e},
                    {4, "demand_production_flow", varDouble, 0, z, z, e},
                    {5, "production_demand_flow", varDouble, 0, z, z, e},
                });
}

TEST_F(SectorTest, SectorZoneDeclarationOrderResolves) {
    TPropSpecSet& set = TSectorZone::ClassSpecs();
    const TPropFlags all = psUnversioned;
    struct ById {
        std::int32_t id;
        const char* name;
        TPropFlags flags;
    };
    for (const ById& r : std::initializer_list<ById>{{1, "price", 0},
                                                     {2, "exog_prod", all},
                                                     {3, "induced_prod", 0},
                                                     {4, "exports", 0},
                                                     {5, "value_added", 0},
                                                     {6, "atractor", 0},
                                                     {9, "min_imports", all},
                                                     {10, "max_imports", all},
                                                     {11, "shadow_price", 0},
                                                     {12, "base_induced_prod", all},
                                                     {13, "base_price", all},
                                                     {14, "atrain", all},
                                                     {20, "sector_zone_flow", 0},
                                                     {40, "exog_prod", 0},
                                                     {41, "induced_prod", 0},
                                                     {42, "exports", 0},
                                                     {43, "value_added", 0},
                                                     {44, "min_imports", 0},
                                                     {45, "max_imports", 0},
                                                     {46, "atrain", 0}}) {
        SCOPED_TRACE(r.id);
        ASSERT_NE(set.FindById(r.id), nullptr);
        EXPECT_EQ(set.FindById(r.id)->Name(), r.name);
        EXPECT_EQ(set.FindById(r.id)->Flags(), r.flags);
        EXPECT_EQ(set.FindById(r.id)->ValueType(), varDouble);
    }
    struct ByName {
        const char* name;
        std::int32_t id;
    };
    for (const ByName& r : std::initializer_list<ByName>{{"price", 1},
                                                         {"induced_prod", 41},
                                                         {"value_added", 43},
                                                         {"atractor", 6},
                                                         {"min_prod", 9},
                                                         {"max_prod", 10},
                                                         {"shadow_price", 11},
                                                         {"base_induced_prod", 12},
                                                         {"base_price", 13},
                                                         {"sector_zone_flow", 20},
                                                         {"exog_prod", 40},
                                                         {"exog_demand", 42},
                                                         {"min_imports", 44},
                                                         {"max_imports", 45},
                                                         {"exports", 42},
                                                         {"atrain", 46}}) {
        SCOPED_TRACE(r.name);
        ASSERT_NE(set.FindByName(r.name), nullptr);
        EXPECT_EQ(set.FindByName(r.name)->Id(), r.id);
    }
    // The name exog_demand finds its own declaration, not the exports entry that replaced it
    // under id 42.
    EXPECT_NE(set.FindByName("exog_demand"), set.FindById(42));
    EXPECT_EQ(set.FindByName("exports"), set.FindById(42));
    EXPECT_EQ(set.FindByName("max_prod")->Default().ToDouble(), kInf);
    EXPECT_EQ(set.FindById(10)->Default().ToDouble(), 0.0);
    EXPECT_TRUE(set.FindById(2)->Minimum().IsEmpty());
    EXPECT_EQ(set.FindById(30)->Flags(), psAttribute | psAlwaysStored);
    EXPECT_EQ(set.FindById(31)->Flags(), psAttribute);
    EXPECT_EQ(set.FindById(kPropId)->Flags(), psNotStored);
}

TEST_F(SectorTest, ProductionRestriction) {
    TSectorZone* r = S(0)->GetOrCreateSectorZoneFor(Z(0));
    EXPECT_FALSE(r->HasProductionRestriction());
    // min_prod 0 (the id's default, so nothing stored) and max_prod +infinity: none.
    r->SetFloat(TSectorZone::kMinProd, 0.0);
    r->SetFloat(TSectorZone::kMaxProd, kInf);
    EXPECT_FALSE(r->HasProductionRestriction());
    r->SetFloat(TSectorZone::kMinProd, 5.0);
    EXPECT_TRUE(r->HasProductionRestriction());
    r->SetFloat(TSectorZone::kMinProd, 0.0);
    r->SetFloat(TSectorZone::kMaxProd, 100.0);
    EXPECT_TRUE(r->HasProductionRestriction());

    TSectorZone* q = S(0)->GetOrCreateSectorZoneFor(Z(1));
    EXPECT_FALSE(q->HasRestrictionIn(s1));
    q->RawVersion(s1).RawPut(TSectorZone::kMaxProd, TValue(50.0));
    EXPECT_TRUE(q->HasRestrictionIn(s1));
    EXPECT_TRUE(q->HasRestrictionIn(s2));
    EXPECT_FALSE(q->HasRestrictionIn(base));
    EXPECT_FALSE(q->HasRestrictionIn(sib));
}

TEST_F(SectorTest, EconomicDataSortsWithoutZoneFirstThenByZone) {
    Z(0)->SetId(-30);
    Z(1)->SetId(7);
    Z(2)->SetId(12);
    TSectorZone* a = S(0)->GetOrCreateSectorZoneFor(Z(0));
    TSectorZone* b = S(0)->GetOrCreateSectorZoneFor(Z(2));
    TSectorZone* none = S(0)->GetOrCreateSectorZoneFor(nullptr);
    TSectorZone* c = S(0)->GetOrCreateSectorZoneFor(Z(1));
    EXPECT_EQ(S(0)->GetOrCreateSectorZoneFor(nullptr), none);
    EXPECT_EQ(none->Zone(), nullptr);
    EXPECT_EQ(none->FindProperty(TSectorZone::kZone), nullptr);
    EXPECT_EQ(a->GetObject(TSectorZone::kSector), S(0));
    TSectorZoneList& list = S(0)->SectorZones();
    list.Sort();
    ASSERT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.Get(0), none);
    EXPECT_EQ(list.Get(1), c);
    EXPECT_EQ(list.Get(2), b);
    EXPECT_EQ(list.Get(3), a);
    S(0)->RemoveSectorZone(Z(2));
    EXPECT_EQ(S(0)->SectorZoneFor(Z(2)), nullptr);
    EXPECT_EQ(list.Count(), 3u);
}

TEST_F(SectorTest, InteractionsTakeTheInputSectorsIdentifier) {
    S(1)->SetId(40);
    TSectorInteraction* in = S(0)->GetOrCreateInteractionWith(S(1));
    EXPECT_EQ(S(0)->GetOrCreateInteractionWith(S(1)), in);
    EXPECT_EQ(in->Id(), 40);
    EXPECT_EQ(in->FromSector(), S(0));
    EXPECT_EQ(in->InputSector(), S(1));
    EXPECT_EQ(in->GetObject(TSectorInteraction::kInputSector), S(1));
    TSectorInteraction* open = S(0)->GetOrCreateInteractionWith(nullptr);
    EXPECT_NE(open->Id(), 40);
    EXPECT_EQ(S(0)->InteractionWith(S(2)), nullptr);

    // The list asks only interactions that have an input sector.
    open->SetValueIn(base, TSectorInteraction::kMinDemand, TValue(-1.0));
    EXPECT_EQ(S(0)->Interactions().ErrorMessageIn(base), "");
    EXPECT_TRUE(S(0)->Interactions().IsValidIn(base));
    in->SetValueIn(s1, TSectorInteraction::kMaxDemand, TValue(-2.0));
    EXPECT_EQ(S(0)->Interactions().ErrorMessageIn(base), "");
    EXPECT_EQ(S(0)->Interactions().ErrorMessageIn(s1), in->ErrorMessageIn(s1));
    EXPECT_NE(in->ErrorMessageIn(s1), "");
}

TEST_F(SectorTest, DroppingASectorClearsEveryReferenceToIt) {
    TSectorInteraction* keep = S(0)->GetOrCreateInteractionWith(S(1));
    keep->Substitutes().Add(S(2));
    keep->Substitutes().Add(S(1));
    S(0)->GetOrCreateInteractionWith(S(2));
    S(0)->SetObject(TSector::kTargetSector, S(2));
    S(1)->SetObject(TSector::kTargetSector, S(0));
    const std::string before = Dump();
    undoSet.BeginTransaction();
    S(0)->DropSector(S(2));
    EXPECT_EQ(S(0)->InteractionWith(S(2)), nullptr);
    EXPECT_EQ(S(0)->Interactions().Count(), 1u);
    EXPECT_EQ(keep->Substitutes().Count(), 1u);
    EXPECT_EQ(keep->Substitutes().Get(0), S(1));
    EXPECT_EQ(S(0)->GetObject(TSector::kTargetSector), nullptr);
    S(1)->DropSector(S(2)); // a target naming another sector stays
    EXPECT_EQ(S(1)->GetObject(TSector::kTargetSector), S(0));
    undoSet.UndoTo(0);
    EXPECT_EQ(Dump(), before);
}

TEST_F(SectorTest, VersionOperationsReachOwnedRecords) {
    TSectorInteraction* in = S(0)->GetOrCreateInteractionWith(S(1));
    TSectorZone* sz = S(0)->GetOrCreateSectorZoneFor(Z(0));
    TSectorCategory* sc = S(0)->GetOrCreateSectorCategoryFor(C(0));
    EXPECT_EQ(S(0)->GetOrCreateSectorCategoryFor(C(0)), sc);

    // Economic data alone does not make the sector changed in a scenario.
    sz->SetValueIn(s1, TSectorZone::kPrice, TValue(3.0));
    EXPECT_FALSE(S(0)->HasVersion(s1));
    sc->SetValueIn(s1, TSectorCategory::kTimeFactor, TValue(2.0));
    EXPECT_TRUE(S(0)->HasVersion(s1));
    in->SetValueIn(sib, TSectorInteraction::kExogProdFactor, TValue(1.5));
    EXPECT_TRUE(S(0)->HasVersion(sib));

    S(0)->CopyVersion(s1, sib);
    EXPECT_DOUBLE_EQ(sz->GetFloatIn(sib, TSectorZone::kPrice), 3.0);
    EXPECT_DOUBLE_EQ(sc->GetFloatIn(sib, TSectorCategory::kTimeFactor), 2.0);
    S(0)->MoveVersion(sib, s2);
    EXPECT_DOUBLE_EQ(in->GetFloatIn(s2, TSectorInteraction::kExogProdFactor), 1.5);
    EXPECT_DOUBLE_EQ(sz->GetFloatIn(s2, TSectorZone::kPrice), 3.0);

    // Removing a scenario's version leaves no record holding that scenario.
    S(0)->RemoveVersion(s1);
    S(0)->RemoveVersion(s2);
    for (TVersionedEntity* e : std::initializer_list<TVersionedEntity*>{in, sz, sc}) {
        EXPECT_EQ(e->VersionOf(s1), nullptr);
        EXPECT_EQ(e->VersionOf(s2), nullptr);
    }
}

TEST_F(SectorTest, CopyRepointsOwnedRecords) {
    TSectorInteraction* in = S(0)->GetOrCreateInteractionWith(S(1));
    in->Substitutes().Add(S(2));
    S(0)->GetOrCreateSectorZoneFor(Z(1))->SetFloat(TSectorZone::kBasePrice, 9.0);
    S(0)->GetOrCreateSectorCategoryFor(C(1));
    S(0)->SetFloat(TSector::kAtractorFactor, 2.0);
    S(2)->Copy(*S(0));
    EXPECT_DOUBLE_EQ(S(2)->GetFloat(TSector::kAtractorFactor), 2.0);
    ASSERT_EQ(S(2)->Interactions().Count(), 1u);
    TSectorInteraction* ci = S(2)->Interactions().Get(0);
    EXPECT_NE(ci, in);
    EXPECT_EQ(ci->FromSector(), S(2));
    EXPECT_EQ(ci->InputSector(), S(1));
    ASSERT_EQ(ci->Substitutes().Count(), 1u);
    EXPECT_FALSE(ci->Substitutes().Owns());
    TSectorZone* cz = S(2)->SectorZoneFor(Z(1));
    ASSERT_NE(cz, nullptr);
    EXPECT_EQ(cz->Sector(), S(2));
    EXPECT_DOUBLE_EQ(cz->GetFloat(TSectorZone::kBasePrice), 9.0);
    ASSERT_NE(S(2)->SectorCategoryFor(C(1)), nullptr);
    EXPECT_EQ(S(2)->SectorCategoryFor(C(1))->Sector(), S(2));
}

TEST_F(SectorTest, RandomEditsUndoToTheSameState) {
    const std::string before = Dump();
    TScenario* scen[] = {base, s1, s2, sib};
    std::mt19937 rng(3);
    for (int step = 0; step < 500; ++step) {
        TSector* s = S(rng() % 3);
        TSector* other = S(rng() % 3);
        TScenario* sc = scen[rng() % 4];
        switch (rng() % 9) {
        case 0:
            s->GetOrCreateInteractionWith(other)->SetValueIn(
                sc, TSectorInteraction::kSubstitutionPenalty, TValue(double(rng() % 3)));
            break;
        case 1:
            s->GetOrCreateInteractionWith(other)->Substitutes().Add(S(rng() % 3));
            break;
        case 2:
            s->GetOrCreateSectorZoneFor(Z(rng() % 3))
                ->SetValueIn(sc, TSectorZone::kInducedProd, TValue(double(rng() % 4)));
            break;
        case 3:
            s->RemoveSectorZone(Z(rng() % 3));
            break;
        case 4:
            s->GetOrCreateSectorCategoryFor(C(rng() % 2))
                ->SetValueIn(sc, TSectorCategory::kVolumeFactor, TValue(double(rng() % 4)));
            break;
        case 5:
            s->RemoveSectorCategory(C(rng() % 2));
            break;
        case 6:
            s->DropSector(other);
            break;
        case 7:
            s->MoveVersion(sc, scen[rng() % 4]);
            break;
        case 8:
            s->RemoveVersion(sc);
            break;
        }
        if (step % 40 == 0) undoSet.BeginTransaction();
    }
    EXPECT_NE(Dump(), before);
    UndoAll();
    EXPECT_EQ(Dump(), before);
}

} // namespace
} // namespace zep::model::test
