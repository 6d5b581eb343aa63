#include "foundation/CodePages.h"

#include <array>
#include <unordered_map>

namespace zep {
namespace {

// 0x80..0x9F of Windows-1252; the unassigned bytes keep their C1 code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 0x80..0xFF of CP850.
constexpr char16_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

const std::unordered_map<char32_t, unsigned char>& UnicodeToCp1252() {
    static const auto table = [] {
        std::unordered_map<char32_t, unsigned char> m;
        for (int c = 0x80; c < 0x100; ++c)
            m[Cp1252ToUnicode(static_cast<unsigned char>(c))] = c;
        return m;
    }();
    return table;
}

// Byte translation tables between the two single-byte code pages, built once.
struct Translation {
    std::array<char, 256> ansiToOem{};
    std::array<char, 256> oemToAnsi{};
    Translation() {
        std::unordered_map<char32_t, unsigned char> oem;
        for (int c = 0x80; c < 0x100; ++c)
            oem[Cp850ToUnicode(static_cast<unsigned char>(c))] = c;
        const auto& ansi = UnicodeToCp1252();
        for (int c = 0; c < 256; ++c) {
            if (c < 0x80) {
                ansiToOem[c] = oemToAnsi[c] = static_cast<char>(c);
                continue;
            }
            auto o = oem.find(Cp1252ToUnicode(static_cast<unsigned char>(c)));
            ansiToOem[c] = o == oem.end() ? '?' : static_cast<char>(o->second);
            auto a = ansi.find(Cp850ToUnicode(static_cast<unsigned char>(c)));
            oemToAnsi[c] = a == ansi.end() ? '?' : static_cast<char>(a->second);
        }
    }
};

const Translation& Tables() {
    static const Translation t;
    return t;
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t Cp1252ToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
    return c;
}

char32_t Cp850ToUnicode(unsigned char c) {
    if (c >= 0x80) return kCp850High[c - 0x80];
    return c;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (unsigned char c : ansi)
        AppendUtf8(out, Cp1252ToUnicode(c));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto& table = UnicodeToCp1252();
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        char32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool ok = len != 0 && i + len <= utf8.size();
        for (int k = 1; ok && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        if (cp < 0x100 && (cp < 0x80 || cp >= 0xA0)) {
            out += static_cast<char>(cp);
            continue;
        }
        auto it = table.find(cp);
        out += it == table.end() ? '?' : static_cast<char>(it->second);
    }
    return out;
}

std::string AnsiToOem(std::string_view ansi) {
    std::string out(ansi.size(), '\0');
    const auto& t = Tables();
    for (std::size_t i = 0; i < ansi.size(); ++i)
        out[i] = t.ansiToOem[static_cast<unsigned char>(ansi[i])];
    return out;
}

std::string OemToAnsi(std::string_view oem) {
    std::string out(oem.size(), '\0');
    const auto& t = Tables();
    for (std::size_t i = 0; i < oem.size(); ++i)
        out[i] = t.oemToAnsi[static_cast<unsigned char>(oem[i])];
    return out;
}

} // namespace zep
