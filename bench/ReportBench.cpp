// The link-and-route report of the large synthetic study with assignment results, written to a
// file, against writing the same number of rows of the same width with fprintf in the same run.
// The results come the way the KELVA stand-in makes them: the exogenous trips loaded
// all-or-nothing on least-cost paths, written as the model's assignment file and read back.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "AssignmentFile.h"
#include "ModelResults.h"
#include "files/ModelFile.h"
#include "foundation/OrvMessages.h"
#include "foundation/Stream.h"
#include "model/ADMIN.h"
#include "model/LINK.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "modelio/EnergyReports.h"

namespace {

using namespace zep;
using namespace zep::model;

struct TResults {
    std::unique_ptr<TProject> project;
    const TScenario* scenario = nullptr;
    double buildSeconds = 0;
};

TResults& Results() {
    static TResults r = [] {
        TResults results;
        const auto start = std::chrono::steady_clock::now();
        TProject study;
        BuildSyntheticStudy(study, TStudySizes{});
        // The model's file wants at least one administrator; the synthetic study has none.
        if (study.Administrators().Count() == 0) study.NewAdministrator()->SetName("Roads");
        const TScenario& base = *study.BaseScenario();
        const auto volumes = standin::AllOrNothingVolumes(study, base);
        const std::string bytes =
            standin::AssignmentFileBytes(study, base, [&](const TLinkRoute& lr) {
                auto it = volumes.find(&lr);
                return it == volumes.end() ? 0.0 : it->second;
            });
        results.project = std::make_unique<TProject>();
        TReadOnlyMemoryStream in(bytes.data() + 6, bytes.size() - 6);
        files::ReadModelFile(in, *results.project, "SYN00A.T3S");
        results.scenario = results.project->Scenarios().FindScenario(base.GetName());
        results.buildSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return results;
    }();
    return r;
}

/// The anchor: `rows` lines of the report's 25 columns (its mix of integers, texts, one- and
/// three-decimal numbers and clock texts) written with fprintf.
double FprintfRows(const std::string& fileName, std::size_t rows) {
    const auto start = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) return 0;
    for (std::size_t i = 0; i < rows; ++i) {
        const double x = double(i % 977) * 1.37;
        std::fprintf(f,
                     "%zu,%zu,%zu,,%d,%.1f,%.1f,%.1f%%,%.1f,%.1f,\"Level %c\",%d,\"Bus Line\",%d,"
                     "\"Route %zu\",%.1f,%.1f,%.1f,%.1f%%,%.1f,%.1f,%.1f,%d:%02d:%02d,"
                     "%d:%02d:%02d,%.3f\r\n",
                     i, i / 3, i / 2, int(i % 7), x, x * 3, x / 7, x, x, char('A' + i % 8),
                     int(i % 5), int(i % 200), i % 200, x * 2, x, x / 2, x / 3, x, x + 1, x + 2,
                     int(i % 3), int(i % 60), int(i % 59), 0, 30, 0, x * 0.123);
    }
    std::fclose(f);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_LinkRouteReport(benchmark::State& state) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    TResults& r = Results();
    const auto dir = std::filesystem::temp_directory_path();
    const std::string reportFile = (dir / "zep-report-bench.csv").string();
    const std::string anchorFile = (dir / "zep-report-anchor.csv").string();
    modelio::TLinkSelector selector;
    double seconds = 0, anchorSeconds = 0;
    std::size_t rows = 0, bytes = 0, linkRoutes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        modelio::SaveReport(selector, *r.project, r.scenario, modelio::rkLinkRoute, reportFile);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        std::string text;
        TFileStream in(reportFile, FileMode::OpenRead);
        text = in.ReadAll();
        bytes = text.size();
        rows = 0;
        for (char c : text)
            rows += c == '\n';
        anchorSeconds += FprintfRows(anchorFile, rows);
        state.ResumeTiming();
    }
    for (std::size_t i = 0; i < r.project->Links().Count(); ++i)
        linkRoutes += r.project->Links().Get(i)->LinkRoutes().Count();
    std::filesystem::remove(reportFile);
    std::filesystem::remove(anchorFile);
    const double n = double(state.iterations());
    state.counters["links"] = double(r.project->Links().Count());
    state.counters["link_routes"] = double(linkRoutes);
    state.counters["rows"] = double(rows);
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["report_s"] = seconds / n;
    state.counters["fprintf_s"] = anchorSeconds / n;
    state.counters["ratio"] = anchorSeconds > 0 ? seconds / anchorSeconds : 0;
    state.counters["results_build_s"] = r.buildSeconds;
}

BENCHMARK(BM_LinkRouteReport)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
