#include "view/OrvDXF.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/view/DxfCounter.h"
#include "tests/view/RecordingCanvas.h"

namespace zep::view {
namespace {

using testing::TDrawCall;
using testing::TRecordingCanvas;

// Pairs as a drawing program writes them: code and value on alternate lines.
std::string Dxf(std::initializer_list<std::pair<int, std::string>> pairs) {
    std::string out;
    for (const auto& [code, value] : pairs)
        out += std::to_string(code) + "\n" + value + "\n";
    return out;
}

std::string Entities(const std::string& body) {
    return Dxf({{0, "SECTION"}, {2, "ENTITIES"}}) + body + Dxf({{0, "ENDSEC"}, {0, "EOF"}});
}

const TPolyLine& OnlyPolyLine(const TModel& m, const std::string& layer) {
    const TLayer* l = m.FindLayer(layer);
    EXPECT_NE(l, nullptr) << layer;
    EXPECT_EQ(l->ChildCount(), 1u);
    return dynamic_cast<const TPolyLine&>(l->Child(0));
}

std::string ErrorOf(const std::string& text) {
    try {
        TDXFParser().Parse(text);
    } catch (const EParseException& e) {
        return e.Text();
    }
    return "no error";
}

TEST(OrvDXF, LinesPolylinesAndLightweightPolylines) {
    const std::string text =
        Entities(Dxf({{0, "LINE"},
                      {8, "Roads"},
                      {62, "1"},
                      {10, "1.5"},
                      {20, "2.5"},
                      {30, "3.5"},
                      {11, "4"},
                      {21, "5"},
                      {31, "6"},
                      // Vertices of an old-style polyline; a vertex's own 70 (vertex flags) leaves
                      // the polyline closed.
                      {0, "POLYLINE"},
                      {8, "Rail"},
                      {66, "1"},
                      {10, "0"},
                      {20, "0"},
                      {30, "9"},
                      {70, "1"},
                      {0, "VERTEX"},
                      {8, "Rail"},
                      {10, "1"},
                      {20, "1"},
                      {30, "0"},
                      {70, "0"},
                      {0, "VERTEX"},
                      {8, "Rail"},
                      {10, "2"},
                      {20, "1"},
                      {0, "VERTEX"},
                      {10, "2"},
                      {20, "3"},
                      {0, "SEQEND"},
                      {8, "Rail"},
                      // The lightweight form: repeated 10/20 pairs, bulges and widths between them.
                      {0, "LWPOLYLINE"},
                      {8, "Blocks"},
                      {90, "3"},
                      {70, "1"},
                      {43, "0"},
                      {10, "10"},
                      {20, "40"},
                      {42, "0.5"},
                      {10, "70"},
                      {20, "0"},
                      {10, "80"},
                      {20, "20"},
                      {0, "LWPOLYLINE"},
                      {8, "Open"},
                      {70, "0"},
                      {10, "1"},
                      {20, "2"},
                      {10, "3"},
                      {20, "4"},
                      // Entities that are not read, and no layer at all.
                      {0, "CIRCLE"},
                      {8, "Roads"},
                      {10, "500"},
                      {20, "500"},
                      {40, "3"},
                      {0, "LINE"},
                      {10, "-1"},
                      {20, "-2"},
                      {11, "-3"},
                      {21, "-4"}}));
    TDXFParser parser;
    parser.Parse(text);
    const TModel& m = parser.Model();
    EXPECT_EQ(m.LayerCount(), 5u);

    const TPolyLine& line = OnlyPolyLine(m, "Roads");
    EXPECT_EQ(line.Points(), (std::vector<TPoint3>{{1.5, 2.5, 3.5}, {4, 5, 6}}));
    EXPECT_TRUE(line.HasColor());
    EXPECT_EQ(line.Color(), 0x0000FFu);
    EXPECT_FALSE(line.Closed());

    const TPolyLine& rail = OnlyPolyLine(m, "Rail");
    EXPECT_EQ(rail.Points(), (std::vector<TPoint3>{{1, 1, 0}, {2, 1, 0}, {2, 3, 0}}));
    EXPECT_TRUE(rail.Closed());
    EXPECT_FALSE(rail.HasColor());

    const TPolyLine& block = OnlyPolyLine(m, "Blocks");
    EXPECT_EQ(block.Points(), (std::vector<TPoint3>{{10, 40, 0}, {70, 0, 0}, {80, 20, 0}}));
    EXPECT_TRUE(block.Closed());
    EXPECT_FALSE(OnlyPolyLine(m, "Open").Closed());
    EXPECT_EQ(OnlyPolyLine(m, "0").PointCount(), 2u);

    const std::map<std::string, std::size_t> kinds{{"CIRCLE", 1},     {"LINE", 2},
                                                   {"LWPOLYLINE", 2}, {"POLYLINE", 1},
                                                   {"SEQEND", 1},     {"VERTEX", 3}};
    EXPECT_EQ(parser.EntityCounts(), kinds);
    const TExtent e = m.Extent();
    EXPECT_EQ(e.min, (TPoint3{-3, -4, 0}));
    EXPECT_EQ(e.max, (TPoint3{80, 40, 6}));

    // A closed polyline draws as a polygon, an open one as a polyline.
    TRecordingCanvas canvas;
    m.Draw(canvas, 0, [](double x, double y, double) {
        return TPixel{static_cast<int>(x), static_cast<int>(-y)};
    });
    // Layers draw in name order: "0", "Blocks", "Open", "Rail", "Roads".
    ASSERT_EQ(canvas.calls.size(), 5u);
    EXPECT_EQ(canvas.calls[1].kind, TDrawCall::Polygon);
    EXPECT_EQ(canvas.calls[1].points, (std::vector<TPixel>{{10, -40}, {70, 0}, {80, -20}}));
    EXPECT_EQ(canvas.calls[2].kind, TDrawCall::Polyline);
    EXPECT_EQ(canvas.calls[3].kind, TDrawCall::Polygon);
    EXPECT_EQ(canvas.calls[4].kind, TDrawCall::Polyline);
    EXPECT_EQ(canvas.calls[4].pen.color, 0x0000FFu);
}

TEST(OrvDXF, SectionsTheReaderPassesOver) {
    const std::string text = "999\r\nwritten by hand\r\n" +
                             Dxf({{0, "SECTION"},
                                  {2, "HEADER"},
                                  {9, "$ACADVER"},
                                  {1, "AC1015"},
                                  {9, "$EXTMIN"},
                                  {10, "0"},
                                  {20, "0"},
                                  {30, "0"},
                                  {0, "ENDSEC"},
                                  {0, "SECTION"},
                                  {2, "CLASSES"},
                                  {0, "CLASS"},
                                  {1, "ACDBDICTIONARYWDFLT"},
                                  {90, "0"},
                                  {0, "ENDSEC"},
                                  {0, "SECTION"},
                                  {2, "TABLES"},
                                  {0, "TABLE"},
                                  {2, "LAYER"},
                                  {70, "1"},
                                  {0, "LAYER"},
                                  {2, "Declared"},
                                  {70, "0"},
                                  {62, "7"},
                                  {0, "ENDTAB"},
                                  {0, "TABLE"},
                                  {2, "VIEW"},
                                  {0, "VIEW"},
                                  {2, "Saved"},
                                  {0, "ENDTAB"},
                                  {0, "TABLE"},
                                  {2, "UCS"},
                                  {0, "ENDTAB"},
                                  {0, "ENDSEC"},
                                  {0, "SECTION"},
                                  {2, "BLOCKS"},
                                  {0, "BLOCK"},
                                  {8, "InBlock"},
                                  {2, "B"},
                                  {0, "LINE"},
                                  {8, "InBlock"},
                                  {10, "1"},
                                  {20, "1"},
                                  {11, "2"},
                                  {21, "2"},
                                  {0, "ENDBLK"},
                                  {8, "InBlock"},
                                  {0, "ENDSEC"},
                                  {0, "SECTION"},
                                  {2, "ENTITIES"},
                                  {999, "a comment"},
                                  {0, "LINE"},
                                  {8, "Undeclared"},
                                  {10, "1"},
                                  {20, "2"},
                                  {11, "3"},
                                  {21, "4"},
                                  {0, "ENDSEC"},
                                  {0, "SECTION"},
                                  {2, "OBJECTS"}}) +
                             "this is never read\n";
    TDXFParser parser;
    parser.Parse(text);
    // Only what ENTITIES draws makes layers: blocks are not expanded, declarations make none.
    EXPECT_EQ(parser.Model().LayerCount(), 1u);
    EXPECT_NE(parser.Model().FindLayer("Undeclared"), nullptr);

    // CR LF line ends, blanks around codes and values, no "EOF", blank lines at the end.
    TDXFParser loose;
    loose.Parse("  0 \r\nSECTION\r\n 2\r\n ENTITIES \r\n0\r\nLINE\r\n 10\r\n1,234.5\r\n"
                "20\r\n 2 \r\n11\r\n-1,000\r\n21\r\n0\r\n0\r\nENDSEC\r\n\r\n\r\n");
    EXPECT_EQ(OnlyPolyLine(loose.Model(), "0").Points(),
              (std::vector<TPoint3>{{1234.5, 2, 0}, {-1000, 0, 0}}));
}

TEST(OrvDXF, NumbersAndColours) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // a decimal comma where installed; must not matter
    const double values[] = {DXFNumber(" 1,234.5 "), DXFNumber("+3"),   DXFNumber("-0.5e1"),
                             DXFNumber("abc"),       DXFNumber(""),     DXFNumber("nan"),
                             DXFNumber("1e999"),     DXFNumber("1.5x"), DXFNumber(".25")};
    std::setlocale(LC_ALL, saved.c_str());
    const double expected[] = {1234.5, 3, -5, 0, 0, 0, 0, 0, 0.25};
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(values[i], expected[i]) << i;

    EXPECT_EQ(DXFColor(-1), 0xFFFFFFu);
    EXPECT_EQ(DXFColor(-7), 0xFFFFFFu);
    EXPECT_EQ(DXFColor(0), 0x808080u);
    EXPECT_EQ(DXFColor(7), 0x000080u);
    EXPECT_EQ(DXFColor(13), 0xC000C0u);
    EXPECT_EQ(DXFColor(14), 0x00007Fu);
    EXPECT_EQ(DXFColor(15), 0x000000u);
    EXPECT_EQ(DXFColor(256), 0x000000u);
    TDXFParser p;
    p.Parse(Entities(Dxf({{0, "LINE"}, {62, "256"}, {10, "0"}, {20, "0"}})));
    EXPECT_EQ(OnlyPolyLine(p.Model(), "0").Color(), 0x000000u);
}

TEST(OrvDXF, EveryMessageAtItsPair) {
    EXPECT_EQ(ErrorOf(Dxf({{0, "TABLE"}})), "Expected \"SECTION\"");
    EXPECT_EQ(ErrorOf(Dxf({{5, "SECTION"}})), "Expected code 0 SECTION, but was 5");
    EXPECT_EQ(ErrorOf("x\nSECTION\n"), "Expected code 0 SECTION, but was -1");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {3, "HEADER"}})),
              "Expected code 2 section name, but was 3");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "PICTURES"}})), "Unexpected section PICTURES");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "HEADER"}, {9, "ACADVER"}})),
              "Expected variable name");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "HEADER"}, {1, "AC1009"}})),
              "Expected variable name");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "TABLES"}, {0, "LAYER"}})),
              "Expected code 0 and value TABLE, but was 0 LAYER");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"},
                           {2, "TABLES"},
                           {0, "TABLE"},
                           {2, "LAYER"},
                           {0, "LAYER"},
                           {0, "CIRCLE"}})),
              "Expected code 0 and value ENDTAB, but was 0 CIRCLE");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "CLASSES"}, {0, "TABLE"}})),
              "Expected code 0 and value CLASS, but was 0 TABLE");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {0, "LINE"}})),
              "Expected code 0 and value ENDBLK, but was -1 ");
    EXPECT_EQ(ErrorOf(Entities(Dxf({{0, "LINE"}, {10, "1"}, {30, "2"}}))),
              "Expected code 20 y, but was 30");
    EXPECT_EQ(ErrorOf(Entities(Dxf({{9, "$X"}}))), "Expected code 0 entity, but was 9");
    EXPECT_EQ(ErrorOf(Dxf({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}})),
              "Expected code 0 entity, but was -1");

    // The position is the offending pair's code line.
    try {
        TDXFParser().Parse("0\r\nSECTION\r\n2\r\nHEADER\r\n  1\r\nAC1009\r\n");
        FAIL();
    } catch (const EParseException& e) {
        EXPECT_EQ(e.Line(), 5);
        EXPECT_EQ(e.Column(), 3);
    }
}

// Random drawings written out in DXF, with the line ends and blanks drawing programs vary in,
// read back exactly.
TEST(OrvDXF, RandomDrawingsReadBackExactly) {
    std::mt19937_64 rng(99);
    auto number = [&] {
        double d = std::uniform_real_distribution<double>(-1e7, 1e7)(rng);
        if (rng() % 4 == 0) d = std::round(d);
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, d);
        return std::pair{d, std::string(buf, r.ptr)};
    };
    for (int round = 0; round < 50; ++round) {
        const bool crlf = rng() % 2;
        auto pair = [&](int code, const std::string& v) {
            const std::string pad(rng() % 3, ' ');
            return pad + std::to_string(code) + (crlf ? "\r\n" : "\n") + v + (crlf ? "\r\n" : "\n");
        };
        std::map<std::string, std::vector<std::pair<bool, std::vector<TPoint3>>>> expected;
        std::string text = pair(0, "SECTION") + pair(2, "ENTITIES");
        const int entities = static_cast<int>(rng() % 30);
        for (int i = 0; i < entities; ++i) {
            const std::string layer = "L" + std::to_string(rng() % 4);
            const int kind = static_cast<int>(rng() % 3);
            std::vector<TPoint3> pts;
            bool closed = false;
            if (kind == 0) {
                text += pair(0, "LINE") + pair(8, layer);
                for (int k = 0; k < 2; ++k) {
                    auto [x, xs] = number();
                    auto [y, ys] = number();
                    auto [z, zs] = number();
                    text += pair(10 + k, xs) + pair(20 + k, ys) + pair(30 + k, zs);
                    pts.push_back({x, y, z});
                }
            } else if (kind == 1) {
                closed = rng() % 2;
                text += pair(0, "POLYLINE") + pair(8, layer) + pair(66, "1") + pair(10, "0") +
                        pair(20, "0") + pair(30, "0") + pair(70, closed ? "1" : "8");
                for (std::size_t k = rng() % 100; k > 0; --k) {
                    auto [x, xs] = number();
                    auto [y, ys] = number();
                    text += pair(0, "VERTEX") + pair(8, layer) + pair(10, xs) + pair(20, ys);
                    pts.push_back({x, y, 0});
                }
                text += pair(0, "SEQEND");
            } else {
                closed = rng() % 2;
                text += pair(0, "LWPOLYLINE") + pair(8, layer) + pair(70, closed ? "129" : "128");
                for (std::size_t k = rng() % 100; k > 0; --k) {
                    auto [x, xs] = number();
                    auto [y, ys] = number();
                    text += pair(10, xs) + pair(20, ys);
                    if (rng() % 3 == 0) text += pair(42, "0.25");
                    pts.push_back({x, y, 0});
                }
            }
            expected[layer].emplace_back(closed, pts);
        }
        text += pair(0, "ENDSEC") + pair(0, "EOF");

        TDXFParser parser;
        parser.Parse(text);
        const TModel& m = parser.Model();
        ASSERT_EQ(m.LayerCount(), expected.size());
        for (const auto& [name, polys] : expected) {
            const TLayer* layer = m.FindLayer(name);
            ASSERT_NE(layer, nullptr);
            ASSERT_EQ(layer->ChildCount(), polys.size());
            for (std::size_t i = 0; i < polys.size(); ++i) {
                EXPECT_EQ(layer->Child(i).Closed(), polys[i].first);
                EXPECT_EQ(layer->Child(i).Points(), polys[i].second);
            }
        }
    }
}

// The drawings under the shared data: the reader gives what a plain count of the ENTITIES
// section's lines and polylines gives.
TEST(OrvDXF, RealDrawingsAgreeWithAnIndependentCount) {
    const std::filesystem::path root = std::filesystem::path(ZEP_SHARED_DATA) / "dxf";
    ASSERT_TRUE(std::filesystem::exists(root));
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".dxf") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        TDXFParser parser;
        ASSERT_NO_THROW(parser.Parse(text));
        const testing::TDxfCount count = testing::CountDxf(entry.path().string());

        std::size_t polylines = 0, points = 0;
        std::set<std::string> layers;
        for (const auto& [name, layer] : parser.Model().Layers()) {
            layers.insert(name);
            for (std::size_t i = 0; i < layer->ChildCount(); ++i) {
                ++polylines;
                points += layer->Child(i).PointCount();
            }
        }
        EXPECT_EQ(polylines, count.polylines);
        EXPECT_EQ(points, count.points);
        EXPECT_EQ(layers, count.layers);
        EXPECT_EQ(parser.EntityCounts(), count.kinds);
        const TExtent e = parser.Model().Extent();
        EXPECT_EQ(e.empty, count.polylines == 0);
        if (!e.empty) {
            EXPECT_DOUBLE_EQ(e.min.x, count.minX);
            EXPECT_DOUBLE_EQ(e.min.y, count.minY);
            EXPECT_DOUBLE_EQ(e.max.x, count.maxX);
            EXPECT_DOUBLE_EQ(e.max.y, count.maxY);
        }
    }
    EXPECT_GE(files, 9);
}

} // namespace
} // namespace zep::view
