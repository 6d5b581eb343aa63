// A small, strict JSON reader (RFC 8259) for the few JSON inputs the system accepts, such as
// GeoJSON node files. It builds a tree that remembers the line of every value, so that callers
// can name the line of a value they reject.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"

namespace zep::files {

/// Malformed JSON; the message is "<file>:<line>: <what>".
ZEP_DECLARE_EXCEPTION(EJsonError, Exception);

struct TJsonMember;

/// One JSON value. Strings are UTF-8 as in the input; object members keep their input order.
class TJsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    int line = 0;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<TJsonValue> items;
    std::vector<TJsonMember> members;

    bool IsNull() const { return kind == Kind::Null; }
    bool IsNumber() const { return kind == Kind::Number; }
    bool IsString() const { return kind == Kind::String; }
    bool IsArray() const { return kind == Kind::Array; }
    bool IsObject() const { return kind == Kind::Object; }
    /// The member named `key` of an object, or nullptr (also for values that are no object).
    const TJsonValue* Find(std::string_view key) const;
};

/// One member of an object.
struct TJsonMember {
    std::string name;
    TJsonValue value;
};

/// The name of a kind for messages: "null", "a boolean", "a number", "a string", ...
const char* JsonKindName(TJsonValue::Kind kind);

/// Parses one JSON text. Rejects what RFC 8259 rejects (trailing commas, comments, single
/// quotes, leading zeros, control characters and invalid UTF-8 in strings, unpaired
/// surrogates), duplicate keys, numbers out of the double range and nesting deeper than
/// kMaxJsonDepth. A leading UTF-8 byte order mark is skipped. `fileName` names the input in
/// messages.
TJsonValue ParseJson(std::string_view text, std::string_view fileName);

inline constexpr int kMaxJsonDepth = 256;

} // namespace zep::files
