// The compact tagged property value (16 bytes) with the conversions and the comparison every
// entity relies on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zep::model {

class TZEPPersistent;
class TProperty;

/// Kind codes; the numbers are the ones value types are declared with (text 256, integer 3,
/// real 5, date 7, object reference 10, boolean 11).
enum TVarType : std::uint16_t {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varDispatch = 9,
    varError = 10, // object reference: a non-owning pointer to a model object
    varBoolean = 11,
    varVariant = 12,
    varUnknown = 13,
    varByte = 17,
    varString = 256,
};

/// The eight classes conversions and comparisons work on; None: any other kind.
enum class TValueClass : std::uint8_t {
    None,
    Null,
    Integer,
    Real,
    Currency,
    String,
    Boolean,
    Date,
    Object
};

/// The class of a kind code.
TValueClass ClassOf(std::uint16_t varType);
/// The type name used in messages ("integer", "real", "string", "error", ...).
const char* VarTypeName(std::uint16_t varType);

/// Text to number: trimmed and upper-cased; "" gives 0; a trailing "%" divides by 100; "INF" and
/// "-INF" give the infinities; anything else that is not a decimal number gives NaN.
double TextToNumber(std::string_view text);

/// A dynamically typed property value: a 16-bit kind tag and an 8-byte payload. Text is held by
/// pointer to a shared immutable string, so copies are cheap. Not thread-safe (one UI thread).
/// Sixteen bits of the padding between tag and payload belong to the property record holding the
/// value (its identifier): no copy, move or assignment of a value reads or writes them.
class TValue {
public:
    TValue() noexcept : kind_(varEmpty) { u_.i64 = 0; }
    TValue(int v) noexcept : kind_(varInteger) {
        u_.i64 = 0;
        u_.i32 = v;
    }
    TValue(double v) noexcept : kind_(varDouble) { u_.d = v; }
    TValue(bool v) noexcept : kind_(varBoolean) {
        u_.i64 = 0;
        u_.b = v;
    }
    TValue(const char* text) : TValue(std::string_view(text)) {}
    TValue(const std::string& text) : TValue(std::string_view(text)) {}
    TValue(std::string_view text);
    /// An object reference; nullptr gives the empty value (a missing reference is no value).
    TValue(const TZEPPersistent* object) noexcept;

    static TValue Null() noexcept;
    static TValue Byte(std::uint8_t v) noexcept;
    static TValue Int16(std::int16_t v) noexcept;
    static TValue Single(float v) noexcept;
    /// Currency from its scaled form (value times 10,000).
    static TValue CurrencyScaled(std::int64_t scaled) noexcept;
    /// Currency from a real, rounded to four decimals.
    static TValue Currency(double v) noexcept;
    /// Date-time as days since 1899-12-30, fraction = time of day.
    static TValue Date(double days) noexcept;

    // Inline: values are copied and moved by the million when a study is read or edited; only
    // text needs the shared string's count.
    TValue(const TValue& other) noexcept : kind_(other.kind_), u_(other.u_) {
        if (kind_ == varString) AddRef();
    }
    TValue(TValue&& other) noexcept : kind_(other.kind_), u_(other.u_) {
        other.kind_ = varEmpty;
        other.u_.i64 = 0;
    }
    TValue& operator=(const TValue& other) noexcept {
        if (this != &other) {
            if (other.kind_ == varString) other.AddRef();
            Release();
            kind_ = other.kind_;
            u_ = other.u_;
        }
        return *this;
    }
    TValue& operator=(TValue&& other) noexcept {
        if (this != &other) {
            Release();
            kind_ = other.kind_;
            u_ = other.u_;
            other.kind_ = varEmpty;
            other.u_.i64 = 0;
        }
        return *this;
    }
    ~TValue() { Release(); }

    std::uint16_t Kind() const noexcept { return kind_; }
    TValueClass Class() const noexcept { return ClassOf(kind_); }
    /// Empty, null, or the empty text: the property holds no value.
    bool IsEmpty() const noexcept {
        return kind_ == varEmpty || kind_ == varNull || (kind_ == varString && !u_.str);
    }
    bool IsObject() const noexcept { return kind_ == varError; }
    bool IsText() const noexcept { return kind_ == varString; }

    /// Integer conversion, rounding halves to even; false when there is no integer (NaN text,
    /// out of 32-bit range).
    bool TryToInteger(std::int32_t& out) const noexcept;
    /// Integer conversion; 0 when TryToInteger fails.
    std::int32_t ToInteger() const noexcept;
    /// Real conversion; null and empty give 0; unconvertible kinds give NaN.
    double ToDouble() const noexcept { return kind_ == varDouble ? u_.d : ToDoubleSlow(); }
    /// Text conversion: reals and currency in general form with 7 digits ("INF", "-INF").
    std::string ToString() const;
    /// Text: "TRUE" or "T" in any case is true; other kinds: integer conversion non-zero.
    bool ToBool() const noexcept;
    /// The referenced object; nullptr for any other kind.
    TZEPPersistent* ToObject() const noexcept { return kind_ == varError ? u_.obj : nullptr; }

    /// Raw payload access for writers that keep the kind (the native file).
    std::int32_t AsInt32Raw() const noexcept { return u_.i32; }
    std::int16_t AsInt16Raw() const noexcept { return u_.i16; }
    std::uint8_t AsByteRaw() const noexcept { return u_.u8; }
    float AsSingleRaw() const noexcept { return u_.f; }
    double AsDoubleRaw() const noexcept { return u_.d; }
    std::int64_t AsCurrencyScaled() const noexcept { return u_.i64; }
    bool AsBoolRaw() const noexcept { return u_.b; }
    /// The text of a text value without copying; "" for other kinds.
    std::string_view TextView() const noexcept;

    /// Identical kind and payload (text by content, reals bit for bit); for tests and dumps.
    bool SameAs(const TValue& other) const noexcept;
    /// Kind-tagged exact text ("i32:3", "f64:0.5", "s:'ab'", "obj" ...) for canonical dumps.
    std::string DebugText() const;

private:
    friend class TProperty;
    struct StrRep;
    double ToDoubleSlow() const noexcept;
    void AddRef() const noexcept;
    void Release() noexcept {
        if (kind_ == varString) ReleaseText();
    }
    void ReleaseText() noexcept;

    std::uint16_t kind_;
    std::int16_t holderSlot_ = 0; // the holding record's identifier; see the class comment
    union {
        std::int32_t i32;
        std::int16_t i16;
        std::uint8_t u8;
        float f;
        double d;
        std::int64_t i64;
        bool b;
        StrRep* str; // nullptr: the empty text
        TZEPPersistent* obj;
    } u_;
};

static_assert(sizeof(TValue) == 16, "property values must stay compact");

/// Compares by the class table: N (null rule), I (integers), R (reals), S (ordinal text),
/// O (object identity). Answers <0, 0, >0; nullopt when a conversion fails.
std::optional<int> CompareValues(const TValue& a, const TValue& b) noexcept;
/// CompareValues gives 0; a failed comparison counts as inequality.
bool ValuesEqual(const TValue& a, const TValue& b) noexcept;

} // namespace zep::model
