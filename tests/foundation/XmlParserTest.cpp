#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "XmlTestSupport.h"
#include "foundation/OrvMessages.h"

namespace zep {
namespace {

using ::testing::ElementsAre;
using xmltest::Events;
using xmltest::Parse;
using xmltest::Recorder;

TEST(XmlScanner, PositionsLinesColumnsAndMarks) {
    TParser p;
    p.SetText("ab\r\ncd\n");
    EXPECT_EQ(p.Position(), 1u);
    EXPECT_EQ(p.Ch(), 'a');
    p.Mark();
    p.NextChar();
    p.NextChar();
    EXPECT_EQ(p.MarkedText(), "ab");
    EXPECT_EQ(p.Column(), 3);
    p.NextChar(); // CR: still the first line
    EXPECT_EQ(p.Line(), 1);
    EXPECT_EQ(p.Column(), 4);
    p.NextChar(); // passing the LF starts line 2 at column 1
    EXPECT_EQ(p.Line(), 2);
    EXPECT_EQ(p.Column(), 1);
    try {
        p.Expect("cx", 99);
        FAIL();
    } catch (const EParseException& e) {
        EXPECT_STREQ(e.what(), "(2:1): [99] Expected cx");
        EXPECT_EQ(e.Text(), "[99] Expected cx");
    }
    p.Expect("cd", 99);
    p.NextChar();
    EXPECT_TRUE(p.AtEnd());
    EXPECT_EQ(p.Ch(), '\0');
    EXPECT_EQ(p.Position(), 8u);
    EXPECT_EQ(p.Line(), 3);
    p.NextChar(); // stays at the end
    EXPECT_EQ(p.Position(), 8u);
    p.SetText("x"); // starting over resets the place
    EXPECT_EQ(p.Line(), 1);
    EXPECT_EQ(p.Column(), 1);
}

TEST(XmlParser, ContentEventsInDocumentOrder) {
    EXPECT_THAT(Events("<?xml version=\"1.0\" encoding='windows-1252' standalone=\"yes\"?>\n"
                       "<!-- lead --><?app go now?>\n"
                       "<!DOCTYPE root PUBLIC \"-//Org//DTD Root 1.0//EN\" 'root.dtd' [ %ext; ]>\n"
                       "<root a='1' b=\"x y\">\n"
                       "  text <e/><![CDATA[<raw> & ]]]><!-- skip --><?pi  data ?>tail \n"
                       "</root >\n<!-- after -->  "),
                ElementsAre("D", "P app|go now", "S root a=1 b=x y", "W \n  ", "C text ", "S e",
                            "E e", "C <raw> & ]", "P pi|data ", "C tail \n", "E root", "/D"));
}

TEST(XmlParser, ReferencesAreReplacedOnce) {
    EXPECT_THAT(Events("<a>a &amp; b</a>"), ElementsAre("D", "S a", "C a & b", "E a", "/D"));
    EXPECT_THAT(Events("<a>&#65;&#x41;&#x4a;</a>").at(2), "C AAJ");
    // Unknown names stay as written; "&amp;lt;" is replaced once only.
    EXPECT_THAT(Events("<a>&foo;&amp;lt;&apos;&quot;&gt;</a>").at(2), "C &foo;&lt;'\">");
    EXPECT_THAT(Events("<a v='&lt;&#233;' w=\"&#321;\"/>").at(1), "S a v=<\xE9 w=A");
    // Only the low 8 bits of a character reference count, however long the number.
    EXPECT_THAT(Events("<a>&#99999999999999999999;&#x00000000041;</a>").at(2), "C \xFF"
                                                                               "A");
}

TEST(XmlParser, WhitespaceAndMarkupCorners) {
    // A byte order mark is skipped; the declaration must then be at the start.
    EXPECT_THAT(Events("\xEF\xBB\xBF<?xml version='1.0'?><a/>"),
                ElementsAre("D", "S a", "E a", "/D"));
    // An all-whitespace run is only ignorable; an empty CDATA section reports nothing.
    EXPECT_THAT(Events("<a> \t\r\n<![CDATA[]]></a>"),
                ElementsAre("D", "S a", "W  \t\r\n", "E a", "/D"));
    // "]" alone is text; a doctype without external identifier is allowed.
    EXPECT_THAT(Events("<!DOCTYPE a><a>x]y</a>").at(2), "C x]y");
    // Names may hold ":" "." "-" "_" and digits after the first character.
    EXPECT_THAT(Events("<x:a-b.c_9 _q:1='v'/>").at(1), "S x:a-b.c_9 _q:1=v");
    // Deep nesting does not use the call stack.
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<d>";
    for (int i = 0; i < 200000; ++i)
        deep += "</d>";
    EXPECT_EQ(Events(deep).size(), 400002u);
}

struct ErrorCase {
    const char* document;
    const char* message;
    const char* className;
};

class XmlParserErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(XmlParserErrors, MessageAndClass) {
    const ErrorCase& c = GetParam();
    Recorder r;
    try {
        Parse(c.document, r);
        FAIL() << "no error for " << c.document;
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), c.message) << c.document;
        EXPECT_STREQ(e.ClassName(), c.className) << c.document;
        // Grammar errors pass through the error handler, scanner errors never do.
        EXPECT_EQ(r.errors.size(), std::string(c.className) == "EParseException" ||
                                           std::string(c.message).starts_with("expected hex")
                                       ? 0u
                                       : 1u)
            << c.document;
    }
}

constexpr const char* kScan = "EParseException";
constexpr const char* kSax = "SAXParseException";

INSTANTIATE_TEST_SUITE_P(
    Table, XmlParserErrors,
    ::testing::Values(
        ErrorCase{"<a><1/></a>", "t.xml(1:5): [5] Expected Letter, \"_\", or \":\" ", kSax},
        ErrorCase{"<a>& b</a>", "t.xml(1:5): [5] Expected Letter, \"_\", or \":\" ", kSax},
        ErrorCase{"<!DOCTYPE 1 SYSTEM 'x'><a/>",
                  "t.xml(1:11): [5] Expected Letter, \"_\", or \":\" ", kSax},
        ErrorCase{"<a b=c/>", "(1:6): [9] ', or \" expected", kScan},
        ErrorCase{"<?xml version=1.0?><a/>", "(1:15): [9] ', or \" expected", kScan},
        ErrorCase{"<a b=\"c/>", "(1:10): [10] Expected \"", kScan},
        ErrorCase{"<a b='c/>", "(1:10): [10] Expected '", kScan},
        ErrorCase{"<!DOCTYPE a PUBLIC \"a{b\" \"x\"><a/>", "t.xml(1:22): [12] Expected \"", kSax},
        ErrorCase{"<!DOCTYPE a PUBLIC 'a", "t.xml(1:22): [12] Expected '", kSax},
        ErrorCase{"<a><!-- x -- </a>", "(1:18): [15] Expected -->", kScan},
        ErrorCase{"<a><?pi x </a>", "(1:15): [16] Expected ?>", kScan},
        ErrorCase{"<a><?XML x?></a>", "t.xml(1:9): [17] Illegal PI target", kSax},
        ErrorCase{" <?xml version='1.0'?><a/>", "t.xml(1:7): [17] Illegal PI target", kSax},
        ErrorCase{"<a/><?xMl?>", "t.xml(1:10): [17] Illegal PI target", kSax},
        ErrorCase{"<a><![CDATA[x</a>", "(1:18): [21] Expected ]]>", kScan},
        ErrorCase{"<?xml versio='1'?><a/>", "(1:7): [24] Expected version", kScan},
        ErrorCase{"<?xml version='1.0\"?><a/>", "(1:19): [24] Expected '", kScan},
        ErrorCase{"<?xml version='1.0' foo?><a/>", "(1:21): [24] Expected ?>", kScan},
        ErrorCase{"<a b c/>", "(1:6): [25] Expected =", kScan},
        ErrorCase{"<?xml version '1.0'?><a/>", "(1:15): [25] Expected =", kScan},
        ErrorCase{"<!DOCTYPE a SYSTEM 'x' <a/>", "(1:24): [28] Expected >", kScan},
        ErrorCase{"<!DOCTYPE a [ %e; ", "(1:19): [28] Expected ]", kScan},
        ErrorCase{"<?xml version='1' standalone='maybe'?><a/>", "(1:31): [32] Expected no", kScan},
        ErrorCase{"<?xml version='1' standalone=\"no'?><a/>", "(1:33): [32] Expected \"", kScan},
        ErrorCase{"<a b='1' !>", "(1:10): [39] Expected >", kScan},
        ErrorCase{"<a", "(1:3): [39] Expected >", kScan},
        ErrorCase{"<a></b>", "(1:4): [42] Expected </a", kScan},
        ErrorCase{"<a></ab>", "(1:4): [42] Expected </a", kScan},
        ErrorCase{"<a></a x>", "(1:8): [42] Expected >", kScan},
        ErrorCase{"<a>x]>y</a>", "(1:5): [42] Expected </a", kScan},
        ErrorCase{"<a>\n<b>", "(2:4): [42] Expected </b", kScan},
        ErrorCase{"<a>&#65</a>", "(1:8): [66] Expected ;", kScan},
        ErrorCase{"<a>&amp</a>", "(1:8): [68] Expected ;", kScan},
        ErrorCase{"<!DOCTYPE a [ %e ]><a/>", "(1:17): [69] Expected ;", kScan},
        ErrorCase{"<!DOCTYPE a FOO 'x'><a/>", "(1:13): [75] Expected PUBLIC", kScan},
        ErrorCase{"<?xml version='1.0' encoding='utf 8'?><a/>", "(1:34): [80] Expected '", kScan},
        ErrorCase{"<!DOCTYPE a SYSTEM 'a&b'><a/>",
                  "t.xml(1:22): [109] Invalide character for attribute value", kSax},
        ErrorCase{"<!DOCTYPE a SYSTEM 'abc", "(1:24): [11] Expected '", kScan},
        ErrorCase{"<a>&#;</a>", "t.xml(1:6): expected number", kSax},
        ErrorCase{"<a>&#x;</a>", "expected hex numer: ", kSax},
        ErrorCase{"<a v='&#x123456789;'/>", "expected hex numer: 123456789", kSax},
        ErrorCase{"", "t.xml(1:1): no root object", kSax},
        ErrorCase{"  <!-- only -->\n", "t.xml(2:1): no root object", kSax},
        ErrorCase{"<1/>", "t.xml(1:1): no root object", kSax},
        ErrorCase{"<a/>x", "t.xml(1:5): trailing stuff", kSax},
        ErrorCase{"<a/><b/>", "t.xml(1:5): trailing stuff", kSax},
        // Markup declarations in the internal subset end the parse instead of looping.
        ErrorCase{"<!DOCTYPE a [\n <!ELEMENT a ANY>\n]><a/>",
                  "(2:2): markup declarations in the internal document type subset are not "
                  "supported",
                  kScan}));

// The reference decoder is only entered at an "&", so its own check is reached directly.
class ReferenceProbe : public TXMLParser {
public:
    void DecodeAt(const std::string& text) {
        SetText(text);
        std::string out;
        Reference(out);
    }
};

TEST(XmlParser, ReferenceWithoutAmpersand) {
    ReferenceProbe probe;
    EXPECT_THROW(
        {
            try {
                probe.DecodeAt("amp;");
            } catch (const EParseException& e) {
                EXPECT_STREQ(e.what(), "(1:1): [67] Expected &");
                throw;
            }
        },
        EParseException);
}

TEST(XmlParser, ErrorHandlerThatReturnsLetsTheParseGoOn) {
    Recorder r;
    r.raiseErrors = false;
    Parse("<?XML v?><a x='1'>&#;&  b<?xml ?>< /></a>tail", r);
    EXPECT_THAT(r.errors,
                ElementsAre("t.xml(1:6): [17] Illegal PI target", "t.xml(1:21): expected number",
                            "t.xml(1:23): [5] Expected Letter, \"_\", or \":\" ",
                            "t.xml(1:31): [17] Illegal PI target",
                            "t.xml(1:35): [5] Expected Letter, \"_\", or \":\" ",
                            "t.xml(1:42): trailing stuff"));
    EXPECT_THAT(r.events, ElementsAre("D", "P XML|v", "S a x=1", "C &  b", "P xml|", "S ", "E ",
                                      "E a", "/D"));
    // Without a root there is nothing more to do, but the document still ends.
    Recorder empty;
    empty.raiseErrors = false;
    Parse("<!-- none -->", empty);
    EXPECT_THAT(empty.events, ElementsAre("D", "/D"));
}

TEST(XmlParser, LocatorFollowsTheScan) {
    struct Where : Recorder {
        std::vector<std::string> places;
        void startElement(std::string_view name, const TAttributeList& a) override {
            places.push_back(std::string(name) + "@" + std::to_string(locator->getLineNumber()) +
                             ":" + std::to_string(locator->getColumnNumber()) + " " +
                             locator->getSystemId());
        }
    } w;
    Parse("<a>\n  <b/>\r\n\n<c\nx='1'/></a>", w);
    EXPECT_THAT(w.places, ElementsAre("a@1:4 t.xml", "b@2:7 t.xml", "c@5:8 t.xml"));
}

TEST(XmlParser, AttributeListsAreRecycledAndRepeatedNamesAnswerTheLastValue) {
    struct Keep : Recorder {
        std::vector<const TAttributeList*> seen;
        TAttributeList copy;
        void startElement(std::string_view name, const TAttributeList& a) override {
            seen.push_back(&a);
            if (name == "a") copy = a;
        }
    } k;
    Parse("<a x='1' y='2' x='3'><b z='9'/><b/></a>", k);
    ASSERT_EQ(k.seen.size(), 3u);
    EXPECT_EQ(k.seen[0], k.seen[1]);
    EXPECT_EQ(k.seen[1], k.seen[2]);
    ASSERT_EQ(k.copy.getLength(), 3u);
    EXPECT_EQ(k.copy.getName(2), "x");
    EXPECT_EQ(k.copy.getValue(0), "3");
    EXPECT_EQ(k.copy.getValue(1), "2");
    EXPECT_EQ(k.copy.getValue("x"), "3");
    EXPECT_EQ(k.copy.getValue("z"), "");
    EXPECT_FALSE(k.copy.Has("z"));

    // Long lists switch to a hash index; repeats still answer the last value.
    TAttributeList many;
    for (int i = 0; i < 40; ++i)
        many.addAttribute("n" + std::to_string(i % 25), std::to_string(i));
    EXPECT_EQ(many.getLength(), 40u);
    EXPECT_EQ(many.getValue("n3"), "28");
    EXPECT_EQ(many.getValue(3), "28");
    EXPECT_EQ(many.getValue(30), "30");
    EXPECT_EQ(many.getValue(24), "24");
    many.addAttribute("t", "cdata", "v");
    EXPECT_EQ(many.getType("t"), "CDATA");
    EXPECT_EQ(many.getType(0), "");
    TAttributeList copied(many);
    many.clear();
    EXPECT_EQ(many.getLength(), 0u);
    EXPECT_FALSE(many.Has("n3"));
    EXPECT_EQ(copied.getValue("n3"), "28");
    EXPECT_EQ(copied.getType(40), "CDATA");
}

TEST(XmlParser, ProgressEveryHundredthOfTheText) {
    struct Counter : TMessageHandler {
        std::vector<double> values;
        void ProgressValue(double f) override { values.push_back(f); }
    } messages;
    ScopedMessageHandler scope(messages);
    struct P : Recorder {
        std::vector<std::size_t> at;
        void progress(std::size_t position, std::size_t length) override {
            at.push_back(position);
            EXPECT_EQ(length, expected);
        }
        std::size_t expected = 0;
    } p;
    // 1600 bytes: one tick every 16 characters, each a multiple of 16.
    const std::string doc = "<a>" + std::string(1593, 'x') + "</a>";
    p.expected = doc.size();
    Parse(doc, p);
    ASSERT_EQ(p.at.size(), 100u);
    EXPECT_EQ(p.at.front(), 16u);
    EXPECT_EQ(p.at.back(), 1600u);
    ASSERT_EQ(messages.values.size(), 100u);
    EXPECT_DOUBLE_EQ(messages.values.back(), 1.0);

    // 1000 bytes: ticks every 10; the document handler hears multiples of 16 and the end.
    messages.values.clear();
    P q;
    const std::string doc2 = "<a>" + std::string(993, 'x') + "</a>";
    q.expected = doc2.size();
    Parse(doc2, q);
    EXPECT_EQ(messages.values.size(), 100u);
    ASSERT_EQ(q.at.size(), 13u);
    EXPECT_EQ(q.at[0], 80u);
    EXPECT_EQ(q.at[12], 1000u);
}

TEST(XmlParser, ParsesSystemIdentifiersThroughTheResolverAndIsReusable) {
    const std::string path = std::string(::testing::TempDir()) + "zep_xml_resolve.xml";
    TMemoryStream("<f a='1'/>").SaveToFile(path);
    Recorder r;
    TXMLParser parser;
    parser.setDocumentHandler(&r);
    parser.parse(path);
    parser.parse(path);
    EXPECT_THAT(r.events, ElementsAre("D", "S f a=1", "E f", "/D", "D", "S f a=1", "E f", "/D"));
    std::remove(path.c_str());
    EXPECT_THROW(parser.parse(path), EFOpenError);
}

} // namespace
} // namespace zep
