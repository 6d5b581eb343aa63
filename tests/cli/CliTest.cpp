// Runs the zep-cli executable and checks its output and exit statuses.
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

namespace {

struct Result {
    int status;
    std::string out;
};

Result RunCli(const std::string& args) {
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

TEST(ZepCli, HelpVersionAndUsageErrors) {
    auto help = RunCli("help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("version"), std::string::npos);
    auto version = RunCli("version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zep-cli ", 0), 0u);
    EXPECT_EQ(RunCli("").status, 2);
    auto unknown = RunCli("frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.out.find("unknown verb"), std::string::npos);
}

} // namespace
