// Reading the largest real DXF drawing (a 1.1 MB floor plan) into the background model, against
// the least any reader of the format does with the same bytes: cutting them into lines and
// converting every line that holds a number.
#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "view/OrvDXF.h"

namespace {

const std::string kFile = std::string(ZEP_BENCH_DATA) + "/dxf/dxf-parser/floorplan.dxf";

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Parse(const std::string& text) {
    auto t = std::chrono::steady_clock::now();
    zep::view::TDXFParser parser;
    parser.Parse(text);
    double s = Seconds(t);
    if (parser.Model().LayerCount() == 0) std::abort();
    return s;
}

// The anchor: every line found, trimmed and offered to from_chars.
double Lines(const std::string& text) {
    auto t = std::chrono::steady_clock::now();
    double sum = 0;
    std::size_t lines = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* e = nl ? nl : end;
        const char* b = p;
        while (b < e && (*b == ' ' || *b == '\t'))
            ++b;
        const char* f = e;
        while (f > b && (f[-1] == '\r' || f[-1] == ' '))
            --f;
        double v = 0;
        if (std::from_chars(b, f, v).ec == std::errc()) sum += v;
        ++lines;
        p = e + 1;
    }
    double s = Seconds(t);
    benchmark::DoNotOptimize(sum);
    if (lines == 0) std::abort();
    return s;
}

// Each iteration times both back to back, alternating which goes first; the reported time is
// the parse, the ratio is parse / lines.
void BM_FloorPlan(benchmark::State& state) {
    if (!std::filesystem::exists(kFile)) {
        state.SkipWithError("no shared data");
        return;
    }
    std::ifstream in(kFile, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    double oursTotal = 0, anchorTotal = 0;
    int i = 0;
    for (auto _ : state) {
        double o, a;
        if (i++ % 2 == 0) {
            o = Parse(text);
            a = Lines(text);
        } else {
            a = Lines(text);
            o = Parse(text);
        }
        state.SetIterationTime(o);
        oursTotal += o;
        anchorTotal += a;
    }
    state.counters["anchor_ms"] = anchorTotal / i * 1000;
    state.counters["ratio"] = oursTotal / anchorTotal;
    state.counters["MB_per_s"] = static_cast<double>(text.size()) * i / oursTotal / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(text.size()) * i);
}

BENCHMARK(BM_FloorPlan)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
