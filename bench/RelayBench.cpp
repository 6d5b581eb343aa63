// Relaying a program's console output line by line, against cat of the same output through a
// pipe in the same run: `seq 1000000` prints a million short lines.
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "modelio/OrvProcesses.h"

namespace {

constexpr const char* kLines = "1000000";

// The runner's path: one child, one pipe, every line handed to an output handler.
void BM_RelayMillionLines(benchmark::State& state) {
    std::size_t lines = 0, bytes = 0;
    for (auto _ : state) {
        zep::modelio::TChildProcess child;
        child.Start(std::vector<std::string>{"seq", kLines});
        child.PumpOutput([&](const std::string& line) {
            ++lines;
            bytes += line.size();
        });
        if (child.WaitForExit() != 0) state.SkipWithError("seq failed");
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["lines"] = static_cast<double>(lines) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RelayMillionLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// The anchor: the same output through a pipe into cat.
void BM_AnchorCatThroughPipe(benchmark::State& state) {
    for (auto _ : state)
        if (std::system((std::string("seq ") + kLines + " | cat > /dev/null").c_str()) != 0)
            state.SkipWithError("seq | cat failed");
}
BENCHMARK(BM_AnchorCatThroughPipe)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
