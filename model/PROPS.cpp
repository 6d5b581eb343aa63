#include "model/PROPS.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "foundation/SmallObjectPool.h"

namespace zep::model {

namespace {
const TValue kEmpty;
} // namespace

// Records are trivially relocatable (a tag, an identifier and a payload; text is held by
// pointer), so they move between the inline slot and the array by memcpy.
namespace {
void MoveRecords(TProperty* to, const TProperty* from, std::size_t count) {
    std::memmove(static_cast<void*>(to), static_cast<const void*>(from), count * sizeof(TProperty));
}
} // namespace

TPropertyList::~TPropertyList() {
    TProperty* data = Data();
    for (std::size_t i = 0; i < size_; ++i)
        data[i].~TProperty();
    if (capacity_) TSmallObjectPool::Free(heap_, capacity_ * sizeof(TProperty));
}

void TPropertyList::Relocate(TPropertyList& from) noexcept {
    if (from.capacity_ == 0)
        std::memcpy(inline_, from.inline_, sizeof inline_);
    else
        heap_ = from.heap_;
    size_ = from.size_;
    capacity_ = from.capacity_;
    cache_ = 0;
    from.heap_ = nullptr;
    from.size_ = from.capacity_ = from.cache_ = 0;
}

TPropertyList::TPropertyList(TPropertyList&& other) noexcept {
    Relocate(other);
}

TPropertyList& TPropertyList::operator=(TPropertyList&& other) noexcept {
    if (this != &other) {
        this->~TPropertyList();
        Relocate(other);
    }
    return *this;
}

std::size_t TPropertyList::LowerBound(std::int32_t id) const {
    const TProperty* data = Data();
    std::size_t lo = 0, hi = size_;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (data[mid].Id() < id)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

const TProperty* TPropertyList::FindInArray(std::int32_t id) const {
    const std::size_t i = LowerBound(id);
    if (i < size_ && heap_[i].Id() == id) {
        cache_ = static_cast<std::uint16_t>(i);
        return &heap_[i];
    }
    return nullptr;
}

const TValue& TPropertyList::GetValue(const TProperty* record) {
    return record ? record->value : kEmpty;
}

void TPropertyList::MoveToArray(std::size_t capacity) {
    auto* fresh = static_cast<TProperty*>(TSmallObjectPool::Allocate(capacity * sizeof(TProperty)));
    MoveRecords(fresh, Data(), size_);
    if (capacity_) TSmallObjectPool::Free(heap_, capacity_ * sizeof(TProperty));
    heap_ = fresh;
    capacity_ = static_cast<std::uint16_t>(capacity);
}

void TPropertyList::Reserve(std::size_t count) {
    count = std::min<std::size_t>(count, 0xFFFF);
    if (count > 1 && count > capacity_) MoveToArray(count);
}

void TPropertyList::Put(std::int32_t id, TValue value) {
    TProperty* data = Data();
    // Loaders put records in identifier order: a record past the last one needs no search.
    const std::size_t i = size_ == 0 || data[size_ - 1].Id() < id ? size_ : LowerBound(id);
    const bool present = i < size_ && data[i].Id() == id;
    cache_ = 0;
    if (value.IsEmpty()) {
        if (!present) return;
        data[i].~TProperty();
        MoveRecords(data + i, data + i + 1, size_ - i - 1);
        --size_;
        if (capacity_ && size_ <= 1) {
            // Back to the inline slot.
            TProperty* array = heap_;
            MoveRecords(Inline(), array, size_);
            TSmallObjectPool::Free(array, capacity_ * sizeof(TProperty));
            capacity_ = 0;
        }
        return;
    }
    if (present) {
        data[i].value = std::move(value);
        return;
    }
    if (size_ == 0xFFFF) throw std::length_error("property list full");
    if (capacity_ == 0 && size_ == 0) {
        new (Inline()) TProperty(id, std::move(value));
        size_ = 1;
        return;
    }
    if (size_ == std::max<std::size_t>(capacity_, 1)) {
        // Grow by one for small lists: most entities hold a handful of values, and every slot
        // left unused costs a record per entity.
        const std::size_t grow = size_ < 8 ? 1 : size_ / 4;
        MoveToArray(std::min<std::size_t>(size_ + grow, 0xFFFF));
        data = heap_;
    }
    MoveRecords(data + i + 1, data + i, size_ - i);
    new (data + i) TProperty(id, std::move(value));
    ++size_;
    cache_ = static_cast<std::uint16_t>(i);
}

void TPropertyList::SetValue(std::int32_t id, const TValue& value, bool undoable) {
    const TProperty* record = Find(id);
    if (record) {
        if (ValuesEqual(record->value, value)) return;
    } else if (value.IsEmpty()) {
        return;
    }
    if (undoable && undo::IsRecording())
        undo::Perform(std::make_unique<TChangePropValueUndoer>(this, id, value));
    else
        RawPut(id, value);
}

void TPropertyList::Clear() {
    while (size_ > 0)
        SetValue(At(size_ - 1).Id(), TValue());
}

void TChangePropValueUndoer::Do() {
    TValue current = list_->ValueOf(id_);
    list_->RawPut(id_, std::move(saved_));
    saved_ = std::move(current);
}

// ---- TPropertyImpl ----------------------------------------------------------------------------

std::string TPropertyImpl::GetAsString() const {
    const TPropSpec* spec = Spec();
    return spec ? spec->DisplayText(GetValue()) : GetValue().ToString();
}

bool TPropertyImpl::IsValidValue(const TValue& value) const {
    const TPropSpec* spec = Spec();
    if (!spec) return true;
    TValue v = value;
    return spec->IsValid(v);
}

std::string TPropertyImpl::ErrorMessage() const {
    const TPropSpec* spec = Spec();
    return spec ? spec->ErrorMessage(GetValue()) : std::string();
}

bool TPropertyImpl::IsDefault() const {
    const TPropSpec* spec = Spec();
    return spec && ValuesEqual(GetValue(), spec->Default());
}

std::string TPropertyImpl::KeyText() const {
    const TPropSpec* spec = Spec();
    return spec ? spec->KeyText(GetValue()) : GetValue().ToString();
}

} // namespace zep::model
