#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <variant>

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include "foundation/ORVMiniDOM.h"
#include "foundation/ORVXML.h"
#include "foundation/ORVXMLParser.h"
#include "foundation/OrvXMLGenerator.h"
#include "foundation/XMLGEN.h"

namespace zep {
namespace {

using namespace minidom;

TEST(XmlEscape, SpecialsHighBytesAndLineEnds) {
    EXPECT_EQ(XMLEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e'f");
    EXPECT_EQ(XMLEscape("\xE9\x80\xFF\x7F"), "&#233;&#128;&#255;\x7F");
    // A CR goes before a bare LF only: CR LF text must not become CR CR LF.
    EXPECT_EQ(XMLEscape("\n1\r\n2\n\n3\r4\t"), "\r\n1\r\n2\r\n\r\n3\r4\t");
    EXPECT_EQ(XMLEscape(""), "");
}

std::string Write(const std::function<void(TXMLGenerator&)>& calls) {
    TMemoryStream out;
    {
        TXMLGenerator g(out);
        calls(g);
    }
    return out.Data();
}

TEST(XmlGenerator, LayoutOfElementsAttributesAndText) {
    EXPECT_EQ(Write([](TXMLGenerator& g) {
                  g.startElement("a");
                  g.attribute("b", "x&y");
                  g.endElement();
              }),
              "<a b=\"x&amp;y\" />\n");
    EXPECT_EQ(Write([](TXMLGenerator& g) {
                  g.startElement("root");
                  g.attribute(" v\t", "\xE9");
                  g.startElement("t");
                  g.text("one\ntwo");
                  g.startElement("e");
                  g.endElement();
                  g.endElement();
                  g.startElement("u");
                  g.endElement();
                  g.endElement();
              }),
              "<root v=\"&#233;\">\n"
              "  <t>\n"
              "    one\r\ntwo\n"
              "    <e />\n"
              "  </t>\n"
              "  <u />\n"
              "</root>\n");
}

TEST(XmlGenerator, FlushesWhenTheOutermostElementEndsAndRefusesMisuse) {
    TMemoryStream out;
    TXMLGenerator g(out);
    g.startElement("a");
    g.text(std::string(100000, 'x'));
    EXPECT_GT(out.Size(), 0); // large output does not wait for the end
    g.endElement();
    EXPECT_EQ(out.Data().substr(out.Data().size() - 5), "</a>\n");
    EXPECT_EQ(g.Depth(), 0u);
    try {
        g.attribute("b", "1");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "attribute outside a start tag");
    }
    try {
        g.endElement();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "endElement without an open element");
    }
}

TEST(XmlGenerator, StringGeneratorWritesTheSameText) {
    xmlgen::TXMLGenerator s;
    s.startElement("a");
    s.attribute("k", "<\"\xFC\">");
    s.startElement("b");
    s.endElement();
    s.endElement();
    EXPECT_EQ(s.DataString(), Write([](TXMLGenerator& g) {
                  g.startElement("a");
                  g.attribute("k", "<\"\xFC\">");
                  g.startElement("b");
                  g.endElement();
                  g.endElement();
              }));
}

// A tree to write and read back.
struct Tree {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::variant<std::string, Tree>> children;
};

class RandomTrees {
public:
    explicit RandomTrees(unsigned seed) : rng_(seed) {}

    Tree Make(int depth) {
        Tree t;
        t.name = Name();
        const int attributes = Pick(0, 4);
        for (int i = 0; i < attributes; ++i)
            t.attributes.emplace_back(Name() + "_" + std::to_string(i), Value(false));
        const int children = depth > 0 ? Pick(0, 4) : 0;
        bool lastWasText = false;
        for (int i = 0; i < children; ++i) {
            // Two texts in a row would read back as one.
            if (!lastWasText && Pick(0, 2) == 0) {
                t.children.emplace_back(Value(true));
                lastWasText = true;
            } else {
                t.children.emplace_back(Make(depth - 1));
                lastWasText = false;
            }
        }
        return t;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    std::string Name() {
        // No ":": checkers that know namespaces would want the prefixes declared.
        static const std::string first = "abcXYZ_";
        static const std::string rest = "abcXYZ_.-019";
        std::string n(1, first[static_cast<std::size_t>(Pick(0, 6))]);
        for (int i = Pick(0, 6); i > 0; --i)
            n += rest[static_cast<std::size_t>(Pick(0, 11))];
        return n;
    }
    // Every character XML 1.0 allows in a single byte, markup characters often. Text has no
    // whitespace at its ends: the layout's own whitespace surrounds it.
    std::string Value(bool text) {
        static const std::string specials = "&<>\"';#[]]>\r\n\t ";
        std::string v;
        for (int i = Pick(text ? 1 : 0, 12); i > 0; --i) {
            const int kind = Pick(0, 3);
            if (kind == 0) {
                v += specials[static_cast<std::size_t>(
                    Pick(0, static_cast<int>(specials.size()) - 1))];
            } else if (kind == 1) {
                v += static_cast<char>(Pick(128, 255));
            } else {
                v += static_cast<char>(Pick(32, 126));
            }
        }
        if (text) {
            const auto ws = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
            while (!v.empty() && ws(v.front()))
                v.erase(v.begin());
            while (!v.empty() && ws(v.back()))
                v.pop_back();
            if (v.empty()) v = "t";
        }
        return v;
    }
    std::mt19937 rng_;
};

void WriteTree(TXMLGenerator& g, const Tree& t) {
    g.startElement(t.name);
    for (const auto& [n, v] : t.attributes)
        g.attribute(n, v);
    for (const auto& c : t.children) {
        if (const auto* s = std::get_if<std::string>(&c)) {
            g.text(*s);
        } else {
            WriteTree(g, std::get<Tree>(c));
        }
    }
    g.endElement();
}

// What the parser gives back for a written value: bare LFs gained a CR.
std::string AsRead(const std::string& v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\n' && (i == 0 || v[i - 1] != '\r')) out += '\r';
        out += v[i];
    }
    return out;
}

void ExpectSame(const Tree& t, const TElement& e, const std::string& where) {
    ASSERT_EQ(e.Name(), t.name) << where;
    ASSERT_EQ(e.Attributes().size(), t.attributes.size()) << where;
    for (std::size_t i = 0; i < t.attributes.size(); ++i) {
        EXPECT_EQ(e.Attributes()[i]->Name(), t.attributes[i].first) << where;
        EXPECT_EQ(e.Attributes()[i]->Value(), AsRead(t.attributes[i].second)) << where;
    }
    ASSERT_EQ(e.Children().size(), t.children.size()) << where;
    for (std::size_t i = 0; i < t.children.size(); ++i) {
        const std::string at = where + "/" + std::to_string(i);
        if (const auto* s = std::get_if<std::string>(&t.children[i])) {
            const auto* text = dynamic_cast<const TTextNode*>(e.Children()[i].get());
            ASSERT_NE(text, nullptr) << at;
            // The layout's line end and the next line's indentation follow the text.
            std::string got = text->Text();
            while (!got.empty() && (got.back() == ' ' || got.back() == '\n'))
                got.pop_back();
            EXPECT_EQ(got, AsRead(*s)) << at;
        } else {
            const auto* child = dynamic_cast<const TElement*>(e.Children()[i].get());
            ASSERT_NE(child, nullptr) << at;
            ExpectSame(std::get<Tree>(t.children[i]), *child, at);
        }
    }
}

bool LibxmlAccepts(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "gen.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return false;
    xmlFreeDoc(doc);
    return true;
}

TEST(XmlGenerator, RandomTreesReadBackTheSame) {
    RandomTrees make(20261208);
    for (int round = 0; round < 300; ++round) {
        const Tree tree = make.Make(round % 5);
        const std::string text = Write([&](TXMLGenerator& g) { WriteTree(g, tree); });
        const auto doc = ParseMiniDomString(text);
        ASSERT_NE(doc->Root(), nullptr);
        ExpectSame(tree, *doc->Root(), "round " + std::to_string(round));
        ASSERT_TRUE(LibxmlAccepts(text)) << text;
        if (HasFailure()) {
            ADD_FAILURE() << text;
            return;
        }
    }
}

// xmllint, the system's own checker, on what the generators and the tree write.
void ExpectXmllintAccepts(const std::string& text, const std::string& name) {
    if (std::system("xmllint --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xmllint";
    const std::string path = std::string(::testing::TempDir()) + name;
    TMemoryStream(text).SaveToFile(path);
    const std::string command = "xmllint --noout '" + path + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << text;
    std::remove(path.c_str());
}

TEST(XmlGenerator, XmllintAcceptsEveryAllowedByteAndMultiLineText) {
    std::string all = "\t\n\r";
    for (int c = 32; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string text = Write([&](TXMLGenerator& g) {
        g.startElement("bytes");
        g.attribute("all", all);
        g.text(all);
        g.startElement("lines");
        g.text("first line\nsecond line\r\nthird ]]> line\n");
        g.endElement();
        g.endElement();
    });
    ExpectXmllintAccepts(text, "zep_gen_bytes.xml");

    xmlgen::TXMLGenerator s;
    s.startElement("s");
    s.attribute("all", all);
    s.endElement();
    ExpectXmllintAccepts(s.DataString(), "zep_xmlgen_bytes.xml");

    RandomTrees make(7);
    const std::string big = Write([&](TXMLGenerator& g) { WriteTree(g, make.Make(6)); });
    ExpectXmllintAccepts(big, "zep_gen_random.xml");

    const auto doc = ParseMiniDomString(text);
    ExpectXmllintAccepts(doc->AsString(), "zep_dom_bytes.xml");
    // ...and the tree reads its own output back unchanged.
    EXPECT_EQ(ParseMiniDomString(doc->AsString())->Root()->AttributeValue("all"), AsRead(all));
}

TEST(MiniDom, BuildsTheTreeAndWritesItWithCrLf) {
    const auto doc =
        ParseMiniDomString("<r a='1' b='x&quot;y'>\n  <e k=\"v\"/>\n  text &amp; more\n"
                           "  <f><g/></f><![CDATA[]]></r>");
    const TElement* root = doc->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->AttributeValue("b"), "x\"y");
    EXPECT_EQ(root->AttributeValue("zz", "none"), "none");
    ASSERT_EQ(root->Children().size(), 3u);
    EXPECT_EQ(root->FindElement("e")->Line(), 2);
    EXPECT_EQ(root->FindElement("e")->Column(), 13);
    EXPECT_EQ(root->Text(), "text & more\n  ");
    EXPECT_EQ(root->FindAttribute("b")->Text(), "b=\"x\"y\"");
    EXPECT_EQ(doc->AsString(), "<r a=\"1\" b=\"x&quot;y\">\r\n"
                               "  <e k=\"v\" />\r\n"
                               "  text &amp; more\r\n  \r\n"
                               "  <f>\r\n"
                               "    <g />\r\n"
                               "  </f>\r\n"
                               "</r>\r\n");
}

TEST(MiniDom, DeepTreesAreWrittenAndFreedWithoutRecursion) {
    const auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<d>";
        text += "x";
        for (int i = 0; i < depth; ++i)
            text += "</d>";
        return text;
    };
    // Deep enough to overflow the stack if freeing recursed once per level.
    auto deep = ParseMiniDomString(nested(1000000));
    deep.reset();
    // The indentation makes the written size quadratic in the depth, so writing stays shallow.
    constexpr std::size_t kDepth = 2000;
    const std::string written = ParseMiniDomString(nested(kDepth))->AsString();
    EXPECT_EQ(written.size(), kDepth * (kDepth - 1) * 2 + kDepth * 11 + 2 * kDepth + 3);
    EXPECT_EQ(written.substr(0, 12), "<d>\r\n  <d>\r\n");
    const std::size_t x = written.find('x');
    EXPECT_EQ(written.substr(x - 2 * kDepth - 3, 2 * kDepth + 6),
              ">\r\n" + std::string(2 * kDepth, ' ') + "x\r\n");
    EXPECT_EQ(written.substr(written.size() - 14), "  </d>\r\n</d>\r\n");
}

TEST(MiniDom, EveryFailureArrivesAsASaxParseExceptionWithThePlace) {
    try {
        ParseMiniDomString("<a>\n <b c=d/></a>");
        FAIL();
    } catch (const SAXParseException& e) {
        EXPECT_STREQ(e.what(), "(2:7): [9] ', or \" expected");
        EXPECT_EQ(e.getLineNumber(), 2);
    }
    struct Refusing : TNodeFactory {
        std::unique_ptr<TElement> CreateElement(std::string_view name, int line,
                                                int column) override {
            if (name == "bad") throw std::runtime_error("no bad elements");
            return TNodeFactory::CreateElement(name, line, column);
        }
    } refusing;
    TMemoryStream stream("<a>\n  <bad/>\n</a>");
    TInputSource source(stream);
    source.setSystemId("f.xml");
    try {
        ParseMiniDom(source, &refusing);
        FAIL();
    } catch (const SAXParseException& e) {
        EXPECT_STREQ(e.what(), "f.xml(2:9): no bad elements");
    }
    TMemoryStream ok("<a>x</a>");
    EXPECT_EQ(ParseMiniDomStream(ok)->Root()->Text(), "x");
}

} // namespace
} // namespace zep
