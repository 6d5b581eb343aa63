// zep-cli paths on an imported public network: the path text, the search from every zone, the
// skim matrix and the model's path file, each against the same work done in-process.
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "AnalysisTestStudy.h"
#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"
#include "analysis/PATH.h"
#include "analysis/PathFile.h"
#include "analysis/PathFileSet.h"
#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"

namespace zep::analysis::test {
namespace {

namespace fs = std::filesystem;

struct TResult {
    int status;
    std::string out;
};

TResult Cli(const std::string& args, bool withErrors = false) {
    const std::string cmd =
        std::string(ZEP_BIN_DIR) + "/zep-cli " + args + (withErrors ? " 2>&1" : " 2>/dev/null");
    TResult r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Value(const std::string& out, const std::string& key) {
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ": ", 0) == 0) return line.substr(key.size() + 2);
    return "<none>";
}

class PathsCli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string net =
            std::string(ZEP_SHARED_DATA) + "/networks/SiouxFalls/SiouxFalls_net.tntp";
        if (!fs::exists(net)) return;
        // ctest runs each test in a process of its own, side by side: one directory each.
        dir_ = fs::temp_directory_path() / ("zep_paths_cli_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        project_ = (dir_ / "SIOUX.zpz").string();
        imported_ = Cli("import-tntp " + net + " -o " + project_).status == 0;
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }
    void SetUp() override {
        if (!imported_) GTEST_SKIP() << "no shared data or import failed";
    }
    static inline fs::path dir_;
    static inline std::string project_;
    static inline bool imported_ = false;
};

TEST_F(PathsCli, PathTextAllAndSkimAgreeWithTheSearch) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    std::unique_ptr<TProject> p = files::OpenProject(project_);
    TDualGraph g(*p, nullptr, DefaultSearchMode(*p), p->BaseScenario());
    const TZone* z1 = p->TransportZones().Get(0);
    const TZone* z20 = p->TransportZones().Get(19);

    const TResult one = Cli("paths " + project_ + " --from 1 --to 20");
    EXPECT_EQ(0, one.status);
    EXPECT_EQ(g.PathBetweenZones(z1, z20)->ToString() + "\n", one.out);
    EXPECT_EQ(one.out, Cli("paths " + project_ +
                           " --from z_1 --to 20 --mode Car --category "
                           "Car --scenario 00A")
                           .out);

    const TResult all = Cli("paths " + project_ + " --all");
    EXPECT_EQ(0, all.status);
    EXPECT_EQ(std::to_string(g.VertexCount()), Value(all.out, "vertices"));
    EXPECT_EQ(std::to_string(g.ArcCount()), Value(all.out, "arcs"));
    EXPECT_EQ("24", Value(all.out, "zones"));
    EXPECT_EQ("552", Value(all.out, "pairs"));
    EXPECT_NE("<none>", Value(all.out, "build_s"));
    EXPECT_NE("<none>", Value(all.out, "search_s"));

    const std::string skim = (dir_ / "skim.csv").string();
    ASSERT_EQ(0, Cli("paths " + project_ + " --skim " + skim).status);
    std::ifstream in(skim);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ("origin,destination,cost", line);
    std::size_t rows = 0;
    while (std::getline(in, line)) {
        int o = 0, d = 0;
        char cost[64] = {0};
        ASSERT_EQ(3, std::sscanf(line.c_str(), "%d,%d,%63s", &o, &d, cost)) << line;
        const PPath path = g.PathBetweenZones(p->TransportZones().Get(std::size_t(o - 1)),
                                              p->TransportZones().Get(std::size_t(d - 1)));
        ASSERT_TRUE(path);
        double value = 0;
        ASSERT_TRUE(TryStrToFloat(cost, value));
        EXPECT_TRUE(Near(path->Cost(), value)) << line;
        ++rows;
    }
    EXPECT_EQ(552u, rows);
}

TEST_F(PathsCli, PathFileListingAndErrors) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    std::unique_ptr<TProject> p = files::OpenProject(project_);
    using namespace analysis::paths;
    EXPECT_EQ(1, Cli("paths " + project_ + " --from 1 --to 2 --path-file").status); // no file

    TPathFileContent c(24);
    const auto lr = [&](int a, int b) {
        return std::int32_t(p->LinkRoutes().IndexOf(
                                p->FindLink(p->FindNode(a), p->FindNode(b))->LinkRoutes().Get(0)) +
                            1);
    };
    c.Pair(0, 1).push_back({0.0f, {{lr(1, 2), 1}}});
    c.Pair(0, 1).push_back(
        {0.25f, {{lr(1, 3), 1}, {lr(3, 4), 1}, {lr(4, 5), 1}, {lr(5, 6), 1}, {lr(6, 2), 1}}});
    const std::string file = PathFileName(*p, p->BaseScenario(), 0);
    {
        TFileStream out(file, FileMode::Create);
        WritePathFile(out, c);
    }
    const TResult r = Cli("paths " + project_ + " --from 1 --to 2 --path-file");
    EXPECT_EQ(0, r.status) << r.out;
    TPathFileSet set(*p, p->BaseScenario());
    set.Select(0, 0, 0, 1);
    ComputePathChoice(*set.CurrentSet(), nullptr);
    EXPECT_EQ("2", Value(r.out, "paths"));
    EXPECT_EQ(CompositeCostText(set.CurrentSet()->compositeCost), Value(r.out, "composite_cost"));
    EXPECT_EQ("no", Value(r.out, "mismatch"));
    std::string table = "No,GenC,OvrC,Prob,Dist,Time,Wait,Boardings,VehCharg,UsrCharg,MonC,"
                        "TurnDelay\n";
    for (const auto& path : set.CurrentSet()->paths) {
        const auto texts = PathInfoTexts(*path);
        for (std::size_t i = 0; i < texts.size(); ++i)
            table += (i ? "," : "") + texts[i];
        table += "\n";
    }
    EXPECT_NE(std::string::npos, r.out.find("\n\n" + table)) << r.out;

    // A truncated file: what was read is listed, the error is shown and the exit status is 1.
    std::string bytes;
    {
        TMemoryStream m;
        WritePathFile(m, c);
        bytes = m.Data().substr(0, m.Data().size() - 10);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    const TResult cut = Cli("paths " + project_ + " --from 1 --to 2 --path-file", true);
    EXPECT_EQ(1, cut.status);
    EXPECT_NE(std::string::npos, cut.out.find("Error Reading Nodes:\nFile may be truncated"));
    EXPECT_EQ("2", Value(cut.out, "paths"));
    fs::remove(file);

    EXPECT_EQ(2, Cli("paths " + project_).status);
    EXPECT_EQ(2, Cli("paths " + project_ + " --from 1").status);
    EXPECT_EQ(2, Cli("paths " + project_ + " --all --from 1 --to 2").status);
    EXPECT_EQ(1, Cli("paths " + project_ + " --from 1 --to 99").status);
    EXPECT_EQ(1, Cli("paths " + project_ + " --all --mode Boat").status);
    EXPECT_EQ(1, Cli("paths " + project_ + " --all --scenario XYZ").status);
}

} // namespace
} // namespace zep::analysis::test
