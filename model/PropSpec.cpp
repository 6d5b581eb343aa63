#include "model/PropSpec.h"

#include <cmath>
#include <limits>
#include <memory>

#include "foundation/Format.h"

namespace zep::model {

namespace {
bool IsCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

// Specifications are shared by every entity of a class and by the sets of its subclasses, so
// they live until the program ends; the arena is reachable to the end, so leak checkers stay
// quiet.
std::vector<std::unique_ptr<TPropSpec>>& Arena() {
    static auto* arena = new std::vector<std::unique_ptr<TPropSpec>>();
    return *arena;
}
} // namespace

std::string TPropSpec::WordsOf(const std::string& name) {
    std::string out;
    std::size_t i = 0;
    const std::size_t n = name.size();
    while (i < n && IsCapital(name[i]))
        out += name[i++];
    while (i < n) {
        const char c = name[i];
        if (c == '_') {
            out += ' ';
            ++i;
            while (i < n && IsCapital(name[i]))
                out += name[i++];
        } else if (IsCapital(c)) {
            out += ' ';
            if (i + 1 < n && IsCapital(name[i + 1])) {
                while (i < n && IsCapital(name[i]))
                    out += name[i++];
            } else {
                out += static_cast<char>(c - 'A' + 'a');
                ++i;
            }
        } else {
            out += c;
            ++i;
        }
    }
    return LowerCase(out);
}

TPropSpec::TPropSpec(std::int32_t id, std::string name, std::uint16_t valueType, TPropFlags flags,
                     TValue defaultValue, TValue minimum, TValue maximum)
    : id_(id), name_(std::move(name)), valueType_(valueType), default_(std::move(defaultValue)),
      minimum_(std::move(minimum)), maximum_(std::move(maximum)), flags_(flags) {
    displayName_ = WordsOf(name_);
    storageName_ = displayName_;
    for (char& c : storageName_)
        if (c == ' ') c = '_';
}

bool TPropSpec::CheckType(TValue& value) const {
    if (value.IsEmpty()) return true;
    switch (ClassOf(valueType_)) {
    case TValueClass::Null:
        value = TValue();
        return true;
    case TValueClass::Integer: {
        std::int32_t i;
        if (!value.TryToInteger(i)) return false;
        value = TValue(i);
        return true;
    }
    case TValueClass::Real:
    case TValueClass::Currency:
    case TValueClass::Date: {
        // A text that is no number is kept as NaN, which never validates.
        const double d = value.ToDouble();
        value = TValue(d);
        return !std::isnan(d);
    }
    case TValueClass::String:
        value = TValue(value.ToString());
        return true;
    case TValueClass::Boolean:
        value = TValue(value.ToBool());
        return true;
    case TValueClass::Object:
        value = TValue(value.ToObject());
        return true;
    default:
        return false;
    }
}

std::string TPropSpec::DisplayText(const TValue& value) const {
    if (!displayFormat_.empty() && !value.IsEmpty()) {
        try {
            if (value.Class() == TValueClass::Integer)
                return Format(displayFormat_, {value.ToInteger()});
            if (value.IsText()) return Format(displayFormat_, {value.ToString()});
            return Format(displayFormat_, {value.ToDouble()});
        } catch (const EConvertError&) {
            // A pattern that does not fit the value's kind falls back to the plain text.
        }
    }
    return value.ToString();
}

std::string TPropSpec::KeyText(const TValue& value) const {
    std::string text = DisplayText(value);
    if (keyPrefix_.empty()) return text;
    return keyPrefix_ + "_" + text;
}

bool TPropSpec::IsValid(TValue& value) const {
    bool ok = CheckType(value);
    if (value.IsEmpty()) return ok;
    if (ok && !minimum_.IsEmpty()) {
        auto c = CompareValues(value, minimum_);
        ok = c && (HasFlag(psMinExclusive) ? *c > 0 : *c >= 0);
    }
    if (ok && !maximum_.IsEmpty()) {
        auto c = CompareValues(value, maximum_);
        ok = c && (HasFlag(psMaxExclusive) ? *c < 0 : *c <= 0);
    }
    return ok;
}

std::string TPropSpec::ErrorMessage(const TValue& value) const {
    TValue v = value;
    if (IsValid(v)) return {};
    const std::string& name = displayName_;
    const char* type = VarTypeName(valueType_);
    const bool hasMin = !minimum_.IsEmpty();
    const bool hasMax = !maximum_.IsEmpty();
    if (hasMin && hasMax)
        return Format("\"%s\" must be a %s between %s and %s",
                      {name, type, minimum_.ToString(), maximum_.ToString()});
    if (hasMax)
        return Format(HasFlag(psMaxExclusive) ? "\"%s\" must be a %s less than %s"
                                              : "\"%s\" must be a %s less or equal than %s",
                      {name, type, maximum_.ToString()});
    if (hasMin)
        return Format(HasFlag(psMinExclusive) ? "\"%s\" must be a %s greater than %s"
                                              : "\"%s\" must be a %s greater or equal than %s",
                      {name, type, minimum_.ToString()});
    return Format("\"%s\" must be a %s ", {name, type});
}

// ---- subclasses -------------------------------------------------------------------------------

TStrPropSpec::TStrPropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue)
    : TPropSpec(id, std::move(name), varString, flags, std::move(defaultValue)) {}

std::string TStrPropSpec::DisplayText(const TValue& value) const {
    return value.ToString();
}

TIntPropSpec::TIntPropSpec(std::int32_t id, std::string name, TPropFlags flags, TValue defaultValue,
                           TValue minimum, TValue maximum)
    : TPropSpec(id, std::move(name), varInteger, flags, std::move(defaultValue), std::move(minimum),
                std::move(maximum)) {}

std::string TIntPropSpec::DisplayText(const TValue& value) const {
    if (value.Class() == TValueClass::Integer || value.Kind() == varBoolean)
        return std::to_string(value.ToInteger());
    return value.ToString();
}

TIntIdPropSpec::TIntIdPropSpec(std::int32_t id, std::string name, TPropFlags flags,
                               std::string keyPrefix)
    : TIntPropSpec(id, std::move(name), flags) {
    keyPrefix_ = std::move(keyPrefix);
}

TFloatPropSpec::TFloatPropSpec(std::int32_t id, std::string name, TPropFlags flags,
                               TValue defaultValue, TValue minimum, TValue maximum)
    : TPropSpec(id, std::move(name), varDouble, flags, std::move(defaultValue), std::move(minimum),
                std::move(maximum)) {}

std::string TFloatPropSpec::DisplayText(const TValue& value) const {
    if (value.IsEmpty()) return {};
    if (!DisplayFormat().empty()) return TPropSpec::DisplayText(value);
    if (value.IsText()) return value.ToString();
    return FloatToStrGeneral(value.ToDouble(), 7);
}

std::string TPercentPropSpec::DisplayText(const TValue& value) const {
    if (value.IsEmpty()) return {};
    if (value.IsText()) return value.ToString();
    return FloatToStrGeneral(value.ToDouble() * 100.0, 7) + "%";
}

TTimePropSpec::TTimePropSpec(std::int32_t id, std::string name, TPropFlags flags,
                             TValue defaultValue, TValue minimum, TValue maximum)
    : TPropSpec(id, std::move(name), varDate, flags, std::move(defaultValue), std::move(minimum),
                std::move(maximum)) {}

namespace {
// "h:mm", "h:mm:ss" or "h:mm:ss.zzz" to hours; false for anything else.
bool ParseClockTime(std::string_view text, double& hours) {
    std::string t = Trim(text);
    std::size_t pos = 0;
    auto number = [&](long long& out, std::size_t maxDigits) {
        std::size_t start = pos;
        out = 0;
        while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9' && pos - start < maxDigits)
            out = out * 10 + (t[pos++] - '0');
        return pos > start;
    };
    long long h, m, s = 0, ms = 0;
    if (!number(h, 9) || pos >= t.size() || t[pos++] != ':' || !number(m, 2) || m > 59)
        return false;
    if (pos < t.size() && t[pos] == ':') {
        ++pos;
        if (!number(s, 2) || s > 59) return false;
        if (pos < t.size() && t[pos] == '.') {
            ++pos;
            std::size_t start = pos;
            if (!number(ms, 3)) return false;
            for (std::size_t d = pos - start; d < 3; ++d)
                ms *= 10;
        }
    }
    if (pos != t.size()) return false;
    hours = static_cast<double>(h) + static_cast<double>(m) / 60.0 +
            static_cast<double>(s) / 3600.0 + static_cast<double>(ms) / 3600000.0;
    return true;
}
} // namespace

bool TTimePropSpec::CheckType(TValue& value) const {
    if (value.IsText() && value.TextView().find(':') != std::string_view::npos) {
        double hours;
        if (!ParseClockTime(value.TextView(), hours)) return false;
        value = TValue(hours);
        return true;
    }
    return TPropSpec::CheckType(value);
}

std::string TTimePropSpec::DisplayText(const TValue& value) const {
    if (value.IsEmpty()) return {};
    if (value.IsText()) return value.ToString();
    const double h = value.ToDouble();
    if (std::isnan(h)) return FloatToStrGeneral(h, 7);
    if (h == std::numeric_limits<double>::infinity()) return "FOREVER";
    if (h == -std::numeric_limits<double>::infinity()) return "-" + std::string("FOREVER");
    const long long total = std::llround(std::fabs(h) * 3600.0);
    std::string text = Format("%d:%2.2d:%2.2d", {total / 3600, total / 60 % 60, total % 60});
    return h < 0 && total != 0 ? "-" + text : text;
}

TObjPropSpec::TObjPropSpec(std::int32_t id, std::string name, TPropFlags flags)
    : TPropSpec(id, std::move(name), varError, flags) {}

TBoolPropSpec::TBoolPropSpec(std::int32_t id, std::string name, TPropFlags flags,
                             TValue defaultValue)
    : TPropSpec(id, std::move(name), varBoolean, flags, std::move(defaultValue)) {}

std::string TBoolPropSpec::DisplayText(const TValue& value) const {
    return value.ToBool() ? "true" : "false";
}

TEnumPropSpec::TEnumPropSpec(std::int32_t id, std::string name, TPropFlags flags,
                             std::int32_t highest, std::vector<std::string> labels,
                             TValue defaultValue)
    : TPropSpec(id, std::move(name), varInteger, flags, std::move(defaultValue), TValue(0),
                TValue(highest)),
      labels_(std::move(labels)) {}

std::string TEnumPropSpec::DisplayText(const TValue& value) const {
    TValue v = value;
    if (v.IsEmpty() || !IsValid(v)) return "nil";
    const std::int32_t index = v.ToInteger();
    if (index < 0 || static_cast<std::size_t>(index) >= labels_.size()) return "nil";
    return labels_[static_cast<std::size_t>(index)];
}

// ---- sets -------------------------------------------------------------------------------------

TPropSpec* TPropSpecSet::Add(TPropSpec* spec) {
    Arena().emplace_back(spec);
    byId_[spec->Id()] = spec;
    TPropSpec*& named = byName_[spec->Name()];
    TPropSpec* replaced = named;
    named = spec;
    if (spec->Id() >= 0 && spec->Id() < 256) fast_[static_cast<std::size_t>(spec->Id())] = spec;
    exchangeNameOf_.clear();
    auto it = replaced ? byExchangeName_.find(replaced->StorageName()) : byExchangeName_.end();
    if (it != byExchangeName_.end() && it->second == replaced) {
        // The replaced declaration held its exchange name; another one may take it over now.
        byExchangeName_.clear();
        for (const auto& [declared, s] : byName_)
            IndexExchangeName(s);
    } else {
        IndexExchangeName(spec);
    }
    return spec;
}

void TPropSpecSet::IndexExchangeName(TPropSpec* spec) {
    TPropSpec*& first = byExchangeName_[spec->StorageName()];
    if (!first) {
        first = spec;
        return;
    }
    const bool placeholder = placeholders_.contains(spec);
    const bool firstPlaceholder = placeholders_.contains(first);
    if (placeholder == firstPlaceholder ? spec->Name() < first->Name() : firstPlaceholder)
        first = spec;
}

TPropSpec* TPropSpecSet::AddPlaceholder(TPropSpec* spec) {
    placeholders_.insert(spec);
    return Add(spec);
}

const TPropSpec* TPropSpecSet::FindByExchangeName(const std::string& name) const {
    auto it = byExchangeName_.find(name);
    return it == byExchangeName_.end() ? nullptr : it->second;
}

const std::string& TPropSpecSet::ExchangeNameOf(std::int32_t id) const {
    static const std::string kNone;
    if (auto it = exchangeNameOf_.find(id); it != exchangeNameOf_.end()) return *it->second;
    auto leadsBack = [&](const TPropSpec* spec) {
        const TPropSpec* back = FindByExchangeName(spec->StorageName());
        return back && back->Id() == id;
    };
    const std::string* found = &kNone;
    if (const TPropSpec* spec = FindById(id); spec && leadsBack(spec)) {
        found = &spec->StorageName();
    } else {
        for (const auto& [declared, other] : byName_)
            if (other->Id() == id && leadsBack(other)) {
                found = &other->StorageName();
                break;
            }
    }
    exchangeNameOf_.emplace(id, found);
    return *found;
}

void TPropSpecSet::AddAll(std::initializer_list<TPropSpec*> specs) {
    for (TPropSpec* s : specs)
        Add(s);
}

const TPropSpec* TPropSpecSet::FindById(std::int32_t id) const {
    if (id >= 0 && id < 256) return fast_[static_cast<std::size_t>(id)];
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

const TPropSpec* TPropSpecSet::FindByName(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

TPropSpec& TPropSpecSet::ById(std::int32_t id) {
    if (const TPropSpec* s = FindById(id)) return const_cast<TPropSpec&>(*s);
    return *AddPlaceholder(new TStrPropSpec(id, std::to_string(id), psNoAttribute | psNotStored));
}

TPropSpec& TPropSpecSet::ByName(const std::string& name) {
    if (const TPropSpec* s = FindByName(name)) return const_cast<TPropSpec&>(*s);
    return *AddPlaceholder(
        new TStrPropSpec(-(MaxId() + 1), name, psNoAttribute | psNotStored, TValue("?")));
}

std::int32_t TPropSpecSet::MaxId() const {
    if (byId_.empty()) return std::numeric_limits<std::int32_t>::min() + 1;
    return byId_.rbegin()->first;
}

} // namespace zep::model
