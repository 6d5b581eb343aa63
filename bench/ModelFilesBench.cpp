// Generating every per-scenario model input file of the large synthetic study (15,000 nodes,
// 40,000 links, about 100,000 link-routes, 5 scenarios), against writing the same bytes with
// one fwrite per file in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "modelio/F1E_File.h"
#include "modelio/L1E_File.h"
#include "modelio/L2E_File.h"
#include "modelio/L3E_File.h"
#include "modelio/P0E_File.h"
#include "modelio/P1E_File.h"
#include "modelio/T1E_File.h"

namespace {
namespace fs = std::filesystem;
using namespace zep;
using namespace zep::modelio;

model::TProject& Study() {
    static std::unique_ptr<model::TProject> project = [] {
        auto p = std::make_unique<model::TProject>();
        model::BuildSyntheticStudy(*p, model::TStudySizes{});
        fs::path dir = fs::temp_directory_path() / ("zep_modelfiles_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        p->SetFileName((dir / "syn.zpz").string());
        return p;
    }();
    return *project;
}

fs::path StudyDir() {
    return fs::path(Study().FileName()).parent_path();
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every file a generation writes per scenario, as the model programs need them.
void WriteScenarioFiles(const model::TProject& p) {
    for (std::size_t i = 0; i < p.Scenarios().Count(); ++i) {
        const model::TScenario& s = *p.Scenarios().Get(i);
        WriteP0E(p, s);
        WriteP1E(p, s);
        WriteT1E(p, s);
        WriteF1E(p, s);
        WriteL1E(p, s);
        if (!s.IsBase()) {
            WriteL2E(p, s);
            WriteL3E(p, s);
        }
    }
}

// The anchor: the bytes of every file just written, kept in memory, written back with one
// fwrite each.
struct TFileImage {
    fs::path path;
    std::string bytes;
};

std::vector<TFileImage> ReadBack(const fs::path& dir) {
    std::vector<TFileImage> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file() || e.path().extension() == ".zpz") continue;
        TFileImage f{e.path(), std::string(static_cast<std::size_t>(e.file_size()), '\0')};
        std::FILE* in = std::fopen(f.path.c_str(), "rb");
        if (!in || std::fread(f.bytes.data(), 1, f.bytes.size(), in) != f.bytes.size())
            std::abort();
        std::fclose(in);
        files.push_back(std::move(f));
    }
    return files;
}

double WriteImages(const std::vector<TFileImage>& files, const fs::path& dir) {
    auto t = std::chrono::steady_clock::now();
    for (const auto& f : files) {
        fs::path target = dir / fs::relative(f.path, StudyDir());
        fs::create_directories(target.parent_path());
        std::FILE* out = std::fopen(target.c_str(), "wb");
        if (!out || std::fwrite(f.bytes.data(), 1, f.bytes.size(), out) != f.bytes.size())
            std::abort();
        std::fclose(out);
    }
    return Seconds(t);
}

void RemoveGenerated() {
    for (const auto& e : fs::directory_iterator(StudyDir()))
        if (e.is_directory()) fs::remove_all(e.path());
}

// A fresh generation: every file built and written.
void GenerateAll(benchmark::State& state) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    const model::TProject& p = Study();
    RemoveGenerated();
    WriteScenarioFiles(p);
    const std::vector<TFileImage> images = ReadBack(StudyDir());
    const fs::path anchorDir = StudyDir() / "anchor";
    double ours = 0, anchor = 0;
    std::size_t bytes = 0;
    for (const auto& f : images)
        bytes += f.bytes.size();
    for (auto _ : state) {
        RemoveGenerated();
        auto t = std::chrono::steady_clock::now();
        WriteScenarioFiles(p);
        const double o = Seconds(t);
        anchor += WriteImages(images, anchorDir);
        ours += o;
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_fwrite"] = ours / anchor;
    state.counters["files"] = static_cast<double>(images.size());
    state.counters["MiB"] = static_cast<double>(bytes) / 1048576.0;
    state.counters["links"] = static_cast<double>(p.Links().Count());
    state.counters["link_routes"] = static_cast<double>(p.LinkRoutes().Count());
    state.counters["scenarios"] = static_cast<double>(p.Scenarios().Count());
}

// Regenerating an unchanged study: every file built and compared, none written (the files
// keep their time stamps, so the model's makefile skips the runs).
void RegenerateUnchanged(benchmark::State& state) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    const model::TProject& p = Study();
    RemoveGenerated();
    WriteScenarioFiles(p);
    const std::vector<TFileImage> images = ReadBack(StudyDir());
    const fs::path anchorDir = StudyDir() / "anchor";
    double ours = 0, anchor = 0;
    for (auto _ : state) {
        auto t = std::chrono::steady_clock::now();
        WriteScenarioFiles(p);
        const double o = Seconds(t);
        anchor += WriteImages(images, anchorDir);
        ours += o;
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_fwrite"] = ours / anchor;
}

// The network file alone, built in memory (no disk): the largest file, the one that grows
// with the study.
void BuildNetworkFile(benchmark::State& state) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    const model::TProject& p = Study();
    const model::TScenario& s = *p.Scenarios().Get(p.Scenarios().Count() - 1);
    std::size_t lines = 0;
    for (auto _ : state) {
        TLines built = BuildP1E(p, s);
        lines = built.size();
        benchmark::DoNotOptimize(built);
    }
    state.counters["lines"] = static_cast<double>(lines);
}

BENCHMARK(GenerateAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(RegenerateUnchanged)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BuildNetworkFile)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
