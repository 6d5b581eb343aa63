// gzip streams against zlib's own gzwrite/gzread on the same 64 MiB of mixed data, same level.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>
#include <zlib.h>

#include "foundation/ORVGZipStreams.h"

namespace {
namespace fs = std::filesystem;

constexpr std::size_t kSize = 64u << 20;
constexpr int kLevel = 6;
constexpr std::size_t kChunk = 64 * 1024;

// Half text like a network exchange file, half binary records like a path file: ids that
// grow, coordinates as doubles, small counts.
const std::string& MixedData() {
    static const std::string data = [] {
        std::mt19937_64 rng(42);
        std::string s;
        s.reserve(kSize + 4096);
        char line[160];
        std::int32_t id = 1000;
        while (s.size() < kSize) {
            for (int i = 0; i < 200; ++i) {
                int n = std::snprintf(line, sizeof line, "%d\t%d\tLINK_%d\t%.3f\t%d\tur\n", id,
                                      id + static_cast<int>(rng() % 50), id,
                                      static_cast<double>(rng() % 100000) / 1000.0,
                                      static_cast<int>(rng() % 8));
                s.append(line, static_cast<std::size_t>(n));
                ++id;
            }
            for (int i = 0; i < 400; ++i) {
                struct {
                    std::int32_t id;
                    std::int16_t kind, count;
                    double x, y;
                } rec{id++, static_cast<std::int16_t>(rng() % 4),
                      static_cast<std::int16_t>(rng() % 300),
                      155000.0 + static_cast<double>(rng() % 1000000) / 100.0,
                      463000.0 + static_cast<double>(rng() % 1000000) / 100.0};
                s.append(reinterpret_cast<const char*>(&rec), sizeof rec);
            }
        }
        s.resize(kSize);
        return s;
    }();
    return data;
}

std::string TempPath(const char* tag) {
    return (fs::temp_directory_path() /
            ("zep_gzbench_" + std::to_string(::getpid()) + "_" + tag + ".gz"))
        .string();
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double OursCompress(const std::string& path) {
    const std::string& d = MixedData();
    auto t = std::chrono::steady_clock::now();
    {
        zep::TFileStream f(path, zep::FileMode::Create);
        zep::TGZipStream gz(f, kLevel + 1);
        for (std::size_t at = 0; at < d.size(); at += kChunk)
            gz.WriteBuffer(d.data() + at, std::min(kChunk, d.size() - at));
        gz.Finish();
    }
    return Seconds(t);
}

double ZlibCompress(const std::string& path) {
    const std::string& d = MixedData();
    auto t = std::chrono::steady_clock::now();
    gzFile g = gzopen(path.c_str(), ("wb" + std::to_string(kLevel)).c_str());
    for (std::size_t at = 0; at < d.size(); at += kChunk)
        gzwrite(g, d.data() + at, static_cast<unsigned>(std::min(kChunk, d.size() - at)));
    gzclose(g);
    return Seconds(t);
}

double OursDecompress(const std::string& path) {
    static char buf[kChunk];
    auto t = std::chrono::steady_clock::now();
    zep::TFileStream f(path, zep::FileMode::OpenRead);
    zep::TGUnzipStream gz(f);
    std::size_t total = 0;
    for (std::size_t n; (n = gz.Read(buf, sizeof buf)) != 0;)
        total += n;
    double s = Seconds(t);
    if (total != kSize) std::abort();
    return s;
}

double ZlibDecompress(const std::string& path) {
    static char buf[kChunk];
    auto t = std::chrono::steady_clock::now();
    gzFile g = gzopen(path.c_str(), "rb");
    std::size_t total = 0;
    for (int n; (n = gzread(g, buf, sizeof buf)) > 0;)
        total += static_cast<std::size_t>(n);
    gzclose(g);
    double s = Seconds(t);
    if (total != kSize) std::abort();
    return s;
}

// Each iteration times ours and the anchor back to back (alternating which goes first), so
// both see the same machine state; the reported time is ours, the ratio is ours / anchor.
template <class Ours, class Anchor>
void Compare(benchmark::State& state, Ours ours, Anchor anchor, bool reportSize) {
    std::string a = TempPath("ours"), b = TempPath("zlib");
    MixedData();
    if (!reportSize) { // decompression reads what each side wrote
        OursCompress(a);
        ZlibCompress(b);
    }
    double oursTotal = 0, anchorTotal = 0;
    int i = 0;
    for (auto _ : state) {
        double o, z;
        if (i++ % 2 == 0) {
            o = ours(a);
            z = anchor(b);
        } else {
            z = anchor(b);
            o = ours(a);
        }
        state.SetIterationTime(o);
        oursTotal += o;
        anchorTotal += z;
    }
    state.counters["anchor_s"] = anchorTotal / i;
    state.counters["ratio"] = oursTotal / anchorTotal;
    state.SetBytesProcessed(static_cast<std::int64_t>(kSize) * i);
    if (reportSize) {
        state.counters["size_ratio"] =
            static_cast<double>(fs::file_size(a)) / static_cast<double>(fs::file_size(b));
        state.counters["compressed_MiB"] = static_cast<double>(fs::file_size(a)) / (1 << 20);
    }
    fs::remove(a);
    fs::remove(b);
}

void BM_Compress64MiB(benchmark::State& state) {
    Compare(state, OursCompress, ZlibCompress, true);
}
void BM_Decompress64MiB(benchmark::State& state) {
    Compare(state, OursDecompress, ZlibDecompress, false);
}

BENCHMARK(BM_Compress64MiB)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompress64MiB)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
