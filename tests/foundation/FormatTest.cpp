#include "foundation/Format.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(FloatToStrGeneral, SevenDigitTable) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {0.5, "0.5"},
        {2.50, "2.5"},
        {-2.5, "-2.5"},
        {1, "1"},
        {1234567, "1234567"},
        {1234567.25, "1234567"},
        {123456.75, "123456.8"},
        {9999999, "9999999"},
        {9999999.5, "1E7"},
        {12345678, "1.234568E7"},
        {-12345678, "-1.234568E7"},
        {100000000, "1E8"},
        {0.00001, "0.00001"},
        {0.000001, "1E-6"},
        {0.0000012345678, "1.234568E-6"},
        {1.0 / 3.0, "0.3333333"},
        {2.0 / 3.0, "0.6666667"},
        {1e300, "1E300"},
        {-1e-300, "-1E-300"},
        {0.1, "0.1"},
        {123.456, "123.456"},
        {std::numeric_limits<double>::max(), "1.797693E308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656E-324"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStrGeneral(c.value), c.text) << c.value;
}

TEST(FloatToStrGeneral, SpecialValues) {
    EXPECT_EQ(FloatToStrGeneral(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FloatToStrGeneral(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(FloatToStrGeneral(std::nan("")), "NAN");
}

TEST(FloatToStrGeneral, TiesRoundAwayFromZeroOnTheDecimalForm) {
    EXPECT_EQ(FloatToStrGeneral(12345665), "1.234567E7");
    EXPECT_EQ(FloatToStrGeneral(-12345665), "-1.234567E7");
    EXPECT_EQ(FloatToStrGeneral(0.125, 2), "0.13");
    EXPECT_EQ(FloatToStrGeneral(2.5, 1), "3");
}

TEST(FloatToStrFixed, NumbersBelowOneRoundAtTheLastPlace) {
    EXPECT_EQ(FloatToStrFixed(0.06, 1), "0.1");
    EXPECT_EQ(FloatToStrFixed(0.04, 1), "0.0");
    EXPECT_EQ(FloatToStrFixed(0.0049, 3), "0.005");
    EXPECT_EQ(FloatToStrFixed(0.006, 2), "0.01");
    EXPECT_EQ(FloatToStrFixed(0.0049, 2), "0.00");
    EXPECT_EQ(FloatToStrFixed(-0.06, 1), "-0.1");
    EXPECT_EQ(FloatToStrFixed(0.96, 1), "1.0");
    EXPECT_EQ(FloatToStrFixed(0, 2), "0.00");
}

TEST(Format, DirectivesOfTheSystem) {
    EXPECT_EQ(Format("%0:s in File:\n%1:s", {"bad", "x.zpz"}), "bad in File:\nx.zpz");
    EXPECT_EQ(Format("%1:s-%0:s-%s", {"a", "b"}), "b-a-b");
    EXPECT_EQ(Format("%8.8d %s %-8s|", {42, "t", "WARNING"}), "00000042 t WARNING |");
    EXPECT_EQ(Format("%-8s|", {"ERROR"}), "ERROR   |");
    EXPECT_EQ(Format("%d:%2.2d:%2.2d", {1, 2, 3}), "1:02:03");
    EXPECT_EQ(Format("%3.2f", {3.14159}), "3.14");
    EXPECT_EQ(Format("%.3f", {-0.0004}), "0.000");
    EXPECT_EQ(Format("%.1f", {0.25}), "0.3");
    // -1.005 is stored as -1.00499999999999989...: the tie is judged on that decimal form.
    EXPECT_EQ(Format("%10.2f|", {-1.005}), "     -1.00|");
    EXPECT_EQ(Format("%.2f", {2.5}), "2.50");
    EXPECT_EQ(Format("%.0f", {2.5}), "3");
    EXPECT_EQ(Format("%g", {0.5}), "0.5");
    EXPECT_EQ(Format("%5s|%-5s|", {"ab", "cd"}), "   ab|cd   |");
    EXPECT_EQ(Format("%.2s", {"abcdef"}), "ab");
    EXPECT_EQ(Format("%x %4.4x", {255, 10}), "FF 000A");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%*d|", {5, 42}), "   42|");
    EXPECT_EQ(Format("%d", {-7}), "-7");
    EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
}

TEST(Format, MismatchRaisesConvertError) {
    EXPECT_THROW(Format("%d", {"text"}), EConvertError);
    EXPECT_THROW(Format("%s", {3}), EConvertError);
    EXPECT_THROW(Format("%d %d", {3}), EConvertError);
    EXPECT_THROW(Format("%", {}), EConvertError);
    EXPECT_THROW(Format("%q", {1}), EConvertError);
    try {
        Format("%d", {"x"});
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Format '%d' invalid or incompatible with argument");
        EXPECT_STREQ(e.ClassName(), "EConvertError");
    }
}

TEST(Parsing, NumbersAndText) {
    double d;
    EXPECT_TRUE(TryStrToFloat(" 1.5e3 ", d));
    EXPECT_EQ(d, 1500);
    EXPECT_TRUE(TryStrToFloat("+2", d));
    EXPECT_FALSE(TryStrToFloat("1,5", d));
    EXPECT_FALSE(TryStrToFloat("", d));
    std::int64_t n;
    EXPECT_TRUE(TryStrToInt64("-9223372036854775808", n));
    EXPECT_EQ(n, INT64_MIN);
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", n));
    EXPECT_TRUE(TryStrToInt64("$1F", n));
    EXPECT_EQ(n, 31);
    EXPECT_FALSE(TryStrToInt64("12a", n));
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_TRUE(SameText("Debug", "DEBUG"));
}

} // namespace
} // namespace zep
