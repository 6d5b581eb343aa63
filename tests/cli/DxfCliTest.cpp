// zep-cli dxf against the drawings under the shared data and a plain count of each.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/view/DxfCounter.h"

namespace {

struct Result {
    int status;
    std::string out;
};

Result RunZepCli(const std::string& args) {
    std::string cmd = std::string(ZEP_BIN_DIR) + "/zep-cli " + args + " 2>&1";
    Result r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        r.out.append(buf.data(), n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::map<std::string, std::string> Keys(const std::string& out) {
    std::map<std::string, std::string> keys;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos) keys[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return keys;
}

TEST(DxfCli, RealDrawingsAgreeWithAPlainCount) {
    const std::filesystem::path root = std::filesystem::path(ZEP_SHARED_DATA) / "dxf";
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".dxf") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        const Result r = RunZepCli("dxf '" + entry.path().string() + "'");
        ASSERT_EQ(r.status, 0) << r.out;
        auto keys = Keys(r.out);
        const auto count = zep::view::testing::CountDxf(entry.path().string());
        EXPECT_EQ(keys["layers"], std::to_string(count.layers.size()));
        EXPECT_EQ(keys["polylines"], std::to_string(count.polylines));
        EXPECT_EQ(keys["points"], std::to_string(count.points));
        for (const auto& [kind, n] : count.kinds)
            EXPECT_EQ(keys["entities." + kind], std::to_string(n)) << kind;
        std::size_t kinds = 0;
        for (const auto& [key, value] : keys)
            kinds += key.rfind("entities.", 0) == 0;
        EXPECT_EQ(kinds, count.kinds.size());
        // Shortest round-trip numbers: compare as numbers, not text.
        if (count.polylines == 0) {
            EXPECT_EQ(keys["extent"], "none");
        } else {
            double v[4];
            ASSERT_EQ(
                std::sscanf(keys["extent"].c_str(), "%lf,%lf,%lf,%lf", &v[0], &v[1], &v[2], &v[3]),
                4);
            EXPECT_DOUBLE_EQ(v[0], count.minX);
            EXPECT_DOUBLE_EQ(v[1], count.minY);
            EXPECT_DOUBLE_EQ(v[2], count.maxX);
            EXPECT_DOUBLE_EQ(v[3], count.maxY);
        }
    }
    EXPECT_GE(files, 9);
}

TEST(DxfCli, FailuresAndUsage) {
    const std::filesystem::path bad = std::filesystem::temp_directory_path() /
                                      ("zep_dxfcli_" + std::to_string(getpid()) + ".dxf");
    std::ofstream(bad) << "0\nSECTION\n2\nPICTURES\n";
    Result r = RunZepCli("dxf " + bad.string());
    std::filesystem::remove(bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, bad.string() + "(3:1): Unexpected section PICTURES\n");
    EXPECT_EQ(RunZepCli("dxf /nonexistent/x.dxf").status, 1);
    EXPECT_EQ(RunZepCli("dxf").status, 2);
    EXPECT_EQ(RunZepCli("dxf a.dxf b.dxf").status, 2);
    Result help = RunZepCli("dxf --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("entities.K"), std::string::npos);
}

} // namespace
