// Undo records, undo sets grouped into transactions, the global current set and "perform", and
// the records of list changes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "undo/Object.h"
#include "undo/Stack_.h"

namespace zep::undo {

class TUndoSet;

/// One reversible change. Created by the caller and handed to Perform or TUndoSet::AddRecord,
/// which take ownership.
class TUndoer : public TObject {
public:
    enum State : std::uint8_t { Created = 0, Done = 1, Undone = 2, Finished = 3 };

    ~TUndoer() override = default;
    /// Performs the change.
    virtual void Do() = 0;
    /// Reverts what Do did.
    virtual void Undo() = 0;
    /// Performs the change again; Do by default.
    virtual void Redo() { Do(); }
    /// Called when the record is discarded without being undone: releases what it holds.
    virtual void Finish() {}

    /// Transaction numbers are 32-bit here: 16 bits would wrap after 65,535 commands and then
    /// undo would take the wrong records.
    std::uint32_t TransactionNumber() const { return transaction_; }
    State GetState() const { return state_; }

private:
    friend class TUndoSet;
    friend void Perform(std::unique_ptr<TUndoer> record);
    std::uint32_t transaction_ = 0;
    State state_ = Created;
};

/// The records of an undo set, newest on top (items are TUndoer*).
class TUndoTransactionStack : public TDoublyLinkedStack {
public:
    TUndoer* TopRecord() const { return static_cast<TUndoer*>(Top()); }
    TUndoer* BottomRecord() const { return static_cast<TUndoer*>(Bottom()); }
};

/// A stack of undo records grouped in numbered transactions. Owns its records.
class TUndoSet : public TObject {
public:
    static constexpr std::int32_t kDefaultMaxRecords = 2147483647;

    TUndoSet() = default;
    TUndoSet(const TUndoSet&) = delete;
    TUndoSet& operator=(const TUndoSet&) = delete;
    /// Discards all records (with Finish); stops being the current set.
    ~TUndoSet() override;

    /// Makes this the current set, opens transaction top + 1 (1 when empty), turns recording on;
    /// answers the new number.
    virtual std::uint32_t BeginTransaction();
    /// Runs the record's Do (an exception frees it and passes on), then keeps it in the current
    /// transaction when recording and not busy, else finishes and frees it.
    virtual void AddRecord(std::unique_ptr<TUndoer> record);
    /// Undoes and discards (without Finish) every record numbered >= n, newest first; n = 0
    /// means the top record's number. Undone records cannot be redone.
    virtual void UndoTo(std::uint32_t n);
    /// Discards all records with Finish; the transaction number becomes 0.
    virtual void Clear();
    /// The record at `position` from the top (0 = newest); nullptr when out of range.
    virtual TUndoer* RecordAt(std::size_t position) const;

    /// There are records and n is 0 or lies between the bottom and the top record's numbers.
    bool CanUndo(std::uint32_t n) const;
    /// Discards the oldest records until at most n remain, whole transactions at a time, showing
    /// "Removing Undo Info" progress.
    void Trim(std::size_t n);

    std::size_t Count() const { return stack_.Count(); }
    std::uint32_t CurrentTransaction() const { return transaction_; }
    /// Tells the open transaction from every other transaction of any set in this process,
    /// before or after (transaction numbers come back after an undo or a clear; this does not).
    std::uint32_t TransactionSerial() const { return serial_; }
    bool Recording() const { return recording_; }
    void SetRecording(bool on) { recording_ = on; }
    bool Busy() const { return busy_; }
    std::int32_t MaxRecords() const { return maxRecords_; }

protected:
    TUndoTransactionStack stack_;

private:
    void Discard(TUndoer* record, bool finish);

    std::int32_t maxRecords_ = kDefaultMaxRecords;
    std::uint32_t transaction_ = 0;
    std::uint32_t serial_ = 0;
    bool recording_ = false;
    bool busy_ = false;
};

/// The set that Perform records into; nullptr when none.
TUndoSet* CurrentUndoSet();
void SetCurrentUndoSet(TUndoSet* set);

/// Keeps work that is not an edit (building, reading or tearing down a study) out of whatever
/// undo transaction is open: nothing it changes is recorded anywhere.
class TNoUndoScope {
public:
    TNoUndoScope() : saved_(CurrentUndoSet()) { SetCurrentUndoSet(nullptr); }
    ~TNoUndoScope() { SetCurrentUndoSet(saved_); }
    TNoUndoScope(const TNoUndoScope&) = delete;
    TNoUndoScope& operator=(const TNoUndoScope&) = delete;

private:
    TUndoSet* saved_;
};
/// True when a current set exists, records and is not busy: a record performed now is kept.
bool IsRecording();
/// The serial of the transaction that records now (TUndoSet::TransactionSerial); 0 when nothing
/// records. An object made while a transaction records, and put into its owner's list in it, is
/// taken out again (and freed) when that transaction is undone: changes of the object's own
/// state in the same transaction need no undo records of their own.
std::uint32_t RecordingTransactionSerial();
/// Adds the record to the current set when IsRecording; otherwise runs its Do and Finish at once
/// and frees it.
void Perform(std::unique_ptr<TUndoer> record);

/// A list whose raw changes the list records replay. Raw operations record nothing.
class TUndoableList {
public:
    virtual ~TUndoableList() = default;
    /// Inserts `item` at `index` (the list owns it afterwards when it is an owning list).
    virtual void RawInsert(std::size_t index, TObject* item) = 0;
    /// Takes the item at `index` out of the list without freeing it.
    virtual TObject* RawExtract(std::size_t index) = 0;
    /// The position of `item` (identity), looked for at `hint` first; -1 when absent.
    virtual std::ptrdiff_t RawIndexOf(const TObject* item, std::size_t hint) const = 0;
    virtual std::size_t RawCount() const = 0;
    /// Exchanges the list's item order with `items` (same items, another order).
    virtual void RawSwapItems(std::vector<TObject*>& items) = 0;
    virtual bool IsSorted() const = 0;
    virtual void SetSortedFlag(bool sorted) = 0;
    /// Whether the list frees its items.
    virtual bool OwnsItems() const = 0;
    /// Announces a change of the list to its observers.
    virtual void NotifyListChanged() = 0;
};

/// Base of list records: the list, the object, its index, and whether the record must free the
/// object when destroyed while holding it. The index is only where the object was: the list may
/// have been reordered since (a sort, a load), so the records find their object by identity and
/// never take out or free another one.
class TListUndoer : public TUndoer {
public:
    TListUndoer(TUndoableList* list, TObject* object, std::size_t index);
    ~TListUndoer() override;
    TObject* Object() const { return object_; }
    std::size_t Index() const { return index_; }

protected:
    TUndoableList* list_;
    TObject* object_;
    std::size_t index_;
    bool ownsObject_;
    bool holding_ = false; // the record, not the list, has the object now
};

/// Insertion of an object: Do inserts it, Undo takes it out again (the record then holds it).
/// When the object is no longer in the list, Undo leaves the list alone and keeps nothing.
class TListInsertUndoer : public TListUndoer {
public:
    using TListUndoer::TListUndoer;
    void Do() override;
    void Undo() override;
    void Finish() override;
};

/// Deletion of the object at an index: Do removes it (the record holds it), Undo reinserts it at
/// that index (at the end when the list has become shorter).
class TListDeleteUndoer : public TListUndoer {
public:
    using TListUndoer::TListUndoer;
    void Do() override;
    void Undo() override;
};

/// Fires the list's change notification on Do, Undo and Redo.
class TListUndoNotifier : public TUndoer {
public:
    explicit TListUndoNotifier(TUndoableList* list) : list_(list) {}
    void Do() override;
    void Undo() override;
    void Redo() override;

protected:
    TUndoableList* list_;
};

/// A re-sort: holds the other item order. Do installs the sorted order, Undo restores the order
/// and sorted flag from before.
class TSortUndoer : public TListUndoNotifier {
public:
    /// `sortedItems`: the list's items in their new order.
    TSortUndoer(TUndoableList* list, std::vector<TObject*> sortedItems);
    void Do() override;
    void Undo() override;
    void Redo() override;

private:
    std::vector<TObject*> items_;
    bool wasSorted_ = false;
};

} // namespace zep::undo
