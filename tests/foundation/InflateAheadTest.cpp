#include "foundation/InflateAhead.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

namespace zep {
namespace {
namespace fs = std::filesystem;

class InflateAhead : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zep_inflate_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes `data` gzip-compressed; `edit` may change the compressed bytes.
    std::string Write(const std::string& data,
                      const std::function<void(std::string&)>& edit = nullptr) {
        TMemoryStream target;
        {
            TGZipStream gz(target, 6);
            gz.WriteString(data);
        }
        std::string bytes = target.Data();
        if (edit) edit(bytes);
        const std::string path = (dir_ / ("f" + std::to_string(++files_) + ".gz")).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Data(std::size_t size) {
        std::mt19937 rng(9);
        std::string s;
        while (s.size() < size)
            s += (rng() % 3 ? "node link zone " : std::string(1, static_cast<char>(rng())));
        s.resize(size);
        return s;
    }
    static std::string Throws(const std::function<void()>& f) {
        try {
            f();
        } catch (const EGZipError& e) {
            return e.what();
        }
        return "(no EGZipError)";
    }
    fs::path dir_;
    int files_ = 0;
};

// Whatever the trailer announces, the reader gets exactly the data, in order, piece by piece
// or at once.
TEST_F(InflateAhead, DeliversTheDataWhateverTheTrailerAnnounces) {
    const std::string data = Data(3'000'000);
    auto setLength = [](std::uint32_t length) {
        return [length](std::string& b) {
            for (int i = 0; i < 4; ++i)
                b[b.size() - 4 + static_cast<std::size_t>(i)] =
                    static_cast<char>(length >> (8 * i));
        };
    };
    // The true length, then the stored lengths of a damaged trailer: such a file fails its
    // length check at the end, but every byte before it is delivered.
    const std::string exact = Write(data);
    {
        TInflateAhead ahead(exact);
        EXPECT_EQ(ahead.Expected(), data.size());
        std::size_t at = 0;
        for (std::size_t step = 1; at < data.size(); step = step * 3 + 1) {
            const std::string_view got = ahead.Wait(at + step);
            ASSERT_GE(got.size(), std::min(at + step, data.size()));
            at = std::min(at + step, data.size());
        }
        EXPECT_EQ(std::string(ahead.WaitAll()), data);
    }
    for (std::uint32_t claimed : {1000u, 0u, 0xFFFFFFFFu}) {
        const std::string path = Write(data, setLength(claimed));
        TInflateAhead ahead(path);
        const std::string_view first = ahead.Wait(2'000'000);
        ASSERT_GE(first.size(), 2'000'000u);
        EXPECT_EQ(first.substr(0, 2'000'000), std::string_view(data).substr(0, 2'000'000));
        EXPECT_EQ(Throws([&] { ahead.WaitAll(); }), "corrupted data");
    }
    // Read as a stream, the way the project file reader takes its header.
    TInflateAheadStream stream(exact);
    char head[6];
    stream.ReadBuffer(head, sizeof head);
    EXPECT_EQ(std::string(head, 6), data.substr(0, 6));
    EXPECT_EQ(stream.Position(), 6);
}

TEST_F(InflateAhead, DamageIsReportedOnlyAfterTheGoodBytesAndAnEarlyEndStopsTheThread) {
    const std::string data = Data(1'500'000);
    const std::string badCrc = Write(data, [](std::string& b) { b[b.size() - 8] ^= 1; });
    {
        TInflateAhead ahead(badCrc);
        EXPECT_GE(ahead.Wait(1000).size(), 1000u);
        EXPECT_EQ(Throws([&] { ahead.WaitAll(); }), "corrupted data");
        EXPECT_EQ(Throws([&] { ahead.WaitAll(); }), "corrupted data"); // and again
    }
    const std::string truncated = Write(data, [](std::string& b) { b.resize(b.size() / 2); });
    {
        TInflateAhead ahead(truncated);
        EXPECT_EQ(Throws([&] { ahead.WaitAll(); }), "corrupted data");
    }
    // Destroyed while its thread is still decompressing: no hang, no leak.
    for (int i = 0; i < 20; ++i) {
        TInflateAhead ahead(Write(data));
        (void)ahead.Wait(10);
    }
    EXPECT_THROW(TInflateAhead((dir_ / "missing.gz").string()), EFOpenError);
}

} // namespace
} // namespace zep
