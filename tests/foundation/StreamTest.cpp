#include "foundation/Stream.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(MemoryStream, ReadWriteSeekAndSize) {
    TMemoryStream s;
    s.WriteString("hello world");
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Position(), 11);
    s.Seek(-5, SeekOrigin::End);
    char buf[16] = {};
    EXPECT_EQ(s.Read(buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    s.SetPosition(0);
    s.WriteString("J");
    EXPECT_EQ(s.Data(), "Jello world");
    s.SetPosition(13); // writing past the end fills the gap with zeros
    s.WriteString("!");
    EXPECT_EQ(s.Data(), std::string("Jello world\0\0!", 14));
    s.SetSize(5);
    EXPECT_EQ(s.Position(), 5);
    EXPECT_THROW(s.Seek(-6, SeekOrigin::Current), EStreamError);
    s.SetPosition(0);
    EXPECT_THROW(s.ReadBuffer(buf, 6), EReadError);
}

TEST(FileStream, CreateReadAndErrors) {
    auto dir = std::filesystem::temp_directory_path() / "zep_stream_test";
    std::filesystem::create_directories(dir);
    auto path = (dir / "a.bin").string();
    {
        TFileStream f(path, FileMode::Create);
        std::string big(200000, 'x');
        f.WriteString(big);
        EXPECT_EQ(f.Size(), 200000);
    }
    {
        TFileStream f(path, FileMode::OpenRead);
        f.Seek(199990, SeekOrigin::Begin);
        EXPECT_EQ(f.ReadAll(), std::string(10, 'x'));
        EXPECT_THROW(f.WriteString("y"), EWriteError);
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(m.Size(), 200000);
    try {
        TFileStream f((dir / "missing").string(), FileMode::OpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u);
    }
    EXPECT_THROW(TFileStream(dir.string(), FileMode::OpenRead), EFOpenError);
    EXPECT_THROW(TFileStream((dir / "no" / "x").string(), FileMode::Create), EFCreateError);
    std::filesystem::remove_all(dir);
}

TEST(MemoryStream, ReadAllTakesTheRestFromThePosition) {
    TMemoryStream m(std::string(70000, 'a') + "tail");
    m.SetPosition(70000);
    EXPECT_EQ(m.ReadAll(), "tail");
    EXPECT_EQ(m.Position(), 70004);
    EXPECT_EQ(m.ReadAll(), "");
    m.SetPosition(0);
    EXPECT_EQ(m.ReadAll().size(), 70004u);
}

TEST(ReadOnlyMemoryStream, RefusesWrites) {
    const char data[] = "abc";
    TReadOnlyMemoryStream s(data, 3);
    EXPECT_EQ(s.ReadAll(), "abc");
    EXPECT_THROW(s.Write("x", 1), EWriteError);
}

} // namespace
} // namespace zep
