#include "foundation/Format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zep {
namespace {

[[noreturn]] void Invalid(std::string_view format) {
    throw EConvertError("Format '" + std::string(format) +
                        "' invalid or incompatible with argument");
}

// Decimal digits and exponent of |value| rounded half away from zero to `digits` significant
// digits. The value is first taken to 18 significant digits, so ties are judged on the
// decimal form a reader of the number sees.
struct Decimal {
    std::string digits; // exactly `digits` characters, first non-zero unless the value is 0
    int exponent = 0;   // value = 0.d1d2d3... * 10^(exponent)
};

Decimal ToDecimal(double value, int digits) {
    char buf[64];
    // to_chars, unlike printf, never looks at the locale's decimal separator.
    auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value),
                             std::chars_format::scientific, 17);
    *res.ptr = '\0';
    // buf: d.ddddddddddddddddde[+-]xx
    std::string all;
    all += buf[0];
    const char* p = buf + 2;
    while (*p != 'e')
        all += *p++;
    int exp10 = std::atoi(p + 1);
    Decimal d;
    if (all[0] == '0') {
        d.digits.assign(static_cast<std::size_t>(digits), '0');
        d.exponent = 0;
        return d;
    }
    std::string kept = all.substr(0, static_cast<std::size_t>(digits));
    if (static_cast<int>(all.size()) > digits && all[static_cast<std::size_t>(digits)] >= '5') {
        int i = digits - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
            kept[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            kept.insert(kept.begin(), '1');
            kept.pop_back();
            ++exp10;
        } else {
            ++kept[static_cast<std::size_t>(i)];
        }
    }
    d.digits = kept;
    d.exponent = exp10 + 1;
    return d;
}

std::string Pad(std::string s, int width, bool left) {
    if (width > 0 && static_cast<int>(s.size()) < width) {
        std::string fill(static_cast<std::size_t>(width) - s.size(), ' ');
        s = left ? s + fill : fill + s;
    }
    return s;
}

std::string ScientificText(double value, int precision, int expDigits, bool plusSign) {
    Decimal d = ToDecimal(value, precision);
    std::string out = value < 0 ? "-" : "";
    out += d.digits[0];
    out += '.';
    out += d.digits.substr(1);
    int e = d.digits[0] == '0' ? 0 : d.exponent - 1;
    out += 'E';
    out += e < 0 ? "-" : (plusSign ? "+" : "");
    std::string es = std::to_string(std::abs(e));
    while (static_cast<int>(es.size()) < expDigits)
        es.insert(es.begin(), '0');
    return out + es;
}

std::string WithThousands(std::string fixed) {
    std::size_t start = fixed[0] == '-' ? 1 : 0;
    std::size_t point = fixed.find('.');
    if (point == std::string::npos) point = fixed.size();
    for (std::size_t i = point; i > start + 3; i -= 3)
        fixed.insert(i - 3, ",");
    return fixed;
}

} // namespace

std::string FloatToStrGeneral(double value, int precision, int expDigits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (precision < 1) precision = 1;
    if (precision > 18) precision = 18;
    if (value == 0) return "0";
    Decimal d = ToDecimal(value, precision);
    std::string sign = value < 0 ? "-" : "";
    std::string out;
    if (d.exponent > precision || std::fabs(value) < 0.00001) {
        // Scientific: mantissa without trailing zeros.
        std::string mant = d.digits;
        while (mant.size() > 1 && mant.back() == '0')
            mant.pop_back();
        out = sign + mant.substr(0, 1);
        if (mant.size() > 1) out += "." + mant.substr(1);
        int e = d.exponent - 1;
        std::string es = std::to_string(std::abs(e));
        while (static_cast<int>(es.size()) < expDigits)
            es.insert(es.begin(), '0');
        return out + "E" + (e < 0 ? "-" : "") + es;
    }
    std::string intPart, frac;
    if (d.exponent <= 0) {
        intPart = "0";
        frac = std::string(static_cast<std::size_t>(-d.exponent), '0') + d.digits;
    } else {
        intPart = d.digits.substr(0, static_cast<std::size_t>(d.exponent));
        frac = d.digits.substr(static_cast<std::size_t>(d.exponent));
    }
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    out = sign + intPart;
    if (!frac.empty()) out += "." + frac;
    return out;
}

std::string FloatToStrFixed(double value, int decimals) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (decimals < 0) decimals = 0;
    if (decimals > 18) decimals = 18;
    double mag = std::fabs(value);
    if (mag >= 1e18) return FloatToStrGeneral(value, 18);
    // Number of significant digits needed to keep `decimals` places; below 1 the zeros after the
    // point are not significant (0.06 keeps no digit at one place, and rounds to 0.1).
    int intDigits = mag == 0 ? 0 : static_cast<int>(std::floor(std::log10(mag))) + 1;
    int sig = intDigits + decimals;
    std::string sign = value < 0 ? "-" : "";
    std::string intPart, frac;
    if (sig <= 0) {
        // Rounds to zero or to one unit in the last place.
        double unit = std::pow(10.0, -decimals);
        bool up = mag >= unit / 2;
        intPart = "0";
        frac = std::string(static_cast<std::size_t>(decimals), '0');
        if (up) {
            if (decimals == 0)
                intPart = "1";
            else
                frac.back() = '1';
        } else {
            sign.clear();
        }
    } else {
        Decimal d = ToDecimal(value, std::min(sig, 18));
        std::string digits = d.digits;
        int e = d.exponent; // may have grown by one through rounding
        if (e <= 0) {
            digits = std::string(static_cast<std::size_t>(-e), '0') + digits;
            e = 0;
        }
        while (static_cast<int>(digits.size()) < e + decimals)
            digits += '0';
        intPart = e == 0 ? "0" : digits.substr(0, static_cast<std::size_t>(e));
        frac = digits.substr(static_cast<std::size_t>(e), static_cast<std::size_t>(decimals));
        if (intPart.find_first_not_of('0') == std::string::npos &&
            frac.find_first_not_of('0') == std::string::npos)
            sign.clear();
    }
    return decimals > 0 ? sign + intPart + "." + frac : sign + intPart;
}

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
    std::string out;
    const FormatArg* argv = args.begin();
    std::size_t argc = args.size();
    std::size_t next = 0;
    auto takeInt = [&]() -> std::int64_t {
        if (next >= argc) Invalid(format);
        const auto& v = argv[next++].Value();
        if (!std::holds_alternative<std::int64_t>(v)) Invalid(format);
        return std::get<std::int64_t>(v);
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= format.size()) Invalid(format);
        if (format[i] == '%') {
            out += '%';
            continue;
        }
        // [index ":"] ["-"] [width] ["." prec] type
        std::size_t save = i;
        int number = -1;
        auto readNumber = [&]() -> int {
            if (i < format.size() && format[i] == '*') {
                ++i;
                return static_cast<int>(takeInt());
            }
            int n = -1;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
                n = (n < 0 ? 0 : n) * 10 + (format[i] - '0');
                if (n > 100000) Invalid(format);
                ++i;
            }
            return n;
        };
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            number = (number < 0 ? 0 : number) * 10 + (format[i] - '0');
            if (number > 100000) Invalid(format);
            ++i;
        }
        if (i < format.size() && format[i] == ':') {
            if (number < 0) number = 0;
            next = static_cast<std::size_t>(number);
            ++i;
        } else {
            i = save;
        }
        bool left = false;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        int width = readNumber();
        int prec = -1;
        if (i < format.size() && format[i] == '.') {
            ++i;
            prec = readNumber();
            if (prec < 0) prec = 0;
        }
        if (i >= format.size()) Invalid(format);
        char type = static_cast<char>(format[i] | 0x20);
        if (next >= argc) Invalid(format);
        const auto& v = argv[next++].Value();
        std::string text;
        switch (type) {
        case 'd':
        case 'u':
        case 'x': {
            if (!std::holds_alternative<std::int64_t>(v)) Invalid(format);
            std::int64_t n = std::get<std::int64_t>(v);
            bool neg = n < 0 && type == 'd';
            std::uint64_t mag =
                neg ? 0 - static_cast<std::uint64_t>(n)
                    : (type == 'd'
                           ? static_cast<std::uint64_t>(n)
                           : static_cast<std::uint64_t>(
                                 n < 0 && n >= INT32_MIN ? static_cast<std::uint32_t>(n) : n));
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, mag, type == 'x' ? 16 : 10);
            std::string digits(buf, r.ptr);
            if (type == 'x')
                for (auto& ch : digits)
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            while (prec > 0 && static_cast<int>(digits.size()) < prec)
                digits.insert(digits.begin(), '0');
            text = (neg ? "-" : "") + digits;
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            double d;
            if (std::holds_alternative<double>(v))
                d = std::get<double>(v);
            else if (std::holds_alternative<std::int64_t>(v))
                Invalid(format);
            else
                Invalid(format);
            if (type == 'e') {
                if (std::isnan(d) || std::isinf(d))
                    text = FloatToStrGeneral(d);
                else
                    text = ScientificText(d, prec < 0 ? 15 : std::clamp(prec, 1, 18), 3, true);
            } else if (type == 'g') {
                text = FloatToStrGeneral(d, prec < 0 ? 15 : std::clamp(prec, 1, 18), 0);
            } else if (type == 'f') {
                text = FloatToStrFixed(d, prec < 0 ? 2 : prec);
            } else {
                text = FloatToStrFixed(d, prec < 0 ? 2 : prec);
                if (!std::isnan(d) && !std::isinf(d)) text = WithThousands(text);
            }
            break;
        }
        case 's': {
            if (std::holds_alternative<std::string>(v))
                text = std::get<std::string>(v);
            else
                Invalid(format);
            if (prec >= 0 && static_cast<int>(text.size()) > prec)
                text.resize(static_cast<std::size_t>(prec));
            break;
        }
        default:
            Invalid(format);
        }
        out += Pad(std::move(text), width, left);
    }
    return out;
}

bool TryStrToFloat(std::string_view text, double& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    const char* b = t.c_str();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, t.c_str() + t.size(), value);
    return r.ec == std::errc() && r.ptr == t.c_str() + t.size();
}

bool TryStrToInt64(std::string_view text, std::int64_t& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    const char* b = t.c_str();
    const char* e = b + t.size();
    bool neg = false;
    if (*b == '+' || *b == '-') neg = *b++ == '-';
    int base = 10;
    if (b < e && *b == '$') {
        base = 16;
        ++b;
    } else if (e - b > 2 && b[0] == '0' && (b[1] == 'x' || b[1] == 'X')) {
        base = 16;
        b += 2;
    }
    if (b == e) return false;
    std::uint64_t mag;
    auto r = std::from_chars(b, e, mag, base);
    if (r.ec != std::errc() || r.ptr != e) return false;
    if (neg) {
        if (mag > static_cast<std::uint64_t>(INT64_MAX) + 1) return false;
        value = static_cast<std::int64_t>(0 - mag);
    } else {
        if (mag > static_cast<std::uint64_t>(INT64_MAX)) return false;
        value = static_cast<std::int64_t>(mag);
    }
    return true;
}

std::string Trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

std::string UpperCase(std::string_view text) {
    std::string s(text);
    for (auto& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

std::string LowerCase(std::string_view text) {
    std::string s(text);
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

int CompareText(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

} // namespace zep
