// A complete least-cost search from every zone, on Chicago-Sketch and on the large synthetic
// study (car mode), against the Boost Graph Library's Dijkstra on the identical dual graph (the
// same vertices and arcs, copied once into BGL's compressed sparse row graph outside the
// timing). Also the graph's build time and its memory per arc.
#include <benchmark/benchmark.h>

#include <boost/graph/compressed_sparse_row_graph.hpp>
#include <boost/graph/dijkstra_shortest_paths.hpp>

#include <malloc.h>

#include <algorithm>
#include <new>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "analysis/DualGraph.h"
#include "analysis/OptPathSearcher.h"
#include "files/TntpImport.h"
#include "foundation/OrvMessages.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "model/Zone.h"

// Every allocation of the program passes here, so that the graph's construction can be measured
// at its peak (the link table of construction included) and after it.
namespace {
std::size_t gCurrent = 0, gPeak = 0;
}
void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    gCurrent += malloc_usable_size(p);
    gPeak = std::max(gPeak, gCurrent);
    return p;
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    if (!p) return;
    gCurrent -= malloc_usable_size(p);
    std::free(p);
}
#pragma GCC diagnostic pop
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using namespace zep;
using namespace zep::analysis;

const std::string kChicago =
    std::string(ZEP_BENCH_DATA) + "/networks/Chicago-Sketch/ChicagoSketch_net.tntp";

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct TEdge {
    std::size_t from, to;
};
using TCsr = boost::compressed_sparse_row_graph<boost::directedS, boost::no_property,
                                                boost::property<boost::edge_weight_t, double>>;

/// One study, its graph and the same graph in BGL's form. Zones are split in BGL: a zone's
/// boarding arcs leave its own vertex, its egress arcs enter a copy, so that BGL (which passes
/// through every vertex) passes through no zone, as our search does not.
struct TCase {
    model::TProject project;
    std::unique_ptr<TDualGraph> graph;
    std::unique_ptr<TCsr> csr;
    double buildSeconds = 0;
    std::size_t graphBytes = 0;
    std::size_t peakBytes = 0;

    TCase(bool chicago) {
        TNullMessageHandler quiet;
        ScopedMessageHandler scope(quiet);
        if (chicago) {
            project.SetName("Chicago");
            files::ImportTntpFiles(project, kChicago, "", "", "");
            project.UpdateAllAccess(project.BaseScenario()); // as opening the saved study does
        } else {
            model::BuildSyntheticStudy(project, model::TStudySizes{});
        }
        const std::size_t before = gCurrent;
        gPeak = gCurrent;
        const auto t = std::chrono::steady_clock::now();
        graph = std::make_unique<TDualGraph>(project, nullptr, project.Modes().Get(0),
                                             project.BaseScenario());
        buildSeconds = Seconds(t);
        graphBytes = gCurrent - before;
        peakBytes = gPeak - before;

        const std::size_t n = graph->VertexCount(), zones = graph->ZoneCount();
        std::vector<std::pair<std::size_t, std::size_t>> edges;
        std::vector<double> weights;
        edges.reserve(graph->ArcCount());
        for (std::size_t v = 0; v < n; ++v)
            for (const TArc& a : graph->ArcsBuilt(std::int32_t(v))) {
                const auto to = std::size_t(a.target);
                edges.emplace_back(v, to < zones ? n + to : to);
                weights.push_back(a.cost);
            }
        csr = std::make_unique<TCsr>(boost::edges_are_unsorted_multi_pass, edges.begin(),
                                     edges.end(), weights.begin(), n + zones);
    }
};

TCase& Chicago() {
    static TCase c(true);
    return c;
}
TCase& Synthetic() {
    static TCase c(false);
    return c;
}

/// Ours: a fresh searcher per zone, run to exhaustion and released; returns a checksum.
double SearchOurs(TCase& c, std::vector<double>& zoneCosts) {
    TDualGraph& g = *c.graph;
    const std::size_t zones = g.ZoneCount();
    zoneCosts.assign(zones * zones, 0);
    for (std::size_t o = 0; o < zones; ++o) {
        const model::TZone* z = g.ZoneVertexAt(o).Zone();
        auto s = g.SearcherForZone(z);
        s->SearchAll();
        for (std::size_t d = 0; d < zones; ++d)
            zoneCosts[o * zones + d] = d == o ? std::numeric_limits<double>::infinity()
                                              : s->CostTo(g.ZoneVertexAt(d).Index());
        g.ReleaseSearcher(z);
    }
    return zoneCosts[zones + 2];
}

double SearchBoost(TCase& c, std::vector<double>& zoneCosts) {
    const std::size_t n = c.graph->VertexCount(), zones = c.graph->ZoneCount();
    static std::vector<double> dist;
    static std::vector<std::size_t> pred;
    dist.resize(boost::num_vertices(*c.csr));
    pred.resize(boost::num_vertices(*c.csr));
    zoneCosts.assign(zones * zones, 0);
    for (std::size_t o = 0; o < zones; ++o) {
        const auto index = boost::get(boost::vertex_index, *c.csr);
        boost::dijkstra_shortest_paths(
            *c.csr, o,
            boost::distance_map(boost::make_iterator_property_map(dist.begin(), index))
                .predecessor_map(boost::make_iterator_property_map(pred.begin(), index))
                .distance_inf(std::numeric_limits<double>::infinity()));
        for (std::size_t d = 0; d < zones; ++d)
            zoneCosts[o * zones + d] =
                d == o ? std::numeric_limits<double>::infinity() : dist[n + d];
    }
    return zoneCosts[zones + 2];
}

void Run(benchmark::State& state, TCase& c) {
    std::vector<double> ours, boost;
    double oursTotal = 0, boostTotal = 0;
    int i = 0;
    for (auto _ : state) {
        double o, b;
        auto t = std::chrono::steady_clock::now();
        if (i++ % 2 == 0) {
            benchmark::DoNotOptimize(SearchOurs(c, ours));
            o = Seconds(t);
            t = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(SearchBoost(c, boost));
            b = Seconds(t);
        } else {
            benchmark::DoNotOptimize(SearchBoost(c, boost));
            b = Seconds(t);
            t = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(SearchOurs(c, ours));
            o = Seconds(t);
        }
        state.SetIterationTime(o);
        oursTotal += o;
        boostTotal += b;
    }
    // Both must have found the same least costs.
    for (std::size_t k = 0; k < ours.size(); ++k) {
        const double a = ours[k], b = boost[k];
        if (!(a == b || std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a)))) {
            std::fprintf(stderr, "cost mismatch at %zu: %g vs %g\n", k, a, b);
            std::abort();
        }
    }
    state.counters["boost_ms"] = boostTotal / i * 1000;
    state.counters["ratio"] = oursTotal / boostTotal;
    state.counters["vertices"] = double(c.graph->VertexCount());
    state.counters["arcs"] = double(c.graph->ArcCount());
    state.counters["build_ms"] = c.buildSeconds * 1000;
    state.counters["graph_B_per_arc"] = double(c.graphBytes) / double(c.graph->ArcCount());
    state.counters["peak_B_per_arc"] = double(c.peakBytes) / double(c.graph->ArcCount());
    state.counters["graph_B_per_vertex"] = double(c.graphBytes) / double(c.graph->VertexCount());
    state.counters["max_heap"] = double(TGraphCounters::maxHeapSize);
}

void BM_ChicagoAllZones(benchmark::State& state) {
    if (!std::filesystem::exists(kChicago)) {
        state.SkipWithError("no shared data");
        return;
    }
    Run(state, Chicago());
}
void BM_SyntheticAllZones(benchmark::State& state) {
    Run(state, Synthetic());
}

BENCHMARK(BM_ChicagoAllZones)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SyntheticAllZones)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
