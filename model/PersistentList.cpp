#include "model/PersistentList.h"

#include <algorithm>
#include <memory>

namespace zep::model {

std::size_t TPersistentList::holesFrom_ = 4096;

TPersistentList::~TPersistentList() {
    if (owns_)
        for (auto it = items_.rbegin(); it != items_.rend(); ++it)
            delete *it; // a hole holds nullptr
}

TZEPPersistent* TPersistentList::ItemThroughHoles(std::size_t index) const {
    if (holes_->NoteRead() > Count() / 8 + 256) {
        // A walk over the list: closing the holes costs less than finding each slot.
        CloseHolesNow();
        return items_[index];
    }
    return items_[holes_->SlotOf(index)];
}

void TPersistentList::CloseHolesNow() const {
    std::size_t kept = holes_->FirstHole(items_.size());
    for (std::size_t slot = kept; slot < items_.size(); ++slot)
        if (!holes_->IsHole(slot)) items_[kept++] = items_[slot];
    items_.resize(kept);
    holes_.reset();
}

void TPersistentList::InsertEntry(std::size_t index, TZEPPersistent* item) {
    if (holes_) {
        // Every slot between the items before and after the place is a hole; the item takes
        // the one it left, if it is one of them, so that undoing deletions in reverse restores
        // the slots as they were (and keeps the holes where later undos need them).
        const bool atEnd = index == Count();
        const std::size_t slot = atEnd ? items_.size() : holes_->SlotOf(index);
        const std::size_t first = index == 0 ? 0 : holes_->SlotOf(index - 1) + 1;
        if (first < slot) {
            std::size_t hole = holes_->TakeFormer(item, slot - 1);
            if (hole < first || hole >= slot) hole = slot - 1;
            items_[hole] = item;
            holes_->Unmark(hole);
            if (holes_->Count() == 0) holes_.reset();
            return;
        }
        if (atEnd) {
            items_.push_back(item);
            holes_->Cover(items_.size());
            return;
        }
        CloseHolesNow();
    }
    // Most lists are short (a node's links, a link's link-routes): room for four at once
    // spares them two reallocations.
    if (items_.capacity() == 0) items_.reserve(4);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
}

void TPersistentList::EraseEntry(std::size_t index) {
    // A short tail moves for less than a hole costs (deleting near the end, as a walk backwards
    // over the list does): up to an eighth of the length from which lists have holes.
    if (!holes_ && (items_.size() < holesFrom_ || items_.size() - index <= holesFrom_ / 8)) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        return;
    }
    const std::size_t slot = holes_ ? holes_->SlotOf(index) : index;
    if (slot + 1 == items_.size()) {
        // The last slot: it goes, and the holes before it with it (no hole ends the list).
        items_.pop_back();
        while (holes_ && !items_.empty() && holes_->IsHole(items_.size() - 1)) {
            holes_->Unmark(items_.size() - 1);
            items_.pop_back();
        }
        if (holes_ && holes_->Count() == 0) holes_.reset();
        return;
    }
    if (!holes_) holes_ = std::make_unique<TListHoles>();
    holes_->Cover(items_.size());
    holes_->NoteFormer(items_[slot], slot);
    items_[slot] = nullptr;
    holes_->Mark(slot);
    if (holes_->Count() * 4 > items_.size()) CloseHolesNow();
}

std::size_t TPersistentList::Add(TZEPPersistent* item) {
    const std::size_t index = Count();
    Insert(index, item);
    return index;
}

void TPersistentList::Insert(std::size_t index, TZEPPersistent* item) {
    if (recordsUndo_ && undo::IsRecording())
        undo::Perform(std::make_unique<undo::TListInsertUndoer>(this, item, index));
    else
        RawInsert(index, item);
}

void TPersistentList::Delete(std::size_t index) {
    if (deferred_ && deferred_->depth > 0) {
        deferred_->pending.push_back(Item(index));
        return;
    }
    if (recordsUndo_ && undo::IsRecording()) {
        undo::Perform(std::make_unique<undo::TListDeleteUndoer>(this, Item(index), index));
        return;
    }
    undo::TObject* item = RawExtract(index);
    if (owns_) delete item;
}

std::ptrdiff_t TPersistentList::Remove(TZEPPersistent* item) {
    const std::ptrdiff_t index = IndexOf(item);
    if (index >= 0) Delete(static_cast<std::size_t>(index));
    return index;
}

void TPersistentList::Drop(TZEPPersistent* item) {
    if (deferred_ && deferred_->depth > 0 && !owns_)
        deferred_->pending.push_back(item);
    else
        Remove(item);
}

std::ptrdiff_t TPersistentList::IndexOf(const TZEPPersistent* item) const {
    if ((!positions_ && (Count() < kIndexedFrom || scans_ < kScansBeforeIndex)) || !item) {
        if (!positions_) ++scans_;
        if (!item) CloseHoles(); // a hole holds nullptr
        auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end()) return -1;
        const auto slot = static_cast<std::size_t>(it - items_.begin());
        return static_cast<std::ptrdiff_t>(holes_ ? slot - holes_->Before(slot) : slot);
    }
    if (!positions_) {
        positions_ = std::make_unique<TPositions>();
        positions_->map.Reserve(Count());
        ForEachFrom(0, [this](std::size_t i, const TZEPPersistent* entry) {
            if (!positions_->map.Insert(entry, static_cast<std::uint32_t>(i)))
                positions_->duplicates = true; // keeps the first
        });
    }
    TPositions& p = *positions_;
    const std::uint32_t stored = p.map.Find(item);
    if (stored == TAddressIndex::kAbsent) return -1;
    const std::size_t position = p.shifts.Move(item, stored);
    if (p.shifts.WalkedPast(Count())) p.Settle(*this);
    return static_cast<std::ptrdiff_t>(position);
}

void TPersistentList::TPositions::Settle(const TPersistentList& list) {
    if (shifts.Pending())
        list.ForEachFrom(shifts.ShiftedFrom(), [this](std::size_t i, const TZEPPersistent* item) {
            map.Update(item, static_cast<std::uint32_t>(i));
        });
    shifts.Clear();
}

void TPersistentList::PositionsAdded(std::size_t index, const TZEPPersistent* item) {
    if (!positions_) return;
    TPositions& p = *positions_;
    const auto at = static_cast<std::uint32_t>(index);
    if (index + 1 == Count()) {
        if (p.shifts.Pending()) {
            if (p.duplicates) return DropPositions();
            if (!p.shifts.Full(Count()) && p.map.Insert(item, at)) {
                // Appended after changes in the middle: only later shifts move it.
                p.shifts.AddFresh(item);
                return;
            }
            // A long run of appends: the stored positions are brought up to date once, so
            // that the rest of the run costs nothing more.
            p.Settle(*this);
        }
        if (!p.map.Insert(item, at)) p.duplicates = true; // keeps the earlier one
        return;
    }
    if (p.duplicates || p.map.Find(item) != TAddressIndex::kAbsent) return DropPositions();
    const bool full = p.shifts.Full(Count());
    p.shifts.Note(index, +1);
    p.map.Insert(item, at);
    p.shifts.AddFresh(item);
    // Brought up to date where they are: cheaper than a new table (and its fresh pages) and
    // the linear scans before it is built.
    if (full) p.Settle(*this);
}

void TPersistentList::PositionsRemoved(std::size_t index, const TZEPPersistent* item) {
    if (!positions_) return;
    TPositions& p = *positions_;
    const std::uint32_t stored = p.map.Find(item);
    if (p.duplicates) {
        // Another entry of the item may follow: only the last entry is known to be alone.
        if (index == Count() && !p.shifts.Pending() && stored == index)
            p.map.Erase(item);
        else if (index != Count() || stored == TAddressIndex::kAbsent || p.shifts.Pending())
            DropPositions();
        return;
    }
    if (stored == TAddressIndex::kAbsent || p.shifts.Move(item, stored) != index)
        return DropPositions();
    p.map.Erase(item);
    if (p.shifts.NoteRemoved(item, index, Count())) p.Settle(*this);
}

void TPersistentList::DropPositions() {
    positions_.reset();
    scans_ = 0;
}

void TPersistentList::Sort() {
    const auto less = [this](const TZEPPersistent* a, const TZEPPersistent* b) {
        return Compare(a, b) < 0;
    };
    const bool recording = recordsUndo_ && undo::IsRecording();
    CloseHoles();
    if (!recording && std::is_sorted(items_.begin(), items_.end(), less)) {
        // Already in order (a study read back from its file): nothing to change.
        sorted_ = true;
        return;
    }
    std::vector<undo::TObject*> sorted(items_.begin(), items_.end());
    std::stable_sort(sorted.begin(), sorted.end(), [&less](undo::TObject* a, undo::TObject* b) {
        return less(static_cast<TZEPPersistent*>(a), static_cast<TZEPPersistent*>(b));
    });
    if (recording) {
        undo::Perform(std::make_unique<undo::TSortUndoer>(this, std::move(sorted)));
        return;
    }
    RawSwapItems(sorted);
    sorted_ = true;
    NotifyListChanged();
}

void TPersistentList::Clear() {
    CloseHoles();
    while (!items_.empty())
        Delete(items_.size() - 1);
}

void TPersistentList::RawInsert(std::size_t index, undo::TObject* item) {
    auto* p = static_cast<TZEPPersistent*>(item);
    InsertEntry(index, p);
    ++changes_;
    PositionsAdded(index, p);
    ItemAdded(index, p);
}

undo::TObject* TPersistentList::RawExtract(std::size_t index) {
    TZEPPersistent* item = Item(index);
    ItemRemoving(index, item);
    EraseEntry(index);
    ++changes_;
    PositionsRemoved(index, item);
    ItemRemoved(index, item);
    return item;
}

std::ptrdiff_t TPersistentList::RawIndexOf(const undo::TObject* item, std::size_t hint) const {
    if (hint < Count() && Item(hint) == item) return static_cast<std::ptrdiff_t>(hint);
    return IndexOf(static_cast<const TZEPPersistent*>(item));
}

TPersistentList::TSweepMarks TPersistentList::MarksOf(
    const std::vector<std::pair<std::ptrdiff_t, const TZEPPersistent*>>& entries) const {
    CloseHoles();
    TSweepMarks marks;
    marks.at_.assign(items_.size(), false);
    for (const auto& [index, item] : entries) {
        const auto i = static_cast<std::size_t>(index);
        if (index < 0 || i >= items_.size() || items_[i] != item) {
            marks.byPosition_ = false;
            break;
        }
        marks.count_ += marks.at_[i] ? 0 : 1;
        marks.at_[i] = true;
    }
    if (marks.byPosition_) return marks;
    // Built at once at its full size.
    marks.at_ = {};
    marks.count_ = 0;
    marks.byAddress_.Reserve(entries.size());
    for (const auto& entry : entries)
        marks.count_ += marks.byAddress_.Insert(entry.second, 0) ? 1 : 0;
    return marks;
}

void TPersistentList::EndDeferredDeletes() {
    if (!deferred_ || deferred_->depth == 0 || --deferred_->depth > 0) return;
    std::vector<std::pair<std::ptrdiff_t, const TZEPPersistent*>> pending;
    pending.reserve(deferred_->pending.size());
    for (const TZEPPersistent* item : deferred_->pending)
        pending.emplace_back(IndexHint(item), item);
    deferred_.reset();
    TSweepMarks marked = MarksOf(pending);
    if (marked.Empty()) return;
    if (recordsUndo_ && undo::IsRecording()) {
        undo::Perform(std::make_unique<TListBulkDeleteUndoer>(this, std::move(marked)));
        return;
    }
    for (auto& [index, item] : RawExtractMarked(marked))
        if (owns_) delete item;
}

std::vector<std::pair<std::size_t, TZEPPersistent*>>
TPersistentList::RawExtractMarked(const TSweepMarks& marked) {
    std::vector<std::pair<std::size_t, TZEPPersistent*>> taken;
    CloseHoles();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (marked.Contains(i, items_[i]))
            taken.emplace_back(i, items_[i]);
        else
            items_[kept++] = items_[i];
    }
    if (taken.empty()) return taken;
    items_.resize(kept);
    ++changes_;
    positions_.reset();
    std::vector<TZEPPersistent*> items;
    items.reserve(taken.size());
    for (auto& entry : taken)
        items.push_back(entry.second);
    ItemsRemoved(taken.front().first, items);
    return taken;
}

void TPersistentList::RawInsertMany(
    const std::vector<std::pair<std::size_t, TZEPPersistent*>>& entries) {
    if (entries.empty()) return;
    CloseHoles();
    TItems merged;
    merged.reserve(items_.size() + entries.size());
    std::size_t next = 0;
    for (const auto& [index, item] : entries) {
        while (merged.size() < index && next < items_.size())
            merged.push_back(items_[next++]);
        merged.push_back(item);
    }
    merged.insert(merged.end(), items_.begin() + static_cast<std::ptrdiff_t>(next), items_.end());
    items_.swap(merged);
    ++changes_;
    positions_.reset();
    std::vector<TZEPPersistent*> items;
    items.reserve(entries.size());
    for (const auto& entry : entries)
        items.push_back(entry.second);
    ItemsAdded(entries.front().first, items);
}

void TPersistentList::ItemsRemoved(std::size_t first, const std::vector<TZEPPersistent*>& items) {
    for (TZEPPersistent* item : items) {
        ItemRemoving(first, item);
        ItemRemoved(first, item);
    }
}

void TPersistentList::ItemsAdded(std::size_t first, const std::vector<TZEPPersistent*>& items) {
    for (TZEPPersistent* item : items)
        ItemAdded(first, item);
}

TListBulkDeleteUndoer::~TListBulkDeleteUndoer() {
    if (holding_ && owns_)
        for (auto& entry : held_)
            delete entry.second;
}

void TListBulkDeleteUndoer::Do() {
    if (marked_.Empty()) { // a redo: the items the undo put back, at their indexes
        std::vector<std::pair<std::ptrdiff_t, const TZEPPersistent*>> entries;
        entries.reserve(held_.size());
        for (const auto& [index, item] : held_)
            entries.emplace_back(static_cast<std::ptrdiff_t>(index), item);
        marked_ = list_->MarksOf(entries);
    }
    held_ = list_->RawExtractMarked(marked_);
    marked_ = TPersistentList::TSweepMarks();
    holding_ = true;
}

void TListBulkDeleteUndoer::Undo() {
    list_->RawInsertMany(held_);
    holding_ = false;
}

void TPersistentList::RawSwapItems(std::vector<undo::TObject*>& items) {
    CloseHoles();
    std::vector<undo::TObject*> old(items_.begin(), items_.end());
    DropPositions();
    items_.clear();
    ++changes_;
    for (undo::TObject* o : items)
        items_.push_back(static_cast<TZEPPersistent*>(o));
    items.swap(old);
    Reordered();
}

void TPersistentList::StoreItem(TPersistWriter& writer, const TZEPPersistent* item) const {
    writer.WriteRef(item);
}

TZEPPersistent* TPersistentList::LoadItem(TPersistReader& reader) {
    return reader.ReadRef();
}

void TPersistentList::Store(TPersistWriter& writer) const {
    CloseHoles();
    writer.BeginList(owns_, static_cast<std::uint32_t>(items_.size()));
    for (std::size_t i = 0; i < items_.size(); ++i) {
        writer.ListItem(static_cast<std::uint32_t>(i + 1));
        StoreItem(writer, items_[i]);
    }
    writer.EndList();
}

void TPersistentList::Load(TPersistReader& reader) {
    bool owning = false;
    const std::uint32_t count = reader.BeginList(owning);
    for (std::uint32_t i = 0; i < count; ++i) {
        reader.ListItem(i + 1);
        if (TZEPPersistent* item = LoadItem(reader)) RawInsert(Count(), item);
    }
    reader.EndList();
}

// ---- ordered list and dictionary --------------------------------------------------------------

std::size_t TOrderedList::LowerBound(const TZEPPersistent* item) const {
    std::size_t lo = 0, hi = Count();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (Compare(Item(mid), item) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t TOrderedList::Add(TZEPPersistent* item) {
    const std::size_t index = LowerBound(item);
    Insert(index, item);
    return index;
}

int TDictionary::Compare(const TZEPPersistent* a, const TZEPPersistent* b) const {
    const std::int32_t ka = KeyOf(a);
    const std::int32_t kb = KeyOf(b);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

TZEPPersistent* TDictionary::Find(std::int32_t key) const {
    if (last_ && KeyOf(last_) == key) return last_;
    std::size_t lo = 0, hi = Count();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (KeyOf(Item(mid)) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < Count() && KeyOf(Item(lo)) == key) return last_ = Item(lo);
    return nullptr;
}

void TDictionary::ItemRemoving(std::size_t index, TZEPPersistent* item) {
    if (item == last_) last_ = nullptr;
}

} // namespace zep::model
