#include "undo/Undo_.h"

#include <algorithm>
#include <cassert>

#include "foundation/OrvMessages.h"

namespace zep::undo {

namespace {
TUndoSet* gCurrentSet = nullptr;
// 32 bits: at a thousand transactions a second, they last fifty days of one process.
std::uint32_t gLastSerial = 0;
std::uint32_t NextSerial() {
    if (++gLastSerial == 0) ++gLastSerial; // 0 stands for "none"
    return gLastSerial;
}

// Clears a flag on every way out, so that an exception from a record leaves the set usable.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = old_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
    bool old_;
};
} // namespace

TUndoSet* CurrentUndoSet() {
    return gCurrentSet;
}
void SetCurrentUndoSet(TUndoSet* set) {
    gCurrentSet = set;
}

bool IsRecording() {
    return gCurrentSet && gCurrentSet->Recording() && !gCurrentSet->Busy();
}

std::uint32_t RecordingTransactionSerial() {
    return IsRecording() ? gCurrentSet->TransactionSerial() : 0;
}

void Perform(std::unique_ptr<TUndoer> record) {
    if (gCurrentSet && gCurrentSet->Recording() && !gCurrentSet->Busy()) {
        gCurrentSet->AddRecord(std::move(record));
        return;
    }
    record->Do();
    record->state_ = TUndoer::Done;
    record->Finish();
    record->state_ = TUndoer::Finished;
}

TUndoSet::~TUndoSet() {
    Clear();
    if (gCurrentSet == this) gCurrentSet = nullptr;
}

std::uint32_t TUndoSet::BeginTransaction() {
    gCurrentSet = this;
    TUndoer* top = stack_.TopRecord();
    transaction_ = top ? top->transaction_ + 1 : 1;
    serial_ = NextSerial();
    recording_ = true;
    return transaction_;
}

void TUndoSet::AddRecord(std::unique_ptr<TUndoer> record) {
    {
        BusyScope busy(busy_);
        record->Do();
    }
    record->state_ = TUndoer::Done;
    if (recording_ && !busy_) {
        if (maxRecords_ > 0 && stack_.Count() > static_cast<std::size_t>(maxRecords_ - 1))
            Trim(static_cast<std::size_t>(maxRecords_ - 1));
        record->transaction_ = transaction_;
        stack_.Push(record.release());
        return;
    }
    record->Finish();
    record->state_ = TUndoer::Finished;
}

void TUndoSet::Discard(TUndoer* record, bool finish) {
    std::unique_ptr<TUndoer> owned(record);
    if (finish) record->Finish();
    record->state_ = TUndoer::Finished;
}

void TUndoSet::UndoTo(std::uint32_t n) {
    BusyScope busy(busy_);
    if (stack_.IsEmpty()) return;
    if (n == 0) n = stack_.TopRecord()->transaction_;
    std::vector<std::unique_ptr<TUndoer>> undone;
    // Collected records are freed even when an undo throws half-way, so none leaks or is
    // undone twice.
    while (!stack_.IsEmpty() && stack_.TopRecord()->transaction_ >= n) {
        undone.emplace_back(static_cast<TUndoer*>(stack_.Pop()));
        undone.back()->Undo();
        undone.back()->state_ = TUndoer::Undone;
    }
    for (auto& r : undone)
        r->state_ = TUndoer::Finished;
}

void TUndoSet::Clear() {
    BusyScope busy(busy_);
    // Oldest first, as Trim does: a record may hold an object (a deleted link) that still
    // points at one a newer record holds (its deleted node), so the newer one must go last.
    while (!stack_.IsEmpty())
        Discard(static_cast<TUndoer*>(stack_.RemoveBottom()), true);
    transaction_ = 0;
    // Whatever records after this is not undone with any object made before it.
    serial_ = NextSerial();
}

TUndoer* TUndoSet::RecordAt(std::size_t position) const {
    return static_cast<TUndoer*>(stack_.ItemAt(position));
}

bool TUndoSet::CanUndo(std::uint32_t n) const {
    if (stack_.IsEmpty()) return false;
    return n == 0 ||
           (stack_.BottomRecord()->transaction_ <= n && n <= stack_.TopRecord()->transaction_);
}

void TUndoSet::Trim(std::size_t n) {
    const std::size_t c = stack_.Count();
    if (c <= n) return;
    BusyScope busy(busy_);
    while (stack_.Count() > n) {
        const std::uint32_t t = stack_.BottomRecord()->transaction_;
        while (!stack_.IsEmpty() && stack_.BottomRecord()->transaction_ == t)
            Discard(static_cast<TUndoer*>(stack_.RemoveBottom()), true);
        // Whole transactions may overshoot n, so the fraction is capped at 1.
        ShowProgress("Removing Undo Info", std::min(1.0, static_cast<double>(c - stack_.Count()) /
                                                             static_cast<double>(c - n)));
    }
    EndProgress();
}

// ---- list records ----------------------------------------------------------------------------

TListUndoer::TListUndoer(TUndoableList* list, TObject* object, std::size_t index)
    : list_(list), object_(object), index_(index), ownsObject_(list->OwnsItems()) {}

TListUndoer::~TListUndoer() {
    if (holding_ && ownsObject_) delete object_;
}

void TListInsertUndoer::Do() {
    list_->RawInsert(std::min(index_, list_->RawCount()), object_);
    holding_ = false;
}

void TListInsertUndoer::Undo() {
    const std::ptrdiff_t at = list_->RawIndexOf(object_, index_);
    // Missing means the list changed behind the undo history's back: a fault elsewhere. Taking
    // out whatever sits at the old index would free a stranger, so nothing is touched.
    assert(at >= 0 && "undo of an insertion: the object is no longer in its list");
    if (at < 0) return;
    list_->RawExtract(static_cast<std::size_t>(at));
    holding_ = true;
}

void TListInsertUndoer::Finish() {
    holding_ = false;
}

void TListDeleteUndoer::Do() {
    const std::ptrdiff_t at = list_->RawIndexOf(object_, index_);
    assert(at >= 0 && "deletion of an object that is not in the list");
    if (at < 0) return;
    list_->RawExtract(static_cast<std::size_t>(at));
    holding_ = true;
}

void TListDeleteUndoer::Undo() {
    if (!holding_) return;
    list_->RawInsert(std::min(index_, list_->RawCount()), object_);
    holding_ = false;
}

void TListUndoNotifier::Do() {
    list_->NotifyListChanged();
}
void TListUndoNotifier::Undo() {
    list_->NotifyListChanged();
}
void TListUndoNotifier::Redo() {
    list_->NotifyListChanged();
}

TSortUndoer::TSortUndoer(TUndoableList* list, std::vector<TObject*> sortedItems)
    : TListUndoNotifier(list), items_(std::move(sortedItems)) {}

void TSortUndoer::Do() {
    wasSorted_ = list_->IsSorted();
    list_->RawSwapItems(items_);
    list_->SetSortedFlag(true);
    list_->NotifyListChanged();
}

void TSortUndoer::Undo() {
    list_->RawSwapItems(items_);
    list_->SetSortedFlag(wasSorted_);
    list_->NotifyListChanged();
}

void TSortUndoer::Redo() {
    Do();
}

} // namespace zep::undo
