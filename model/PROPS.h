// Property records, the compact sorted property list with its undoable write rule, and the
// IProperty accessor interface.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "model/PropSpec.h"
#include "model/Value.h"
#include "undo/Undo_.h"

namespace zep::model {

class TZEPPersistent;

/// One stored value: the value with its 16-bit identifier kept in the value's spare bits, so a
/// record is as small as the value itself (16 bytes).
class TProperty {
public:
    TProperty(std::int32_t id, TValue v) : value(std::move(v)) { SetId(id); }
    TProperty(const TProperty& other) : value(other.value) { SetId(other.Id()); }
    TProperty(TProperty&& other) noexcept : value(std::move(other.value)) { SetId(other.Id()); }
    TProperty& operator=(const TProperty& other) {
        value = other.value;
        SetId(other.Id());
        return *this;
    }
    TProperty& operator=(TProperty&& other) noexcept {
        value = std::move(other.value);
        SetId(other.Id());
        return *this;
    }

    std::int32_t Id() const { return value.holderSlot_; }
    const TValue& Value() const { return value; }

    /// Assigning a value keeps the identifier.
    TValue value;

private:
    void SetId(std::int32_t id) { value.holderSlot_ = static_cast<std::int16_t>(id); }
};

static_assert(sizeof(TProperty) == sizeof(TValue), "a record is no larger than its value");

/// The values an entity (or one version of it) holds, sorted by identifier, at most one record
/// per identifier; a property holding its default is simply absent. A single record is held
/// inside the list (no allocation, no extra memory access for the most common case); two or more
/// live in one array, exactly as large as needed, searched by bisection with a one-entry cache.
/// Its address must stay fixed while undo records refer to it (lists live inside entities and
/// versions, which are moved only as a whole).
class TPropertyList {
public:
    TPropertyList() noexcept { heap_ = nullptr; }
    TPropertyList(const TPropertyList&) = delete;
    TPropertyList& operator=(const TPropertyList&) = delete;
    TPropertyList(TPropertyList&& other) noexcept;
    TPropertyList& operator=(TPropertyList&& other) noexcept;
    ~TPropertyList();

    /// The record with this identifier, or nullptr. Valid until the list changes.
    const TProperty* Find(std::int32_t id) const {
        if (capacity_ == 0) return size_ == 1 && Inline()->Id() == id ? Inline() : nullptr;
        if (size_ > 0 && heap_[cache_].Id() == id) return &heap_[cache_];
        return FindInArray(id);
    }
    /// The record's value, or the empty value for nullptr.
    static const TValue& GetValue(const TProperty* record);
    /// The value held for `id`, or the empty value.
    const TValue& ValueOf(std::int32_t id) const { return GetValue(Find(id)); }
    std::int32_t GetInteger(std::int32_t id) const { return ValueOf(id).ToInteger(); }
    double GetFloat(std::int32_t id) const { return ValueOf(id).ToDouble(); }
    std::string GetString(std::int32_t id) const { return ValueOf(id).ToString(); }
    bool GetBoolean(std::int32_t id) const { return ValueOf(id).ToBool(); }

    /// Stores `value` under `id`: nothing when equal to the held value; an empty value removes
    /// the record; otherwise the record is changed or added. Recorded as an undo step when an
    /// undo transaction is open and `undoable` (false: the caller knows none is needed).
    void SetValue(std::int32_t id, const TValue& value, bool undoable = true);
    /// Removes every record (undoably, one step per record).
    void Clear();

    std::size_t Count() const { return size_; }
    bool Empty() const { return size_ == 0; }
    const TProperty& At(std::size_t index) const { return Data()[index]; }
    const TProperty* begin() const { return Data(); }
    const TProperty* end() const { return Data() + size_; }

    /// Puts `value` under `id` without any undo step; an empty value removes the record.
    void RawPut(std::int32_t id, TValue value) {
        // Loaders fill a reserved array in identifier order: that needs neither search nor move.
        if (capacity_ > size_ && (size_ == 0 || heap_[size_ - 1].Id() < id) && !value.IsEmpty()) {
            new (heap_ + size_) TProperty(id, std::move(value));
            ++size_;
            return;
        }
        Put(id, std::move(value));
    }
    /// Bytes held on the heap by this list (for memory accounting).
    std::size_t HeapBytes() const {
        return static_cast<std::size_t>(capacity_) * sizeof(TProperty);
    }
    /// Makes room for `count` records at once (loaders that know how many follow).
    void Reserve(std::size_t count);

private:
    // Capacity 0: at most one record, held in `inline_`; else the array `heap_` of `capacity_`
    // records (two or more, except while a reservation is being filled).
    TProperty* Inline() const {
        return std::launder(reinterpret_cast<TProperty*>(const_cast<unsigned char*>(inline_)));
    }
    TProperty* Data() const { return capacity_ == 0 ? Inline() : heap_; }
    const TProperty* FindInArray(std::int32_t id) const;
    std::size_t LowerBound(std::int32_t id) const;
    void Relocate(TPropertyList& from) noexcept;
    void MoveToArray(std::size_t capacity);
    void Put(std::int32_t id, TValue value);

    union {
        TProperty* heap_;
        alignas(TProperty) unsigned char inline_[sizeof(TProperty)];
    };
    std::uint16_t size_ = 0;
    std::uint16_t capacity_ = 0;
    mutable std::uint16_t cache_ = 0; // index of the record the last lookup found
};

/// An undo step on a property list: holds one value for one identifier and swaps it with what
/// the list holds (the empty value standing for "no record"). Do, Undo and Redo all swap.
class TChangePropValueUndoer : public undo::TUndoer {
public:
    TChangePropValueUndoer(TPropertyList* list, std::int32_t id, TValue saved)
        : list_(list), id_(id), saved_(std::move(saved)) {}
    void Do() override;
    void Undo() override { Do(); }
    void Redo() override { Do(); }

private:
    TPropertyList* list_;
    std::int32_t id_;
    TValue saved_;
};

/// The accessor through which one property of one entity is read and written. Short-lived;
/// handed out as shared pointers.
class IProperty {
public:
    virtual ~IProperty() = default;
    virtual std::int32_t GetId() const = 0;
    virtual void SetValue(const TValue& value) = 0;
    virtual TValue GetValue() const = 0;
    /// Sets the empty value.
    virtual void Clear() = 0;
    /// The specification; may be nullptr for accessors without one.
    virtual const TPropSpec* Spec() const = 0;
    /// The entity holds no value of its own (the default or an inherited value is shown).
    virtual bool IsUnset() const = 0;
    /// The referenced object; nullptr for a missing or non-object value.
    virtual TZEPPersistent* GetAsObject() const = 0;
    virtual void SetAsObject(const TZEPPersistent* object) = 0;
    virtual std::int32_t GetAsInteger() const = 0;
    virtual void SetAsInteger(std::int32_t value) = 0;
    virtual double GetAsFloat() const = 0;
    virtual void SetAsFloat(double value) = 0;
    /// The display text (the specification's DisplayText).
    virtual std::string GetAsString() const = 0;
    /// Stores the text as a text value; the entity converts it to the property's type.
    virtual void SetAsString(const std::string& value) = 0;
    virtual bool GetAsBoolean() const = 0;
    virtual void SetAsBoolean(bool value) = 0;
    /// Whether `value` would pass the specification.
    virtual bool IsValidValue(const TValue& value) const = 0;
    virtual bool IsValid() const = 0;
    /// The specification's message for the current value; empty when valid.
    virtual std::string ErrorMessage() const = 0;
    /// The current value equals the specification's default.
    virtual bool IsDefault() const = 0;
    /// The text written to the project file.
    virtual std::string KeyText() const = 0;
};

using PProperty = std::shared_ptr<IProperty>;

/// Base of accessors: implements the typed getters and setters, Clear, GetAsString, KeyText and
/// validation in terms of GetValue, SetValue and Spec.
class TPropertyImpl : public virtual IProperty {
public:
    void Clear() override { SetValue(TValue()); }
    TZEPPersistent* GetAsObject() const override { return GetValue().ToObject(); }
    void SetAsObject(const TZEPPersistent* object) override { SetValue(TValue(object)); }
    std::int32_t GetAsInteger() const override { return GetValue().ToInteger(); }
    void SetAsInteger(std::int32_t value) override { SetValue(TValue(value)); }
    double GetAsFloat() const override { return GetValue().ToDouble(); }
    void SetAsFloat(double value) override { SetValue(TValue(value)); }
    std::string GetAsString() const override;
    void SetAsString(const std::string& value) override { SetValue(TValue(value)); }
    bool GetAsBoolean() const override { return GetValue().ToBool(); }
    void SetAsBoolean(bool value) override { SetValue(TValue(value)); }
    bool IsValidValue(const TValue& value) const override;
    bool IsValid() const override { return IsValidValue(GetValue()); }
    std::string ErrorMessage() const override;
    bool IsDefault() const override;
    std::string KeyText() const override;
};

} // namespace zep::model
