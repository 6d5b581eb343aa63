// MIF/MID route files: header, one polyline per written route with its points in sequence
// order, the routes left out, the number form, saving only on change, and GDAL reading the
// pair as features whose attributes are the MID lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/ImportExport.h"
#include "files/MIF_File.h"
#include "foundation/Format.h"
#include "model/LINK.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SampleStudy.h"

namespace zep::files {
namespace {

using namespace zep::model;
namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "zep_mif_XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* f = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            out.append(buf, n);
        ::pclose(f);
    }
    return out;
}

// Three routes: one over three links (written out of sequence order), one without a used
// link-route in the scenario, and one over a single link.
struct RouteNet {
    TProject p;
    TScenario* base;
    TRoute* r1;
    TRoute* r2;
    TRoute* r3;

    TLinkRoute* On(TRoute* r, std::int32_t from, std::int32_t to, bool used) {
        TLink* link = p.NewLinkByIds(0, from, to);
        link->SetUsedIn(base, true);
        TLinkRoute* lr = p.NewLinkRoute(link, r);
        lr->SetUsedIn(base, used);
        return lr;
    }

    RouteNet() {
        p.SetName("Exa");
        base = p.BaseScenario();
        const double xy[][2] = {{0.5, 1}, {2, 3.25}, {-4, 0.1}, {7, 8}};
        for (int i = 0; i < 4; ++i)
            p.NewNode(i + 1)->SetPosition({xy[i][0], xy[i][1]});
        TOperator* op = p.NewOperator(p.NewMode(), 2);
        op->SetType(otRoute);
        r1 = p.NewRoute(op, 10);
        r1->SetName("Ten");
        r2 = p.NewRoute(op, 20);
        r2->SetName("Twenty");
        r3 = p.NewRoute(op, 30);
        r3->SetName("Thirty");
        r3->SetDescription("Short");
        On(r1, 3, 4, true);
        On(r1, 1, 2, true);
        On(r1, 2, 3, true);
        On(r2, 1, 2, false);
        On(r3, 4, 1, true);
    }
};

TEST(MifFile, Coordinates) {
    EXPECT_EQ(MifCoordinate(0), "0.000");
    EXPECT_EQ(MifCoordinate(-0.0), "0.000");
    EXPECT_EQ(MifCoordinate(12), "12.000");
    EXPECT_EQ(MifCoordinate(-4.5), "-4.500");
    EXPECT_EQ(MifCoordinate(0.1), "0.100");
    EXPECT_EQ(MifCoordinate(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(MifCoordinate(123456.78901), "123456.78901");
    EXPECT_EQ(MifCoordinate(1e-20), "0.000");
    EXPECT_EQ(MifCoordinate(1e20), "100000000000000000000.000");
    EXPECT_EQ(std::stod(MifCoordinate(-117.918472)), -117.918472);
}

TEST(MifFile, ObjectsAndAttributeLinesCorrespond) {
    RouteNet n;
    TMIFWriter w(n.p, n.base);
    w.AddHeader();
    const std::vector<std::string> header = w.Lines();
    EXPECT_EQ(header,
              (std::vector<std::string>{
                  "Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Index 1,2,4",
                  "CoordSys Earth Projection 1, 0", "Columns 9", "  ID Integer", "  NAME Char(256)",
                  "  DESCRIPTION Char(256)", "  OPER Integer", "  MINFREQ Float", "  MAXFREQ Float",
                  "  TARGETOCC Float", "  MAXFLEET Float", "  SCHEDULE Logical", "", "DATA", ""}));
    w.AddRoutes();
    const std::vector<std::string> objects(w.Lines().begin() + header.size(), w.Lines().end());
    EXPECT_EQ(objects, (std::vector<std::string>{
                           "PLINE 4", "    0.500 1.000", "    2.000 3.250", "    -4.000 0.100",
                           "    7.000 8.000", Format("    PEN(1,2,%d)", {RoutePenColour(n.r1)}),
                           "PLINE 2", "    7.000 8.000", "    0.500 1.000",
                           Format("    PEN(1,2,%d)", {RoutePenColour(n.r3)})}));
    EXPECT_EQ(w.MidLines(), (std::vector<std::string>{"10,\"Ten\",\"\",2,1,1,0,0,0",
                                                      "30,\"Thirty\",\"Short\",2,1,1,0,0,0"}));
    EXPECT_NE(RoutePenColour(n.r1), RoutePenColour(n.r3));
    for (TRoute* r : {n.r1, n.r2, n.r3}) {
        EXPECT_GE(RoutePenColour(r), 0);
        EXPECT_LE(RoutePenColour(r), 16777215);
    }
}

TEST(MifFile, NamesAndSavingOnlyOnChange) {
    RouteNet n;
    TempDir dir;
    n.p.SetFileName(dir.File("exa.zpz"));
    n.base->SetName("00a");
    EXPECT_EQ(RouteMifFileName(n.p, n.base, "MIF"), dir.File("00a/ROUTES_EXA00A.MIF"));
    TMifWriteResult first = WriteRouteMifFiles(n.p, n.base);
    EXPECT_TRUE(first.mifWritten && first.midWritten);
    EXPECT_EQ(first.routes, 2u);
    const auto stamp = fs::last_write_time(first.mifPath);
    TMifWriteResult again = WriteRouteMifFiles(n.p, n.base);
    EXPECT_FALSE(again.mifWritten || again.midWritten);
    EXPECT_EQ(fs::last_write_time(first.mifPath), stamp);
    n.r3->SetDescription("Shorter");
    TMifWriteResult changed = WriteRouteMifFiles(n.p, n.base);
    EXPECT_FALSE(changed.mifWritten);
    EXPECT_TRUE(changed.midWritten);
}

// GDAL's own reader: as many features as routes written, attributes equal to the MID cells.
TEST(MifFile, GdalReadsThePair) {
    if (std::system("ogrinfo --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ogrinfo";
    TProject p;
    BuildSampleStudy(p);
    TempDir dir;
    p.SetFileName(dir.File("exa.zpz"));
    const TMifWriteResult r = WriteRouteMifFiles(p, p.BaseScenario());
    ASSERT_GT(r.routes, 0u);
    const std::string out = RunCommand("ogrinfo -ro -al -q '" + r.mifPath + "' 2>&1");
    std::size_t features = 0;
    for (std::size_t at = out.find("OGRFeature"); at != std::string::npos;
         at = out.find("OGRFeature", at + 1))
        ++features;
    EXPECT_EQ(features, r.routes) << out;

    std::ifstream mid(r.midPath);
    std::string line;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(mid, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        rows.push_back(SplitNetworkLine(line));
    }
    ASSERT_EQ(rows.size(), r.routes);
    // Each feature's block lists its fields as "  NAME (Type) = value".
    std::size_t at = 0;
    const char* names[] = {"ID",      "NAME",    "DESCRIPTION", "OPER",
                           "MINFREQ", "MAXFREQ", "TARGETOCC",   "MAXFLEET"};
    for (const auto& row : rows) {
        at = out.find("OGRFeature", at);
        ASSERT_NE(at, std::string::npos);
        for (std::size_t k = 0; k < 8; ++k) {
            const std::size_t field = out.find(std::string("  ") + names[k] + " (", at);
            ASSERT_NE(field, std::string::npos) << names[k];
            const std::size_t eq = out.find("= ", field) + 2;
            std::string value = out.substr(eq, out.find('\n', eq) - eq);
            if (k == 1 || k == 2) {
                EXPECT_EQ(value, row[k]) << names[k];
            } else {
                EXPECT_DOUBLE_EQ(std::stod(value), std::stod(row[k])) << names[k];
            }
        }
        at += 10;
    }
    EXPECT_NE(out.find("LINESTRING"), std::string::npos) << out;
}

} // namespace
} // namespace zep::files
