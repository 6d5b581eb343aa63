#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/Stream.h"
#include "model/CanonicalDump.h"
#include "tests/model/TestKinds.h"
#include "undo/CMDStk_.h"

namespace zep::model {
namespace {

using test::TThing;
using test::TThingList;

class EntityTest : public ::testing::Test {
protected:
    void TearDown() override { undo::SetCurrentUndoSet(nullptr); }
};

TEST_F(EntityTest, EntityLevelWritesConvertDropDefaultsAndNeverRefuse) {
    TThing t;
    t.SetProperty(TThing::kX, TValue("3.5"));
    EXPECT_EQ(t.FindProperty(TThing::kX)->value.Kind(), varDouble);
    EXPECT_DOUBLE_EQ(t.GetFloat(TThing::kX), 3.5);
    // The default is never stored; empty, null and "" remove the record.
    t.SetProperty(TThing::kLanes, TValue("1"));
    EXPECT_EQ(t.FindProperty(TThing::kLanes), nullptr);
    EXPECT_EQ(t.GetInteger(TThing::kLanes), 1);
    for (const TValue& empty : {TValue(), TValue::Null(), TValue("")}) {
        t.SetProperty(TThing::kX, TValue(1.0));
        t.SetProperty(TThing::kX, empty);
        EXPECT_EQ(t.FindProperty(TThing::kX), nullptr);
    }
    // An invalid value is stored (converted as far as possible) and reported.
    t.SetProperty(TThing::kLanes, TValue(0));
    EXPECT_EQ(t.GetInteger(TThing::kLanes), 0);
    EXPECT_EQ(t.ErrorMessage(), "\"lanes\" must be a integer greater or equal than 1 [D]");
    EXPECT_FALSE(t.IsValid());
    t.SetProperty(TThing::kLanes, TValue("abc"));
    EXPECT_EQ(t.FindProperty(TThing::kLanes)->value.Kind(), varString);
    // Names and descriptions are trimmed of control characters and blanks.
    t.SetName("\t  Main St \r\n");
    EXPECT_EQ(t.GetName(), "Main St");
    t.SetDescription(" d ");
    EXPECT_EQ(t.GetDescription(), "d");
}

TEST_F(EntityTest, IdentifiersTextsAndInternalEntities) {
    TThing t;
    t.SetId(-5);
    t.SetName("hub");
    t.SetDescription("depot");
    EXPECT_TRUE(t.Internal());
    EXPECT_EQ(t.IdText(), "5");
    EXPECT_EQ(t.KeyText(), "n_5");
    EXPECT_EQ(t.GetListText(), "5 [hub] depot");
    t.SetId(7);
    EXPECT_EQ(t.Id(), 7);
    EXPECT_EQ(t.GetListText(), "7 hub depot");
    TEntity plain;
    plain.SetId(3);
    EXPECT_EQ(plain.KeyText(), "id_3");
}

TEST_F(EntityTest, CloneCopiesValuesButNotTheIdentifier) {
    TThingList list(true);
    auto* a = new TThing();
    list.Add(a);
    a->SetName("a");
    a->SetFloat(TThing::kX, 2);
    auto sub = std::make_unique<TThingList>(false);
    a->SetObject(TThing::kRef, sub.get()); // a value holding an entity list is not copied
    TScenario base;
    a->SetValueIn(&base, TThing::kCapacity, TValue(10.0));
    std::unique_ptr<TEntity> copy = a->Clone();
    auto* c = dynamic_cast<TThing*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Id(), 0);
    EXPECT_EQ(c->GetName(), "a");
    EXPECT_DOUBLE_EQ(c->GetFloat(TThing::kX), 2);
    EXPECT_EQ(c->FindProperty(TThing::kRef), nullptr);
    EXPECT_DOUBLE_EQ(c->GetFloatIn(&base, TThing::kCapacity), 10);
    list.Add(copy.release());
    EXPECT_EQ(list.Get(1)->Id(), 2);
}

TEST_F(EntityTest, StoreZEPTParWritesIndexIdentifierAndOemName) {
    TThingList list(true);
    auto* t = new TThing();
    list.Add(new TThing());
    list.Add(t);
    t->SetId(0x01020304);
    t->SetName(std::string(" Caf\xE9 ") + std::string(40, 'x'));
    TMemoryStream out;
    t->StoreZEPTPar(out);
    ASSERT_EQ(out.Size(), 2 + 4 + 32);
    const auto* b = reinterpret_cast<const unsigned char*>(out.Data().data());
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 0x04);
    EXPECT_EQ(b[5], 0x01);
    EXPECT_EQ(b[6], 'C');
    EXPECT_EQ(b[9], 0x82); // e acute in the OEM code page
    EXPECT_EQ(b[6 + 30], 'x');
    EXPECT_EQ(b[6 + 31], 0); // 31 characters and the terminator
}

TEST_F(EntityTest, ListsAssignIdentifiersSortAndRenumber) {
    TThingList list(true);
    EXPECT_EQ(list.NextId(), 1);
    auto* a = new TThing();
    a->SetId(3);
    auto* b = new TThing();
    b->SetId(10);
    list.Add(a);
    list.Add(b);
    auto* c = new TThing();
    list.Add(c);
    EXPECT_EQ(c->Id(), 11);
    EXPECT_EQ(c->ListIndex(), 2);
    // At least the count plus one.
    TThingList small(true);
    auto* neg = new TThing();
    neg->SetId(-4);
    small.Add(neg);
    auto* n2 = new TThing();
    small.Add(n2);
    EXPECT_EQ(n2->Id(), 2);
    // Identifier changes of members keep NextId right.
    b->SetId(50);
    EXPECT_EQ(list.NextId(), 51);
    b->SetId(4);
    EXPECT_EQ(list.NextId(), 12);
    list.Delete(2);
    EXPECT_EQ(list.NextId(), 5);

    // Same absolute value: next to each other, ordered by identity.
    auto* m5 = new TThing();
    m5->SetId(-5);
    auto* p5 = new TThing();
    p5->SetId(5);
    list.Add(p5);
    list.Add(m5);
    auto* one = new TThing();
    one->SetId(1);
    list.Add(one);
    EXPECT_FALSE(list.Sorted());
    list.EnsureSorted();
    EXPECT_TRUE(list.Sorted());
    std::vector<int> ids;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        ids.push_back(list.Get(i)->Id());
        EXPECT_EQ(list.Get(i)->ListIndex(), static_cast<int>(i));
    }
    ASSERT_EQ(ids.size(), 5u);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 3);
    EXPECT_EQ(ids[2], 4);
    EXPECT_EQ(std::abs(ids[3]), 5);
    EXPECT_EQ(std::abs(ids[4]), 5);
    EXPECT_EQ(list.CountVisible(), 4u);
    EXPECT_EQ(list.FindById(-5), m5);
    p5->SetName("five");
    EXPECT_EQ(list.FindByName(" five "), p5);
    EXPECT_EQ(list.FindByName("Five"), nullptr);
    // A deleted entity leaves its list.
    list.Remove(one);
    EXPECT_EQ(list.Get(0)->ListIndex(), 0);
    EXPECT_EQ(list.Count(), 4u);
}

TEST_F(EntityTest, ListsAnnounceAdditionsAndRemovals) {
    TThingList list(true);
    TObserver observer;
    std::vector<std::string> seen;
    observer.OnObserve = [&](TObject* sender, TObject* arg) {
        if (arg == &list.Subject())
            seen.push_back("list");
        else if (auto* e = dynamic_cast<TEntity*>(arg))
            seen.push_back("removing " + e->GetName());
    };
    observer.SetSubject(&list.Subject());
    auto* t = new TThing();
    list.Add(t);
    t->SetName("t");
    list.Delete(0);
    list.Changed();
    EXPECT_EQ(seen, (std::vector<std::string>{"list", "removing t", "list", "list"}));

    // Undoing a deletion announces the entity coming back.
    undo::TUndoSet set;
    list.Add(new TThing());
    set.BeginTransaction();
    list.Delete(0);
    seen.clear();
    set.UndoTo(0);
    EXPECT_EQ(seen, (std::vector<std::string>{"list"}));
}

TEST_F(EntityTest, EntityLevelProxiesCacheAndShowObjects) {
    TThingList list(true);
    auto* a = new TThing();
    auto* b = new TThing();
    list.Add(a);
    list.Add(b);
    PProperty lanes = a->GetProperty(TThing::kLanes);
    EXPECT_TRUE(lanes->IsUnset());
    EXPECT_EQ(lanes->GetAsInteger(), 1); // the default
    EXPECT_TRUE(lanes->IsDefault());
    lanes->SetAsString("3");
    EXPECT_EQ(a->FindProperty(TThing::kLanes)->value.Kind(), varInteger);
    EXPECT_EQ(lanes->GetAsInteger(), 3);
    EXPECT_FALSE(lanes->IsUnset());
    EXPECT_FALSE(lanes->IsDefault());
    EXPECT_TRUE(lanes->IsValid());
    EXPECT_FALSE(lanes->IsValidValue(TValue(0)));
    lanes->SetAsInteger(0);
    EXPECT_EQ(lanes->ErrorMessage(), "\"lanes\" must be a integer greater or equal than 1");
    lanes->Clear();
    EXPECT_TRUE(lanes->IsUnset());

    PProperty ref = a->GetProperty(TThing::kRef);
    EXPECT_EQ(ref->GetAsString(), "nil");
    EXPECT_EQ(ref->KeyText(), "nil");
    ref->SetAsObject(b);
    EXPECT_EQ(ref->GetAsObject(), b);
    EXPECT_EQ(ref->GetAsString(), "2");
    EXPECT_EQ(ref->KeyText(), "n_2");
    TThingList other(false);
    ref->SetAsObject(&other); // not an entity
    EXPECT_EQ(ref->GetAsString(), "???");
    EXPECT_EQ(ref->KeyText(), "???");

    PProperty kind = a->GetProperty(TThing::kKind);
    kind->SetAsInteger(2);
    EXPECT_EQ(kind->GetAsString(), "walk");
    EXPECT_EQ(kind->GetAsBoolean(), true);
    PProperty share = a->GetProperty(TThing::kShare);
    share->SetAsString("25%");
    EXPECT_EQ(share->GetAsString(), "25%");
    EXPECT_DOUBLE_EQ(share->GetAsFloat(), 0.25);

    TPropertyProxy forced(a, &a->Specs().ById(TThing::kLanes), TValue(9));
    EXPECT_TRUE(forced.IsDefault());
    forced.SetValue(TValue(4));
    EXPECT_FALSE(forced.IsDefault());
}

TEST_F(EntityTest, PropertyListWritesRecordUndoStepsOnlyWhenTheyChangeSomething) {
    undo::TUndoSet set;
    TPropertyList props;
    props.SetValue(3, TValue(1.0)); // no transaction: direct
    EXPECT_EQ(set.Count(), 0u);
    set.BeginTransaction();
    props.SetValue(3, TValue(1.0)); // equal: nothing
    EXPECT_EQ(set.Count(), 0u);
    props.SetValue(3, TValue(2.0));
    props.SetValue(9, TValue("x"));
    props.SetValue(1, TValue(true));
    EXPECT_EQ(props.Count(), 3u);
    EXPECT_EQ(props.At(0).Id(), 1); // sorted by identifier
    EXPECT_EQ(props.At(2).Id(), 9);
    props.SetValue(9, TValue(""));
    EXPECT_EQ(props.Find(9), nullptr);
    EXPECT_EQ(set.Count(), 4u);
    set.UndoTo(0);
    EXPECT_EQ(props.Count(), 1u);
    EXPECT_DOUBLE_EQ(props.GetFloat(3), 1.0);
    EXPECT_TRUE(props.ValueOf(9).IsEmpty());
}

// A list holds one record inside itself and moves to an array at two (or when a loader
// reserves room); random puts, removals, reservations and moves must always agree with an
// ordered map, and every record keep its identifier
// through assignments of its value.
TEST_F(EntityTest, PropertyListMovesBetweenItsInlineRecordAndItsArrayWithoutLosingValues) {
    std::mt19937 rng(11);
    std::vector<TPropertyList> lists(4);
    std::vector<std::map<int, std::string>> expected(4);
    auto check = [&](std::size_t k) {
        const TPropertyList& list = lists[k];
        ASSERT_EQ(list.Count(), expected[k].size());
        std::size_t i = 0;
        for (const auto& [id, text] : expected[k]) {
            EXPECT_EQ(list.At(i).Id(), id);
            EXPECT_EQ(list.At(i++).value.DebugText(), text);
            ASSERT_NE(list.Find(id), nullptr);
            EXPECT_EQ(list.Find(id)->Id(), id);
        }
        if (list.Count() >= 2) {
            EXPECT_GE(list.HeapBytes(), list.Count() * sizeof(TProperty));
        }
    };
    for (int step = 0; step < 20000; ++step) {
        const std::size_t k = rng() % lists.size();
        const int id = static_cast<int>(rng() % 6) * 40 - 5; // negative ids too
        switch (rng() % 5) {
        case 0:
        case 1: {
            TValue v = rng() % 2 ? TValue(std::to_string(step)) : TValue(step * 0.5);
            lists[k].RawPut(id, v);
            expected[k][id] = v.DebugText();
            break;
        }
        case 2:
            lists[k].RawPut(id, TValue());
            if (expected[k].erase(id) && lists[k].Count() <= 1) {
                EXPECT_EQ(lists[k].HeapBytes(), 0u); // back inside
            }
            break;
        case 3: { // move to another list and back
            const std::size_t other = (k + 1) % lists.size();
            TPropertyList held(std::move(lists[k]));
            EXPECT_EQ(lists[k].Count(), 0u);
            lists[k] = std::move(lists[other]);
            lists[other] = std::move(held);
            std::swap(expected[k], expected[other]);
            check(other);
            break;
        }
        default: // a loader's reservation, then a miss
            lists[k].Reserve(rng() % 8);
            EXPECT_EQ(lists[k].Find(id + 1), nullptr);
            break;
        }
        check(k);
    }
    TProperty record(7, TValue(1.0));
    record.value = TValue("text");
    TProperty copy = record;
    copy = TProperty(9, TValue(2));
    EXPECT_EQ(record.Id(), 7);
    EXPECT_EQ(copy.Id(), 9);
    EXPECT_EQ(TValue(record.value).DebugText(), "s:'text'");
}

TEST_F(EntityTest, EntityLevelUndoRestoresTheIdentifierCache) {
    TThingList list(true);
    auto* t = new TThing();
    list.Add(t);
    undo::TUndoSet set;
    undo::TCommandStack commands;
    const std::string before = DumpList(list);
    undo::RunCommand(&set, commands, "Renumber", [&] {
        t->SetId(40);
        t->SetName("renamed");
        list.Add(new TThing());
    });
    EXPECT_EQ(t->Id(), 40);
    EXPECT_EQ(list.Get(1)->Id(), 41);
    commands.UndoTop();
    EXPECT_EQ(t->Id(), 1);
    EXPECT_EQ(list.NextId(), 2);
    EXPECT_EQ(DumpList(list), before);
}

TEST_F(EntityTest, ObserversLeaveAndSubjectsSayGoodbye) {
    std::vector<std::string> seen;
    TObserver a, b;
    a.OnObserve = [&](TObject*, TObject*) { seen.push_back("a"); };
    b.OnObserve = [&](TObject*, TObject*) { seen.push_back("b"); };
    b.OnSubjectClosing = [&](TObject* sender, TObject* arg) {
        seen.push_back(sender == nullptr && arg == nullptr ? "b closing" : "?");
    };
    {
        TSubject subject;
        a.SetSubject(&subject);
        b.SetSubject(&subject);
        subject.Changed();
        a.SetSubject(nullptr);
        subject.ChangedWith(&subject);
        EXPECT_EQ(subject.Observers().Count(), 1u);
    }
    EXPECT_EQ(b.GetSubject(), nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "b", "b closing"}));

    TComponent owner;
    auto* subject = new TSubject(&owner);
    subject->SetName("Nodes");
    TObserverItem& first = subject->Observers().Add();
    TObserverItem& second = subject->Observers().Add();
    EXPECT_EQ(first.Observer()->Name(), "NodesObserver0");
    EXPECT_EQ(second.Observer()->Name(), "NodesObserver1");
    EXPECT_EQ(first.Observer()->Owner(), &owner);
    EXPECT_EQ(first.Observer()->GetSubject(), subject);
}

} // namespace
} // namespace zep::model
