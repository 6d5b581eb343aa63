// Selections: combining, the point test and extent, and the XML form read back through the
// parser (random composites written and read again give the same members in the same order).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/Selections.h"
#include "foundation/ORVMiniDOM.h"
#include "foundation/OrvXMLGenerator.h"
#include "foundation/Stream.h"

namespace zep::analysis::test {
namespace {

using model::TPoint3;

PSelection Rect(double x1, double y1, double x2, double y2) {
    return std::make_shared<TCubeSelection>(TPoint3{x1, y1, 7}, TPoint3{x2, y2, 9});
}

std::string Written(const ISelection& s) {
    TMemoryStream out;
    {
        TXMLGenerator g(out);
        g.startElement("filter");
        WriteSelection(g, s);
        g.endElement();
        g.Flush();
    }
    return out.Data();
}

PSelection ReadBack(const std::string& xml) {
    auto doc = minidom::ParseMiniDomString(xml);
    return ReadSelection(*doc->Root());
}

TEST(Selections, CombineContainsAndExtent) {
    const PSelection a = Rect(0, 10, 5, 0); // corners in any order
    EXPECT_EQ(a, Combine({a}));             // one gives itself, not a composite
    EXPECT_EQ("", Combine({})->ElementName());
    EXPECT_TRUE(Combine({})->Extent().empty);
    EXPECT_FALSE(Combine({})->Contains({0, 0}));

    const PSelection c = Combine({a, Combine({}), Rect(20, 20, 30, 25)});
    ASSERT_EQ("composite", c->ElementName());
    EXPECT_EQ(2u, static_cast<const TCompositeSelection&>(*c).Members().size());
    EXPECT_EQ(TWorldRect::Of(0, 0, 30, 25), c->Extent());
    EXPECT_TRUE(c->Contains({5, 10}));   // borders belong to the rectangle
    EXPECT_TRUE(c->Contains({25, 22}));  // the second member
    EXPECT_FALSE(c->Contains({10, 10})); // inside the extent, in neither member
    EXPECT_FALSE(c->Contains({-0.1, 5}));
}

TEST(Selections, ElementNamesAndTheRegistry) {
    EXPECT_EQ("cube", SelectionElementName("TCubeSelection"));
    EXPECT_EQ("polygon", SelectionElementName("TPolygonSELECTION"));
    EXPECT_EQ("ring", SelectionElementName("Ring"));
    try {
        ReadBack("<f><selection><circle r=\"1\"/></selection></f>");
        FAIL() << "no error";
    } catch (const ESelectionError& e) {
        EXPECT_STREQ("Unknown element \"circle\" found", e.what());
    }
    // A registered class is read through its element name.
    RegisterSelectionClass("everywhere", [] { return std::make_shared<TCompositeSelection>(); });
    EXPECT_EQ("composite", ReadBack("<f><selection><everywhere/></selection></f>")->ElementName());
}

TEST(Selections, XmlFormReadsBack) {
    EXPECT_EQ("", ReadBack("<f><selection/></f>")->ElementName());
    EXPECT_EQ("", ReadBack("<f/>")->ElementName());
    const std::string one = Written(*Rect(1.5, 2, 3, 4));
    EXPECT_NE(std::string::npos,
              one.find("<rectangle top=\"2\" left=\"1.5\" bottom=\"4\" right=\"3\" />"))
        << one;
    // Malformed or missing numbers become not-a-number.
    auto bad =
        ReadBack("<f><selection><rectangle top=\"x\" left=\"1\" right=\"2\"/></selection></f>");
    const auto& cube = static_cast<const TCubeSelection&>(*bad);
    EXPECT_TRUE(std::isnan(cube.First().y));
    EXPECT_TRUE(std::isnan(cube.Second().y));
    EXPECT_EQ(1, cube.First().x);

    std::mt19937 rng(5);
    std::uniform_real_distribution<double> coord(-1e6, 1e6);
    for (int round = 0; round < 50; ++round) {
        std::vector<PSelection> members;
        const int n = 2 + int(rng() % 4);
        for (int i = 0; i < n; ++i) {
            if (rng() % 4 == 0)
                members.push_back(Combine({Rect(coord(rng), coord(rng), coord(rng), coord(rng)),
                                           Rect(coord(rng), coord(rng), coord(rng), coord(rng))}));
            else
                members.push_back(Rect(coord(rng), coord(rng), coord(rng), coord(rng)));
        }
        const PSelection written = Combine(members);
        const PSelection read = ReadBack(Written(*written));
        EXPECT_EQ(Written(*written), Written(*read));
        const auto& in = static_cast<const TCompositeSelection&>(*written).Members();
        const auto& out = static_cast<const TCompositeSelection&>(*read).Members();
        ASSERT_EQ(in.size(), out.size());
        for (std::size_t i = 0; i < in.size(); ++i)
            EXPECT_EQ(in[i]->Extent(), out[i]->Extent()) << "member " << i;
    }
}

} // namespace
} // namespace zep::analysis::test
