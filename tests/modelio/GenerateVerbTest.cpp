// zep-cli generate on the sample study: the files the golden test keeps, in the scenario
// directories, and the exit status of the usage and work failures.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "ModelFilesTestSupport.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;

int RunCli(const std::string& args) {
    const std::string cmd = std::string(ZEP_BIN_DIR) + "/zep-cli " + args + " >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(GenerateVerb, SampleStudyFilesAndFailures) {
    if (!fs::exists(fs::path(ZEP_BIN_DIR) / "zep-cli")) GTEST_SKIP() << "zep-cli not built";
    test::TTempDir dir("verb");
    const std::string out = dir.path.string();
    ASSERT_EQ(RunCli("generate --sample --dir " + out + " --scenario 01A --only p1e,L3E"), 0);
    const fs::path golden = fs::path(ZEP_SOURCE_DIR) / "tests/data/modelio/sample";
    EXPECT_EQ(test::ReadFile(dir.path / "01A/W_EXA01A.P1E"),
              test::ReadFile(golden / "01A/W_EXA01A.P1E"));
    EXPECT_EQ(test::ReadFile(dir.path / "01A/W_EXA01A.L3E"),
              test::ReadFile(golden / "01A/W_EXA01A.L3E"));
    EXPECT_FALSE(fs::exists(dir.path / "W_EXA.Z1E"));
    EXPECT_FALSE(fs::exists(dir.path / "00A"));

    ASSERT_EQ(RunCli("generate --sample --dir " + out), 0);
    for (const auto& e : fs::recursive_directory_iterator(golden)) {
        if (!e.is_regular_file()) continue;
        const fs::path rel = fs::relative(e.path(), golden);
        EXPECT_EQ(test::ReadFile(dir.path / rel), test::ReadFile(e.path())) << rel;
    }

    EXPECT_EQ(RunCli("generate --sample --dir " + out + " --only X1E"), 2);
    EXPECT_EQ(RunCli("generate"), 2);
    EXPECT_EQ(RunCli("generate --sample --dir " + out + " --scenario 09Z"), 1);
    EXPECT_EQ(RunCli("generate " + (dir.path / "missing.zpz").string()), 1);
}

// The same files come out of the study after it went through the project file: everything the
// writers read (macro zone members included) survives saving and reopening.
TEST(GenerateVerb, SampleStudyThroughTheProjectFile) {
    const fs::path makeStudy = fs::path(ZEP_BIN_DIR) / "zep-make-study";
    if (!fs::exists(fs::path(ZEP_BIN_DIR) / "zep-cli") || !fs::exists(makeStudy))
        GTEST_SKIP() << "zep-cli or zep-make-study not built";
    test::TTempDir dir("verbfile");
    const fs::path study = dir.path / "EXA.zpz";
    const std::string make =
        makeStudy.string() + " --sample -o " + study.string() + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ASSERT_EQ(RunCli("generate " + study.string()), 0);
    const fs::path golden = fs::path(ZEP_SOURCE_DIR) / "tests/data/modelio/sample";
    for (const auto& e : fs::recursive_directory_iterator(golden)) {
        if (!e.is_regular_file()) continue;
        const fs::path rel = fs::relative(e.path(), golden);
        EXPECT_EQ(test::ReadFile(dir.path / rel), test::ReadFile(e.path())) << rel;
    }
}

} // namespace
} // namespace zep::modelio
