#include "foundation/CodePages.h"

#include <iconv.h>

#include <gtest/gtest.h>

namespace zep {
namespace {

// Converts with the C library's iconv, an independent implementation of the same tables.
std::string Iconv(const char* from, const char* to, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv>";
    std::string out(in.size() * 4 + 8, '\0');
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return "<unmappable>";
    out.resize(out.size() - ol);
    return out;
}

TEST(CodePages, Cp850MatchesTheCLibrary) {
    for (int c = 0x80; c < 0x100; ++c) {
        std::string byte(1, static_cast<char>(c));
        std::string viaUs;
        char32_t cp = Cp850ToUnicode(static_cast<unsigned char>(c));
        std::string expect = Iconv("CP850", "UTF-32LE", byte);
        ASSERT_EQ(expect.size(), 4u) << c;
        char32_t theirs = static_cast<unsigned char>(expect[0]) |
                          static_cast<unsigned char>(expect[1]) << 8 |
                          static_cast<unsigned char>(expect[2]) << 16;
        EXPECT_EQ(cp, theirs) << std::hex << c;
    }
}

TEST(CodePages, Windows1252MatchesTheCLibrary) {
    for (int c = 0x80; c < 0x100; ++c) {
        std::string byte(1, static_cast<char>(c));
        std::string theirs = Iconv("WINDOWS-1252", "UTF-8", byte);
        if (theirs == "<unmappable>") continue; // the five unassigned bytes
        EXPECT_EQ(AnsiToUtf8(byte), theirs) << std::hex << c;
    }
}

TEST(CodePages, RoundTrips) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    // Every Windows-1252 letter that CP850 has survives ANSI -> OEM -> ANSI.
    std::string text = "Stra\xDF"
                       "e G\xF6teborg \xC5"
                       "lesund \xE9t\xE9 \xA3 \xD8resund";
    EXPECT_EQ(OemToAnsi(AnsiToOem(text)), text);
    EXPECT_EQ(AnsiToOem("\xE9"), "\x82");
    EXPECT_EQ(AnsiToOem("\x80"), "?"); // the euro sign has no CP850 byte
    EXPECT_EQ(OemToAnsi("\xB0"), "?"); // nor box drawing a Windows-1252 one
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD|\xC3"), "?|?");
}

} // namespace
} // namespace zep
