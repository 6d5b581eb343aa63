// Zone kinds of the land-use model: OD pairs and their exogenous trips, macro zone membership,
// external zones, version operations passed on, copies, and undo of random edits.
#include <gtest/gtest.h>

#include <random>

#include "ModeTestStudy.h"
#include "model/CATEGORY.h"
#include "model/Mode.h"
#include "model/Zone.h"

namespace zep::model::test {
namespace {

class ZoneTest : public TStudyFixture {
protected:
    ZoneTest() : nodes(true), zones(false), macros(true), modes(true), categories(true) {
        for (int i = 0; i < 3; ++i)
            AddZone(new TMicroZone());
        AddZone(new TExternalZone());
        for (int i = 0; i < 2; ++i)
            macros.Add(new TMacroZone());
        for (int i = 0; i < 2; ++i) {
            modes.Add(new TMode());
            categories.Add(new TCategory());
        }
    }
    void AddZone(TTransportZone* z) {
        nodes.Add(z);
        zones.Add(z);
    }
    TMicroZone* Micro(std::size_t i) const { return static_cast<TMicroZone*>(zones.Get(i)); }
    TTransportZone* Z(std::size_t i) const { return zones.Get(i); }
    TMode* M(std::size_t i) const { return modes.Get(i); }
    TCategory* C(std::size_t i) const { return categories.Get(i); }
    std::string Dump() const {
        std::string out = DumpAll({&nodes, &macros});
        for (std::size_t i = 0; i < zones.Count(); ++i) {
            const TODPairList& pairs = zones.Get(i)->ODPairs();
            out += DumpList(pairs);
            for (std::size_t k = 0; k < pairs.Count(); ++k)
                out += DumpList(pairs.Get(k)->CategoryModes());
        }
        for (std::size_t i = 0; i < macros.Count(); ++i)
            out += DumpList(macros.Get(i)->SubZones());
        return out;
    }

    TNodeList nodes;
    TTransportZoneList zones;
    TMacroZoneList macros;
    TModeList modes;
    TCategoryList categories;
};

TEST_F(ZoneTest, ODPairsAreOnePerDestination) {
    TODPair* p = Z(0)->GetOrCreateODPairTo(Z(1));
    EXPECT_EQ(Z(0)->GetOrCreateODPairTo(Z(1)), p);
    EXPECT_EQ(Z(0)->ODPairs().Count(), 1u);
    EXPECT_EQ(p->Origin(), Z(0));
    EXPECT_EQ(p->Destination(), Z(1));
    EXPECT_EQ(p->GetObject(TODPair::kFrom), Z(0));
    EXPECT_EQ(p->GetObject(TODPair::kTo), Z(1));
    EXPECT_EQ(Z(1)->ODPairTo(Z(0)), nullptr);
    // A pair to the zone itself (intrazonal trips) is an ordinary pair.
    EXPECT_NE(Z(0)->GetOrCreateODPairTo(Z(0)), p);
    Z(0)->RemoveODPairTo(Z(1));
    EXPECT_EQ(Z(0)->ODPairTo(Z(1)), nullptr);
    EXPECT_EQ(Z(0)->ODPairs().Count(), 1u);

    // A pair handed to a zone's list takes that zone as origin.
    auto* stray = new TODPair(nullptr, Z(2), Z(3));
    Z(0)->ODPairs().Add(stray);
    EXPECT_EQ(stray->Origin(), Z(0));
    EXPECT_EQ(stray->GetObject(TODPair::kFrom), Z(0));

    TCategoryMode* r = p->GetOrCreateCategoryModeFor(C(0), M(0));
    EXPECT_EQ(p->GetOrCreateCategoryModeFor(C(0), M(0)), r);
    EXPECT_EQ(r->Category(), C(0));
    EXPECT_EQ(r->GetObject(TCategoryMode::kCategory), C(0));
    EXPECT_EQ(r->GetObject(TCategoryMode::kMode), M(0));
    // Trips without a mode are a record of their own.
    TCategoryMode* noMode = p->GetOrCreateCategoryModeFor(C(0), nullptr);
    EXPECT_NE(noMode, r);
    EXPECT_EQ(noMode->Mode(), nullptr);
    EXPECT_EQ(noMode->FindProperty(TCategoryMode::kMode), nullptr);
    EXPECT_EQ(p->CategoryModeFor(C(1), M(0)), nullptr);
    EXPECT_DOUBLE_EQ(r->GetFloatIn(base, TCategoryMode::kTripFactor), 1.0);
    EXPECT_TRUE(r->GetValueIn(base, TCategoryMode::kTrips).IsEmpty());
}

TEST_F(ZoneTest, DroppingAModeOrCategoryTouchesOnlyItsRecords) {
    for (std::size_t o = 0; o < 3; ++o)
        for (std::size_t d = 0; d < 4; ++d) {
            TODPair* p = Z(o)->GetOrCreateODPairTo(Z(d));
            for (std::size_t c = 0; c < 2; ++c) {
                p->GetOrCreateCategoryModeFor(C(c), M(0));
                p->GetOrCreateCategoryModeFor(C(c), M(1));
                p->GetOrCreateCategoryModeFor(C(c), nullptr);
            }
        }
    const std::string before = Dump();
    undoSet.BeginTransaction();
    for (std::size_t i = 0; i < zones.Count(); ++i)
        Z(i)->DropMode(M(1));
    for (std::size_t o = 0; o < 3; ++o)
        for (std::size_t d = 0; d < 4; ++d) {
            TODPair* p = Z(o)->ODPairTo(Z(d));
            ASSERT_EQ(p->CategoryModes().Count(), 4u);
            for (std::size_t c = 0; c < 2; ++c) {
                EXPECT_NE(p->CategoryModeFor(C(c), M(0)), nullptr);
                EXPECT_EQ(p->CategoryModeFor(C(c), M(1)), nullptr);
                EXPECT_NE(p->CategoryModeFor(C(c), nullptr), nullptr);
            }
        }
    for (std::size_t i = 0; i < zones.Count(); ++i)
        Z(i)->DropCategory(C(0));
    for (std::size_t o = 0; o < 3; ++o) {
        const TCategoryModeList& recs = Z(o)->ODPairTo(Z(1))->CategoryModes();
        ASSERT_EQ(recs.Count(), 2u);
        EXPECT_EQ(recs.Get(0)->Category(), C(1));
        EXPECT_EQ(recs.Get(1)->Category(), C(1));
    }
    undoSet.UndoTo(0);
    EXPECT_EQ(Dump(), before);
}

TEST_F(ZoneTest, MicroZonesBelongToAtMostOneMacroZone) {
    TMacroZone* m1 = macros.Get(0);
    TMacroZone* m2 = macros.Get(1);
    Micro(0)->SetMacroZone(m1);
    Micro(1)->SetMacroZone(m1);
    EXPECT_EQ(Micro(0)->MacroZone(), m1);
    EXPECT_EQ(m1->SubZones().Count(), 2u);
    Micro(0)->SetMacroZone(m2);
    EXPECT_EQ(Micro(0)->MacroZone(), m2);
    EXPECT_FALSE(m1->SubZones().Contains(Micro(0)));
    EXPECT_TRUE(m2->SubZones().Contains(Micro(0)));
    EXPECT_EQ(m2->SubZones().Count(), 1u);
    Micro(0)->SetMacroZone(m2); // again: still once
    EXPECT_EQ(m2->SubZones().Count(), 1u);
    Micro(0)->SetMacroZone(nullptr);
    EXPECT_EQ(Micro(0)->MacroZone(), nullptr);
    EXPECT_EQ(m2->SubZones().Count(), 0u);
    EXPECT_EQ(m1->SubZones().Count(), 1u);
    EXPECT_FALSE(m1->SubZones().Owns());

    // A micro zone deleted from its list leaves its macro zone; undo brings both back.
    Micro(2)->SetMacroZone(m1);
    const std::string before = Dump();
    undoSet.BeginTransaction();
    TMicroZone* gone = Micro(2);
    zones.Remove(gone);
    nodes.Remove(gone);
    EXPECT_FALSE(m1->SubZones().Contains(gone));
    EXPECT_EQ(m1->SubZones().Count(), 1u);
    undoSet.UndoTo(0);
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(Micro(2)->MacroZone(), m1);
}

TEST_F(ZoneTest, RemovingOrDestroyingAMacroZoneClearsItsSubZones) {
    TMacroZone* m1 = macros.Get(0);
    Micro(0)->SetMacroZone(m1);
    Micro(1)->SetMacroZone(m1);
    const std::string before = Dump();
    undoSet.BeginTransaction();
    macros.Remove(m1);
    EXPECT_EQ(Micro(0)->MacroZone(), nullptr);
    EXPECT_EQ(Micro(1)->MacroZone(), nullptr);
    EXPECT_EQ(Micro(0)->FindProperty(TZone::kMacroZone), nullptr);
    undoSet.UndoTo(0);
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(Micro(1)->MacroZone(), m1);

    // Destroyed outright (no list, no undo): the sub-zones forget it all the same.
    auto loose = std::make_unique<TMacroZone>();
    Micro(2)->SetMacroZone(loose.get());
    loose.reset();
    EXPECT_EQ(Micro(2)->MacroZone(), nullptr);
    // And a micro zone destroyed outright leaves its macro zone's list.
    auto lone = std::make_unique<TMicroZone>();
    lone->SetMacroZone(m1);
    EXPECT_EQ(m1->SubZones().Count(), 3u);
    lone.reset();
    EXPECT_EQ(m1->SubZones().Count(), 2u);
}

TEST_F(ZoneTest, ExternalZonesStayExternal) {
    auto* ext = static_cast<TExternalZone*>(Z(3));
    EXPECT_TRUE(ext->IsExternal());
    ext->SetExternal(false);
    ext->SetBoolean(TZone::kExternal, false);
    ext->GetProperty(TZone::kExternal)->SetAsBoolean(false);
    EXPECT_TRUE(ext->IsExternal());
    EXPECT_TRUE(ext->GetBoolean(TZone::kExternal));
    EXPECT_FALSE(Micro(0)->IsExternal());
    EXPECT_TRUE(ext->IsZone());

    ext->SetName("Port");
    ext->SetId(-12);
    EXPECT_EQ(ext->GetListText(), "12 \xD7 Port");
    Micro(0)->SetName("Centre");
    EXPECT_EQ(Micro(0)->GetListText(), "1 Centre ");
    EXPECT_EQ(Micro(0)->KeyText(), "z_1");
}

TEST_F(ZoneTest, VersionOperationsReachPairsAndRecords) {
    TODPair* p = Z(0)->GetOrCreateODPairTo(Z(1));
    TCategoryMode* r = p->GetOrCreateCategoryModeFor(C(0), M(0));
    r->SetValueIn(s1, TCategoryMode::kTrips, TValue(120.0));
    EXPECT_TRUE(p->HasVersion(s1));
    // The zone's own answer is the zone's (nodes answer through their links).
    EXPECT_FALSE(Z(0)->HasVersion(s1));

    Z(0)->CopyVersion(s1, sib);
    EXPECT_DOUBLE_EQ(r->GetFloatIn(sib, TCategoryMode::kTrips), 120.0);
    Z(0)->MoveVersion(s1, s2);
    EXPECT_DOUBLE_EQ(r->GetFloatIn(s2, TCategoryMode::kTrips), 120.0);
    EXPECT_FALSE(r->HasVersion(s1) && r->GetFloatIn(s1, TCategoryMode::kTrips) == 120.0);
    Z(0)->RemoveVersion(s2);
    EXPECT_FALSE(r->HasVersion(s2));
    EXPECT_FALSE(p->HasVersion(s2));
    EXPECT_TRUE(r->HasVersion(sib));
}

TEST_F(ZoneTest, CopyCarriesPairsAndRecords) {
    TODPair* p = Z(0)->GetOrCreateODPairTo(Z(1));
    p->GetOrCreateCategoryModeFor(C(0), M(1))->SetValueIn(base, TCategoryMode::kTrips, TValue(7.0));
    auto* copy = new TMicroZone();
    AddZone(copy);
    copy->Copy(*Z(0));
    ASSERT_EQ(copy->ODPairs().Count(), 1u);
    TODPair* cp = copy->ODPairs().Get(0);
    EXPECT_NE(cp, p);
    EXPECT_EQ(cp->Origin(), copy);
    EXPECT_EQ(cp->Destination(), Z(1));
    TCategoryMode* cr = cp->CategoryModeFor(C(0), M(1));
    ASSERT_NE(cr, nullptr);
    EXPECT_NE(cr, p->CategoryModes().Get(0));
    EXPECT_DOUBLE_EQ(cr->GetFloatIn(s2, TCategoryMode::kTrips), 7.0);
}

TEST_F(ZoneTest, RandomEditsUndoToTheSameState) {
    const std::string before = Dump();
    TScenario* scen[] = {base, s1, s2, sib};
    std::mt19937 rng(11);
    for (int step = 0; step < 500; ++step) {
        TTransportZone* o = Z(rng() % 4);
        TTransportZone* d = Z(rng() % 4);
        TScenario* s = scen[rng() % 4];
        switch (rng() % 8) {
        case 0:
            o->GetOrCreateODPairTo(d)
                ->GetOrCreateCategoryModeFor(C(rng() % 2), rng() % 3 ? M(rng() % 2) : nullptr)
                ->SetValueIn(s, TCategoryMode::kTrips, TValue(double(rng() % 5)));
            break;
        case 1:
            o->RemoveODPairTo(d);
            break;
        case 2:
            o->DropMode(M(rng() % 2));
            break;
        case 3:
            o->DropCategory(C(rng() % 2));
            break;
        case 4:
            Micro(rng() % 3)->SetMacroZone(rng() % 3 ? macros.Get(rng() % 2) : nullptr);
            break;
        case 5:
            o->MoveVersion(s, scen[rng() % 4]);
            break;
        case 6:
            o->RemoveVersion(s);
            break;
        case 7:
            o->CopyVersion(s, scen[rng() % 4]);
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
