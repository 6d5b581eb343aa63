// The persistent list base: owning or reference lists of model objects whose additions,
// insertions, deletions and re-sorts are undo steps; the ordered list and the keyed dictionary.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/AddressIndex.h"
#include "foundation/HugePages.h"
#include "model/IndexShifts.h"
#include "model/ListHoles.h"
#include "model/Persistent.h"
#include "undo/Undo_.h"

namespace zep::model {

/// A list of model objects. An owning list frees its items (a deleted item is freed once no undo
/// record can bring it back); a reference list never frees them. Add, Insert, Delete, Sort and
/// Clear are undo steps while an undo transaction is open, direct changes otherwise.
class TPersistentList : public TZEPPersistent, public undo::TUndoableList {
public:
    /// The entries: a study's long lists hold millions, so a long vector lies in huge pages.
    using TItems = THugeVector<TZEPPersistent*>;

    explicit TPersistentList(bool owns = true) : owns_(owns) {}
    TPersistentList(const TPersistentList&) = delete;
    TPersistentList& operator=(const TPersistentList&) = delete;
    /// An owning list frees the items it still holds.
    ~TPersistentList() override;

    const char* ClassName() const override { return "TPersistentList"; }

    std::size_t Count() const { return items_.size() - (holes_ ? holes_->Count() : 0); }
    /// Grows with every insertion, removal and reordering: a cache derived from the items is
    /// still good while this has not changed.
    std::uint64_t Changes() const { return changes_; }
    bool IsEmpty() const { return Count() == 0; }
    /// Room for `n` items without reallocation (no undo step; the items are unchanged).
    void Reserve(std::size_t n) { items_.reserve(n); }
    std::size_t Capacity() const { return items_.capacity(); }
    /// Gives back the room not used (capacity = count).
    void ShrinkToFit() {
        CloseHoles();
        items_.shrink_to_fit();
    }
    TZEPPersistent* Item(std::size_t index) const {
        return holes_ ? ItemThroughHoles(index) : items_[index];
    }
    /// The items in order, as one vector.
    const TItems& Items() const {
        CloseHoles();
        return items_;
    }
    bool Owns() const { return owns_; }
    bool Sorted() const { return sorted_; }
    /// A temporary list (a query result) must not leave undo records behind that outlive it:
    /// with false its changes are never recorded.
    void SetRecordsUndo(bool on) { recordsUndo_ = on; }
    bool RecordsUndo() const { return recordsUndo_; }

    /// Appends the item (an owning list takes it over); answers its index.
    virtual std::size_t Add(TZEPPersistent* item);
    /// Inserts the item at `index` (0..Count).
    virtual void Insert(std::size_t index, TZEPPersistent* item);
    /// Deletes the item at `index`.
    virtual void Delete(std::size_t index);
    /// Deletes `item`; answers its former index, -1 when absent.
    virtual std::ptrdiff_t Remove(TZEPPersistent* item);
    /// Remove without the answer: while a reference list defers its deletions, this only marks
    /// the item, without searching the list for it (the sweep finds it, if it is there).
    void Drop(TZEPPersistent* item);
    /// The item's index, -1 when absent (identity search).
    virtual std::ptrdiff_t IndexOf(const TZEPPersistent* item) const;
    /// Re-sorts by Compare (stable) and marks the list sorted.
    virtual void Sort();
    /// Deletes every item, last first.
    virtual void Clear();
    /// The order Sort uses: < 0, 0, > 0. Equal by default.
    virtual int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const { return 0; }

    /// The list body: owning flag, count, then each item through StoreItem.
    void Store(TPersistWriter& writer) const override;
    /// Reads a list body written by Store, replacing the items (no undo steps).
    void Load(TPersistReader& reader) override;

    // Raw changes replayed by the undo records (they record nothing).
    void RawInsert(std::size_t index, undo::TObject* item) override;
    undo::TObject* RawExtract(std::size_t index) override;
    std::ptrdiff_t RawIndexOf(const undo::TObject* item, std::size_t hint) const override;
    std::size_t RawCount() const override { return Count(); }
    void RawSwapItems(std::vector<undo::TObject*>& items) override;
    bool IsSorted() const override { return sorted_; }
    void SetSortedFlag(bool sorted) override { sorted_ = sorted; }
    bool OwnsItems() const override { return owns_; }
    void NotifyListChanged() override { Changed(); }

    /// Stores every position of the position map as it is now, when shifts are pending.
    void SettlePositions() {
        if (positions_) positions_->Settle(*this);
    }
    /// From this length on, a deletion from the middle leaves a hole instead of moving the
    /// tail (tests lower it to reach the holes with short lists).
    static void SetHolesFrom(std::size_t length) { holesFrom_ = length; }

    /// Announces a (bulk) change; nothing in the base.
    virtual void Changed() {}
    /// Where the item is likely to be, without a search (-1: not known).
    virtual std::ptrdiff_t IndexHint(const TZEPPersistent* item) const { return -1; }

    /// From here to the matching EndDeferredDeletes, Delete only marks its item, which stays in
    /// place; the end takes every marked item out in one sweep and one undo step. An edit that
    /// deletes thousands of items from the middle of a long list then costs one pass over it
    /// instead of one per item. Calls nest.
    void BeginDeferredDeletes() {
        if (!deferred_) deferred_ = std::make_unique<TDeferred>();
        ++deferred_->depth;
    }
    void EndDeferredDeletes();
    /// Whether the item is marked for deletion by the running deferral (a scan of the marks).
    bool DeletePending(const TZEPPersistent* item) const {
        return deferred_ && std::find(deferred_->pending.begin(), deferred_->pending.end(),
                                      item) != deferred_->pending.end();
    }
    /// The items a sweep takes out: by position when each was found at the index it was
    /// given (a bit per entry), otherwise in a table by address, several times larger than
    /// the list and read at random places.
    class TSweepMarks {
    public:
        bool Empty() const { return count_ == 0; }
        bool Contains(std::size_t index, const TZEPPersistent* item) const {
            return byPosition_ ? index < at_.size() && at_[index] : byAddress_.Contains(item);
        }

    private:
        friend class TPersistentList;
        bool byPosition_ = true;
        std::vector<bool> at_;
        TAddressIndex byAddress_;
        std::size_t count_ = 0;
    };
    /// The marks of `entries` (pairs of the index an item may have, or -1, and the item).
    TSweepMarks MarksOf(const std::vector<std::pair<std::ptrdiff_t, const TZEPPersistent*>>&
                            entries) const;
    /// Takes the marked items out (no undo step); answers them with their former indexes,
    /// ascending.
    std::vector<std::pair<std::size_t, TZEPPersistent*>>
    RawExtractMarked(const TSweepMarks& marked);
    /// Puts items back at their former indexes (ascending, as RawExtractMarked answered them).
    void RawInsertMany(const std::vector<std::pair<std::size_t, TZEPPersistent*>>& entries);

protected:
    /// Calls fn(index, item) for each item from index `from` on, in order, through any holes.
    template <class F> void ForEachFrom(std::size_t from, F fn) const {
        if (!holes_) {
            for (std::size_t i = from; i < items_.size(); ++i)
                fn(i, items_[i]);
            return;
        }
        if (from >= Count()) return;
        std::size_t index = from;
        for (std::size_t slot = holes_->SlotOf(from); slot < items_.size(); ++slot)
            if (!holes_->IsHole(slot)) fn(index++, items_[slot]);
    }
    /// Counts a change the list cannot see itself (an item's identifier), for Changes().
    void NoteChange() { ++changes_; }
    /// After an item entered the list at `index` (also when an undo brings it back).
    virtual void ItemAdded(std::size_t index, TZEPPersistent* item) {}
    /// Before an item leaves the list.
    virtual void ItemRemoving(std::size_t index, TZEPPersistent* item) {}
    /// After an item left the list.
    virtual void ItemRemoved(std::size_t index, TZEPPersistent* item) {}
    /// After the order of the items changed (sort or its undo).
    virtual void Reordered() {}
    /// After several items left at once (`first`: the smallest former index); by default
    /// ItemRemoving and ItemRemoved for each.
    virtual void ItemsRemoved(std::size_t first, const std::vector<TZEPPersistent*>& items);
    /// After several items came back at once (`first`: the smallest index); by default
    /// ItemAdded for each.
    virtual void ItemsAdded(std::size_t first, const std::vector<TZEPPersistent*>& items);
    /// Writes one item: a reference by default.
    virtual void StoreItem(TPersistWriter& writer, const TZEPPersistent* item) const;
    /// Reads one item: a reference by default.
    virtual TZEPPersistent* LoadItem(TPersistReader& reader);

    void SetSorted(bool sorted) { sorted_ = sorted; }

private:
    // Long lists (a route's link-routes, the project's lists) answer IndexOf from a map of each
    // item's first position, built on the first search and kept up to date by additions and
    // removals at the end; any other change drops it until the next search. Without it,
    // rebuilding or tearing down a large study is quadratic.
    // After a change in the middle the map is not rebuilt at once: a few plain scans come
    // first, so that removals one at a time (each followed by a search) cost a scan each, not
    // a rebuild each, while long runs of searches still get the map.
    // A removal or insertion in the middle does not drop the map either (one removal after
    // another would rebuild it each time): the shifts are noted (TIndexShifts); when the list
    // holds an item twice, the map is dropped instead.
    static constexpr std::size_t kIndexedFrom = 64;
    static constexpr std::uint32_t kScansBeforeIndex = 4;
    struct TPositions {
        TAddressIndex map;
        TIndexShifts shifts;
        bool duplicates = false; // some item is in the list more than once
        /// Stores every position as it is now (no item is in the list twice).
        void Settle(const TPersistentList& list);
    };
    void DropPositions();
    // The entries: deleting from the middle of a long list leaves a hole (TListHoles) rather
    // than moving the tail; the holes are closed by the next walk over the whole list (Items,
    // a sort, a store), once lookups through them have cost a pass, or when they fill a
    // quarter of the slots. Undoing a deletion fills its hole again.
    TZEPPersistent* ItemThroughHoles(std::size_t index) const;
    void InsertEntry(std::size_t index, TZEPPersistent* item);
    void EraseEntry(std::size_t index);
    void CloseHoles() const {
        if (holes_) CloseHolesNow();
    }
    void CloseHolesNow() const;
    static std::size_t holesFrom_;
    void PositionsAdded(std::size_t index, const TZEPPersistent* item);
    void PositionsRemoved(std::size_t index, const TZEPPersistent* item);

    mutable TItems items_; // with holes_, the holes are slots holding nullptr
    mutable std::unique_ptr<TListHoles> holes_; // null when there is none
    std::uint64_t changes_ = 0;
    mutable std::unique_ptr<TPositions> positions_; // valid when not null
    mutable std::uint32_t scans_ = 0;               // plain scans since the map was dropped
    bool owns_;
    bool sorted_ = false;
    bool recordsUndo_ = true;
    // A running deferral of deletions (rare: kept apart, so that the many short lists are small).
    struct TDeferred {
        int depth = 0;
        // The items of deferred deletions, in the order they came (an item may come twice):
        // an address table of millions of them is built once, at its full size, by the sweep.
        std::vector<const TZEPPersistent*> pending;
    };
    std::unique_ptr<TDeferred> deferred_;
};

/// The undo step of a deferred deletion: takes the marked items out (holding them) and puts them
/// back at their indexes on undo. Finds its items by identity. Once they are out, their list
/// stands for the marks (the marks' table is several times larger in a large study).
class TListBulkDeleteUndoer : public undo::TUndoer {
public:
    TListBulkDeleteUndoer(TPersistentList* list, TPersistentList::TSweepMarks marked)
        : list_(list), marked_(std::move(marked)), owns_(list->Owns()) {}
    ~TListBulkDeleteUndoer() override;
    void Do() override;
    void Undo() override;

private:
    TPersistentList* list_;
    TPersistentList::TSweepMarks marked_; // until the first Do
    std::vector<std::pair<std::size_t, TZEPPersistent*>> held_; // kept through Undo for a Redo
    bool owns_;
    bool holding_ = false;
};

/// A list kept in Compare order: Add inserts at the position found by bisection, before any run
/// of equal items.
class TOrderedList : public TPersistentList {
public:
    using TPersistentList::TPersistentList;
    std::size_t Add(TZEPPersistent* item) override;
    /// The index of the first item not ordered before `item` (the insertion point).
    std::size_t LowerBound(const TZEPPersistent* item) const;
};

/// An ordered list keyed by a signed 32-bit key; remembers the item its last lookup found.
class TDictionary : public TOrderedList {
public:
    using TOrderedList::TOrderedList;
    /// The key of an item.
    virtual std::int32_t KeyOf(const TZEPPersistent* item) const = 0;
    int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const override;
    /// The first item with this key, or nullptr.
    TZEPPersistent* Find(std::int32_t key) const;

protected:
    void ItemAdded(std::size_t index, TZEPPersistent* item) override { last_ = nullptr; }
    void ItemRemoving(std::size_t index, TZEPPersistent* item) override;
    void Reordered() override { last_ = nullptr; }

private:
    mutable TZEPPersistent* last_ = nullptr;
};

} // namespace zep::model
