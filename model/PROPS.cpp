#include "model/PROPS.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace zep::model {

namespace {
const TValue kEmpty;
} // namespace

TPropertyList::~TPropertyList() {
    for (std::size_t i = 0; i < size_; ++i)
        data_[i].~TProperty();
    std::free(data_);
}

TPropertyList::TPropertyList(TPropertyList&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.size_ = other.capacity_ = other.cache_ = 0;
}

TPropertyList& TPropertyList::operator=(TPropertyList&& other) noexcept {
    if (this != &other) {
        this->~TPropertyList();
        data_ = other.data_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        cache_ = 0;
        other.data_ = nullptr;
        other.size_ = other.capacity_ = other.cache_ = 0;
    }
    return *this;
}

std::size_t TPropertyList::LowerBound(std::int32_t id) const {
    std::size_t lo = 0, hi = size_;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (data_[mid].id < id)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

const TProperty* TPropertyList::Find(std::int32_t id) const {
    if (cache_ < size_ && data_[cache_].id == id) return &data_[cache_];
    const std::size_t i = LowerBound(id);
    if (i < size_ && data_[i].id == id) {
        cache_ = static_cast<std::uint16_t>(i);
        return &data_[i];
    }
    return nullptr;
}

const TValue& TPropertyList::GetValue(const TProperty* record) {
    return record ? record->value : kEmpty;
}

void TPropertyList::Reserve(std::size_t capacity) {
    // TValue is trivially relocatable (a tag and a payload), so records move by memcpy.
    auto* fresh = static_cast<TProperty*>(std::malloc(capacity * sizeof(TProperty)));
    if (!fresh) throw std::bad_alloc();
    if (size_)
        std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(data_),
                    size_ * sizeof(TProperty));
    std::free(data_);
    data_ = fresh;
    capacity_ = static_cast<std::uint16_t>(capacity);
}

void TPropertyList::RawPut(std::int32_t id, TValue value) {
    const std::size_t i = LowerBound(id);
    const bool present = i < size_ && data_[i].id == id;
    if (value.IsEmpty()) {
        if (!present) return;
        data_[i].~TProperty();
        std::memmove(static_cast<void*>(data_ + i), static_cast<const void*>(data_ + i + 1),
                     (size_ - i - 1) * sizeof(TProperty));
        --size_;
        cache_ = 0;
        if (size_ == 0) {
            std::free(data_);
            data_ = nullptr;
            capacity_ = 0;
        }
        return;
    }
    if (present) {
        data_[i].value = std::move(value);
        return;
    }
    if (size_ == 0xFFFF) throw std::length_error("property list full");
    if (size_ == capacity_) {
        // Grow by one for small lists: most entities hold a handful of values, and every slot
        // left unused costs 24 bytes per entity.
        const std::size_t grow = size_ < 8 ? 1 : size_ / 4;
        Reserve(std::min<std::size_t>(size_ + grow, 0xFFFF));
    }
    std::memmove(static_cast<void*>(data_ + i + 1), static_cast<const void*>(data_ + i),
                 (size_ - i) * sizeof(TProperty));
    new (data_ + i) TProperty{static_cast<std::int16_t>(id), std::move(value)};
    ++size_;
    cache_ = static_cast<std::uint16_t>(i);
}

void TPropertyList::SetValue(std::int32_t id, const TValue& value) {
    const TProperty* record = Find(id);
    if (record) {
        if (ValuesEqual(record->value, value)) return;
    } else if (value.IsEmpty()) {
        return;
    }
    if (undo::IsRecording())
        undo::Perform(std::make_unique<TChangePropValueUndoer>(this, id, value));
    else
        RawPut(id, value);
}

void TPropertyList::Clear() {
    while (size_ > 0)
        SetValue(data_[size_ - 1].id, TValue());
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
