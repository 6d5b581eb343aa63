#include "foundation/ORVFiles.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>
#include <unistd.h>

#include "foundation/Format.h"

namespace zep {
namespace {
namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zep_files_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string P(const std::string& name) const { return (dir_ / name).string(); }
    static void Touch(const std::string& path, const std::string& text = "") {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
};

TEST_F(Files, TempFileNameTakesFirstFreeNameInTheDirectory) {
    std::string d = dir_.string();
    EXPECT_EQ(TempFileName(d), d + "/_MM00000.TMP");
    EXPECT_EQ(TempFileName(d + "/"), d + "/_MM00000.TMP");
    EXPECT_EQ(TempFileName(P("project.zpz")), d + "/_MM00000.TMP"); // need not exist
    for (int i = 0; i < 11; ++i)
        Touch(TempFileName(d));
    EXPECT_EQ(TempFileName(d), d + "/_MM0000B.TMP");
    fs::remove(P("_MM00003.TMP"));
    EXPECT_EQ(TempFileName(P("x")), d + "/_MM00003.TMP");

    try {
        TempFileName(P("missing/file.txt"));
        FAIL();
    } catch (const EInvalidPath& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid Path: " + P("missing"));
        EXPECT_STREQ(e.ClassName(), "EInvalidPath");
    }

    const char* old = std::getenv("TMP");
    std::string saved = old ? old : "";
    ::setenv("TMP", d.c_str(), 1);
    EXPECT_EQ(TempFileName("  "), d + "/_MM00003.TMP");
    if (old)
        ::setenv("TMP", saved.c_str(), 1);
    else
        ::unsetenv("TMP");

    // Relative names are expanded against the working directory.
    auto cwd = fs::current_path();
    fs::current_path(dir_);
    EXPECT_EQ(TempFileName("relative.txt"), d + "/_MM00003.TMP");
    fs::current_path(cwd);
}

// Pieces of random sizes, some larger than the writer's buffer, written and committed, give
// the file their concatenation with the old file's mode; a writer given up before Commit (a
// failure while the content was made) leaves the old file as it was, and neither leaves a
// temporary file behind.
TEST_F(Files, AReplacingWriterGivesItsPiecesOrNothing) {
    const std::string path = P("net.links");
    Touch(path, "old content\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::mt19937 random(7);
    std::string expected = "old content\r\n";
    for (int round = 0; round < 12; ++round) {
        const bool commit = round % 3 != 1;
        std::string written;
        try {
            TReplacingFileWriter file(path);
            const int pieces = 1 + static_cast<int>(random() % 400);
            for (int k = 0; k < pieces; ++k) {
                std::size_t size = random() % 9000;
                if (random() % 50 == 0) size = (1 << 20) + random() % 300000;
                const std::string piece(size, static_cast<char>('a' + random() % 26));
                if (random() % 2) {
                    file.Line(piece);
                    written += piece + "\r\n";
                } else {
                    file.Write(piece);
                    written += piece;
                }
            }
            if (!commit) throw std::runtime_error("the content could not be made");
            file.Commit();
            expected = written;
        } catch (const std::runtime_error&) {
            EXPECT_FALSE(commit);
        }
        ASSERT_EQ(Read(path), expected) << "round " << round;
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
    }
}

TEST_F(Files, BackupsOfOneDayAreNumbered) {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    std::string today = Format("%4.4d-%2.2d-%2.2d", {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday});

    EXPECT_EQ(MoveToBackup(P("absent.zpz")), "");
    Touch(P("study.zpz"), "v1");
    std::string first = MoveToBackup(P("study.zpz"));
    EXPECT_EQ(first, P("backups/study-" + today + "-001.zpz"));
    EXPECT_FALSE(fs::exists(P("study.zpz")));
    Touch(P("study.zpz"), "v2");
    std::string second = MoveToBackup(P("study.zpz"));
    EXPECT_EQ(second, P("backups/study-" + today + "-002.zpz"));
    EXPECT_EQ(Read(first), "v1");
    EXPECT_EQ(Read(second), "v2");
    Touch(P("NOEXT"), "n");
    EXPECT_EQ(MoveToBackup(P("NOEXT")), P("backups/NOEXT-" + today + "-001"));
}

TEST_F(Files, BackupFailureLeavesTheFileInPlace) {
    // A plain file where the backups directory should be: neither move nor copy can succeed.
    fs::create_directories(dir_ / "sub");
    Touch(P("sub/f.dat"), "keep");
    Touch(P("sub/backups"), "in the way");
    try {
        MoveToBackup(P("sub/f.dat"));
        ADD_FAILURE() << "no exception";
    } catch (const ECouldNotRenameToBackup& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not move old version of " + P("sub/f.dat") +
                                                  " to " + P("sub/backups/f-"),
                                              0),
                  0u)
            << e.what();
        EXPECT_TRUE(std::string(e.what()).ends_with("-001.dat"));
    }
    EXPECT_EQ(Read(P("sub/f.dat")), "keep");
}

} // namespace
} // namespace zep
