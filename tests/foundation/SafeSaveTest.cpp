// Saving beside the target: the old file survives every failure and every interruption, a
// backup keeps it, and temporary files of interrupted saves do not pile up.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "foundation/SafeSave.h"

namespace zep {
namespace {

namespace fs = std::filesystem;

class SafeSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zep_save_XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (fs::path(dir_) / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<std::string> Temps() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.path().filename().string().rfind("_MM", 0) == 0)
                names.push_back(e.path().filename().string());
        return names;
    }
    std::string dir_;
};

TEST_F(SafeSaveTest, ReplacesKeepsABackupAndLeavesTheOldFileOnFailure) {
    const std::string target = Path("study.zpz");
    Write(target, "old");
    auto writeText = [](const std::string& text) {
        return [text](TFileStream& f) { f.WriteString(text); };
    };
    const std::string backup = SafeSave(target, writeText("new"));
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(Read(backup), "old");
    EXPECT_NE(backup.find("/backups/study-"), std::string::npos);
    EXPECT_EQ(backup.substr(backup.size() - 8), "-001.zpz");

    EXPECT_THROW(SafeSave(target,
                          [](TFileStream& f) {
                              f.WriteString("half");
                              throw std::runtime_error("disk full");
                          }),
                 std::runtime_error);
    EXPECT_EQ(Read(target), "new");
    EXPECT_TRUE(Temps().empty());
}

TEST_F(SafeSaveTest, InterruptedSaveRemovesItsTemporaryFile) {
    const std::string target = Path("study.xml");
    Write(target, "<model old/>");
    for (int signo : {SIGINT, SIGTERM}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstallSaveInterruptCleanup();
            SafeSave(target, [signo](TFileStream& f) {
                f.WriteString("<model new, half written");
                ::raise(signo);
            });
            ::_exit(0); // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signo);
        EXPECT_EQ(Read(target), "<model old/>");
        EXPECT_TRUE(Temps().empty());
    }
}

TEST_F(SafeSaveTest, NextSaveRemovesStaleTemporaryFilesOfOursOnly) {
    const std::string target = Path("study.zpz");
    Write(Path("_MM00001.TMP"), std::string("\x1F\x8B\x08 torn gzip", 12)); // ours, abandoned
    Write(Path("_MM00002.TMP"), "notes of another program");                // not ours
    Write(Path("_MM00003.TMP"), std::string("\x05\x00\x00\x00", 4));        // ours, being written
    Write(Path("study.zpz.part"), "<model torn");                           // an older build's
    const int busy = ::open(Path("_MM00003.TMP").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(busy, LOCK_EX | LOCK_NB), 0);
    SafeSave(target, [](TFileStream& f) { f.WriteString("new"); });
    ::close(busy);
    EXPECT_FALSE(fs::exists(Path("_MM00001.TMP")));
    EXPECT_TRUE(fs::exists(Path("_MM00002.TMP")));
    EXPECT_TRUE(fs::exists(Path("_MM00003.TMP")));
    EXPECT_FALSE(fs::exists(Path("study.zpz.part")));
    EXPECT_EQ(Read(target), "new");
}

} // namespace
} // namespace zep
