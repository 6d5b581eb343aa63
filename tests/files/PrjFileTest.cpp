// Saving and opening project files: compression by name and by content, backups, failures that
// leave the old file alone, and a saver killed at random moments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "PrjTestSupport.h"

namespace zep::files {
namespace {

namespace fs = std::filesystem;
using test::BuildRandomRoot;
using test::StoreToBytes;
using test::TTestRoot;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PrjFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::RegisterTestRoot(); }
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zep_prjfile_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    int TempFiles() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir_))
            n += e.path().extension() == ".TMP";
        return n;
    }
    std::vector<fs::path> Backups() const {
        std::vector<fs::path> out;
        if (fs::exists(dir_ / "backups"))
            for (const auto& e : fs::directory_iterator(dir_ / "backups"))
                out.push_back(e.path());
        return out;
    }
    fs::path dir_;
};

TEST_F(PrjFile, CompressedByNameRecognisedByContent) {
    auto root = BuildRandomRoot(3, 20);
    const std::string zpz = (dir_ / "study.zpz").string();
    EXPECT_EQ(SaveProjectFile(zpz, *root), "");
    EXPECT_EQ(root->fileName, zpz);
    const std::string bytes = ReadFile(zpz);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1F);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0x8B);
    EXPECT_EQ(ReadProjectImage(zpz), StoreToBytes(*root));

    // A gzip file under a plain name is still recognised by its first two bytes.
    fs::copy_file(zpz, dir_ / "copy.zep");
    TTestRoot opened;
    OpenProjectFile((dir_ / "copy.zep").string(), opened);
    EXPECT_EQ(opened.fileName, (dir_ / "copy.zep").string());
    EXPECT_EQ(StoreToBytes(opened), StoreToBytes(*root));

    const std::string zep = (dir_ / "study.zep").string();
    SaveProjectFile(zep, *root);
    EXPECT_EQ(ReadFile(zep), StoreToBytes(*root));
    EXPECT_TRUE(IsCompressedProjectName("a.ZPZ"));
    EXPECT_FALSE(IsCompressedProjectName("a.zep"));
}

TEST_F(PrjFile, XmlNamesGoToTheXmlReader) {
    TTestRoot root;
    try {
        OpenProjectFile((dir_ / "x.XMLZ").string(), root);
        FAIL();
    } catch (const EInvalidFormat& e) {
        EXPECT_EQ(std::string(e.what()),
                  "XML project files cannot be read yet: " + (dir_ / "x.XMLZ").string());
    }
    EXPECT_TRUE(IsXmlProjectName("a.xml"));
    EXPECT_FALSE(IsXmlProjectName("a.xmlx"));
}

TEST_F(PrjFile, SavingKeepsTheOldFileAsBackup) {
    const std::string target = (dir_ / "p.zep").string();
    auto a = BuildRandomRoot(1, 5);
    auto b = BuildRandomRoot(2, 5);
    SaveProjectFile(target, *a);
    const std::string old = ReadFile(target);
    const std::string backup = SaveProjectFile(target, *b);
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(ReadFile(backup), old);
    EXPECT_EQ(ReadFile(target), StoreToBytes(*b));
    EXPECT_EQ(fs::path(backup).parent_path(), dir_ / "backups");
    EXPECT_EQ(fs::path(backup).extension(), ".zep");
    EXPECT_EQ(TempFiles(), 0);
}

TEST_F(PrjFile, AFailedSaveLeavesThePreviousFileAndNoTemporaryFile) {
    const std::string target = (dir_ / "p.zpz").string();
    auto a = BuildRandomRoot(1, 5);
    SaveProjectFile(target, *a);
    const std::string old = ReadFile(target);
    TTestRoot bad;
    bad.RawProperties().RawPut(3, model::TValue(std::string(70000, 'x')));
    EXPECT_THROW(SaveProjectFile(target, bad), EInvalidVariant);
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(TempFiles(), 0);
    EXPECT_TRUE(Backups().empty());
    EXPECT_TRUE(a->fileName == target && bad.fileName.empty());

    // A directory under the target name cannot be backed up: refused, nothing left behind.
    const fs::path d = dir_ / "d.zep";
    fs::create_directories(d / "inner");
    EXPECT_THROW(SaveProjectFile(d.string(), *a), ECouldNotRenameToBackup);
    EXPECT_TRUE(fs::is_directory(d / "inner"));
    EXPECT_EQ(TempFiles(), 0);
}

// A child saves two projects in turn without end; it is killed at random moments. The target
// must always be one of the two complete images, and whenever it changed, the image it held
// before must be in the backups.
TEST_F(PrjFile, KilledSaverNeverLeavesATornFile) {
    const std::string target = (dir_ / "crash.zep").string();
    auto a = BuildRandomRoot(10, 400);
    auto b = BuildRandomRoot(11, 400);
    const std::string imageA = StoreToBytes(*a), imageB = StoreToBytes(*b);
    ASSERT_NE(imageA, imageB);
    // Kill within about three saves, however fast this build saves.
    const auto start = std::chrono::steady_clock::now();
    SaveProjectFile(target, *a);
    const auto once = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    const auto window = static_cast<std::uint32_t>(std::max<long long>(20000, 3 * once));
    std::mt19937 rng(42);
    int changed = 0;
    for (int round = 0; round < 120; ++round) {
        const std::string before = ReadFile(target);
        const bool startWithB = before == imageA;
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0;; ++i) {
                try {
                    SaveProjectFile(target, ((i % 2 == 0) == startWithB) ? *b : *a);
                } catch (...) {
                    ::_exit(3);
                }
            }
        }
        ::usleep(static_cast<useconds_t>(rng() % window));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver stopped by itself, round " << round;
        const std::string now = ReadFile(target);
        ASSERT_TRUE(now == imageA || now == imageB) << "torn target, round " << round;
        if (now != before) {
            ++changed;
            bool kept = false;
            for (const fs::path& p : Backups())
                if (fs::file_size(p) == before.size() && ReadFile(p) == before) {
                    kept = true;
                    break;
                }
            ASSERT_TRUE(kept) << "no backup of the old file, round " << round;
        }
        // A killed saver cannot remove its temporary file; it never has the target's name.
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.path().extension() == ".TMP") fs::remove(e.path());
        if (round % 20 == 19) fs::remove_all(dir_ / "backups");
    }
    // Under load fewer kills land inside a save; a few are enough to have seen one.
    EXPECT_GT(changed, 3);
}

} // namespace
} // namespace zep::files
