// zep-cli run and generate --only for the control files: a run through the stand-ins, a
// failing program (exit 1 with its command line), usage errors, a task list file; then GNU
// make running the stand-ins itself from the generated Makefile.
#include <array>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "ModelFilesTestSupport.h"

namespace zep::modelio {
namespace {

namespace fs = std::filesystem;

struct TCliResult {
    int status = -1;
    std::string out;
};

TCliResult Shell(const std::string& command) {
    TCliResult r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Bin() {
    return std::string(ZEP_BIN_DIR);
}

TEST(RunVerb, RunsTasksReportsFailuresAndMakeRunsTheStandIns) {
    if (!fs::exists(Bin() + "/zep-cli") || !fs::exists(Bin() + "/zep-make-study"))
        GTEST_SKIP() << "zep-cli not built";
    test::TTempDir dir("runverb");
    const std::string project = (dir.path / "EXA.zpz").string();
    ASSERT_EQ(Shell(Bin() + "/zep-make-study --sample -o " + project).status, 0);
    const std::string env = "VARDEN_PATH=" + Bin() + "/model ";

    TCliResult only = Shell(Bin() + "/zep-cli generate " + project + " --only ctl,makefile,bat");
    ASSERT_EQ(only.status, 0) << only.out;
    EXPECT_TRUE(fs::exists(dir.path / "Makefile"));
    EXPECT_TRUE(fs::exists(dir.path / "EXA02A.BAT"));
    EXPECT_FALSE(fs::exists(dir.path / "W_EXA.Z1E"));
    EXPECT_EQ(Shell(Bin() + "/zep-cli generate " + project + " --only CTL,KOLP").status, 2);

    EXPECT_EQ(Shell(Bin() + "/zep-cli run " + project).status, 2);
    EXPECT_EQ(Shell(Bin() + "/zep-cli run --task PATHS,00A").status, 2);
    TCliResult unknown = Shell(env + Bin() + "/zep-cli run " + project + " --task PATHS,09Z");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.out.find("Scenario <09Z> not found"), std::string::npos) << unknown.out;

    TCliResult failed = Shell(env + "ZEP_STANDIN_FAULT=GRAVO/01A:fail " + Bin() + "/zep-cli run " +
                              project + " --task PATHS,00A --task PATHS,01A");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.out.find("FAILED: " + Bin() + "/model/GRAVO.EXE 01A "), std::string::npos)
        << failed.out;
    EXPECT_TRUE(fs::exists(dir.path / "00A/EXA00A.P0S"));
    // A project named without a directory runs in the current one.
    TCliResult here = Shell("cd " + dir.path.string() + " && " + env + Bin() +
                            "/zep-cli run EXA.zpz --task PATHS,01A");
    EXPECT_EQ(here.status, 0) << here.out;
    EXPECT_TRUE(fs::exists(dir.path / "01A/EXA01A.P0S"));

    std::ofstream(dir.path / "all.zepbat")
        << "\"PATHS\",\"00A\"\r\n\"KELVA /I\",\"00A\"\r\n\"SEB\",\"00A\"\r\n\"KELVA\",\"00A\"\r\n"
           "\"PATHS\",\"01A\"\r\n\"SEB\",\"01A\"\r\n\"KELVA\",\"01A\"\r\n\"PATHS\",\"02A\"\r\n"
           "\"WRIN\",\"02A\"\r\n\"KELVA\",\"02A\"\r\n";
    TCliResult ok = Shell(env + Bin() + "/zep-cli run " + project + " --tasks " +
                          (dir.path / "all.zepbat").string());
    ASSERT_EQ(ok.status, 0) << ok.out;
    EXPECT_NE(ok.out.find("GRAVO 02A done"), std::string::npos);
    EXPECT_NE(ok.out.find("SEB.EXE 02A -f"), std::string::npos); // fixed location

    // GNU make runs the stand-ins by the Makefile's own command lines after an input changed.
    if (Shell("make --version").status != 0) GTEST_SKIP() << "no make";
    fs::last_write_time(dir.path / "01A/W_EXA01A.F1E", fs::file_time_type::clock::now());
    const std::string make =
        "cd '" + dir.path.string() + "' && PATH='" + Bin() + "/model':$PATH make";
    TCliResult rerun = Shell(make);
    EXPECT_EQ(rerun.status, 0) << rerun.out;
    EXPECT_NE(rerun.out.find("DUVA 01A done"), std::string::npos) << rerun.out;
    EXPECT_EQ(rerun.out.find("GRAVO"), std::string::npos) << rerun.out;
    EXPECT_NE(Shell(make + " -n").out.find("Nothing to be done"), std::string::npos);
}

} // namespace
} // namespace zep::modelio
