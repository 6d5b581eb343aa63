// zep-cli report on the sample study after the stand-in assignment: every table read back with
// an RFC 4180 reader (and Python's csv module when there is one), its rows counted against the
// assignment file's study, its numbers parsed; the HTML form; the verb's failures; settings
// saved by one run and used by the next.
#include <array>
#include <charconv>
#include <cstdio>
#include <set>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "ModelFilesTestSupport.h"
#include "files/PrjFile.h"
#include "model/LINK.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SCENARIO.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;
using namespace model;

struct TRun {
    int status = -1;
    std::string out;
};

TRun Shell(const std::string& command) {
    TRun r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

const std::string kBin = ZEP_BIN_DIR;

using TRecord = std::vector<std::string>;

/// RFC 4180: fields separated by commas, records by CR LF (a last record without one), a quoted
/// field may hold commas, line ends and doubled quotes. Fails the test on anything else.
std::vector<TRecord> ReadCsv(const std::string& text) {
    std::vector<TRecord> records;
    if (text.empty()) return records;
    TRecord record(1);
    std::size_t i = 0;
    while (i < text.size()) {
        std::string& field = record.back();
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    ADD_FAILURE() << "unterminated quoted field";
                    return records;
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    field += text[i];
                }
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"') ADD_FAILURE() << "quote inside an unquoted field";
                field += text[i++];
            }
        }
        if (i == text.size()) break;
        if (text[i] == ',') {
            record.emplace_back();
            ++i;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            records.push_back(std::move(record));
            record.assign(1, "");
            i += 2;
        } else {
            ADD_FAILURE() << "bare line end or junk after a quoted field at " << i;
            return records;
        }
    }
    records.push_back(std::move(record));
    return records;
}

bool IsNumber(const std::string& s) {
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool IsInteger(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool IsClock(const std::string& s) {
    const std::size_t a = s.find(':'), b = s.rfind(':');
    return s == "FOREVER" || (a != std::string::npos && b == a + 3 && b + 3 == s.size() &&
                              IsInteger(s.substr(0, a)) && IsInteger(s.substr(a + 1, 2)) &&
                              IsInteger(s.substr(b + 1)));
}

/// Every cell of a row table is what its column promises.
void CheckRowCells(const std::vector<TRecord>& rows) {
    const TRecord& header = rows[0];
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t c = 0; c < header.size(); ++c) {
            const std::string& name = header[c];
            const std::string& v = rows[r][c];
            bool ok = true;
            if (name == "Id" || name == "Orig" || name == "Dest" || name == "Type" ||
                name == "OperId" || name == "RouteId")
                ok = IsInteger(v);
            else if (name == "Dem/Cap")
                ok = v.empty() || (v.back() == '%' && IsNumber(v.substr(0, v.size() - 1))) ||
                     IsNumber(v);
            else if (name == "IniWait" || name == "FinWait")
                ok = IsClock(v);
            else if (name != "LinkName" && name != "OperName" && name != "RouteName" &&
                     name != "ServLev")
                ok = v.empty() || IsNumber(v);
            EXPECT_TRUE(ok) << name << " \"" << v << "\" row " << r;
        }
}

TEST(EnergyReportsSample, TablesOfTheStandInAssignmentReadBack) {
    if (!fs::exists(kBin + "/zep-cli") || !fs::exists(kBin + "/model/model-standin"))
        GTEST_SKIP() << "zep-cli or the stand-ins not built";
    test::TTempDir dir("reportsample");
    const std::string project = (dir.path / "EXA.zpz").string();
    ASSERT_EQ(Shell(kBin + "/zep-make-study --sample -o " + project).status, 0);
    const TRun run =
        Shell("VARDEN_PATH=" + kBin + "/model " + kBin + "/zep-cli run " + project +
              " --task PATHS,00A --task 'KELVA /I,00A' --task SEB,00A --task KELVA,00A");
    ASSERT_EQ(run.status, 0) << run.out;
    const std::string t3s = (dir.path / "00A" / "EXA00A.T3S").string();
    ASSERT_TRUE(fs::exists(t3s));
    const std::string report = kBin + "/zep-cli report " + t3s + " --scenario 00A ";

    // What the tables must hold, counted on the assignment file's study.
    std::unique_ptr<TProject> p = files::OpenProject(t3s);
    ASSERT_TRUE(p->AssignmentResults());
    const TScenario* s = p->Scenarios().FindScenario("00A");
    std::size_t links = 0, linkRoutes = 0, operatorRows = 0;
    for (std::size_t i = 0; i < p->Links().Count(); ++i) {
        const TLink* l = p->Links().Get(i);
        if (!l->LinkTypeIn(s)) continue;
        ++links;
        linkRoutes += l->LinkRoutes().Count();
        std::set<const TOperator*> ops;
        for (std::size_t k = 0; k < l->LinkRoutes().Count(); ++k)
            ops.insert(l->LinkRoutes().Get(k)->Route()->Operator());
        operatorRows += ops.size();
    }
    ASSERT_GT(links, 100u);
    ASSERT_GT(linkRoutes, links);

    const bool python = Shell("python3 -c 'import csv'").status == 0;
    for (const auto& [kind, columns, rows] : {std::tuple{"link", 11u, links},
                                              {"operator", 21u, operatorRows},
                                              {"route", 25u, linkRoutes},
                                              {"speed", 1u + p->Operators().Count(), 0u}}) {
        SCOPED_TRACE(kind);
        const fs::path csv = dir.path / (std::string(kind) + ".csv");
        const TRun r = Shell(report + "--kind " + kind + " -o " + csv.string());
        ASSERT_EQ(r.status, 0) << r.out;
        const std::vector<TRecord> records = ReadCsv(test::ReadFile(csv));
        ASSERT_FALSE(records.empty());
        for (const TRecord& record : records)
            ASSERT_EQ(record.size(), columns);
        if (std::string(kind) != "speed") {
            EXPECT_EQ(records.size(), rows + 1);
            CheckRowCells(records);
        } else {
            ASSERT_GE(records.size(), 4u);
            EXPECT_EQ(records[0][1], "Vehicle-Distance by operator");
            EXPECT_EQ(records[2][0], "Speed Class");
            for (std::size_t k = 3; k < records.size(); ++k)
                for (const std::string& cell : records[k])
                    EXPECT_TRUE(IsNumber(cell)) << cell;
            // Classes 1 to the highest, each named by its upper bound at the default width 5.
            for (std::size_t k = 3; k < records.size(); ++k)
                EXPECT_EQ(records[k][0], std::to_string(5 * (k - 2)) + ".00");
        }
        if (python) {
            const TRun py = Shell("python3 -c 'import csv,sys\n"
                                  "rows = list(csv.reader(open(sys.argv[1], newline=\"\")))\n"
                                  "print(len(rows), sorted(set(len(r) for r in rows)))' " +
                                  csv.string());
            EXPECT_EQ(py.out,
                      std::to_string(records.size()) + " [" + std::to_string(columns) + "]\n");
        }
        // The HTML form: one table row per line of the comma text.
        const fs::path xls = dir.path / (std::string(kind) + ".xls");
        ASSERT_EQ(Shell(report + "--kind " + kind + " -o " + xls.string()).status, 0);
        const std::string html = test::ReadFile(xls);
        EXPECT_EQ(html.rfind("<html>\r\n", 0), 0u);
        std::size_t tableRows = 0;
        for (std::size_t at = 0; (at = html.find("<tr>", at)) != std::string::npos; ++at)
            ++tableRows;
        EXPECT_EQ(tableRows, records.size());
    }

    // Settings saved by one run (an area of half the network, a filter) drive the next alone.
    const std::string settings = (dir.path / "Assignment Report.xml").string();
    const TRun first = Shell(report + "--kind operator --width 7.5 --rect 0,0,2500,5000 -o " +
                             (dir.path / "a.csv").string() + " --save-settings '" + settings + "'");
    ASSERT_EQ(first.status, 0) << first.out;
    const TRun second =
        Shell(report + "--settings '" + settings + "' -o " + (dir.path / "b.csv").string());
    ASSERT_EQ(second.status, 0) << second.out;
    const std::string a = test::ReadFile(dir.path / "a.csv");
    EXPECT_EQ(a, test::ReadFile(dir.path / "b.csv"));
    const std::size_t some = ReadCsv(a).size();
    EXPECT_GT(some, 1u);
    EXPECT_LT(some, operatorRows + 1);
    EXPECT_NE(test::ReadFile(settings).find("<speedBreak value=\"7.5\" />"), std::string::npos);

    // Failures: usage errors exit 2, work that fails 1, each with its message.
    EXPECT_EQ(Shell(report + "--kind pie -o x.csv").status, 2);
    EXPECT_EQ(Shell(report + "-o x.csv").status, 2);
    const TRun width = Shell(report + "--kind speed --width 5,5 -o x.csv");
    EXPECT_EQ(width.status, 2);
    EXPECT_NE(width.out.find("'5,5' is not a valid floating point value"), std::string::npos);
    EXPECT_EQ(Shell(report + "--kind speed --width 0 -o " + (dir.path / "z.csv").string()).status,
              1);
    EXPECT_FALSE(fs::exists(dir.path / "z.csv"));
    const TRun unwritable = Shell(report + "--kind link -o " + dir.path.string());
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.out.find("Cannot write to file \"" + dir.path.string() + "\"."),
              std::string::npos)
        << unwritable.out;
    EXPECT_NE(Shell(kBin + "/zep-cli report --help").out.find("--settings"), std::string::npos);
}

} // namespace
} // namespace zep::modelio
