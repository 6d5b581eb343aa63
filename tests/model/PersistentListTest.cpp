#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/PersistentList.h"
#include "undo/Undo_.h"

namespace zep::model {
namespace {

struct Rec : TZEPPersistent {
    Rec(int k, int& alive) : key(k), alive_(alive) { ++alive_; }
    ~Rec() override { --alive_; }
    int key;
    int& alive_;
};

class RecDictionary : public TDictionary {
public:
    using TDictionary::TDictionary;
    std::int32_t KeyOf(const TZEPPersistent* item) const override {
        return static_cast<const Rec*>(item)->key;
    }
};

std::vector<int> Keys(const TPersistentList& list) {
    std::vector<int> keys;
    for (TZEPPersistent* p : list.Items())
        keys.push_back(static_cast<Rec*>(p)->key);
    return keys;
}

class PersistentListTest : public ::testing::Test {
protected:
    void TearDown() override { undo::SetCurrentUndoSet(nullptr); }
    int alive = 0;
};

TEST_F(PersistentListTest, OrderedAddsBisectAndGoBeforeEqualRuns) {
    RecDictionary dict(true);
    for (int k : {5, -3, 9, 5, 0})
        dict.Add(new Rec(k, alive));
    EXPECT_EQ(Keys(dict), (std::vector<int>{-3, 0, 5, 5, 9}));
    auto* second5 = dict.Item(2);
    auto* newest = new Rec(5, alive);
    EXPECT_EQ(dict.Add(newest), 2u); // before the existing run
    EXPECT_EQ(dict.Find(5), newest);
    EXPECT_EQ(dict.Find(-3), dict.Item(0));
    EXPECT_EQ(dict.Find(4), nullptr);
    // The remembered record is forgotten when it leaves.
    dict.Remove(newest);
    EXPECT_EQ(dict.Find(5), second5);
    EXPECT_EQ(alive, 5);
    dict.Clear();
    EXPECT_EQ(dict.Find(5), nullptr);
    EXPECT_EQ(alive, 0);
}

TEST_F(PersistentListTest, ChangesAreUndoableAndOwnershipIsRespected) {
    auto list = std::make_unique<RecDictionary>(true);
    list->Add(new Rec(1, alive));
    list->Add(new Rec(3, alive));
    undo::TUndoSet set;
    set.BeginTransaction();
    list->Add(new Rec(2, alive));
    list->Delete(0);
    list->Insert(0, new Rec(7, alive)); // a plain insert ignores the order
    EXPECT_EQ(Keys(*list), (std::vector<int>{7, 2, 3}));
    list->Sort();
    EXPECT_EQ(Keys(*list), (std::vector<int>{2, 3, 7}));
    EXPECT_TRUE(list->Sorted());
    EXPECT_EQ(alive, 4); // the deleted record waits in its undo step
    set.UndoTo(0);
    EXPECT_EQ(Keys(*list), (std::vector<int>{1, 3}));
    EXPECT_FALSE(list->Sorted());
    EXPECT_EQ(alive, 2);

    // A reference list never frees; a temporary list records nothing.
    Rec kept(4, alive);
    TPersistentList refs(false);
    refs.SetRecordsUndo(false);
    set.BeginTransaction();
    refs.Add(&kept);
    EXPECT_EQ(set.Count(), 0u);
    refs.Delete(0);
    EXPECT_EQ(alive, 3);
    list.reset();
    EXPECT_EQ(alive, 1);
}

TEST_F(PersistentListTest, DeferredDeletesSweepOnceAndUndoAsOneStep) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        TPersistentList list(true);
        TPersistentList refs(false); // the same items, dropped by identity as they go
        std::vector<int> expected;
        const int n = 1 + int(rng() % 200);
        for (int k = 0; k < n; ++k) {
            list.Add(new Rec(k, alive));
            refs.Add(list.Item(std::size_t(k)));
            expected.push_back(k);
        }
        const std::vector<int> before = expected;
        const bool recording = round % 4 != 0;
        undo::TUndoSet set;
        if (recording) set.BeginTransaction();
        refs.BeginDeferredDeletes();
        list.BeginDeferredDeletes();
        list.BeginDeferredDeletes(); // nested: only the outer end sweeps
        std::vector<int> marked;
        for (int step = 0; step < n; ++step) {
            if (rng() % 3 == 0) {
                const int k = 1000 + step;
                list.Add(new Rec(k, alive));
                refs.Add(list.Item(list.Count() - 1));
                expected.push_back(k);
            } else {
                const std::size_t i = rng() % list.Count();
                const int key = static_cast<Rec*>(list.Item(i))->key;
                refs.Drop(list.Item(i));
                list.Delete(i); // twice the same item is one deletion
                EXPECT_TRUE(list.DeletePending(list.Item(i)));
                if (std::find(marked.begin(), marked.end(), key) == marked.end())
                    marked.push_back(key);
            }
        }
        list.EndDeferredDeletes();
        EXPECT_EQ(expected.size(), list.Count()) << "nothing leaves before the outer end";
        refs.EndDeferredDeletes(); // first: the owner frees what it took out
        list.EndDeferredDeletes();
        for (int key : marked)
            expected.erase(std::find(expected.begin(), expected.end(), key));
        EXPECT_EQ(expected, Keys(list));
        EXPECT_EQ(expected, Keys(refs));
        EXPECT_EQ(int(expected.size()) + (recording ? int(marked.size()) : 0), alive);
        if (!recording) continue;
        EXPECT_EQ(2u + 2u * (list.Count() - before.size() + marked.size()), set.Count())
            << "one step for each list's sweep, one per addition to each";
        set.UndoTo(0);
        EXPECT_EQ(before, Keys(list));
        EXPECT_EQ(before, Keys(refs));
        EXPECT_EQ(int(before.size()), alive);
    }
}

TEST_F(PersistentListTest, ABulkDeletionRedoesAfterItsUndoAndFreesWhatItHolds) {
    std::mt19937 rng(5);
    for (int round = 0; round < 20; ++round) {
        TPersistentList list(true);
        const int n = 1 + int(rng() % 100);
        for (int k = 0; k < n; ++k)
            list.Add(new Rec(k, alive));
        const std::vector<int> all = Keys(list);
        // Marks by position, or by address when an item's index is not known (odd rounds)
        // or given wrong (every fifth).
        std::vector<std::pair<std::ptrdiff_t, const TZEPPersistent*>> entries;
        std::vector<int> kept;
        for (int k = 0; k < n; ++k)
            if (rng() % 3 == 0) {
                const std::ptrdiff_t hint = round % 2 ? -1 : round % 5 == 4 ? (k + 1) % n : k;
                entries.emplace_back(hint, list.Item(std::size_t(k)));
                if (rng() % 4 == 0) entries.emplace_back(hint, list.Item(std::size_t(k)));
            } else {
                kept.push_back(k);
            }
        std::shuffle(entries.begin(), entries.end(), rng);
        {
            TListBulkDeleteUndoer record(&list, list.MarksOf(entries));
            for (int cycle = 0; cycle < 3; ++cycle) {
                if (cycle == 0)
                    record.Do();
                else
                    record.Redo();
                EXPECT_EQ(kept, Keys(list));
                EXPECT_EQ(n, alive) << "the record holds what it took out";
                if (cycle == 2) break; // discarded while holding
                record.Undo();
                EXPECT_EQ(all, Keys(list));
            }
        }
        EXPECT_EQ(int(kept.size()), alive);
    }
}

} // namespace
} // namespace zep::model
