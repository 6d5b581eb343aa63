// Saving and opening the large synthetic study as a compressed project file, against the gzip
// tool compressing and decompressing the same bytes in the same run; peak memory of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "files/PrjFile.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"

namespace {
namespace fs = std::filesystem;

using TRoot = zep::model::TProject;
// 15,000 nodes, 40,000 links, 300 zones, 200 routes, 5 scenarios.
TRoot& Study() {
    static std::unique_ptr<TRoot> root = [] {
        zep::files::RegisterModelStreamClasses();
        auto p = std::make_unique<TRoot>();
        zep::model::BuildSyntheticStudy(*p, zep::model::TStudySizes{});
        return p;
    }();
    return *root;
}
std::size_t Objects(TRoot& p) { return p.Nodes().Count() + p.Links().Count(); }

std::string Dir() {
    static const std::string dir = [] {
        fs::path d = fs::temp_directory_path() / ("zep_prjbench_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d.string();
    }();
    return dir;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double RunShell(const std::string& command) {
    auto t = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::abort();
    return Seconds(t);
}

double PeakMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Each iteration times ours and the anchor back to back; the time reported is ours, the ratio
// ours / anchor.
void Save(benchmark::State& state) {
    const std::string target = Dir() + "/study.zpz", plain = Dir() + "/image.zep";
    zep::files::SaveProjectFile(plain, Study());
    double ours = 0, anchor = 0;
    for (auto _ : state) {
        auto t = std::chrono::steady_clock::now();
        zep::files::SaveProjectFile(target, Study());
        const double o = Seconds(t);
        fs::remove_all(Dir() + "/backups");
        anchor += RunShell("gzip -c " + plain + " > " + Dir() + "/anchor.gz");
        ours += o;
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_gzip_c"] = ours / anchor;
    state.counters["image_MiB"] = static_cast<double>(fs::file_size(plain)) / 1048576.0;
    state.counters["file_MiB"] = static_cast<double>(fs::file_size(target)) / 1048576.0;
    state.counters["peak_MiB"] = PeakMiB();
}

void Load(benchmark::State& state) {
    const std::string target = Dir() + "/study.zpz";
    zep::files::SaveProjectFile(target, Study());
    double ours = 0, anchor = 0;
    std::size_t objects = 0;
    for (auto _ : state) {
        double o = 0;
        {
            TRoot loaded;
            auto t = std::chrono::steady_clock::now();
            zep::files::OpenProjectFile(target, loaded);
            o = Seconds(t); // without freeing the study afterwards
            objects = Objects(loaded);
        }
        anchor += RunShell("gzip -dc " + target + " > /dev/null");
        ours += o;
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_gzip_dc"] = ours / anchor;
    state.counters["nodes_and_links"] = static_cast<double>(objects);
    state.counters["peak_MiB"] = PeakMiB();
}

// The file layer alone: decompressing and reading the object stream, without the project's
// repair after loading.
void LoadStreamOnly(benchmark::State& state) {
    const std::string target = Dir() + "/study.zpz";
    zep::files::SaveProjectFile(target, Study());
    double ours = 0, anchor = 0;
    for (auto _ : state) {
        double o = 0;
        {
            TRoot loaded;
            auto t = std::chrono::steady_clock::now();
            std::string image = zep::files::ReadProjectImage(target);
            zep::files::TObjectReader reader;
            reader.LoadBytes(image.substr(6), loaded, &loaded);
            o = Seconds(t);
        }
        anchor += RunShell("gzip -dc " + target + " > /dev/null");
        ours += o;
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_gzip_dc"] = ours / anchor;
    state.counters["peak_MiB"] = PeakMiB();
}

BENCHMARK(Save)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Load)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(LoadStreamOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    // Outlives the study, whose destruction at exit still reports progress.
    static zep::TNullMessageHandler quiet;
    zep::PushMessageHandler(&quiet);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
