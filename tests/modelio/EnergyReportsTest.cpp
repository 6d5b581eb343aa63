// Assignment reports on a small hand-built study: the link filter, the columns and numbers of
// each table, the speed classes, comma text and the HTML form, failures, and the settings file
// written and read back over random settings.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "ModelFilesTestSupport.h"
#include "analysis/Selections.h"
#include "foundation/ORVMiniDOM.h"
#include "foundation/OrvXMLGenerator.h"
#include "foundation/Stream.h"
#include "model/ADMIN.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "modelio/EnergyReports.h"

namespace zep::modelio {
namespace {

using namespace model;
namespace fs = std::filesystem;

/// A map selection as a report area, as the callers above both layers adapt it.
class TArea : public IReportArea {
public:
    explicit TArea(analysis::PSelection s) : s_(std::move(s)) {}
    bool Contains(TFloatPoint p) const override { return s_->Contains(p); }
    void Write(TXMLGenerator& g) const override { analysis::WriteSelection(g, *s_); }

private:
    analysis::PSelection s_;
};

PReportArea ReadArea(const minidom::TElement& settings) {
    analysis::PSelection s = analysis::ReadSelection(settings);
    return s->ElementName().empty() ? nullptr : std::make_shared<TArea>(s);
}

PReportArea Rect(double x1, double y1, double x2, double y2) {
    return std::make_shared<TArea>(
        std::make_shared<analysis::TCubeSelection>(TPoint3{x1, y1, 0}, TPoint3{x2, y2, 0}));
}

/// Nodes 1 to 5 on a line at x = 0, 10, ..., 40. Links 1-2 and 2-3 of type 1 (both operators),
/// 3-4 of type 2 (bus only, no route-links), 4-5 of type 1 carrying only the tram.
struct TStudy {
    TProject p;
    TScenario* s = p.BaseScenario();
    TOperator *bus, *tram;
    TLinkType *t1, *t2;
    TRoute *r10, *r20;
    TLink *l12, *l23, *l34, *l45;

    TStudy() {
        TMode* mode = p.NewMode(1);
        bus = p.NewOperator(mode, 1);
        bus->SetName("Bus Line");
        bus->SetType(otRoute);
        bus->SetValueIn(s, TOperator::kOccupancyRate, TValue(50.0));
        tram = p.NewOperator(mode, 2);
        tram->SetName("Tram, \"fast\"");
        tram->SetType(otRoute);
        tram->SetValueIn(s, TOperator::kOccupancyRate, TValue(100.0));
        t1 = p.NewLinkType(1);
        t2 = p.NewLinkType(2);
        Data(t1, bus, 40, 2);
        Data(t1, tram, 50, 1);
        Data(t2, bus, 30, 2);
        for (std::int32_t id = 1; id <= 5; ++id)
            p.NewNode(id)->SetPosition({10.0 * (id - 1), 0});
        l12 = Link(1, 2, t1, 2.0, 1000, 50);
        l23 = Link(2, 3, t1, 3.0, 0, 15);
        l34 = Link(3, 4, t2, 4.0, 500, 30);
        l45 = Link(4, 5, t1, 5.0, 800, 0);
        r10 = p.NewRoute(bus, 10);
        r10->SetName("Ten");
        r10->SetValueIn(s, TRoute::kMinFreq, TValue(4.0));
        r20 = p.NewRoute(tram, 20);
        r20->SetName("Twenty");
        r20->SetValueIn(s, TRoute::kMinFreq, TValue(0.0));
        LinkRoute(l12, r10, 30, 4);
        LinkRoute(l23, r10, 20, 0);
        LinkRoute(l12, r20, 80, 2.5);
        LinkRoute(l45, r20, 10, 1);
    }
    void Data(TLinkType* t, TOperator* o, double speed, double equivalent) {
        TLinkTypeOper* d = t->GetOrCreateOperatorData(o);
        d->SetValueIn(s, TLinkTypeOper::kFreeFlowSpeed, TValue(speed));
        d->SetValueIn(s, TLinkTypeOper::kEquivalentVehicles, TValue(equivalent));
    }
    TLink* Link(std::int32_t a, std::int32_t b, TLinkType* t, double length, double capacity,
                double speed) {
        TLink* l = p.LinkBetween(p.FindNode(a), p.FindNode(b));
        l->SetLinkTypeIn(s, t);
        l->SetValueIn(s, TLink::kLength, TValue(length));
        l->SetValueIn(s, TLink::kCapacity, TValue(capacity));
        l->SetValueIn(s, TLink::kSpeed, TValue(speed));
        return l;
    }
    void LinkRoute(TLink* l, TRoute* r, double volume, double vehicles) {
        TLinkRoute* lr = p.NewLinkRoute(l, r);
        lr->SetUsedIn(s, true);
        lr->SetValueIn(s, TLinkRoute::kVolume, TValue(volume));
        lr->SetValueIn(s, TLinkRoute::kVehicles, TValue(vehicles));
    }
    /// The report's lines split into cells (comma text).
    std::vector<std::vector<std::string>> Report(const TLinkSelector& sel, int kind) {
        std::string text;
        sel.WriteReport(p, s, text, kind, roCommaText);
        std::vector<std::vector<std::string>> rows;
        for (std::size_t at = 0; at <= text.size();) {
            std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos) end = text.size();
            rows.push_back(SplitCommaText(std::string_view(text).substr(at, end - at)));
            at = end + 2;
        }
        return rows;
    }
    /// The identifiers of the links the link report lists.
    std::vector<std::string> Listed(const TLinkSelector& sel) {
        std::vector<std::string> ids;
        const auto rows = Report(sel, rkLink);
        for (std::size_t i = 1; i < rows.size(); ++i)
            ids.push_back(rows[i][1] + "-" + rows[i][2]);
        return ids;
    }
};

using TIds = std::vector<std::string>;

TEST(EnergyReports, FilterByAreaLinkTypeAndOperator) {
    TStudy st;
    TLinkSelector sel;
    EXPECT_EQ(st.Listed(sel), (TIds{"1-2", "2-3", "3-4", "4-5"}));

    // Every operator of 4-5's routes excluded: the link goes; 3-4 has no route-links and stays.
    sel.ExcludeOperator("2");
    EXPECT_EQ(st.Listed(sel), (TIds{"1-2", "2-3", "3-4"}));
    EXPECT_FALSE(sel.IsOperatorIncluded("2"));
    sel.ExcludeOperator("1");
    EXPECT_EQ(st.Listed(sel), (TIds{"3-4"}));
    sel.IncludeOperator("1");
    sel.IncludeOperator("2");
    sel.IncludeOperator("7"); // never excluded: nothing changes
    EXPECT_TRUE(sel.ExcludedOperators().empty());

    sel.ExcludeLinkType("2");
    sel.ExcludeLinkType("2");
    EXPECT_EQ(sel.ExcludedLinkTypes(), TIds{"2"});
    EXPECT_EQ(st.Listed(sel), (TIds{"1-2", "2-3", "4-5"}));
    sel.IncludeLinkType("2");

    // Both ends must lie in the area.
    sel.SetArea(Rect(-1, -1, 15, 1));
    EXPECT_EQ(st.Listed(sel), TIds{"1-2"});
    sel.SetProject(st.p);
    ASSERT_EQ(sel.Links().size(), 1u);
    EXPECT_EQ(sel.Links()[0], st.l12);
    sel.SetArea(nullptr);

    // A link without a type in the scenario is never reported.
    st.l34->SetLinkTypeIn(st.s, nullptr);
    EXPECT_EQ(st.Listed(sel), (TIds{"1-2", "2-3", "4-5"}));

    // Identifier texts are the absolute identifiers, sorted as texts.
    sel.ExcludeOperator("10");
    sel.ExcludeOperator("9");
    EXPECT_EQ(sel.ExcludedOperators(), (TIds{"10", "9"}));
    EXPECT_EQ(IdentifierText(-42), "42");
    EXPECT_EQ(IdentifierText(std::int64_t(INT32_MIN)), "2147483648");
}

TEST(EnergyReports, LinkOperatorAndRouteColumns) {
    TStudy st;
    TLinkSelector sel;
    const auto links = st.Report(sel, rkLink);
    ASSERT_EQ(links.size(), 5u);
    EXPECT_EQ(links[0], (TIds{"Id", "Orig", "Dest", "LinkName", "Type", "Dist", "LinkCap",
                              "Dem/Cap", "StVeh", "TotVeh", "ServLev"}));
    // 1-2: equivalent vehicles 4 × 2 + 2.5 × 1 = 10.5 -> 11 (halves up); vehicles 6.5 -> 7.
    EXPECT_EQ(links[1], (TIds{IdentifierText(*st.l12), "1", "2", "", "1", "2.0", "1000.0", "1.1%",
                              "11.0", "7.0", "Level A"}));
    // Zero capacity: no demand/capacity share at all.
    EXPECT_EQ(links[2][6], "0.0");
    EXPECT_EQ(links[2][7], "");
    EXPECT_EQ(links[2][10], "Level F"); // 15 of 50
    EXPECT_EQ(links[4][10], "Level H"); // standing still

    const auto ops = st.Report(sel, rkOperator);
    ASSERT_EQ(ops[0].size(), 21u);
    EXPECT_EQ(ops[0][11], "OperId");
    // 1-2 carries both operators, in the operator list's order.
    ASSERT_EQ(ops[1][11], "1");
    EXPECT_EQ(TIds(ops[1].begin() + 11, ops[1].end()),
              (TIds{"1", "Bus Line", "200.0", "30.0", "4.0", "15.0%", "8.0", "40.0", "40.0",
                    ops[1][20]}));
    EXPECT_EQ(
        TIds(ops[2].begin() + 11, ops[2].begin() + 20),
        (TIds{"2", "Tram, \"fast\"", "250.0", "80.0", "2.5", "32.0%", "2.5", "50.0", "50.0"}));
    // 2-3: the bus runs without vehicles, so without capacity: "0.0", not empty.
    EXPECT_EQ(ops[3][1], "2");
    EXPECT_EQ(ops[3][13], "0.0");
    EXPECT_EQ(ops[3][16], "0.0");
    // 3-4 has no route-links: no operator row.
    EXPECT_EQ(ops[4][1], "4");
    EXPECT_EQ(ops.size(), 5u);

    const auto routes = st.Report(sel, rkLinkRoute);
    ASSERT_EQ(routes[0].size(), 25u);
    EXPECT_EQ(TIds(routes[0].begin() + 11, routes[0].end()),
              (TIds{"OperId", "OperName", "RouteId", "RouteName", "Capac", "Demand", "Vehics",
                    "Dem/Cap", "StVeh", "IniSpeed", "FinSpeed", "IniWait", "FinWait", "Energy"}));
    ASSERT_EQ(routes.size(), 5u); // one row per route-link: 2 on 1-2, 1 on 2-3 and 4-5
    EXPECT_EQ(routes[1][13], "10");
    EXPECT_EQ(routes[1][14], "Ten");
    EXPECT_EQ(routes[1][22], "0:07:30"); // half the headway of 4 an hour
    EXPECT_EQ(routes[2][22], "FOREVER"); // route 20 does not run
    EXPECT_EQ(routes[3][18], "");        // no vehicles, no capacity: empty share
    EXPECT_EQ(routes[1][24].find('.'), routes[1][24].size() - 4); // three decimals
}

TEST(EnergyReports, SpeedClasses) {
    TStudy st;
    TLinkSelector sel;
    // Width 5: the bus on 2-3 (15 × 40/50 = 12) is in class 3; 4-5 stands still (class 0, never
    // printed); on 1-2 the bus runs 50 × 40/50 = 40 (class 8), the tram 50 (class 10).
    TSpeedClassTable table(st.p, 5);
    for (TLink* l : {st.l12, st.l23, st.l34, st.l45})
        table.AddLink(*l, st.s);
    EXPECT_EQ(table.HighestClass(), 10u);
    EXPECT_DOUBLE_EQ(table.Cell(8, 0), 2.0 * 4);
    EXPECT_DOUBLE_EQ(table.Cell(7, 0), 0.0);
    EXPECT_DOUBLE_EQ(table.Cell(10, 1), 2.0 * 2.5);
    EXPECT_DOUBLE_EQ(table.Cell(3, 0), 0.0); // 3 × 0 vehicles

    st.l23->LinkRoutes().Get(0)->SetValueIn(st.s, TLinkRoute::kVehicles, TValue(2.0));
    const auto rows = st.Report(sel, rkSpeedClass);
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[0], (TIds{"", "Vehicle-Distance by operator", ""}));
    EXPECT_EQ(rows[1], (TIds{"", "1", "2"}));
    EXPECT_EQ(rows[2], (TIds{"Speed Class", "Bus Line", "Tram, \"fast\""}));
    EXPECT_EQ(rows[3], (TIds{"5.00", "0.0", "0.0"}));
    EXPECT_EQ(rows[5], (TIds{"15.00", "6.0", "0.0"}));
    EXPECT_EQ(rows[12], (TIds{"50.00", "0.0", "5.0"}));

    EXPECT_EQ(rows[10], (TIds{"40.00", "8.0", "0.0"}));

    // A width that makes no classes, or millions of them, fails before anything is written.
    for (double width : {0.0, -5.0, std::nan(""), HUGE_VAL, 1e-9}) {
        sel.SetClassWidth(width);
        std::string text = "kept";
        EXPECT_THROW(sel.WriteReport(st.p, st.s, text, rkSpeedClass, roCommaText), EReportError)
            << width;
        EXPECT_EQ(text, "kept");
    }
}

TEST(EnergyReports, OutputFormsAndFailures) {
    TStudy st;
    st.l12->SetValueIn(st.s, TLink::kLinkName, TValue(std::string("<Main> & \"Co\"")));
    TLinkSelector sel;
    test::TTempDir dir("reports");

    // ".xls" (any case) gives the HTML table, anything else comma-separated text; a missing
    // directory is made.
    const fs::path xls = dir.path / "sub" / "r.XLS", csv = dir.path / "r.csv",
                   txt = dir.path / "r.txt";
    SaveReport(sel, st.p, st.s, rkLink, xls.string());
    SaveReport(sel, st.p, st.s, rkLink, csv.string());
    SaveReport(sel, st.p, st.s, rkLink, txt.string());
    const std::string html = test::ReadFile(xls), text = test::ReadFile(csv);
    EXPECT_EQ(test::ReadFile(txt), text);
    EXPECT_EQ(html.rfind("<html>\r\n  <head>\r\n  </head>\r\n  <body>\r\n    <table>\r\n"
                         "      <tr>\r\n        <th>\r\n          Id\r\n        </th>\r\n",
                         0),
              0u);
    EXPECT_NE(html.find("        <td>\r\n          &lt;Main&gt; &amp; \"Co\"\r\n        </td>\r\n"),
              std::string::npos);
    const std::string end = "      </tr>\r\n    </table>\r\n  </body>\r\n</html>";
    EXPECT_EQ(html.substr(html.size() - end.size()), end);
    EXPECT_EQ(text.rfind("Id,Orig,Dest,LinkName,", 0), 0u);
    EXPECT_NE(text.find(",\"<Main> & \"\"Co\"\"\","), std::string::npos);
    EXPECT_NE(text.back(), '\n');

    TReportTable table(2); // 2 is the HTML form as well
    table.AddRow({"a b"});
    table.AddRow({"1"});
    EXPECT_EQ(table.Finish(),
              "<html>\r\n  <head>\r\n  </head>\r\n  <body>\r\n    <table>\r\n"
              "      <tr>\r\n        <th>\r\n          a b\r\n        </th>\r\n"
              "      </tr>\r\n      <tr>\r\n        <td>\r\n          1\r\n"
              "        </td>\r\n      </tr>\r\n    </table>\r\n  </body>\r\n</html>");

    std::string out;
    for (int kind : {-1, 4}) {
        try {
            sel.WriteReport(st.p, st.s, out, kind, roCommaText);
            ADD_FAILURE() << kind;
        } catch (const EReportError& e) {
            EXPECT_STREQ(e.what(), "Detail level not implemented");
        }
    }
    EXPECT_TRUE(out.empty());

    // A directory where the file should go, and a file where a directory should go.
    for (const fs::path& bad : {dir.path / "sub", csv / "x.csv"}) {
        try {
            SaveReport(sel, st.p, st.s, rkLink, bad.string());
            ADD_FAILURE() << bad;
        } catch (const EReportError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot write to file \"" + bad.string() + "\".");
        }
        EXPECT_THROW(SaveReportSettings(sel, bad.string()), EReportError);
    }
    EXPECT_EQ(test::ReadFile(csv), text);

    st.p.SetName("TST");
    st.p.SetFileName((dir.path / "TST.zpz").string());
    EXPECT_EQ(ProposedReportName(st.p, st.s), "ENERGY_TST00A");
    EXPECT_EQ(ReportSettingsFileName(st.p), (dir.path / "Assignment Report.xml").string());
}

TEST(EnergyReports, CommaTextAndNumbers) {
    std::mt19937 rng(22);
    const std::string alphabet = "ab1 ,\"\r\n\t.%";
    for (int round = 0; round < 500; ++round) {
        std::vector<std::string> cells(1 + rng() % 6);
        for (std::string& c : cells)
            for (unsigned n = rng() % 5; n > 0; --n)
                c += alphabet[rng() % alphabet.size()];
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i) line += ',';
            AppendCommaTextCell(line, cells[i]);
        }
        EXPECT_EQ(SplitCommaText(line), cells) << line;
    }
    std::string quoted;
    AppendCommaTextCell(quoted, "Level A");
    EXPECT_EQ(quoted, "\"Level A\"");

    EXPECT_EQ(ReportNumber(0.05, 1), "0.1");
    EXPECT_EQ(ReportNumber(-0.01, 1), "0.0");
    EXPECT_EQ(ReportNumber(12.3456, 3), "12.346");
    EXPECT_EQ(ReportNumber(HUGE_VAL), "");
    EXPECT_EQ(ReportNumber(std::nan("")), "");
    EXPECT_EQ(ClockText(1.5), "1:30:00");
    EXPECT_EQ(ClockText(HUGE_VAL), "FOREVER");
}

TEST(EnergyReports, ServiceLevelsFollowTheSpeedShare) {
    TStudy st; // type 1's fastest operator runs 50
    const std::vector<std::pair<double, std::string>> cases{
        {50, "Level A"},   {43, "Level A"}, {42.5, "Level B"}, {30, "Level C"},   {25, "Level D"},
        {20.5, "Level D"}, {20, "Level E"}, {15.5, "Level E"}, {10.5, "Level F"}, {5.5, "Level G"},
        {5, "Level H"},    {0, "Level H"},  {80, "Level A"}};
    for (const auto& [speed, name] : cases) {
        st.l12->SetValueIn(st.s, TLink::kSpeed, TValue(speed));
        const TServiceLevel* level = LinkServiceLevel(st.p, *st.l12, st.s);
        ASSERT_NE(level, nullptr);
        EXPECT_EQ(level->GetName(), name) << speed;
    }
    st.t1->OperatorData(st.bus)->SetValueIn(st.s, TLinkTypeOper::kFreeFlowSpeed, TValue(0.0));
    st.t1->OperatorData(st.tram)->SetValueIn(st.s, TLinkTypeOper::kFreeFlowSpeed, TValue(0.0));
    EXPECT_EQ(LinkServiceLevel(st.p, *st.l12, st.s), nullptr); // no reference speed
    st.l12->SetLinkTypeIn(st.s, nullptr);
    EXPECT_EQ(LinkServiceLevel(st.p, *st.l12, st.s), nullptr);
}

/// Everything the settings hold, in a form that compares.
std::string SettingsText(const TLinkSelector& sel) {
    TMemoryStream out;
    {
        TXMLGenerator g(out);
        sel.SaveSettings(g);
    }
    return out.Data();
}

TEST(EnergyReports, SettingsWrittenAndReadBackRestoreEverything) {
    std::mt19937_64 rng(4622);
    std::uniform_real_distribution<double> coordinate(-1e6, 1e6);
    test::TTempDir dir("settings");
    const std::string file = (dir.path / "Assignment Report.xml").string();
    auto randomArea = [&]() -> PReportArea {
        auto rect = [&] {
            return std::make_shared<analysis::TCubeSelection>(
                TPoint3{coordinate(rng), coordinate(rng), 0},
                TPoint3{coordinate(rng), coordinate(rng), 0});
        };
        switch (rng() % 3) {
        case 0:
            return nullptr;
        case 1:
            return std::make_shared<TArea>(rect());
        default:
            return std::make_shared<TArea>(std::make_shared<analysis::TCompositeSelection>(
                std::vector<analysis::PSelection>{rect(), rect()}));
        }
    };
    auto randomSelector = [&] {
        TLinkSelector sel;
        sel.SetFormatKind(int(rng() % 4));
        sel.SetArea(randomArea());
        for (unsigned n = rng() % 5; n > 0; --n)
            sel.ExcludeLinkType(std::to_string(rng() % 1000));
        for (unsigned n = rng() % 5; n > 0; --n)
            sel.ExcludeOperator(std::to_string(rng() % 2000000000));
        sel.SetClassWidth(std::ldexp(double(rng() % 1000000 + 1), int(rng() % 40) - 30));
        return sel;
    };
    for (int round = 0; round < 200; ++round) {
        const TLinkSelector written = randomSelector();
        SaveReportSettings(written, file);
        TLinkSelector read = randomSelector(); // whatever it held before is replaced
        LoadReportSettings(read, file, ReadArea);
        ASSERT_EQ(read.FormatKind(), written.FormatKind());
        ASSERT_EQ(read.ExcludedLinkTypes(), written.ExcludedLinkTypes());
        ASSERT_EQ(read.ExcludedOperators(), written.ExcludedOperators());
        ASSERT_EQ(read.ClassWidth(), written.ClassWidth());
        ASSERT_EQ(bool(read.Area()), bool(written.Area()));
        ASSERT_EQ(SettingsText(read), SettingsText(written)) << round;
        for (int k = 0; k < 20 && written.Area(); ++k) {
            const TFloatPoint pt{coordinate(rng), coordinate(rng)};
            ASSERT_EQ(read.Area()->Contains(pt), written.Area()->Contains(pt));
        }
    }

    // What a file lacks keeps its value, except the area and the exclusion lists; an "exclude"
    // without "id" is skipped; an unknown format is the route report.
    TLinkSelector sel;
    sel.SetFormatKind(rkSpeedClass);
    sel.SetClassWidth(2.5);
    sel.ExcludeOperator("3");
    sel.SetArea(Rect(0, 0, 1, 1));
    std::ofstream(file) << "<reportSettings><filters><linkTypes><exclude/><exclude id=\"7\"/>"
                           "</linkTypes></filters><speedBreak value=\"abc\"/></reportSettings>";
    LoadReportSettings(sel, file, ReadArea);
    EXPECT_EQ(sel.FormatKind(), rkSpeedClass);
    EXPECT_EQ(sel.ClassWidth(), 2.5);
    EXPECT_EQ(sel.ExcludedLinkTypes(), TIds{"7"});
    EXPECT_TRUE(sel.ExcludedOperators().empty());
    EXPECT_EQ(sel.Area(), nullptr);
    std::ofstream(file) << "<reportSettings><format value=\"pie\"/></reportSettings>";
    LoadReportSettings(sel, file, ReadArea);
    EXPECT_EQ(sel.FormatKind(), rkLinkRoute);
    EXPECT_EQ(SettingsText(TLinkSelector()),
              "<reportSettings>\n  <format value=\"route\" />\n  <selection />\n"
              "  <filters />\n  <speedBreak value=\"5\" />\n</reportSettings>\n");
}

} // namespace
} // namespace zep::modelio
