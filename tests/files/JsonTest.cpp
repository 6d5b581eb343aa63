#include "files/Json.h"

#include <gtest/gtest.h>

namespace zep::files {
namespace {

std::string ErrorOf(std::string_view text) {
    try {
        ParseJson(text, "t.json");
    } catch (const EJsonError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(Json, ValuesKindsAndLines) {
    TJsonValue v =
        ParseJson("\xEF\xBB\xBF{\n \"a\": [1, -2.5e3, 0, 1E-400],\r\n \"b\": {\"c\": null,"
                  " \"d\": true, \"e\": false},\n\n \"s\": \"x\\\"\\\\\\/\\b\\f\\n\\r\\t"
                  "\\u00e9\\ud83d\\ude00\xC3\xA9\"\n}",
                  "t.json");
    ASSERT_TRUE(v.IsObject());
    ASSERT_EQ(v.members.size(), 3u);
    EXPECT_EQ(v.members[0].name, "a");
    const TJsonValue* a = v.Find("a");
    ASSERT_TRUE(a && a->IsArray());
    ASSERT_EQ(a->items.size(), 4u);
    EXPECT_EQ(a->items[0].number, 1);
    EXPECT_EQ(a->items[1].number, -2500);
    EXPECT_EQ(a->items[3].number, 0);
    EXPECT_EQ(a->line, 2);
    const TJsonValue* b = v.Find("b");
    EXPECT_EQ(b->line, 3);
    EXPECT_TRUE(b->Find("c")->IsNull());
    EXPECT_TRUE(b->Find("d")->boolean);
    EXPECT_EQ(b->Find("e")->kind, TJsonValue::Kind::Bool);
    EXPECT_FALSE(b->Find("e")->boolean);
    EXPECT_EQ(b->Find("zz"), nullptr);
    EXPECT_EQ(a->Find("a"), nullptr);
    const TJsonValue* s = v.Find("s");
    EXPECT_EQ(s->line, 5);
    EXPECT_EQ(s->text, "x\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\xC3\xA9");
    EXPECT_TRUE(ParseJson(" 7 ", "t").IsNumber());
    EXPECT_EQ(ParseJson("[]", "t").items.size(), 0u);
    EXPECT_EQ(ParseJson("{}", "t").members.size(), 0u);
}

TEST(Json, RejectsWhatTheGrammarRejects) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "t.json:1: unexpected end of input"},
        {"[1,]", "t.json:1: unexpected character ']'"},
        {"{\"a\":1,}", "t.json:1: unexpected character '}'"},
        {"{\"a\" 1}", "t.json:1: expected ':' after member name"},
        {"{a:1}", "t.json:1: expected a string as member name"},
        {"{\"a\":1 \"b\":2}", "t.json:1: expected ',' or '}' in object"},
        {"[1 2]", "t.json:1: expected ',' or ']' in array"},
        {"[1,\n2,\n", "t.json:3: unexpected end of input"},
        {"{\"a\":1,\"a\":2}", "t.json:1: duplicate member \"a\""},
        {"01", "t.json:1: invalid number"},
        {"-", "t.json:1: invalid number"},
        {"1.", "t.json:1: invalid number"},
        {"1e+", "t.json:1: invalid number"},
        {".5", "t.json:1: unexpected character '.'"},
        {"+1", "t.json:1: unexpected character '+'"},
        {"1e400", "t.json:1: number out of range"},
        {"-1e309", "t.json:1: number out of range"},
        {"NaN", "t.json:1: unexpected character 'N'"},
        {"tru", "t.json:1: unexpected character 't'"},
        {"nul", "t.json:1: unexpected character 'n'"},
        {"\"abc", "t.json:1: unterminated string"},
        {"\"a\nb\"", "t.json:1: control character in string"},
        {"\"\\x\"", "t.json:1: invalid escape in string"},
        {"\"\\u12g4\"", "t.json:1: invalid \\u escape"},
        {"\"\\u12\"", "t.json:1: invalid \\u escape"},
        {"\"\\ud800\"", "t.json:1: unpaired surrogate in \\u escape"},
        {"\"\\udc00\"", "t.json:1: unpaired surrogate in \\u escape"},
        {"\"\\ud800\\u0041\"", "t.json:1: unpaired surrogate in \\u escape"},
        {"\"\xE9\"", "t.json:1: invalid UTF-8 in string"},
        {"\"\xC0\xAF\"", "t.json:1: invalid UTF-8 in string"},
        {"\"\xED\xA0\x80\"", "t.json:1: invalid UTF-8 in string"},
        {"\"\xF4\x90\x80\x80\"", "t.json:1: invalid UTF-8 in string"},
        {"1 2", "t.json:1: text after the JSON value"},
        {"// c\n1", "t.json:1: unexpected character '/'"},
        {"'a'", "t.json:1: unexpected character '''"},
        {"\x01", "t.json:1: unexpected byte 0x01"},
        {"\r\r\n\n@", "t.json:4: unexpected character '@'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.text), c.message) << c.text;
}

TEST(Json, NestingIsBounded) {
    std::string ok(kMaxJsonDepth, '[');
    ok += std::string(kMaxJsonDepth, ']');
    EXPECT_NO_THROW(ParseJson(ok, "t.json"));
    std::string deep(100000, '[');
    EXPECT_EQ(ErrorOf(deep), "t.json:1: nesting deeper than 256 levels");
    EXPECT_EQ(ErrorOf("[" + ok + "]"), "t.json:1: nesting deeper than 256 levels");
}

} // namespace
} // namespace zep::files
