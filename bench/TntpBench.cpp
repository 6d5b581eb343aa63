// Reading Chicago-Sketch (network and 3 MB trip table) from disk into records, against reading
// the same bytes with one plain fread loop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/TntpReader.h"

namespace {

const std::string kDir = std::string(ZEP_BENCH_DATA) + "/networks/Chicago-Sketch/";
const std::string kNet = kDir + "ChicagoSketch_net.tntp";
const std::string kTrips = kDir + "ChicagoSketch_trips.tntp";

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Parse() {
    auto t = std::chrono::steady_clock::now();
    zep::files::TTntpNetwork net = zep::files::ReadTntpNetwork(kNet);
    zep::files::TTntpTrips trips = zep::files::ReadTntpTrips(kTrips);
    double s = Seconds(t);
    if (net.links.size() != 2950 || trips.trips.size() != 142890) std::abort();
    return s;
}

// The anchor: the bytes of both files through one fread loop, touching every byte.
double Fread() {
    static char buf[64 * 1024];
    auto t = std::chrono::steady_clock::now();
    unsigned sum = 0;
    std::size_t total = 0;
    for (const std::string* path : {&kNet, &kTrips}) {
        std::FILE* f = std::fopen(path->c_str(), "rb");
        if (!f) std::abort();
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) != 0;) {
            for (std::size_t i = 0; i < n; ++i)
                sum += static_cast<unsigned char>(buf[i]);
            total += n;
        }
        std::fclose(f);
    }
    double s = Seconds(t);
    benchmark::DoNotOptimize(sum);
    if (total == 0) std::abort();
    return s;
}

// Each iteration times both back to back, alternating which goes first; the reported time is
// the parse, the ratio is parse / fread.
void BM_ChicagoNetAndTrips(benchmark::State& state) {
    if (!std::filesystem::exists(kTrips)) {
        state.SkipWithError("no shared data");
        return;
    }
    double oursTotal = 0, anchorTotal = 0;
    int i = 0;
    for (auto _ : state) {
        double o, a;
        if (i++ % 2 == 0) {
            o = Parse();
            a = Fread();
        } else {
            a = Fread();
            o = Parse();
        }
        state.SetIterationTime(o);
        oursTotal += o;
        anchorTotal += a;
    }
    state.counters["anchor_ms"] = anchorTotal / i * 1000;
    state.counters["ratio"] = oursTotal / anchorTotal;
    state.SetBytesProcessed(static_cast<std::int64_t>(std::filesystem::file_size(kNet) +
                                                      std::filesystem::file_size(kTrips)) *
                            i);
}

BENCHMARK(BM_ChicagoNetAndTrips)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
