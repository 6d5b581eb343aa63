#include "foundation/ORVGZipStreams.h"

#include <cstdlib>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>
#include <zlib.h>

#include "foundation/DeflateBehind.h"
#include "foundation/FileCompression.h"

namespace zep {
namespace {
namespace fs = std::filesystem;

// Text-like and binary runs, so that both the literal and the match paths of deflate are used.
std::string MixedData(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    static const char* words[] = {"node ", "link ", "zone ", "12.5 ", "route\n", "\xE9t\xE9 "};
    std::string s;
    while (s.size() < size) {
        if (rng() % 4 == 0) {
            for (int i = 0; i < 200; ++i)
                s.push_back(static_cast<char>(rng()));
        } else {
            for (int i = 0; i < 40; ++i)
                s += words[rng() % 6];
        }
    }
    s.resize(size);
    return s;
}

std::string Compress(const std::string& data, int number = 0, const std::string& name = "",
                     const std::string& comment = "") {
    TMemoryStream target;
    {
        TGZipStream gz(target, number);
        if (!name.empty()) gz.SetFileName(name);
        if (!comment.empty()) gz.SetComment(comment);
        gz.WriteString(data);
    }
    return target.Data();
}

std::string Decompress(const std::string& gzBytes) {
    TMemoryStream source(gzBytes);
    TGUnzipStream gz(source);
    return gz.ReadAll();
}

std::string Throws(const std::function<void()>& f) {
    try {
        f();
    } catch (const EGZipError& e) {
        return e.what();
    }
    return "(no EGZipError)";
}

class GZipFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zep_gzip_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string P(const std::string& name) const { return (dir_ / name).string(); }
    static void WriteFile(const std::string& path, const std::string& data) {
        TMemoryStream(data).SaveToFile(path);
    }
    static std::string ReadFile(const std::string& path) {
        TMemoryStream m;
        m.LoadFromFile(path);
        return m.Data();
    }
    static int Run(const std::string& cmd) { return std::system(cmd.c_str()); }
    fs::path dir_;
};

TEST(GZipStream, HeaderOfUnnamedDefaultCompressor) {
    std::string bytes = Compress("");
    ASSERT_EQ(bytes.size(), 10u + 2u + 8u); // header, empty final block, trailer
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1F);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0x8B);
    EXPECT_EQ(bytes[2], 8);
    EXPECT_EQ(bytes[3], 0); // no name, no comment
    EXPECT_EQ(bytes[8], 0);
    EXPECT_EQ(bytes[9], 3);
    std::uint32_t mtime = 0;
    for (int i = 3; i >= 0; --i)
        mtime = mtime << 8 | static_cast<unsigned char>(bytes[4 + i]);
    EXPECT_NEAR(static_cast<double>(mtime), static_cast<double>(std::time(nullptr)), 5);
    EXPECT_EQ(Decompress(bytes), "");

    std::string named = Compress("x", 0, "/some/dir/ Plan.S ", "scenario B");
    EXPECT_EQ(named[3], 8 | 16);
    EXPECT_EQ(named.substr(10, 16), std::string("Plan.S\0scenario B", 16));
}

TEST(CRCStream, KeepsCRCOfBothDirectionsAndRestartsAtZero) {
    TMemoryStream inner;
    TCRCStream crc(inner);
    crc.WriteString("123456789");
    EXPECT_EQ(crc.CRC(), 0xCBF43926u); // the CRC-32 check value
    EXPECT_EQ(crc.Seek(0, SeekOrigin::Begin), 0);
    EXPECT_EQ(crc.CRC(), 0u);
    char buf[4];
    crc.ReadBuffer(buf, 4);
    crc.Seek(2, SeekOrigin::Begin); // only a rewind to 0 restarts
    crc.ReadBuffer(buf, 1);
    EXPECT_EQ(crc.CRC(), crc32(0, reinterpret_cast<const Bytef*>("12343"), 5));
    EXPECT_EQ(inner.Data(), "123456789");
}

TEST(GZipStream, RoundTripAtEveryLevelAndWriteSize) {
    std::string data = MixedData(300000, 1);
    for (int number = 0; number <= 10; ++number) {
        TMemoryStream target;
        TGZipStream gz(target, number);
        // Uneven pieces cross the 4096-byte buffers at odd places.
        for (std::size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 3 + 1)
            gz.WriteBuffer(data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(gz.Position(), static_cast<std::int64_t>(data.size()));
        gz.Finish();
        EXPECT_EQ(gz.Size(), target.Size());
        EXPECT_EQ(Decompress(target.Data()), data) << "number " << number;
    }
    EXPECT_LT(Compress(data, 2).size(), data.size() / 2);
    EXPECT_EQ(Throws([] {
                  TMemoryStream t;
                  TGZipStream gz(t, 12);
              }),
              "-2: stream error");
}

// A stream that takes `room` bytes, then fails as a full disk does.
class TFullTarget : public TMemoryStream {
public:
    explicit TFullTarget(std::size_t room) : room_(room) {}
    std::size_t Write(const void* buffer, std::size_t count) override {
        if (Size() + static_cast<std::int64_t>(count) > static_cast<std::int64_t>(room_))
            throw EWriteError("Stream write error");
        return TMemoryStream::Write(buffer, count);
    }

private:
    std::size_t room_;
};

// Compressed on threads, lengths around the block size and pieces of every size give back what
// was written, for zlib and for the gzip tool; a target that fails part way raises on the
// writer's thread, at a write or at the finish, and nothing is left waiting.
TEST(GZipStream, CompressingOnThreadsGivesBackWhatWasWritten) {
    std::mt19937 rng(11);
    const std::size_t block = TDeflateBehind::kBlock;
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, block - 1, block, block + 1,
                               3 * block + 12345, 9 * block}) {
        const std::string data = MixedData(length, static_cast<unsigned>(length));
        for (unsigned workers : {1u, 2u, 3u}) {
            TMemoryStream target;
            TGZipStream gz(target, workers == 2 ? 2 : 0);
            gz.CompressOnThreads(workers);
            for (std::size_t at = 0; at < data.size();) {
                const std::size_t piece = std::min<std::size_t>(
                    data.size() - at, rng() % 3 ? rng() % 5000 : rng() % (3 * block));
                gz.WriteBuffer(data.data() + at, piece);
                at += piece;
            }
            gz.Finish();
            ASSERT_EQ(Decompress(target.Data()), data) << length << " bytes, " << workers;
            if (length > 2 * block && workers != 2) { // blocks compress as one stream does
                EXPECT_LT(target.Data().size(), Compress(data).size() * 101 / 100);
            }
        }
    }
    const std::string data = MixedData(6 * block, 3);
    const std::size_t whole = Compress(data).size();
    for (std::size_t room : {std::size_t{5}, whole / 3, whole - 4}) {
        TFullTarget target(room);
        EXPECT_THROW(
            {
                TGZipStream gz(target, 0);
                gz.CompressOnThreads(2);
                gz.WriteString(data);
                gz.Finish();
            },
            EWriteError)
            << room;
    }
    TMemoryStream t;
    TGZipStream started(t, 0);
    started.WriteString("x");
    EXPECT_EQ(Throws([&] { started.CompressOnThreads(2); }), "Compression already started");
}

TEST(GZipStream, RefusedOperations) {
    TMemoryStream target;
    TGZipStream gz(target, 0);
    char buf[4];
    EXPECT_EQ(Throws([&] { gz.Read(buf, 4); }), "Reading not allowed");
    EXPECT_EQ(Throws([&] { gz.Seek(1, SeekOrigin::Current); }), "Seek not allowed");
    EXPECT_EQ(Throws([&] { gz.Seek(0, SeekOrigin::Begin); }), "Seek not allowed");
    EXPECT_EQ(Throws([&] { gz.SetSize(0); }), "Setting size not allowed");
    gz.Finish();
    EXPECT_EQ(Throws([&] { gz.WriteString("late"); }), "Writing not allowed");

    TMemoryStream source(Compress("abc"));
    TGUnzipStream un(source);
    EXPECT_EQ(Throws([&] { un.WriteString("x"); }), "Writing not allowed");
    EXPECT_EQ(Throws([&] { un.SetSize(1); }), "Setting size not allowed");
    EXPECT_EQ(Throws([&] { un.Seek(-1, SeekOrigin::Begin); }), "Seek not allowed");
}

TEST(GZipStream, DestroyedCompressorStillWritesTrailer) {
    TMemoryStream target;
    { TGZipStream(target, 0).WriteString("kept"); }
    EXPECT_EQ(Decompress(target.Data()), "kept");
}

TEST(GUnzipStream, SeekSemanticsAndSize) {
    std::string data = MixedData(50000, 2);
    TMemoryStream source(std::string("prefix") + Compress(data, 0, "d.bin"));
    source.Seek(6, SeekOrigin::Begin); // a member need not start at the stream's beginning
    TGUnzipStream gz(source);
    EXPECT_EQ(gz.FileName(), "d.bin");
    EXPECT_EQ(gz.Size(), 50000);
    EXPECT_EQ(source.Position() > 6, true);
    char buf[100];
    gz.ReadBuffer(buf, 100);
    EXPECT_EQ(std::string(buf, 100), data.substr(0, 100));
    EXPECT_EQ(gz.Seek(0, SeekOrigin::Current), 100);
    EXPECT_EQ(gz.Seek(12345, SeekOrigin::Begin), 12345);
    gz.ReadBuffer(buf, 10);
    EXPECT_EQ(std::string(buf, 10), data.substr(12345, 10));
    EXPECT_EQ(gz.Seek(-20, SeekOrigin::Current), 12335); // backwards: restarts from the header
    gz.ReadBuffer(buf, 10);
    EXPECT_EQ(std::string(buf, 10), data.substr(12335, 10));
    EXPECT_EQ(gz.Seek(-10, SeekOrigin::End), 49990);
    // A positive distance from the end counts back too.
    EXPECT_EQ(gz.Seek(20, SeekOrigin::End), 49980);
    EXPECT_EQ(gz.ReadAll(), data.substr(49980));
    EXPECT_EQ(gz.Seek(0, SeekOrigin::Begin), 0);
    EXPECT_EQ(gz.ReadAll(), data);
    EXPECT_EQ(gz.Seek(99999, SeekOrigin::Begin), 50000); // stops at the end of the data
}

TEST(GUnzipStream, FailureTexts) {
    EXPECT_EQ(Throws([] { Decompress("not gzip at all"); }), "nog in gzip format");
    EXPECT_EQ(Throws([] { Decompress("\x1F\x8B\x08"); }), "nog in gzip format");

    std::string good = Compress(MixedData(20000, 3), 0, "name.txt");
    std::string badCrc = good;
    badCrc[badCrc.size() - 8] ^= 1;
    EXPECT_EQ(Throws([&] { Decompress(badCrc); }), "corrupted data");
    std::string badLength = good;
    badLength[badLength.size() - 1] ^= 1;
    EXPECT_EQ(Throws([&] { Decompress(badLength); }), "corrupted data");
    // The stored length only sizes the first buffer: claiming 4 GiB or nothing reads the same.
    for (const char fill : {'\xFF', '\0'}) {
        std::string claimed = good;
        claimed.replace(claimed.size() - 4, 4, 4, fill);
        EXPECT_EQ(Throws([&] { Decompress(claimed); }), "corrupted data");
    }

    // The reader delivers everything before it sees the bad trailer.
    TMemoryStream src(badCrc);
    TGUnzipStream gz(src);
    std::string first(19999, '\0');
    gz.ReadBuffer(first.data(), first.size());
    EXPECT_EQ(Throws([&] { gz.ReadAll(); }), "corrupted data");

    std::string badBlock = good;
    badBlock[19] = 0x07; // first deflate byte after "name.txt\0": final block of reserved type 3
    EXPECT_EQ(Throws([&] { Decompress(badBlock); }), "-3: invalid block type");

    // Every truncation ends in an error, never in a hang or a silently short result.
    for (std::size_t n = 0; n < good.size(); n += 97) {
        try {
            Decompress(good.substr(0, n));
            ADD_FAILURE() << "truncated at " << n << " read without error";
        } catch (const EGZipError&) {
        }
    }
}

// Builds a header with FEXTRA, FNAME, FCOMMENT and FHCRC the way RFC 1952 defines the check:
// the low 16 bits of the CRC-32 of all header bytes before it.
std::string HeaderWithCheck(bool corrupt) {
    std::string h("\x1F\x8B\x08\x1E\0\0\0\0\0\x03", 10);
    h += std::string("\x03\0abc", 5);
    h += std::string("f.txt\0hello\0", 12);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(h.data()), static_cast<uInt>(h.size()));
    if (corrupt) crc ^= 1;
    h.push_back(static_cast<char>(crc & 0xFF));
    h.push_back(static_cast<char>((crc >> 8) & 0xFF));
    std::string body = Compress("checked");
    return h + body.substr(10);
}

TEST_F(GZipFiles, HeaderCheckAgreesWithGzipTool) {
    std::string ok = HeaderWithCheck(false), bad = HeaderWithCheck(true);
    {
        TMemoryStream src(ok);
        TGUnzipStream gz(src);
        EXPECT_EQ(gz.FileName(), "f.txt");
        EXPECT_EQ(gz.Comment(), "hello");
        EXPECT_EQ(gz.ReadAll(), "checked");
    }
    EXPECT_EQ(Throws([&] { Decompress(bad); }), "corrupted header");
    EXPECT_EQ(Throws([&] { Decompress(ok.substr(0, 20)); }), "corrupted header");
    WriteFile(P("ok.gz"), ok);
    WriteFile(P("bad.gz"), bad);
    EXPECT_EQ(Run("gzip -t " + P("ok.gz") + " 2>/dev/null"), 0);
    EXPECT_NE(Run("gzip -t " + P("bad.gz") + " 2>/dev/null"), 0);
}

TEST_F(GZipFiles, InteroperatesWithGzipTool) {
    // Large enough to be compressed on threads.
    std::string data = MixedData(3 * TDeflateBehind::kBlock + 200000, 4);
    WriteFile(P("ours.dat"), data);
    EXPECT_EQ(GZipFile(P("ours.dat"), 7), P("ours.dat.gz"));
    {
        const std::string big = MixedData(5 * TDeflateBehind::kBlock + 7, 5);
        TMemoryStream threaded;
        {
            TGZipStream gz(threaded, 0);
            gz.CompressOnThreads(2);
            gz.WriteString(big);
        }
        WriteFile(P("threaded.gz"), threaded.Data());
        EXPECT_EQ(Run("gzip -t " + P("threaded.gz")), 0);
        EXPECT_EQ(Run("gzip -dc " + P("threaded.gz") + " > " + P("threaded.dat")), 0);
        EXPECT_EQ(ReadFile(P("threaded.dat")), big);
    }
    EXPECT_EQ(Run("gzip -t " + P("ours.dat.gz")), 0);
    EXPECT_EQ(Run("gzip -dc " + P("ours.dat.gz") + " > " + P("back.dat")), 0);
    EXPECT_EQ(ReadFile(P("back.dat")), data);
    // gzip -N restores under the name our header stores.
    fs::create_directories(dir_ / "n");
    fs::copy_file(P("ours.dat.gz"), P("n/other.gz"));
    EXPECT_EQ(Run("gzip -dN " + P("n/other.gz")), 0);
    EXPECT_EQ(ReadFile(P("n/ours.dat")), data);

    // Name and comment as the tool sees them.
    WriteFile(P("commented.gz"), Compress(data, 0, "/x/Study 1.xml", "exported by a test"));
    EXPECT_EQ(Run("gzip -t " + P("commented.gz")), 0);
    EXPECT_EQ(Run("gzip -lN " + P("commented.gz") + " | grep -q '/Study 1.xml$'"), 0);
    {
        TFileStream f(P("commented.gz"), FileMode::OpenRead);
        TGUnzipStream gz(f);
        EXPECT_EQ(gz.FileName(), "Study 1.xml");
        EXPECT_EQ(gz.Comment(), "exported by a test");
        EXPECT_EQ(gz.ReadAll(), data);
    }

    // Files the tool writes, with a stored name (-N) and without (-n).
    WriteFile(P("plain.txt"), data);
    EXPECT_EQ(Run("gzip -N -9 -c " + P("plain.txt") + " > " + P("named.gz")), 0);
    EXPECT_EQ(Run("gzip -n -1 -c " + P("plain.txt") + " > " + P("nameless.txt.gz")), 0);
    {
        TFileStream f(P("named.gz"), FileMode::OpenRead);
        TGUnzipStream gz(f);
        EXPECT_EQ(gz.FileName(), "plain.txt");
        EXPECT_EQ(gz.Size(), static_cast<std::int64_t>(data.size()));
        EXPECT_EQ(gz.ReadAll(), data);
    }
    fs::create_directories(dir_ / "out");
    EXPECT_EQ(GUnzipFile(P("named.gz"), P("out")), P("out/plain.txt"));
    EXPECT_EQ(ReadFile(P("out/plain.txt")), data);
    EXPECT_EQ(GUnzipFile(P("nameless.txt.gz")), P("nameless.txt"));
    EXPECT_EQ(ReadFile(P("nameless.txt")), data);
    EXPECT_EQ(GUnzipFile(P("named.gz"), P("explicit.bin")), P("explicit.bin"));
    EXPECT_EQ(ReadFile(P("explicit.bin")), data);

    EXPECT_EQ(Run("gzip -n -c " + P("plain.txt") + " > " + P("noname.bin")), 0);
    EXPECT_EQ(Throws([&] { GUnzipFile(P("noname.bin")); }),
              "Could not figure out uncompressed file name for \"" + P("noname.bin") + "\"");
}

TEST_F(GZipFiles, StoredNameCannotEscapeTheTargetDirectory) {
    TMemoryStream m;
    {
        TGZipStream gz(m, 0);
        gz.WriteString("payload");
    }
    // Patch in a hostile name by hand: the writer itself keeps only name parts.
    std::string bytes = m.Data();
    bytes[3] = 8;
    bytes.insert(10, std::string("../escaped\0", 11));
    WriteFile(P("evil.gz"), bytes);
    fs::create_directories(dir_ / "in");
    EXPECT_EQ(GUnzipFile(P("evil.gz"), P("in")), P("in/escaped"));
    EXPECT_FALSE(fs::exists(dir_ / "escaped"));
}

TEST_F(GZipFiles, FailedDecompressionKeepsExistingTarget) {
    std::string bad = Compress("new contents", 0);
    bad[bad.size() - 5] ^= 1;
    WriteFile(P("x.gz"), bad);
    WriteFile(P("x"), "old contents");
    EXPECT_EQ(Throws([&] { GUnzipFile(P("x.gz")); }), "corrupted data");
    EXPECT_EQ(ReadFile(P("x")), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST(CompressedNames, Rules) {
    EXPECT_EQ(CompressedFileName("X.S"), "X.Z");
    EXPECT_EQ(CompressedFileName("dir/pad.s"), "dir/pad.z");
    EXPECT_EQ(CompressedFileName("X.DAT"), "X.DAT.gz");
    EXPECT_EQ(UncompressedFileName("X.DAT.gz"), "X.DAT");
    EXPECT_EQ(UncompressedFileName("X.DAT.GZ"), "X.DAT");
    EXPECT_EQ(UncompressedFileName("X.Z"), "X.S");
    EXPECT_EQ(UncompressedFileName("a/x.z"), "a/x.s");
    EXPECT_EQ(UncompressedFileName("X.DAT"), "");
}

TEST_F(GZipFiles, FileSetsByPattern) {
    fs::create_directories(dir_ / "a" / "b");
    std::map<std::string, std::string> files = {
        {"P1.S", "path one"}, {"a/P2.s", "path two"}, {"a/b/R.DAT", "report"}, {"keep.txt", "k"}};
    for (const auto& [name, data] : files)
        WriteFile(P(name), data);

    EXPECT_EQ(MatchingFiles(P("*.s")), std::vector<std::string>{P("P1.S")});
    EXPECT_EQ(MatchingFiles(P("**/*.dat")), std::vector<std::string>{P("a/b/R.DAT")});
    EXPECT_EQ(MatchingFiles(P("a/**/*")), (std::vector<std::string>{P("a/P2.s"), P("a/b/R.DAT")}));

    auto written = CompressFiles(P("**/*.[sd]*"));
    EXPECT_EQ(written, (std::vector<std::string>{P("P1.Z"), P("a/P2.z"), P("a/b/R.DAT.gz")}));
    for (const auto& w : written)
        EXPECT_EQ(Run("gzip -t " + w), 0) << w;
    EXPECT_FALSE(fs::exists(P("P1.S")));
    EXPECT_FALSE(fs::exists(P("a/b/R.DAT")));

    WriteFile(P("a/quiz"), "not compressed"); // a compressed-looking name without gzip data
    auto restored = DecompressFiles(P("**/*"));
    EXPECT_EQ(restored, (std::vector<std::string>{P("P1.S"), P("a/P2.s"), P("a/b/R.DAT")}));
    for (const auto& [name, data] : files)
        EXPECT_EQ(ReadFile(P(name)), data) << name;
    EXPECT_EQ(ReadFile(P("a/quiz")), "not compressed");
    EXPECT_FALSE(fs::exists(P("P1.Z")));
}

} // namespace
} // namespace zep
