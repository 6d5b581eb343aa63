// XML project export and import of the large synthetic study, each beside xmllint's streaming
// well-formedness check of the same file in the same run (a reader that builds nothing: the
// floor any import stands on). Goals: import at most three times the anchor, export within 20%
// of its time before the file kept the whole study. Import includes making the operators'
// access to links in every scenario (the link_routes counter), which the file leaves out.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "files/TXMLIn.h"
#include "files/TXMLOut.h"
#include "model/LINK.h"
#include "model/Project.h"
#include "model/SampleStudy.h"

namespace {
namespace fs = std::filesystem;

struct Fixture {
    fs::path dir;
    std::string file;
    std::unique_ptr<zep::model::TProject> study;
    Fixture() {
        dir = fs::temp_directory_path() / ("zep_xmlbench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        file = (dir / "large.xml").string();
        study = std::make_unique<zep::model::TProject>();
        zep::model::BuildSyntheticStudy(*study, zep::model::TStudySizes{});
        zep::files::ExportXml(*study, file, false);
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& Study() {
    static Fixture f;
    return f;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The anchor: xmllint reading the same file as a stream, process start included.
double Xmllint(const std::string& file) {
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(("xmllint --stream --noout '" + file + "'").c_str());
    const double t = Seconds(start);
    if (rc != 0) throw std::runtime_error("xmllint failed on " + file);
    return t;
}

void Export(benchmark::State& state) {
    Fixture& f = Study();
    const std::string target = (f.dir / "export.xml").string();
    double ours = 0, anchor = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        zep::files::ExportXml(*f.study, target, false);
        const double o = Seconds(start);
        ours += o;
        anchor += Xmllint(target);
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_xmllint"] = ours / anchor;
    state.counters["file_MiB"] = static_cast<double>(fs::file_size(target)) / 1048576.0;
}

void Import(benchmark::State& state) {
    Fixture& f = Study();
    double ours = 0, anchor = 0;
    std::size_t linkRoutes = 0;
    for (auto _ : state) {
        auto project = std::make_unique<zep::model::TProject>();
        const auto start = std::chrono::steady_clock::now();
        zep::files::LoadXmlProject(*project, f.file);
        const double o = Seconds(start);
        linkRoutes = project->LinkRoutes().Count();
        project.reset(); // freeing the study is not part of reading it
        ours += o;
        anchor += Xmllint(f.file);
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_xmllint"] = ours / anchor;
    state.counters["link_routes"] = static_cast<double>(linkRoutes);
}

void ImportCompressed(benchmark::State& state) {
    Fixture& f = Study();
    const std::string packed = (f.dir / "large.xmlz").string();
    zep::files::ExportXml(*f.study, packed, true);
    double ours = 0, anchor = 0;
    for (auto _ : state) {
        auto project = std::make_unique<zep::model::TProject>();
        const auto start = std::chrono::steady_clock::now();
        zep::files::LoadXmlProject(*project, packed);
        const double o = Seconds(start);
        project.reset();
        ours += o;
        anchor += Xmllint(f.file);
        state.SetIterationTime(o);
    }
    state.counters["ratio_to_xmllint_plain"] = ours / anchor;
}

} // namespace

BENCHMARK(Export)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Import)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ImportCompressed)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
