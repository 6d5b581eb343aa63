// zep-cli's info, convert and validate on study files, and its answer to damaged ones.
#if __has_include("model/SampleStudy.h") && __has_include("model/Consistency.h")
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "files/PrjFile.h"
#include "model/LINK.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "model/StudyText.h"

namespace zep::files {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
    std::string lastError; // the last line on standard error (progress lines come before it)
};

Result RunCli(const std::string& args) {
    const std::string errFile =
        (fs::temp_directory_path() / ("zep_prjcli_err_" + std::to_string(::getpid()))).string();
    const std::string cmd = std::string(ZEP_BIN_DIR) + "/zep-cli " + args + " 2>" + errFile;
    Result r{-1, {}, {}};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;)
        r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream in(errFile, std::ios::binary);
    std::string err((std::istreambuf_iterator<char>(in)), {});
    fs::remove(errFile);
    while (!err.empty() && err.back() == '\n')
        err.pop_back();
    const std::size_t cut = err.find_last_of("\r\n");
    r.lastError = cut == std::string::npos ? err : err.substr(cut + 1);
    return r;
}

class PrjCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(std::string(ZEP_BIN_DIR) + "/zep-cli")) GTEST_SKIP() << "no zep-cli";
        dir_ = fs::temp_directory_path() / ("zep_prjcli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(PrjCli, InfoConvertValidate) {
    model::TProject study;
    model::BuildSampleStudy(study);
    const std::string zpz = (dir_ / "sample.zpz").string();
    SaveProject(zpz, study);
    auto info = RunCli("info " + zpz);
    ASSERT_EQ(info.status, 0) << info.out;
    auto loaded = OpenProject(zpz);
    const std::string expected = "scenarios: " + std::to_string(loaded->Scenarios().Count()) +
                                 "\nnodes: " + std::to_string(loaded->Nodes().Count()) + "\n";
    EXPECT_EQ(info.out.substr(0, expected.size()), expected);
    EXPECT_NE(info.out.find("\nlinks: " + std::to_string(loaded->Links().Count()) + "\n"),
              std::string::npos);
    EXPECT_NE(info.out.find("\nlink_routes: "), std::string::npos);

    const std::string zep = (dir_ / "sample.zep").string();
    auto convert = RunCli("convert " + zpz + " " + zep);
    ASSERT_EQ(convert.status, 0) << convert.out;
    EXPECT_EQ(RunCli("info " + zep).out, info.out);
    std::ifstream plain(zep, std::ios::binary);
    char head[2] = {0, 0};
    plain.read(head, 2);
    EXPECT_EQ(head[0], 5); // a plain file starts with the version header

    // The XML form by its extension, in both directions.
    const std::string xml = (dir_ / "sample.xmlz").string();
    ASSERT_EQ(RunCli("convert " + zep + " " + xml).status, 0);
    auto viaXml = RunCli("info " + xml);
    EXPECT_EQ(viaXml.status, 0) << viaXml.lastError;
    EXPECT_EQ(viaXml.out.substr(0, expected.size()), expected);

    auto validate = RunCli("validate " + zep);
    EXPECT_TRUE(validate.status == 0 || validate.status == 1) << validate.out;
    EXPECT_EQ(validate.status == 0, validate.out.empty()) << validate.out;
    EXPECT_EQ(validate.lastError, validate.status == 0 ? "0 problems" : validate.lastError);
    EXPECT_EQ(RunCli("validate").status, 2);
}

TEST_F(PrjCli, DumpIsTheSameStudyWhateverTheForm) {
    model::TProject study;
    model::BuildSampleStudy(study);
    const std::string zpz = (dir_ / "sample.zpz").string();
    SaveProject(zpz, study);
    auto native = RunCli("dump " + zpz);
    ASSERT_EQ(native.status, 0) << native.lastError;
    EXPECT_EQ(native.out, model::StudyText(*OpenProject(zpz)));
    EXPECT_EQ(native.out.rfind("study\n", 0), 0u);

    // Through the XML form the study stays the same, the operators' access to links included.
    const std::string xml = (dir_ / "sample.xml").string();
    ASSERT_EQ(RunCli("convert " + zpz + " " + xml).status, 0);
    auto viaXml = RunCli("dump " + xml);
    ASSERT_EQ(viaXml.status, 0) << viaXml.lastError;
    EXPECT_TRUE(viaXml.out == native.out);
    // Every scenario's access is made again, so the links a child scenario opens to an operator
    // count as well.
    auto linkRoutes = [](const std::string& info) {
        const std::size_t at = info.find("\nlink_routes: ");
        return at == std::string::npos ? 0 : std::stoi(info.substr(at + 14));
    };
    const int nativeCount = linkRoutes(RunCli("info " + zpz).out);
    EXPECT_GT(nativeCount, 800);
    EXPECT_GE(linkRoutes(RunCli("info " + xml).out), nativeCount);

    const std::string out = (dir_ / "sample.txt").string();
    ASSERT_EQ(RunCli("dump " + xml + " -o " + out).status, 0);
    std::ifstream written(out, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(written)), {}), native.out);
    EXPECT_EQ(RunCli("dump").status, 2);
    EXPECT_EQ(RunCli("dump " + (dir_ / "missing.zpz").string()).status, 1);
}

TEST_F(PrjCli, DamagedFilesExitWithTheMessage) {
    model::TProject study;
    model::BuildSampleStudy(study);
    const std::string zep = (dir_ / "s.zep").string();
    SaveProject(zep, study);
    std::string bytes = ReadProjectImage(zep);
    const std::string bad = (dir_ / "bad.zep").string();
    auto write = [&](const std::string& b) { std::ofstream(bad, std::ios::binary) << b; };
    write(bytes.substr(0, bytes.size() / 2));
    auto r = RunCli("info " + bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lastError, "Stream read error");
    std::string flipped = bytes;
    flipped[7] ^= 0x40;
    write(flipped);
    r = RunCli("validate " + bad);
    EXPECT_EQ(r.status, 3); // cannot be read, as against problems found
    EXPECT_EQ(r.lastError, "Invalid image");
    write("");
    r = RunCli("info " + bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lastError, bad + " is empty: it is not a project file");
    write("PK\x03\x04 this is a text file, not a study\n");
    r = RunCli("info " + bad);
    EXPECT_EQ(r.lastError, bad + " is not a project file");
    flipped = bytes;
    flipped[2] = 3; // version 5.3
    write(flipped);
    r = RunCli("convert " + bad + " " + (dir_ / "out.zep").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lastError, "Incorrect file version 5.3.1. Expected 6.8.1");
    EXPECT_FALSE(fs::exists(dir_ / "out.zep"));
}

} // namespace
} // namespace zep::files

#endif // the sample study is part of the model
