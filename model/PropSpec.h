// Property specifications: what one property of an entity class may hold, how it is shown and
// validated; and the per-class sets of them.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/Value.h"

namespace zep::model {

/// Storage flags of a specification (a byte).
using TPropFlags = std::uint8_t;
constexpr TPropFlags psAlwaysStored = 0x01; ///< written even when default or not held
constexpr TPropFlags psNoAttribute = 0x02;  ///< never an attribute of the entity's element
constexpr TPropFlags psAttribute = 0x04;    ///< entity-level, written as an attribute
constexpr TPropFlags psNotStored = 0x08;    ///< never written to the project file
constexpr TPropFlags psUnversioned = 0x10;  ///< one value for all scenarios (entity-level)
constexpr TPropFlags psMinExclusive = 0x20; ///< value must be strictly greater than the minimum
constexpr TPropFlags psMaxExclusive = 0x40; ///< value must be strictly less than the maximum

/// The declaration of one property: identifier, names, value type, default, bounds, flags and
/// display rules. Specifications are created once per class and live for the whole run.
class TPropSpec {
public:
    TPropSpec(std::int32_t id, std::string name, std::uint16_t valueType, TPropFlags flags,
              TValue defaultValue = {}, TValue minimum = {}, TValue maximum = {});
    virtual ~TPropSpec() = default;
    TPropSpec(const TPropSpec&) = delete;
    TPropSpec& operator=(const TPropSpec&) = delete;

    /// Converts `value` in place to the value type; true when empty or converted.
    virtual bool CheckType(TValue& value) const;
    /// The text shown to the user.
    virtual std::string DisplayText(const TValue& value) const;
    /// DisplayText, preceded by the key prefix and "_" when there is one (n_12).
    virtual std::string KeyText(const TValue& value) const;

    /// CheckType (converting in place), then the bounds; an empty value is always valid.
    bool IsValid(TValue& value) const;
    /// Empty when valid, otherwise the message naming the property, its type and bounds.
    std::string ErrorMessage(const TValue& value) const;

    std::int32_t Id() const { return id_; }
    const std::string& Name() const { return name_; }
    /// The declared name as lower-case words ("ZoneInternalCostFactor2" -> "zone internal cost
    /// factor2").
    const std::string& DisplayName() const { return displayName_; }
    /// DisplayName with blanks as "_": the key in project files.
    const std::string& StorageName() const { return storageName_; }
    std::uint16_t ValueType() const { return valueType_; }
    const TValue& Default() const { return default_; }
    const TValue& Minimum() const { return minimum_; }
    const TValue& Maximum() const { return maximum_; }
    TPropFlags Flags() const { return flags_; }
    bool HasFlag(TPropFlags f) const { return (flags_ & f) != 0; }
    const std::string& KeyPrefix() const { return keyPrefix_; }
    const std::string& DisplayFormat() const { return displayFormat_; }
    /// A format pattern with one argument (the value) used by DisplayText, e.g. "%3.2f".
    TPropSpec* SetDisplayFormat(std::string format) {
        displayFormat_ = std::move(format);
        return this;
    }

    /// The words of a declared name, lower-cased (the display name).
    static std::string WordsOf(const std::string& name);

protected:
    std::string keyPrefix_;

private:
    std::int32_t id_;
    std::string name_;
    std::string storageName_;
    std::string displayName_;
    std::uint16_t valueType_;
    TValue default_;
    TValue minimum_;
    TValue maximum_;
    TPropFlags flags_;
    std::string displayFormat_;
};

/// Text (256); shown unchanged.
class TStrPropSpec : public TPropSpec {
public:
    TStrPropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue = {});
    std::string DisplayText(const TValue& value) const override;
};

/// 32-bit integer (3); shown in decimal.
class TIntPropSpec : public TPropSpec {
public:
    TIntPropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue = {},
                 TValue minimum = {}, TValue maximum = {});
    std::string DisplayText(const TValue& value) const override;
};

/// An entity identifier: integer with a key prefix (KeyText "n_12").
class TIntIdPropSpec : public TIntPropSpec {
public:
    TIntIdPropSpec(std::int32_t id, std::string name, TPropFlags flags, std::string keyPrefix);
};

/// Double (5); the display format when set, else 7 significant digits, "INF"/"-INF".
class TFloatPropSpec : public TPropSpec {
public:
    TFloatPropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue = {},
                   TValue minimum = {}, TValue maximum = {});
    std::string DisplayText(const TValue& value) const override;
};

/// A fraction (1 = 100 %); shown as the value times 100 followed by "%".
class TPercentPropSpec : public TFloatPropSpec {
public:
    using TFloatPropSpec::TFloatPropSpec;
    std::string DisplayText(const TValue& value) const override;
};

/// Hours (held as a double); text with ":" is read as a clock time ("1:30" is 1.5); shown as
/// "h:mm:ss", "FOREVER" for plus infinity.
class TTimePropSpec : public TPropSpec {
public:
    TTimePropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue = {},
                  TValue minimum = {}, TValue maximum = {});
    bool CheckType(TValue& value) const override;
    std::string DisplayText(const TValue& value) const override;
};

/// A reference to another model object (10); no default, no bounds.
class TObjPropSpec : public TPropSpec {
public:
    TObjPropSpec(std::int32_t id, std::string name, TPropFlags flags);
};

/// Boolean (11); shown as "true" or "false".
class TBoolPropSpec : public TPropSpec {
public:
    TBoolPropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue = {});
    std::string DisplayText(const TValue& value) const override;
};

/// An index 0..n into a list of n+1 labels; shows the label, or "nil" when invalid.
class TEnumPropSpec : public TPropSpec {
public:
    TEnumPropSpec(std::int32_t id, std::string name, TPropFlags flags, std::int32_t highest,
                  std::vector<std::string> labels, TValue defaultValue = {});
    std::string DisplayText(const TValue& value) const override;
    const std::vector<std::string>& Labels() const { return labels_; }

private:
    std::vector<std::string> labels_;
};

/// The specifications of one entity class, by identifier and by exact name. Built once per
/// class (usually as a copy of the parent class's set) and kept for the whole run; the
/// specifications themselves are never freed.
class TPropSpecSet {
public:
    TPropSpecSet() { fast_.fill(nullptr); }
    /// A copy of the parent class's set; later additions do not touch the parent.
    explicit TPropSpecSet(const TPropSpecSet& parent) = default;
    TPropSpecSet& operator=(const TPropSpecSet&) = delete;

    /// Takes the (heap-allocated) specification for good and enters it under its identifier and
    /// its name, replacing entries with either; answers it.
    TPropSpec* Add(TPropSpec* spec);
    /// Adds each in order.
    void AddAll(std::initializer_list<TPropSpec*> specs);
    /// The specification with this identifier; an unknown identifier gets (and keeps) a text
    /// specification named by its number, psNoAttribute | psNotStored, no default. Values are
    /// stored under identifiers of 16 bits: callers pass no others.
    TPropSpec& ById(std::int32_t id);
    /// The specification with this declared name; an unknown name gets (and keeps) a text
    /// specification with identifier -(MaxId + 1), psNoAttribute | psNotStored, default "?".
    TPropSpec& ByName(const std::string& name);
    /// The specification or nullptr; never adds.
    const TPropSpec* FindById(std::int32_t id) const;
    const TPropSpec* FindByName(const std::string& name) const;
    /// The largest identifier; INT32_MIN + 1 for an empty set.
    std::int32_t MaxId() const;
    /// Every specification in identifier order.
    const std::map<std::int32_t, TPropSpec*>& AllById() const { return byId_; }
    const std::map<std::string, TPropSpec*>& AllByName() const { return byName_; }

    /// The specification whose exchange name (`StorageName`) is `name` as the project files
    /// read it: the first declared name, in name order, with that exchange name; a placeholder
    /// made by ById or ByName only when no declaration has it (a file that named a property in
    /// other letters must not take the name from the declaration for later files); nullptr when
    /// none.
    const TPropSpec* FindByExchangeName(const std::string& name) const;
    /// The exchange name under which values of property `id` read back as that property: the
    /// exchange name of the specification of `id` when it leads back to `id`, else that of
    /// another declaration of `id` that does; empty when no name leads back to `id` (several
    /// declarations of one kind share a name).
    const std::string& ExchangeNameOf(std::int32_t id) const;

private:
    void IndexExchangeName(TPropSpec* spec);
    TPropSpec* AddPlaceholder(TPropSpec* spec);

    std::map<std::int32_t, TPropSpec*> byId_;
    std::map<std::string, TPropSpec*> byName_;
    std::array<TPropSpec*, 256> fast_; // byId_ for identifiers 0..255 without a tree walk
    // Exchange name -> its specification, kept up to date by Add.
    std::unordered_map<std::string, TPropSpec*> byExchangeName_;
    // The specifications ById and ByName made for what no declaration names.
    std::unordered_set<const TPropSpec*> placeholders_;
    // Answers of ExchangeNameOf; any Add may change them, so it empties this.
    mutable std::unordered_map<std::int32_t, const std::string*> exchangeNameOf_;
};

} // namespace zep::model
