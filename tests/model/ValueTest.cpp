#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "model/Value.h"
#include "tests/model/TestKinds.h"

namespace zep::model {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

TEST(Value, IsCompactAndCopiesTextByReference) {
    static_assert(sizeof(TValue) == 16);
    TValue a("hello");
    TValue b = a;
    EXPECT_EQ(a.TextView().data(), b.TextView().data());
    a = TValue(3);
    EXPECT_EQ(b.ToString(), "hello");
    TValue c = std::move(b);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(c.ToString(), "hello");
}

TEST(Value, EmptinessCoversEmptyNullAndEmptyText) {
    EXPECT_TRUE(TValue().IsEmpty());
    EXPECT_TRUE(TValue::Null().IsEmpty());
    EXPECT_TRUE(TValue("").IsEmpty());
    EXPECT_TRUE(TValue(static_cast<const TZEPPersistent*>(nullptr)).IsEmpty());
    EXPECT_FALSE(TValue(" ").IsEmpty());
    EXPECT_FALSE(TValue(0).IsEmpty());
    EXPECT_FALSE(TValue(false).IsEmpty());
}

TEST(Value, TextToNumberHandlesPercentInfinityAndGarbage) {
    EXPECT_DOUBLE_EQ(TextToNumber(" 50% "), 0.5);
    EXPECT_DOUBLE_EQ(TextToNumber("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(TextToNumber(""), 0);
    EXPECT_EQ(TextToNumber("inf"), kInf);
    EXPECT_EQ(TextToNumber("-INF"), -kInf);
    EXPECT_TRUE(std::isnan(TextToNumber("abc")));
    EXPECT_TRUE(std::isnan(TextToNumber("1,5")));
    EXPECT_DOUBLE_EQ(TValue("1e3").ToDouble(), 1000);
}

TEST(Value, ConversionsFollowTheVariantRules) {
    // Integers: halves round to even; text goes through the number rule first.
    EXPECT_EQ(TValue(2.5).ToInteger(), 2);
    EXPECT_EQ(TValue(3.5).ToInteger(), 4);
    EXPECT_EQ(TValue(-2.5).ToInteger(), -2);
    EXPECT_EQ(TValue("7.6").ToInteger(), 8);
    EXPECT_EQ(TValue("250%").ToInteger(), 2);
    EXPECT_EQ(TValue(true).ToInteger(), -1);
    EXPECT_EQ(TValue::Currency(1.23456).AsCurrencyScaled(), 12346);
    std::int32_t i;
    EXPECT_FALSE(TValue("abc").TryToInteger(i));
    EXPECT_FALSE(TValue(3e10).TryToInteger(i));
    EXPECT_EQ(TValue("abc").ToInteger(), 0);
    // Reals.
    EXPECT_EQ(TValue::Null().ToDouble(), 0);
    EXPECT_EQ(TValue::Int16(-7).ToDouble(), -7);
    EXPECT_FLOAT_EQ(static_cast<float>(TValue::Single(0.1f).ToDouble()), 0.1f);
    EXPECT_DOUBLE_EQ(TValue::CurrencyScaled(100).ToDouble(), 0.01);
    // Texts.
    EXPECT_EQ(TValue(1.0 / 3).ToString(), "0.3333333");
    EXPECT_EQ(TValue(kInf).ToString(), "INF");
    EXPECT_EQ(TValue(-kInf).ToString(), "-INF");
    EXPECT_EQ(TValue(12345678.0).ToString(), "1.234568E7");
    EXPECT_EQ(TValue::CurrencyScaled(100).ToString(), "0.01");
    EXPECT_EQ(TValue::Byte(200).ToString(), "200");
    EXPECT_EQ(TValue(true).ToString(), "True");
    EXPECT_EQ(TValue::Date(36526.5).ToString(), "2000-01-01 12:00:00");
    EXPECT_EQ(TValue::Date(0).ToString(), "1899-12-30");
    // Booleans.
    EXPECT_TRUE(TValue("t").ToBool());
    EXPECT_TRUE(TValue("True").ToBool());
    EXPECT_FALSE(TValue("yes").ToBool());
    EXPECT_TRUE(TValue(2).ToBool());
    EXPECT_FALSE(TValue(0.4).ToBool());
}

TEST(Value, ComparisonModesByClass) {
    test::TThing a, b;
    const TValue objA(&a), objB(&b);
    struct Case {
        TValue l, r;
        int expected;
    };
    const Case cases[] = {
        {TValue(), TValue::Null(), 0},   // N: both empty
        {TValue(), TValue(0), -1},       // N: empty below non-empty
        {TValue(0), TValue(), 1},        //
        {TValue(""), TValue::Null(), 0}, // empty text is empty
        {TValue(2), TValue(2.4), -1},    // I x R -> R
        {TValue(2), TValue(true), 1},    // I x B -> I (true is -1)
        {TValue(3), TValue("3"), 0},     // I x S -> S
        {TValue(10), TValue("9"), -1},   // ... ordinal: "10" < "9"
        {TValue("b"), TValue("B"), 1},   // case-sensitive
        {TValue(1.5), TValue::Currency(1.5), 0},
        {TValue::Date(2), TValue(2), 0}, // D x I -> R
        {TValue(true), TValue(-1.0), 0}, // B x R -> R
        {objA, objA, 0},                 // O: identity
        {objA, TValue(1.0), 1},          // O: a real reads as no object
        {TValue(1.0), objA, -1},
    };
    for (const Case& c : cases) {
        auto got = CompareValues(c.l, c.r);
        ASSERT_TRUE(got.has_value()) << c.l.DebugText() << " vs " << c.r.DebugText();
        EXPECT_EQ(*got, c.expected) << c.l.DebugText() << " vs " << c.r.DebugText();
    }
    EXPECT_NE(*CompareValues(objA, objB), 0);
    EXPECT_EQ(*CompareValues(objA, objB), -*CompareValues(objB, objA));
    // NaN (a text that is no number) equals only NaN.
    const TValue nan(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(ValuesEqual(nan, TValue(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_FALSE(ValuesEqual(nan, TValue(0.0)));
}

} // namespace
} // namespace zep::model
