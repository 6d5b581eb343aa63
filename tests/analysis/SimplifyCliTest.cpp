// zep-cli simplify on an imported public network: what it prints agrees with the same command
// run in-process and with the study it writes; bad arguments are usage errors.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

#include "SimplifyTestSupport.h"
#include "analysis/SimplerNet.h"
#include "files/PrjFile.h"
#include "files/TntpImport.h"
#include "foundation/OrvMessages.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "undo/CMDStk_.h"

namespace zep::analysis::test {
namespace {

namespace fs = std::filesystem;

std::pair<int, std::string> Cli(const std::string& args) {
    const std::string cmd = std::string(ZEP_BIN_DIR) + "/zep-cli " + args + " 2>/dev/null";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {-1, out};
    std::array<char, 4096> buf;
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        out.append(buf.data(), n);
    const int st = pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

std::string Value(const std::string& out, const std::string& key) {
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ": ", 0) == 0) return line.substr(key.size() + 2);
    return "<none>";
}

TEST(SimplifyCli, AgreesWithTheCommandInProcessAndWithTheFileItWrites) {
    const std::string net = std::string(ZEP_SHARED_DATA) + "/networks/Anaheim/Anaheim_net.tntp";
    if (!fs::exists(net)) GTEST_SKIP() << "no shared data at " << net;
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    const fs::path dir = fs::temp_directory_path() / "zep_simplify_cli";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string in = (dir / "in.zpz").string(), out = (dir / "out.zpz").string();
    {
        model::TProject imported;
        files::ImportTntpFiles(imported, net, "", "", "");
        files::SaveProject(in, imported);
    }
    const auto [status, text] = Cli("simplify " + in + " -o " + out);
    ASSERT_EQ(0, status) << text;

    std::unique_ptr<model::TProject> p = files::OpenProject(in);
    undo::TCommandStack stack;
    TWorldRect repaint;
    std::size_t lines = 0;
    const std::int32_t changes =
        SimplifyNetworkCommand(*p, stack, {}, repaint, [&](const TSimplifyChange& c) {
            EXPECT_NE(std::string::npos, text.find(c.kind + " " + c.key + "\n"));
            ++lines;
        });
    EXPECT_GT(changes, 0);
    EXPECT_EQ(std::to_string(changes), Value(text, "changes"));
    std::unique_ptr<model::TProject> written = files::OpenProject(out);
    EXPECT_EQ("416 -> " + std::to_string(written->Nodes().Count()), Value(text, "nodes"));
    EXPECT_EQ(p->Nodes().Count(), written->Nodes().Count());
    EXPECT_EQ(p->Links().Count(), written->Links().Count());
    EXPECT_EQ("", model::ConsistencyReport(*written));
    undo::SetCurrentUndoSet(nullptr);

    // The written study searches like the original.
    model::TCategory* c0 = written->Categories().Get(0);
    std::unique_ptr<model::TProject> original = files::OpenProject(in);
    EXPECT_EQ(0u, CostDifferences(
                      ZoneCosts(*original, original->Categories().Get(0), original->Modes().Get(0),
                                original->BaseScenario()),
                      ZoneCosts(*written, c0, written->Modes().Get(0), written->BaseScenario())));

    EXPECT_EQ(2, Cli("simplify " + in).first); // no -o
    EXPECT_EQ(2, Cli("simplify " + in + " --rect 1,2,x,4 -o " + out).first);
    EXPECT_EQ(2, Cli("simplify " + in + " -o " + (dir / "out.txt").string()).first);
    EXPECT_EQ(1, Cli("simplify " + in + " --scenario ZZ -o " + out).first);
    // Nothing inside the rectangle: nothing changes.
    auto [st, none] = Cli("simplify " + in + " --rect 1e9,1e9,2e9,2e9 -o " + out);
    EXPECT_EQ(0, st);
    EXPECT_EQ("0", Value(none, "changes"));
    fs::remove_all(dir);
}

} // namespace
} // namespace zep::analysis::test
