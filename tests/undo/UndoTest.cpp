#include <algorithm>
#include <deque>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/OrvMessages.h"
#include "undo/CMDStk_.h"
#include "undo/Stack_.h"
#include "undo/Undo_.h"

namespace zep::undo {
namespace {

// A record that appends to a journal, so tests see the order of do, undo and finish.
struct Journal {
    std::vector<std::string> lines;
    int alive = 0;
};

class TLogUndoer : public TUndoer {
public:
    TLogUndoer(Journal& j, std::string name, int* counter = nullptr, int delta = 0)
        : j_(j), name_(std::move(name)), counter_(counter), delta_(delta) {
        ++j_.alive;
    }
    ~TLogUndoer() override { --j_.alive; }
    void Do() override {
        j_.lines.push_back("do " + name_);
        if (counter_) *counter_ += delta_;
    }
    void Undo() override {
        j_.lines.push_back("undo " + name_);
        if (counter_) *counter_ -= delta_;
    }
    void Finish() override { j_.lines.push_back("finish " + name_); }

private:
    Journal& j_;
    std::string name_;
    int* counter_;
    int delta_;
};

class TThrowingUndoer : public TUndoer {
public:
    explicit TThrowingUndoer(int& alive) : alive_(alive) { ++alive_; }
    ~TThrowingUndoer() override { --alive_; }
    void Do() override { throw std::runtime_error("do failed"); }
    void Undo() override {}

private:
    int& alive_;
};

class UndoSetTest : public ::testing::Test {
protected:
    void TearDown() override { SetCurrentUndoSet(nullptr); }
    Journal j;
};

TEST(DoublyLinkedStack, PushPopBottomAndPositions) {
    TDoublyLinkedStack s;
    int a = 1, b = 2, c = 3;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Pop(), nullptr);
    EXPECT_EQ(s.RemoveBottom(), nullptr);
    s.Push(&a);
    s.Push(&b);
    s.Push(&c);
    EXPECT_EQ(s.Count(), 3u);
    EXPECT_EQ(s.Top(), &c);
    EXPECT_EQ(s.Bottom(), &a);
    EXPECT_EQ(s.ItemAt(0), &c);
    EXPECT_EQ(s.ItemAt(2), &a);
    EXPECT_EQ(s.ItemAt(3), nullptr);
    EXPECT_EQ(s.RemoveBottom(), &a);
    EXPECT_EQ(s.Pop(), &c);
    EXPECT_EQ(s.Top(), &b);
    EXPECT_EQ(s.Bottom(), &b);
    EXPECT_EQ(s.Pop(), &b);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Top(), nullptr);
}

// Random pushes, pops and removals from the bottom, mixed, in phases that grow the stack past its
// spare links and shrink it to nothing again, against a deque: every answer and every position
// must agree.
TEST(DoublyLinkedStack, RandomOperationsAgreeWithADeque) {
    std::mt19937 rng(2026);
    std::vector<int> values(20000);
    TDoublyLinkedStack s;
    std::deque<void*> reference;
    for (int phase = 0; phase < 24; ++phase) {
        const unsigned pushPercent = phase % 2 ? 30 : 70;
        for (int step = 0; step < 12000; ++step) {
            if (rng() % 100 < pushPercent) {
                void* item = &values[static_cast<std::size_t>(rng() % values.size())];
                s.Push(item);
                reference.push_back(item);
                continue;
            }
            const bool bottom = rng() % 3 == 0;
            void* expected = nullptr;
            if (!reference.empty()) {
                expected = bottom ? reference.front() : reference.back();
                bottom ? reference.pop_front() : reference.pop_back();
            }
            ASSERT_EQ(bottom ? s.RemoveBottom() : s.Pop(), expected);
            ASSERT_EQ(s.Count(), reference.size());
            ASSERT_EQ(s.Top(), reference.empty() ? nullptr : reference.back());
            ASSERT_EQ(s.Bottom(), reference.empty() ? nullptr : reference.front());
        }
        for (std::size_t p = 0; p < reference.size(); p += 97)
            ASSERT_EQ(s.ItemAt(p), reference[reference.size() - 1 - p]);
    }
}

TEST_F(UndoSetTest, TransactionsAreNumberedFromTheTopRecord) {
    TUndoSet set;
    EXPECT_EQ(set.BeginTransaction(), 1u);
    EXPECT_EQ(CurrentUndoSet(), &set);
    EXPECT_TRUE(set.Recording());
    // An empty transaction leaves no record, so the next one gets the same number.
    EXPECT_EQ(set.BeginTransaction(), 1u);
    Perform(std::make_unique<TLogUndoer>(j, "a"));
    EXPECT_EQ(set.BeginTransaction(), 2u);
    Perform(std::make_unique<TLogUndoer>(j, "b"));
    Perform(std::make_unique<TLogUndoer>(j, "c"));
    EXPECT_EQ(set.Count(), 3u);
    EXPECT_EQ(set.RecordAt(0)->TransactionNumber(), 2u);
    EXPECT_EQ(set.RecordAt(2)->TransactionNumber(), 1u);
    EXPECT_EQ(set.RecordAt(0)->GetState(), TUndoer::Done);
    EXPECT_EQ(set.BeginTransaction(), 3u);
}

TEST_F(UndoSetTest, PerformWithoutARecordingSetTakesEffectAtOnce) {
    int value = 0;
    Perform(std::make_unique<TLogUndoer>(j, "a", &value, 5)); // no current set
    EXPECT_EQ(value, 5);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"do a", "finish a"}));
    EXPECT_EQ(j.alive, 0);

    TUndoSet set;
    set.BeginTransaction();
    set.SetRecording(false);
    Perform(std::make_unique<TLogUndoer>(j, "b", &value, 1));
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(value, 6);
    EXPECT_FALSE(set.CanUndo(0));
    EXPECT_EQ(j.alive, 0);
}

// A record whose undo performs another record: the set is busy, so that one is not recorded.
class TNestingUndoer : public TUndoer {
public:
    TNestingUndoer(Journal& j) : j_(j) {}
    void Do() override { Perform(std::make_unique<TLogUndoer>(j_, "inner-do")); }
    void Undo() override { Perform(std::make_unique<TLogUndoer>(j_, "inner-undo")); }

private:
    Journal& j_;
};

TEST_F(UndoSetTest, RecordsMadeWhileBusyAreFinishedAtOnce) {
    TUndoSet set;
    set.BeginTransaction();
    Perform(std::make_unique<TNestingUndoer>(j));
    EXPECT_EQ(set.Count(), 1u);
    set.UndoTo(0);
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"do inner-do", "finish inner-do", "do inner-undo",
                                                 "finish inner-undo"}));
    EXPECT_EQ(j.alive, 0);
}

TEST_F(UndoSetTest, UndoRevertsWholeTransactionsNewestFirstWithoutFinish) {
    TUndoSet set;
    int value = 0;
    set.BeginTransaction();
    Perform(std::make_unique<TLogUndoer>(j, "1a", &value, 1));
    set.BeginTransaction();
    Perform(std::make_unique<TLogUndoer>(j, "2a", &value, 10));
    Perform(std::make_unique<TLogUndoer>(j, "2b", &value, 100));
    set.BeginTransaction();
    Perform(std::make_unique<TLogUndoer>(j, "3a", &value, 1000));
    EXPECT_EQ(value, 1111);
    EXPECT_TRUE(set.CanUndo(0));
    EXPECT_TRUE(set.CanUndo(2));
    EXPECT_FALSE(set.CanUndo(4));
    j.lines.clear();

    set.UndoTo(2); // transactions 3 and 2
    EXPECT_EQ(value, 1);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"undo 3a", "undo 2b", "undo 2a"}));
    EXPECT_EQ(set.Count(), 1u);
    EXPECT_EQ(j.alive, 1);
    // No redo: the next transaction continues from the remaining top.
    EXPECT_EQ(set.BeginTransaction(), 2u);
    set.UndoTo(0);
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(set.CanUndo(0));
    set.UndoTo(0); // nothing left: harmless
    EXPECT_EQ(j.alive, 0);
}

TEST_F(UndoSetTest, ClearFinishesEveryRecordAndResetsTheNumber) {
    auto set = std::make_unique<TUndoSet>();
    set->BeginTransaction();
    Perform(std::make_unique<TLogUndoer>(j, "a"));
    set->BeginTransaction();
    Perform(std::make_unique<TLogUndoer>(j, "b"));
    j.lines.clear();
    set->Clear();
    // Oldest first: a deleted link (older record) still points at its deleted node (newer).
    EXPECT_EQ(j.lines, (std::vector<std::string>{"finish a", "finish b"}));
    EXPECT_EQ(set->CurrentTransaction(), 0u);
    EXPECT_EQ(j.alive, 0);
    Perform(std::make_unique<TLogUndoer>(j, "c"));
    set.reset(); // a destroyed set finishes its records and stops being current
    EXPECT_EQ(CurrentUndoSet(), nullptr);
    EXPECT_EQ(j.alive, 0);
}

class ProgressRecorder : public TMessageHandler {
public:
    std::vector<std::pair<std::string, double>> progress;
    void Progress(const std::string& text, double fraction) override {
        progress.emplace_back(text, fraction);
    }
};

TEST_F(UndoSetTest, TrimRemovesWholeTransactionsFromTheOldestEnd) {
    TUndoSet set;
    for (int t = 0; t < 3; ++t) {
        set.BeginTransaction();
        for (int r = 0; r < 3; ++r)
            Perform(std::make_unique<TLogUndoer>(j, std::to_string(t) + std::to_string(r)));
    }
    ProgressRecorder handler;
    PushMessageHandler(&handler);
    j.lines.clear();
    set.Trim(5); // 9 records: dropping transaction 1 leaves 6 > 5, so 2 goes too
    PopMessageHandler(&handler);
    EXPECT_EQ(set.Count(), 3u);
    EXPECT_EQ(set.RecordAt(2)->TransactionNumber(), 3u);
    EXPECT_EQ(j.lines.front(), "finish 00");
    EXPECT_EQ(j.lines.size(), 6u);
    ASSERT_EQ(handler.progress.size(), 2u);
    EXPECT_EQ(handler.progress[0].first, "Removing Undo Info");
    EXPECT_DOUBLE_EQ(handler.progress[0].second, 0.75);
    EXPECT_DOUBLE_EQ(handler.progress[1].second, 1.0);
    set.Trim(10); // already small enough
    EXPECT_EQ(set.Count(), 3u);
}

TEST_F(UndoSetTest, AFailingDoFreesTheRecordAndPassesOn) {
    TUndoSet set;
    set.BeginTransaction();
    int alive = 0;
    EXPECT_THROW(Perform(std::make_unique<TThrowingUndoer>(alive)), std::runtime_error);
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_FALSE(set.Busy());
    EXPECT_THROW(Perform(std::make_unique<TThrowingUndoer>(alive)), std::runtime_error);
    SetCurrentUndoSet(nullptr);
    EXPECT_THROW(Perform(std::make_unique<TThrowingUndoer>(alive)), std::runtime_error);
    EXPECT_EQ(alive, 0);
}

// ---- list records ----------------------------------------------------------------------------

struct Item : TObject {
    Item(int v, int& alive) : value(v), alive_(alive) { ++alive_; }
    ~Item() override { --alive_; }
    int value;
    int& alive_;
};

class TestList : public TUndoableList {
public:
    explicit TestList(bool owns) : owns_(owns) {}
    ~TestList() override {
        if (owns_)
            for (TObject* o : items)
                delete o;
    }
    void RawInsert(std::size_t index, TObject* item) override {
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(index), item);
    }
    TObject* RawExtract(std::size_t index) override {
        TObject* o = items[index];
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
        return o;
    }
    std::ptrdiff_t RawIndexOf(const TObject* item, std::size_t hint) const override {
        if (hint < items.size() && items[hint] == item) return static_cast<std::ptrdiff_t>(hint);
        auto it = std::find(items.begin(), items.end(), item);
        return it == items.end() ? -1 : it - items.begin();
    }
    std::size_t RawCount() const override { return items.size(); }
    void RawSwapItems(std::vector<TObject*>& other) override { items.swap(other); }
    bool IsSorted() const override { return sorted; }
    void SetSortedFlag(bool s) override { sorted = s; }
    bool OwnsItems() const override { return owns_; }
    void NotifyListChanged() override { ++notifications; }
    std::vector<int> Values() const {
        std::vector<int> v;
        for (TObject* o : items)
            v.push_back(static_cast<Item*>(o)->value);
        return v;
    }
    std::vector<TObject*> items;
    bool sorted = false;
    int notifications = 0;

private:
    bool owns_;
};

TEST_F(UndoSetTest, ListInsertAndDeleteKeepObjectsAliveExactlyAsLongAsNeeded) {
    int alive = 0;
    {
        TestList list(true);
        TUndoSet set;
        set.BeginTransaction();
        Perform(std::make_unique<TListInsertUndoer>(&list, new Item(1, alive), 0));
        Perform(std::make_unique<TListInsertUndoer>(&list, new Item(2, alive), 1));
        EXPECT_EQ(list.Values(), (std::vector<int>{1, 2}));
        set.BeginTransaction();
        Perform(std::make_unique<TListDeleteUndoer>(&list, list.items[0], 0));
        EXPECT_EQ(list.Values(), (std::vector<int>{2}));
        EXPECT_EQ(alive, 2); // the deleted item waits in its record
        set.UndoTo(0);
        EXPECT_EQ(list.Values(), (std::vector<int>{1, 2}));
        EXPECT_EQ(alive, 2);
        set.UndoTo(0); // the inserts are undone and their records discarded: items freed
        EXPECT_TRUE(list.items.empty());
        EXPECT_EQ(alive, 0);

        set.BeginTransaction();
        Perform(std::make_unique<TListInsertUndoer>(&list, new Item(3, alive), 0));
        Perform(std::make_unique<TListDeleteUndoer>(&list, list.items[0], 0));
        EXPECT_EQ(alive, 1);
        set.Clear(); // discarding a delete frees its item; a finished insert lets go
        EXPECT_EQ(alive, 0);
    }
    {
        // Without a transaction a delete happens at once and frees the item.
        TestList list(true);
        list.items.push_back(new Item(4, alive));
        Perform(std::make_unique<TListDeleteUndoer>(&list, list.items[0], 0));
        EXPECT_EQ(alive, 0);
        // A reference list never frees what it lists.
        TestList refs(false);
        Item kept(5, alive);
        refs.items.push_back(&kept);
        Perform(std::make_unique<TListDeleteUndoer>(&refs, refs.items[0], 0));
        EXPECT_EQ(alive, 1);
    }
}

// A list reordered between a change and its undo (a sort nobody recorded, a reload): the
// records find their own object, wherever it went, and never take out or free another one.
TEST_F(UndoSetTest, ListRecordsFindTheirObjectAfterTheListWasReordered) {
    int alive = 0;
    TestList list(true);
    TUndoSet set;
    list.items = {new Item(10, alive), new Item(20, alive)};
    set.BeginTransaction();
    Perform(std::make_unique<TListInsertUndoer>(&list, new Item(15, alive), 2));
    Perform(std::make_unique<TListDeleteUndoer>(&list, list.items[0], 0)); // 10 goes
    std::vector<TObject*> sorted = {list.items[1], list.items[0]};         // 15, 20
    list.RawSwapItems(sorted);
    set.UndoTo(0);
    EXPECT_EQ(list.Values(), (std::vector<int>{10, 20}));
    EXPECT_EQ(alive, 2);

    // An object that left its list behind the history's back: undo touches nothing (and
    // says so loudly in a debug build).
    auto* lost = new Item(30, alive);
    set.BeginTransaction();
    Perform(std::make_unique<TListInsertUndoer>(&list, lost, 0));
    list.RawExtract(0);
    EXPECT_DEBUG_DEATH(set.UndoTo(0), "no longer in its list");
    EXPECT_EQ(list.Values(), (std::vector<int>{10, 20}));
    delete lost;
    EXPECT_EQ(alive, 2);
}

TEST_F(UndoSetTest, SortUndoRestoresOrderAndFlagAndNotifies) {
    int alive = 0;
    TestList list(true);
    for (int v : {3, 1, 2})
        list.items.push_back(new Item(v, alive));
    TUndoSet set;
    set.BeginTransaction();
    std::vector<TObject*> sorted = list.items;
    std::sort(sorted.begin(), sorted.end(), [](TObject* a, TObject* b) {
        return static_cast<Item*>(a)->value < static_cast<Item*>(b)->value;
    });
    Perform(std::make_unique<TSortUndoer>(&list, sorted));
    EXPECT_EQ(list.Values(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(list.sorted);
    EXPECT_EQ(list.notifications, 1);
    Perform(std::make_unique<TListUndoNotifier>(&list));
    EXPECT_EQ(list.notifications, 2);
    set.UndoTo(0);
    EXPECT_EQ(list.Values(), (std::vector<int>{3, 1, 2}));
    EXPECT_FALSE(list.sorted);
    EXPECT_EQ(list.notifications, 4);
}

// ---- commands ----------------------------------------------------------------------------------

TEST_F(UndoSetTest, CommandsUndoTheirTransactionAndCannotBeRedone) {
    TUndoSet project;
    TCommandStack commands;
    int value = 0;
    EXPECT_FALSE(commands.CanUndoTop()); // the menu shows "Cannot Undo"
    EXPECT_EQ(commands.TopCommand(), nullptr);

    RunCommand(&project, commands, "Move Node", [&] {
        Perform(std::make_unique<TLogUndoer>(j, "move", &value, 1));
        Perform(std::make_unique<TLogUndoer>(j, "move2", &value, 2));
    });
    EXPECT_EQ(CurrentUndoSet(), nullptr);
    RunCommand(&project, commands, "Add Link",
               [&] { Perform(std::make_unique<TLogUndoer>(j, "add", &value, 10)); });
    EXPECT_EQ(value, 13);
    ASSERT_TRUE(commands.CanUndoTop());
    EXPECT_EQ(commands.TopCommand()->Name(), "Add Link");
    EXPECT_EQ(commands.CommandAt(1)->Name(), "Move Node");
    EXPECT_EQ(commands.CommandAt(0)->Transaction(), 2u);

    commands.UndoTop();
    EXPECT_EQ(value, 3);
    EXPECT_EQ(commands.TopCommand()->Name(), "Move Node");
    commands.UndoTop();
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(commands.CanUndoTop());
    EXPECT_EQ(project.Count(), 0u);
    EXPECT_EQ(j.alive, 0);
}

TEST_F(UndoSetTest, AFailingCommandUndoesWhatItDidAndPassesOn) {
    TUndoSet project;
    TCommandStack commands;
    int value = 0;
    RunCommand(&project, commands, "First",
               [&] { Perform(std::make_unique<TLogUndoer>(j, "first", &value, 1)); });
    EXPECT_THROW(RunCommand(&project, commands, "Broken",
                            [&] {
                                Perform(std::make_unique<TLogUndoer>(j, "x", &value, 100));
                                throw std::runtime_error("half-way");
                            }),
                 std::runtime_error);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(commands.Count(), 1u);
    EXPECT_EQ(project.Count(), 1u);
    commands.Clear();
    EXPECT_EQ(CurrentUndoSet(), nullptr);
    EXPECT_FALSE(commands.CanUndoTop());
}

} // namespace
} // namespace zep::undo
