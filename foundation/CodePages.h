// Code page conversion: Windows-1252 (the system's text) to and from UTF-8 and CP850.
#pragma once

#include <string>
#include <string_view>

namespace zep {

/// Windows-1252 text to UTF-8 (terminals, widgets). Lossless: the five unassigned bytes map
/// to the C1 control code points of the same value.
std::string AnsiToUtf8(std::string_view ansi);
/// UTF-8 to Windows-1252; code points without a Windows-1252 byte and malformed sequences
/// become "?".
std::string Utf8ToAnsi(std::string_view utf8);
/// Windows-1252 to CP850 (the OEM code page of the model files); characters CP850 lacks
/// become "?".
std::string AnsiToOem(std::string_view ansi);
/// CP850 to Windows-1252; characters Windows-1252 lacks (box drawing) become "?".
std::string OemToAnsi(std::string_view oem);

/// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

/// The Unicode code point of a Windows-1252 byte.
char32_t Cp1252ToUnicode(unsigned char c);
/// The Unicode code point of a CP850 byte.
char32_t Cp850ToUnicode(unsigned char c);

} // namespace zep
