#include "files/Json.h"

#include "foundation/CodePages.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <unordered_set>

namespace zep::files {
namespace {

class Parser {
public:
    Parser(std::string_view text, std::string_view fileName) : s_(text), file_(fileName) {}

    TJsonValue Document() {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") p_ = 3;
        SkipBlanks();
        TJsonValue root = Value(0);
        SkipBlanks();
        if (p_ < s_.size()) Fail("text after the JSON value");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw EJsonError(std::string(file_) + ":" + std::to_string(line_) + ": " + what);
    }

    [[noreturn]] void Unexpected() const {
        if (p_ >= s_.size()) Fail("unexpected end of input");
        unsigned char c = static_cast<unsigned char>(s_[p_]);
        char buf[40];
        if (c > ' ' && c < 0x7F)
            std::snprintf(buf, sizeof buf, "unexpected character '%c'", c);
        else
            std::snprintf(buf, sizeof buf, "unexpected byte 0x%02X", c);
        Fail(buf);
    }

    void SkipBlanks() {
        while (p_ < s_.size()) {
            char c = s_[p_];
            if (c == '\n') {
                if (line_ < INT_MAX) ++line_;
            } else if (c == '\r') {
                if ((p_ + 1 >= s_.size() || s_[p_ + 1] != '\n') && line_ < INT_MAX) ++line_;
            } else if (c != ' ' && c != '\t') {
                return;
            }
            ++p_;
        }
    }

    bool Literal(std::string_view word) {
        if (s_.substr(p_, word.size()) != word) return false;
        p_ += word.size();
        return true;
    }

    TJsonValue Value(int depth) {
        if (depth >= kMaxJsonDepth)
            Fail("nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels");
        TJsonValue v;
        v.line = line_;
        if (p_ >= s_.size()) Unexpected();
        char c = s_[p_];
        if (c == '{') {
            v.kind = TJsonValue::Kind::Object;
            Object(v, depth);
        } else if (c == '[') {
            v.kind = TJsonValue::Kind::Array;
            Array(v, depth);
        } else if (c == '"') {
            v.kind = TJsonValue::Kind::String;
            v.text = String();
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            v.kind = TJsonValue::Kind::Number;
            v.number = Number();
        } else if (Literal("true")) {
            v.kind = TJsonValue::Kind::Bool;
            v.boolean = true;
        } else if (Literal("false")) {
            v.kind = TJsonValue::Kind::Bool;
        } else if (!Literal("null")) {
            Unexpected();
        }
        return v;
    }

    void Object(TJsonValue& v, int depth) {
        ++p_;
        SkipBlanks();
        if (p_ < s_.size() && s_[p_] == '}') {
            ++p_;
            return;
        }
        std::unordered_set<std::string> keys;
        for (;;) {
            if (p_ >= s_.size() || s_[p_] != '"') {
                if (p_ < s_.size() && s_[p_] != '}') Fail("expected a string as member name");
                Unexpected();
            }
            std::string key = String();
            if (!keys.insert(key).second) Fail("duplicate member \"" + key + "\"");
            SkipBlanks();
            if (p_ >= s_.size() || s_[p_] != ':') Fail("expected ':' after member name");
            ++p_;
            SkipBlanks();
            v.members.push_back(TJsonMember{std::move(key), Value(depth + 1)});
            SkipBlanks();
            if (p_ < s_.size() && s_[p_] == ',') {
                ++p_;
                SkipBlanks();
                continue;
            }
            if (p_ < s_.size() && s_[p_] == '}') {
                ++p_;
                return;
            }
            Fail("expected ',' or '}' in object");
        }
    }

    void Array(TJsonValue& v, int depth) {
        ++p_;
        SkipBlanks();
        if (p_ < s_.size() && s_[p_] == ']') {
            ++p_;
            return;
        }
        for (;;) {
            v.items.push_back(Value(depth + 1));
            SkipBlanks();
            if (p_ < s_.size() && s_[p_] == ',') {
                ++p_;
                SkipBlanks();
                continue;
            }
            if (p_ < s_.size() && s_[p_] == ']') {
                ++p_;
                return;
            }
            Fail("expected ',' or ']' in array");
        }
    }

    double Number() {
        std::size_t start = p_;
        auto digits = [&] {
            std::size_t from = p_;
            while (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9')
                ++p_;
            return p_ - from;
        };
        if (s_[p_] == '-') ++p_;
        if (p_ < s_.size() && s_[p_] == '0') {
            ++p_;
            if (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9') Fail("invalid number");
        } else if (digits() == 0) {
            Fail("invalid number");
        }
        if (p_ < s_.size() && s_[p_] == '.') {
            ++p_;
            if (digits() == 0) Fail("invalid number");
        }
        if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
            ++p_;
            if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) ++p_;
            if (digits() == 0) Fail("invalid number");
        }
        double value = 0;
        auto r = std::from_chars(s_.data() + start, s_.data() + p_, value);
        if (r.ec == std::errc::result_out_of_range) {
            // Too small for a double reads as zero; only overflow has no double.
            if (DecimalExponent(s_.substr(start, p_ - start)) < 0) return 0.0;
            Fail("number out of range");
        }
        if (r.ec != std::errc() || r.ptr != s_.data() + p_ || !std::isfinite(value))
            Fail("number out of range");
        return value;
    }

    // The power of ten of the leading digit of a valid JSON number, saturated; only its sign
    // matters.
    static long DecimalExponent(std::string_view n) {
        std::size_t i = n[0] == '-' ? 1 : 0;
        long lead = 0;
        bool seen = false;
        long intDigits = 0;
        for (; i < n.size() && n[i] >= '0' && n[i] <= '9'; ++i) {
            if (n[i] != '0') seen = true;
            if (seen) ++intDigits;
        }
        lead = intDigits - 1;
        if (i < n.size() && n[i] == '.') {
            ++i;
            long zeros = 0;
            for (; i < n.size() && n[i] >= '0' && n[i] <= '9'; ++i) {
                if (!seen && n[i] != '0') {
                    seen = true;
                    lead = -zeros - 1;
                }
                if (!seen) ++zeros;
            }
        }
        long exp = 0;
        if (i < n.size() && (n[i] == 'e' || n[i] == 'E')) {
            ++i;
            bool neg = n[i] == '-';
            if (n[i] == '+' || n[i] == '-') ++i;
            for (; i < n.size(); ++i)
                exp = std::min(exp * 10 + (n[i] - '0'), 1000000L);
            if (neg) exp = -exp;
        }
        return lead + exp;
    }

    unsigned Hex4() {
        if (s_.size() - p_ < 4) Fail("invalid \\u escape");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = s_[p_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<unsigned>(c - 'A' + 10);
            else
                Fail("invalid \\u escape");
        }
        return v;
    }

    // Length of the well-formed UTF-8 sequence at p_ (not ASCII), or 0.
    std::size_t Utf8Length() const {
        auto at = [&](std::size_t i) -> unsigned {
            return p_ + i < s_.size() ? static_cast<unsigned char>(s_[p_ + i]) : 0u;
        };
        unsigned c = at(0);
        auto cont = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
            return at(i) >= lo && at(i) <= hi;
        };
        if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
        if (c == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
        if (c == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
        if (c >= 0xE1 && c <= 0xEF) return cont(1) && cont(2) ? 3 : 0;
        if (c == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
        if (c >= 0xF1 && c <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
        if (c == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
        return 0;
    }

    std::string String() {
        ++p_;
        std::string out;
        for (;;) {
            if (p_ >= s_.size()) Fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(s_[p_]);
            if (c == '"') {
                ++p_;
                return out;
            }
            if (c < 0x20) Fail("control character in string");
            if (c >= 0x80) {
                std::size_t n = Utf8Length();
                if (n == 0) Fail("invalid UTF-8 in string");
                out.append(s_.substr(p_, n));
                p_ += n;
                continue;
            }
            ++p_;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (p_ >= s_.size()) Fail("unterminated string");
            char e = s_[p_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned cp = Hex4();
                if (cp >= 0xDC00 && cp <= 0xDFFF) Fail("unpaired surrogate in \\u escape");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (s_.substr(p_, 2) != "\\u") Fail("unpaired surrogate in \\u escape");
                    p_ += 2;
                    unsigned low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF) Fail("unpaired surrogate in \\u escape");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                zep::AppendUtf8(out, static_cast<char32_t>(cp));
                break;
            }
            default:
                Fail("invalid escape in string");
            }
        }
    }

    std::string_view s_;
    std::string_view file_;
    std::size_t p_ = 0;
    int line_ = 1;
};

} // namespace

const TJsonValue* TJsonValue::Find(std::string_view key) const {
    if (kind != Kind::Object) return nullptr;
    for (const auto& m : members)
        if (m.name == key) return &m.value;
    return nullptr;
}

const char* JsonKindName(TJsonValue::Kind kind) {
    switch (kind) {
    case TJsonValue::Kind::Null:
        return "null";
    case TJsonValue::Kind::Bool:
        return "a boolean";
    case TJsonValue::Kind::Number:
        return "a number";
    case TJsonValue::Kind::String:
        return "a string";
    case TJsonValue::Kind::Array:
        return "an array";
    case TJsonValue::Kind::Object:
        return "an object";
    }
    return "?";
}

TJsonValue ParseJson(std::string_view text, std::string_view fileName) {
    return Parser(text, fileName).Document();
}

} // namespace zep::files
