#include <bitset>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/model/TestKinds.h"
#include "undo/Undo_.h"

namespace zep::model {
namespace {

using test::TAddedThing;
using test::Tree;
using test::TThing;
using test::TThingList;

class VersionsTest : public ::testing::Test {
protected:
    VersionsTest() {
        a = tree.Add(tree.base, "A");
        b = tree.Add(tree.base, "B");
        c = tree.Add(a, "C");
    }
    void TearDown() override { undo::SetCurrentUndoSet(nullptr); }
    Tree tree;
    TScenario *a, *b, *c; // base -> A -> C, base -> B
    TThing t;
};

TEST_F(VersionsTest, BaseValuesAreInheritedAndRepeatsStoreNothing) {
    t.SetValueIn(tree.base, TThing::kCapacity, TValue(500.0));
    for (TScenario* s : {tree.base, a, b, c})
        EXPECT_DOUBLE_EQ(t.GetFloatIn(s, TThing::kCapacity), 500);
    t.SetValueIn(c, TThing::kCapacity, TValue("500"));
    EXPECT_FALSE(t.HasVersion(c));
    EXPECT_EQ(t.Versions().Count(), 1u);
    auto r = t.Resolve(c, TThing::kCapacity);
    ASSERT_TRUE(r);
    EXPECT_EQ(r.scenario, tree.base);
}

TEST_F(VersionsTest, ReadsFollowAScenarioThatChangedItsParent) {
    t.SetValueIn(a, TThing::kCapacity, TValue(10.0));
    t.SetValueIn(b, TThing::kCapacity, TValue(20.0));
    TThing single; // one version only: the other path of the resolution
    single.SetValueIn(a, TThing::kCapacity, TValue(30.0));
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 10);
    EXPECT_DOUBLE_EQ(single.GetFloatIn(c, TThing::kCapacity), 30);
    EXPECT_EQ(c->Depth(), 2);
    c->SetParent(b);
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 20);
    EXPECT_DOUBLE_EQ(single.GetFloatIn(c, TThing::kCapacity), 0); // the default
    EXPECT_TRUE(c->DescendsFrom(b));
    EXPECT_FALSE(c->DescendsFrom(a));
    EXPECT_FALSE(c->DescendsFrom(nullptr));
    b->SetParent(a);
    EXPECT_EQ(c->Depth(), 3);
    EXPECT_DOUBLE_EQ(single.GetFloatIn(c, TThing::kCapacity), 30);
    EXPECT_FALSE(a->DescendsFrom(c));
}

TEST_F(VersionsTest, ChildValueBackToTheParentsRemovesRecordAndVersion) {
    t.SetValueIn(tree.base, TThing::kCapacity, TValue(500.0));
    t.SetValueIn(a, TThing::kCapacity, TValue(600.0));
    t.SetValueIn(a, TThing::kLabel, TValue("x"));
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 600);
    EXPECT_DOUBLE_EQ(t.GetFloatIn(b, TThing::kCapacity), 500);
    t.SetValueIn(a, TThing::kCapacity, TValue(500.0));
    ASSERT_TRUE(t.HasVersion(a));
    EXPECT_EQ(t.VersionOf(a)->Find(TThing::kCapacity), nullptr);
    t.SetValueIn(a, TThing::kLabel, TValue());
    EXPECT_EQ(t.VersionOf(a), nullptr);
    // Emptying a child value where the child holds nothing of its own changes nothing.
    t.SetValueIn(c, TThing::kCapacity, TValue());
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 500);
}

TEST_F(VersionsTest, BaseSetToTheDefaultDropsTheRecordButKeepsTheVersion) {
    t.SetValueIn(tree.base, TThing::kLanes, TValue(3));
    t.SetValueIn(tree.base, TThing::kLanes, TValue(1)); // the default
    ASSERT_NE(t.VersionOf(tree.base), nullptr);
    EXPECT_TRUE(t.VersionOf(tree.base)->Empty());
    EXPECT_FALSE(t.HasVersion(tree.base));
    t.Normalize();
    EXPECT_NE(t.VersionOf(tree.base), nullptr);
}

TEST_F(VersionsTest, WhenNothingResolvesEvenTheDefaultIsStored) {
    t.SetValueIn(a, TThing::kLanes, TValue(1));
    ASSERT_TRUE(t.HasVersion(a));
    EXPECT_EQ(t.VersionOf(a)->Find(TThing::kLanes)->value.ToInteger(), 1);
    // Once something resolves, the default in a child differs from the inherited value.
    t.SetValueIn(tree.base, TThing::kLanes, TValue(4));
    t.SetValueIn(b, TThing::kLanes, TValue(1));
    EXPECT_EQ(t.GetIntegerIn(b, TThing::kLanes), 1);
    EXPECT_TRUE(t.HasVersion(b));
}

TEST_F(VersionsTest, ExistenceFollowsUsedDownTheTree) {
    EXPECT_TRUE(t.IsUsedIn(c)); // default true
    t.SetUsedIn(a, false);
    EXPECT_TRUE(t.IsUsedIn(tree.base));
    EXPECT_FALSE(t.IsUsedIn(a));
    EXPECT_FALSE(t.IsUsedIn(c));
    EXPECT_TRUE(t.IsUsedIn(b));
    EXPECT_TRUE(t.RemovedIn(a));
    EXPECT_FALSE(t.RemovedIn(c));
    t.SetUsedIn(c, true);
    EXPECT_TRUE(t.IsUsedIn(c));
    EXPECT_TRUE(t.AddedIn(c));
    EXPECT_FALSE(t.AddedIn(a));

    TAddedThing link; // exists only where "used" is set
    link.SetUsedIn(a, true);
    EXPECT_FALSE(link.IsUsedIn(tree.base));
    EXPECT_TRUE(link.IsUsedIn(a));
    EXPECT_TRUE(link.IsUsedIn(c));
    EXPECT_FALSE(link.IsUsedIn(b));
    link.SetUsedIn(tree.base, false); // nothing resolves in the base: stored though default
    EXPECT_TRUE(link.HasVersion(tree.base));
}

TEST_F(VersionsTest, NormalizeRemovesCopiedParentValues) {
    t.SetValueIn(tree.base, TThing::kCapacity, TValue(100.0));
    t.SetValueIn(tree.base, TThing::kLabel, TValue("base"));
    t.SetValueIn(a, TThing::kLabel, TValue("a"));
    t.CopyVersion(tree.base, c); // c inherits "a": the base's label differs and is stored
    EXPECT_EQ(t.GetStringIn(c, TThing::kLabel), "base");
    EXPECT_EQ(t.VersionOf(c)->Find(TThing::kCapacity), nullptr); // equal: never stored
    t.CopyVersion(a, b);
    EXPECT_EQ(t.GetStringIn(b, TThing::kLabel), "a");
    t.SetValueIn(a, TThing::kLabel, TValue("base")); // now a record equal to the parent's
    EXPECT_EQ(t.VersionOf(a), nullptr);

    // Raw records equal to the parent's (as a file may hold them) go with Normalize.
    t.RawVersion(a).RawPut(TThing::kCapacity, TValue(100.0));
    t.RawVersion(b).RawPut(TThing::kCapacity, TValue(100.0));
    t.Normalize();
    EXPECT_EQ(t.VersionOf(a), nullptr);
    EXPECT_EQ(t.VersionOf(b)->Find(TThing::kCapacity), nullptr);
    EXPECT_EQ(t.GetStringIn(b, TThing::kLabel), "a");
    EXPECT_EQ(t.GetStringIn(c, TThing::kLabel), "base");
}

TEST_F(VersionsTest, RemoveMoveAndInheritVersions) {
    t.SetValueIn(tree.base, TThing::kCapacity, TValue(100.0));
    t.SetValueIn(a, TThing::kCapacity, TValue(200.0));
    t.SetValueIn(c, TThing::kCapacity, TValue(100.0));
    t.RemoveVersion(a); // c's record now equals what it inherits and goes too
    EXPECT_EQ(t.VersionOf(a), nullptr);
    EXPECT_EQ(t.VersionOf(c), nullptr);
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 100);

    t.SetValueIn(a, TThing::kCapacity, TValue(300.0));
    t.SetValueIn(a, TThing::kLabel, TValue("moved"));
    t.MoveVersion(a, c); // c inherits from a: the values survive the move
    EXPECT_EQ(t.VersionOf(a), nullptr);
    EXPECT_DOUBLE_EQ(t.GetFloatIn(a, TThing::kCapacity), 100);
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 300);
    EXPECT_EQ(t.GetStringIn(c, TThing::kLabel), "moved");
    t.MoveVersion(c, c);
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 300);

    TThing heir;
    heir.InheritVersionsFrom(t, c);
    EXPECT_DOUBLE_EQ(heir.GetFloatIn(c, TThing::kCapacity), 300);
    EXPECT_DOUBLE_EQ(heir.GetFloatIn(tree.base, TThing::kCapacity), 100);
    EXPECT_TRUE(heir.HasVersion(c));
    EXPECT_FALSE(heir.HasVersion(b));

    std::bitset<256> ids;
    ids.set(TThing::kLabel);
    EXPECT_TRUE(t.ChangedAnyOf(c, ids));
    EXPECT_FALSE(t.ChangedAnyOf(tree.base, ids));
    auto with = t.ScenariosWithVersions(tree.list);
    ASSERT_EQ(with->Count(), 2u);
    EXPECT_EQ(with->Get(0), tree.base);
    EXPECT_EQ(with->Get(1), c);
    EXPECT_FALSE(with->Owns());
}

TEST_F(VersionsTest, ValidationInAScenarioAndOverall) {
    t.SetValueIn(a, TThing::kCapacity, TValue(-1.0));
    EXPECT_EQ(t.ErrorMessageIn(a), "\"capacity\" must be a real between 0 and 1000");
    EXPECT_FALSE(t.IsValidIn(a));
    EXPECT_TRUE(t.IsValidIn(c)); // only the scenario's own values count
    EXPECT_EQ(t.ErrorMessage(), "\"capacity\" must be a real between 0 and 1000");
    EXPECT_FALSE(t.IsValid());
    t.SetUsedIn(a, false); // an entity that does not exist there is valid there
    EXPECT_TRUE(t.IsValidIn(a));

    TThingList list(true);
    auto* ok = new TThing();
    auto* changed = new TThing();
    auto* bad = new TThing();
    list.Add(ok);
    list.Add(changed);
    list.Add(bad);
    EXPECT_EQ(list.StatusIn(b), 0);
    changed->SetValueIn(b, TThing::kLabel, TValue("x"));
    EXPECT_EQ(list.StatusIn(b), 2);
    bad->SetValueIn(b, TThing::kLanes, TValue(0));
    EXPECT_EQ(list.StatusIn(b), 2); // the changed entity comes first
    changed->SetValueIn(b, TThing::kLanes, TValue(-3));
    EXPECT_EQ(list.StatusIn(b), 1);
    EXPECT_EQ(list.ErrorMessageIn(b), "\"lanes\" must be a integer greater or equal than 1");
    TThingList invalid(false);
    list.CollectInvalidIn(b, invalid);
    EXPECT_EQ(invalid.Count(), 2u);
    EXPECT_TRUE(list.AnyHasVersion(b));
    EXPECT_FALSE(list.AnyHasVersion(c));
    auto scenarios = list.ScenariosWithVersions(tree.list);
    ASSERT_EQ(scenarios->Count(), 1u);
    EXPECT_EQ(scenarios->Get(0), b);
}

TEST_F(VersionsTest, VersionedAccessorsKnowWhereTheirValueComesFrom) {
    PVProperty inC = t.GetVersionedProperty(c, TThing::kCapacity);
    EXPECT_TRUE(inC->IsUnset());
    EXPECT_EQ(inC->Scenario(), tree.base);
    EXPECT_TRUE(inC->GetValue().IsEmpty());
    t.SetValueIn(a, TThing::kCapacity, TValue(10.0));
    PVProperty fromA = t.GetVersionedProperty(c, TThing::kCapacity);
    EXPECT_FALSE(fromA->IsUnset());
    EXPECT_EQ(fromA->Scenario(), a);
    EXPECT_FALSE(fromA->DiffersFromInherited());
    fromA->SetAsString("20");
    EXPECT_DOUBLE_EQ(t.GetFloatIn(c, TThing::kCapacity), 20);
    EXPECT_EQ(fromA->Scenario(), c);
    EXPECT_TRUE(fromA->DiffersFromInherited());
    EXPECT_EQ(fromA->GetAsString(), "20");

    PVProperty lanes = t.GetVersionedProperty(c, TThing::kLanes);
    EXPECT_TRUE(lanes->IsDefault());
    // Nothing resolves: the default is stored, through the accessor as through SetValueIn.
    lanes->SetAsInteger(1);
    EXPECT_NE(t.VersionOf(c)->Find(TThing::kLanes), nullptr);
    EXPECT_TRUE(lanes->IsDefault());
    EXPECT_FALSE(lanes->DiffersFromInherited()); // equals the inherited default
    t.SetValueIn(a, TThing::kLanes, TValue(2));
    PVProperty again = t.GetVersionedProperty(c, TThing::kLanes);
    EXPECT_TRUE(again->DiffersFromInherited());
    EXPECT_FALSE(again->IsDefault()); // the default, but differing from what c inherits

    TVPropertyProxy forced(&t, c, &t.Specs().ById(TThing::kLanes), TValue(7));
    EXPECT_TRUE(forced.IsDefault());

    TThingList owner(true);
    auto* target = new TThing();
    owner.Add(target);
    PVProperty ref = t.GetVersionedProperty(b, TThing::kRef);
    EXPECT_EQ(ref->GetAsString(), "nil");
    ref->SetAsObject(target);
    EXPECT_EQ(t.GetObjectIn(b, TThing::kRef), target);
    EXPECT_EQ(ref->KeyText(), "n_1");
    EXPECT_EQ(t.GetVersionedProperty(c, TThing::kRef)->GetAsString(), "nil");
}

TEST_F(VersionsTest, ScenarioNamesAndOrder) {
    for (const char* good : {"00A", "A_1", "abc", "X", "\xC9t\xE9"}) {
        TScenario s(tree.base);
        s.SetName(good);
        EXPECT_EQ(s.ErrorMessage(), "") << good;
    }
    for (const char* bad : {"", "A-1", "a b", "?"}) {
        TScenario s(tree.base);
        s.SetName(bad);
        EXPECT_EQ(s.ErrorMessage(), "Scenario name must be alphanumaric") << bad;
    }
    for (const char* tooLong : {"ABCD", "A-BC"}) {
        TScenario s(tree.base);
        s.SetName(tooLong);
        EXPECT_EQ(s.ErrorMessage(), "Scenario name must at most three characters long");
    }
    EXPECT_EQ(a->KeyText(), "s_A");

    TScenario* d = tree.Add(b, "AAA");
    TScenario* e = tree.Add(tree.base, "Z");
    EXPECT_EQ(CompareScenarios(nullptr, tree.base), -1);
    EXPECT_EQ(CompareScenarios(a, a), 0);
    EXPECT_LT(CompareScenarios(b, d), 0);
    EXPECT_GT(CompareScenarios(d, e), 0); // deeper comes later even with a smaller name
    tree.list.Sort();
    std::string order;
    for (std::size_t i = 0; i < tree.list.Count(); ++i)
        order += tree.list.Get(i)->GetName() + " ";
    EXPECT_EQ(order, "00A A B Z AAA C ");
    EXPECT_EQ(c->Depth(), 2);
    EXPECT_EQ(c->Base(), tree.base);
}

TEST_F(VersionsTest, ListOperationsApplyToEveryEntity) {
    TThingList list(true);
    for (int i = 0; i < 3; ++i) {
        auto* x = new TThing();
        list.Add(x);
        x->SetValueIn(a, TThing::kCapacity, TValue(10.0 * i));
    }
    list.EnsureSorted();
    list.CopyVersion(a, b);
    EXPECT_DOUBLE_EQ(list.Get(2)->GetFloatIn(b, TThing::kCapacity), 20);
    list.MoveVersion(b, tree.base);
    EXPECT_FALSE(list.AnyHasVersion(b));
    EXPECT_TRUE(list.AnyHasVersion(tree.base));
    EXPECT_TRUE(list.AnyUsedIn(c));
    list.RemoveVersion(a);
    EXPECT_FALSE(list.Sorted());
    EXPECT_FALSE(list.AnyHasVersion(a));
    EXPECT_DOUBLE_EQ(list.Get(1)->GetFloatIn(c, TThing::kCapacity), 10);
}

} // namespace
} // namespace zep::model
