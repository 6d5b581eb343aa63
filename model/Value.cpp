#include "model/Value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <system_error>

#include "foundation/Format.h"

namespace zep::model {

struct TValue::StrRep {
    std::uint32_t refs;
    std::uint32_t length;
    char data[1];
};

TValueClass ClassOf(std::uint16_t varType) {
    switch (varType) {
    case varEmpty:
    case varNull:
        return TValueClass::Null;
    case varByte:
    case varSmallint:
    case varInteger:
        return TValueClass::Integer;
    case varSingle:
    case varDouble:
        return TValueClass::Real;
    case varCurrency:
        return TValueClass::Currency;
    case varOleStr:
    case varString:
        return TValueClass::String;
    case varBoolean:
        return TValueClass::Boolean;
    case varDate:
        return TValueClass::Date;
    case varError:
        return TValueClass::Object;
    default:
        return TValueClass::None;
    }
}

const char* VarTypeName(std::uint16_t varType) {
    switch (varType) {
    case varEmpty:
        return "empty";
    case varNull:
        return "null";
    case varSmallint:
    case varInteger:
        return "integer";
    case varSingle:
    case varDouble:
        return "real";
    case varCurrency:
        return "currency";
    case varDate:
        return "date";
    case varOleStr:
        return "ole string";
    case varDispatch:
        return "dispatch";
    case varError:
        return "error";
    case varBoolean:
        return "boolean";
    case varVariant:
        return "variant";
    case varUnknown:
        return "unknown";
    case varByte:
        return "byte";
    case varString:
        return "string";
    default:
        return "unknown";
    }
}

double TextToNumber(std::string_view text) {
    std::string t = UpperCase(Trim(text));
    if (t.empty()) return 0;
    double scale = 1;
    if (t.back() == '%') {
        t.pop_back();
        t = Trim(t);
        scale = 100;
    }
    double v;
    if (t == "INF")
        v = std::numeric_limits<double>::infinity();
    else if (t == "-INF")
        v = -std::numeric_limits<double>::infinity();
    else if (!TryStrToFloat(t, v))
        return std::numeric_limits<double>::quiet_NaN();
    return v / scale;
}

// ---- construction -----------------------------------------------------------------------------

TValue::TValue(std::string_view text) : kind_(varString) {
    u_.i64 = 0;
    if (text.empty()) return;
    void* mem = std::malloc(sizeof(StrRep) + text.size());
    if (!mem) throw std::bad_alloc();
    auto* rep = static_cast<StrRep*>(mem);
    rep->refs = 1;
    rep->length = static_cast<std::uint32_t>(text.size());
    std::memcpy(rep->data, text.data(), text.size());
    rep->data[text.size()] = 0;
    u_.str = rep;
}

TValue::TValue(const TZEPPersistent* object) noexcept : kind_(object ? varError : varEmpty) {
    u_.i64 = 0;
    u_.obj = const_cast<TZEPPersistent*>(object);
}

TValue TValue::Null() noexcept {
    TValue v;
    v.kind_ = varNull;
    return v;
}

TValue TValue::Byte(std::uint8_t b) noexcept {
    TValue v;
    v.kind_ = varByte;
    v.u_.u8 = b;
    return v;
}

TValue TValue::Int16(std::int16_t i) noexcept {
    TValue v;
    v.kind_ = varSmallint;
    v.u_.i16 = i;
    return v;
}

TValue TValue::Single(float f) noexcept {
    TValue v;
    v.kind_ = varSingle;
    v.u_.f = f;
    return v;
}

TValue TValue::CurrencyScaled(std::int64_t scaled) noexcept {
    TValue v;
    v.kind_ = varCurrency;
    v.u_.i64 = scaled;
    return v;
}

TValue TValue::Currency(double d) noexcept {
    return CurrencyScaled(static_cast<std::int64_t>(std::llround(d * 10000.0)));
}

TValue TValue::Date(double days) noexcept {
    TValue v;
    v.kind_ = varDate;
    v.u_.d = days;
    return v;
}

void TValue::AddRef() const noexcept {
    if (u_.str) ++u_.str->refs;
}

void TValue::ReleaseText() noexcept {
    if (u_.str && --u_.str->refs == 0) std::free(u_.str);
}

// ---- conversions ------------------------------------------------------------------------------

std::string_view TValue::TextView() const noexcept {
    if (kind_ != varString || !u_.str) return {};
    return {u_.str->data, u_.str->length};
}

namespace {
bool RoundToInt32(double d, std::int32_t& out) {
    if (!std::isfinite(d)) return false;
    double r = std::nearbyint(d); // the default rounding mode rounds halves to even
    if (r < -2147483648.0 || r > 2147483647.0) return false;
    out = static_cast<std::int32_t>(r);
    return true;
}
} // namespace

bool TValue::TryToInteger(std::int32_t& out) const noexcept {
    switch (kind_) {
    case varEmpty:
    case varNull:
        out = 0;
        return true;
    case varByte:
        out = u_.u8;
        return true;
    case varSmallint:
        out = u_.i16;
        return true;
    case varInteger:
        out = u_.i32;
        return true;
    case varSingle:
        return RoundToInt32(u_.f, out);
    case varDouble:
    case varDate:
        return RoundToInt32(u_.d, out);
    case varCurrency:
        return RoundToInt32(static_cast<double>(u_.i64) / 10000.0, out);
    case varBoolean:
        out = u_.b ? -1 : 0;
        return true;
    case varString:
        return RoundToInt32(TextToNumber(TextView()), out);
    case varError:
        out = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(u_.obj));
        return true;
    default:
        out = 0;
        return true;
    }
}

std::int32_t TValue::ToInteger() const noexcept {
    std::int32_t v = 0;
    return TryToInteger(v) ? v : 0;
}

double TValue::ToDoubleSlow() const noexcept {
    switch (kind_) {
    case varEmpty:
    case varNull:
        return 0;
    case varByte:
        return u_.u8;
    case varSmallint:
        return u_.i16;
    case varInteger:
        return u_.i32;
    case varSingle:
        return u_.f;
    case varDouble:
    case varDate:
        return u_.d;
    case varCurrency:
        return static_cast<double>(u_.i64) / 10000.0;
    case varBoolean:
        return u_.b ? -1.0 : 0.0;
    case varString:
        return TextToNumber(TextView());
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
}

namespace {
// Days since 1899-12-30 to a civil date (proleptic Gregorian calendar).
void DaysToCivil(long long days, int& y, unsigned& m, unsigned& d) {
    long long z = days - 25569 + 719468; // 1899-12-30 is 25569 days before 1970-01-01
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2 ? 1 : 0));
}

std::string DateText(double days) {
    if (!std::isfinite(days)) return FloatToStrGeneral(days, 7);
    double whole = std::floor(days);
    long long secs = std::llround((days - whole) * 86400.0);
    if (secs >= 86400) {
        whole += 1;
        secs -= 86400;
    }
    std::string text;
    if (whole != 0 || secs == 0) {
        int y;
        unsigned m, d;
        DaysToCivil(static_cast<long long>(whole), y, m, d);
        text = Format("%4.4d-%2.2d-%2.2d", {y, m, d});
    }
    if (secs != 0) {
        if (!text.empty()) text += ' ';
        text += Format("%2.2d:%2.2d:%2.2d",
                       {static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                        static_cast<int>(secs % 60)});
    }
    return text;
}
} // namespace

std::string TValue::ToString() const {
    switch (kind_) {
    case varEmpty:
    case varNull:
        return {};
    case varByte:
        return std::to_string(u_.u8);
    case varSmallint:
        return std::to_string(u_.i16);
    case varInteger:
        return std::to_string(u_.i32);
    case varSingle:
        return FloatToStrGeneral(u_.f, 7);
    case varDouble:
        return FloatToStrGeneral(u_.d, 7);
    case varCurrency:
        return FloatToStrGeneral(static_cast<double>(u_.i64) / 10000.0, 7);
    case varDate:
        return DateText(u_.d);
    case varBoolean:
        return u_.b ? "True" : "False";
    case varString:
        return std::string(TextView());
    default:
        return {};
    }
}

bool TValue::ToBool() const noexcept {
    if (kind_ == varString) {
        std::string t = UpperCase(TextView());
        return t == "TRUE" || t == "T";
    }
    if (kind_ == varBoolean) return u_.b;
    return ToInteger() != 0;
}

bool TValue::SameAs(const TValue& other) const noexcept {
    if (kind_ != other.kind_) return false;
    switch (kind_) {
    case varEmpty:
    case varNull:
        return true;
    case varByte:
        return u_.u8 == other.u_.u8;
    case varSmallint:
        return u_.i16 == other.u_.i16;
    case varInteger:
        return u_.i32 == other.u_.i32;
    case varSingle:
        return std::memcmp(&u_.f, &other.u_.f, sizeof(float)) == 0;
    case varDouble:
    case varDate:
        return std::memcmp(&u_.d, &other.u_.d, sizeof(double)) == 0;
    case varCurrency:
        return u_.i64 == other.u_.i64;
    case varBoolean:
        return u_.b == other.u_.b;
    case varString:
        return TextView() == other.TextView();
    case varError:
        return u_.obj == other.u_.obj;
    default:
        return u_.i64 == other.u_.i64;
    }
}

namespace {
// The shortest text that reads back as the same number (dumps are compared after every command
// of the random and fuzz tests, and the decimal conversion to 17 digits took most of a dump);
// zero of either sign, infinities and NaN as they always were shown.
template <class F> std::string ExactText(F value) {
    if (value == 0 || !std::isfinite(value)) return FloatToStrGeneral(value, 17);
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : FloatToStrGeneral(value, 17);
}
} // namespace

std::string TValue::DebugText() const {
    switch (kind_) {
    case varEmpty:
        return "empty";
    case varNull:
        return "null";
    case varByte:
        return "u8:" + std::to_string(u_.u8);
    case varSmallint:
        return "i16:" + std::to_string(u_.i16);
    case varInteger:
        return "i32:" + std::to_string(u_.i32);
    case varSingle:
        return "f32:" + ExactText(u_.f);
    case varDouble:
        return "f64:" + ExactText(u_.d);
    case varCurrency:
        return "cy:" + std::to_string(u_.i64);
    case varDate:
        return "dt:" + FloatToStrGeneral(u_.d, 17);
    case varBoolean:
        return u_.b ? "b:true" : "b:false";
    case varString:
        return "s:'" + std::string(TextView()) + "'";
    case varError:
        return "obj";
    default:
        return "kind" + std::to_string(kind_);
    }
}

// ---- comparison -------------------------------------------------------------------------------

namespace {
enum Mode : char { N = 'N', I = 'I', R = 'R', S = 'S', O = 'O' };

// Rows and columns: null, integer, real, currency, string, boolean, date, object.
constexpr Mode kModes[8][8] = {
    {N, N, N, N, N, N, N, N}, {N, I, R, R, S, I, R, I}, {N, R, R, R, S, R, R, O},
    {N, R, R, R, S, R, R, O}, {N, S, S, S, S, S, S, O}, {N, I, R, R, S, I, R, O},
    {N, R, R, R, S, R, R, O}, {N, I, O, O, O, O, O, O},
};

int Row(TValueClass c) {
    switch (c) {
    case TValueClass::Null:
        return 0;
    case TValueClass::Integer:
        return 1;
    case TValueClass::Real:
        return 2;
    case TValueClass::Currency:
        return 3;
    case TValueClass::String:
        return 4;
    case TValueClass::Boolean:
        return 5;
    case TValueClass::Date:
        return 6;
    case TValueClass::Object:
        return 7;
    default:
        return -1;
    }
}

template <class T> int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}
} // namespace

std::optional<int> CompareValues(const TValue& a, const TValue& b) noexcept {
    const int ra = Row(a.Class());
    const int rb = Row(b.Class());
    Mode mode = (ra < 0 || rb < 0) ? I : kModes[ra][rb];
    switch (mode) {
    case N: {
        const bool ea = a.IsEmpty();
        const bool eb = b.IsEmpty();
        if (!ea) return 1;
        return eb ? 0 : -1;
    }
    case I: {
        std::int32_t x, y;
        if (!a.TryToInteger(x) || !b.TryToInteger(y)) return std::nullopt;
        return Sign(x, y);
    }
    case R: {
        const double x = a.ToDouble();
        const double y = b.ToDouble();
        const bool nx = std::isnan(x);
        const bool ny = std::isnan(y);
        // NaN is the result of a failed conversion: equal only to itself, below every number.
        if (nx || ny) return nx && ny ? 0 : (nx ? -1 : 1);
        return Sign(x, y);
    }
    case S: {
        // Plain texts are compared in place; other kinds are converted first.
        if (a.IsText() && b.IsText()) {
            const int c = a.TextView().compare(b.TextView());
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        const int c = a.ToString().compare(b.ToString());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case O: {
        const TZEPPersistent* x = a.ToObject();
        const TZEPPersistent* y = b.ToObject();
        if (x == y) return 0;
        return std::less<const TZEPPersistent*>()(x, y) ? -1 : 1;
    }
    }
    return std::nullopt;
}

bool ValuesEqual(const TValue& a, const TValue& b) noexcept {
    // Same kind and payload is the common case when a write repeats a stored value.
    if (a.Kind() == b.Kind() && a.Kind() == varDouble)
        return a.AsDoubleRaw() == b.AsDoubleRaw() ||
               (std::isnan(a.AsDoubleRaw()) && std::isnan(b.AsDoubleRaw()));
    auto c = CompareValues(a, b);
    return c && *c == 0;
}

} // namespace zep::model
