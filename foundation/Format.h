// Locale-independent text formatting in the system's format-string dialect, and the general
// floating-point form used by property texts and model files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "foundation/Exception.h"

namespace zep {

/// One argument of Format: an integer, a real or a text.
class FormatArg {
public:
    FormatArg(int v) : v_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : v_(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : v_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long v) : v_(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : v_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long long v) : v_(static_cast<std::int64_t>(v)) {}
    FormatArg(double v) : v_(v) {}
    FormatArg(float v) : v_(static_cast<double>(v)) {}
    FormatArg(const char* v) : v_(std::string(v)) {}
    FormatArg(std::string v) : v_(std::move(v)) {}
    FormatArg(std::string_view v) : v_(std::string(v)) {}
    FormatArg(char v) : v_(std::string(1, v)) {}

    const std::variant<std::int64_t, double, std::string>& Value() const { return v_; }

private:
    std::variant<std::int64_t, double, std::string> v_;
};

/// Formats `format` with `args`. Directives: "%" [index ":"] ["-"] [width] ["." precision]
/// type, with type d, u, x (integers; precision = minimum digits), e, f, g, n (reals), s (text;
/// precision = maximum characters), "%%" for "%"; "*" takes width or precision from the
/// arguments. Raises EConvertError "Format '%s' invalid or incompatible with argument" on a
/// mismatch. Never depends on the locale: the decimal separator is always ".".
std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

/// The general form with `precision` significant digits: fixed notation when the integer part
/// has at most `precision` digits and the magnitude is at least 0.00001, otherwise
/// scientific ("1.234568E7", "1E-6": a sign only for negative exponents, at least
/// `expDigits` exponent digits); trailing zeros and a trailing point dropped. Infinity gives
/// "INF" / "-INF", NaN gives "NAN".
std::string FloatToStrGeneral(double value, int precision = 7, int expDigits = 0);

/// Fixed notation with `decimals` digits after the point (ties rounded away from zero).
std::string FloatToStrFixed(double value, int decimals);

/// Parses a real number written with "." (optionally with exponent); false if `text` is not
/// entirely a number (surrounding blanks allowed).
bool TryStrToFloat(std::string_view text, double& value);
/// Parses a decimal integer (optionally signed, surrounding blanks allowed, or "$" hex).
bool TryStrToInt64(std::string_view text, std::int64_t& value);

/// Text with leading and trailing control characters and blanks removed.
std::string Trim(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
/// Case-insensitive comparison of ASCII letters (other bytes compare by value).
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

} // namespace zep
