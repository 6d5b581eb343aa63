// "Simplify Network" on the synthetic study with many pass-through nodes: a third of its two-way
// link pairs split by a node in the middle (so the run merges them all back), at a quarter, a
// half and the whole of the large reference size. Reports the time per change and, as anchor,
// the same merges on a Boost adjacency_list (in-edge and out-edge joined, the vertex removed).
#include <benchmark/benchmark.h>

#include <boost/graph/adjacency_list.hpp>

#include <chrono>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "analysis/SimplerNet.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "undo/CMDStk_.h"

namespace {

using namespace zep;
using namespace zep::model;

using TBoost = boost::adjacency_list<boost::listS, boost::listS, boost::bidirectionalS>;

/// A synthetic study of `fraction` of the reference size in which every third two-way pair of
/// grid links runs through a node of its own.
std::unique_ptr<TProject> StudyWithPassThroughNodes(double fraction, std::size_t& splits) {
    auto p = std::make_unique<TProject>();
    TStudySizes sizes;
    sizes.nodes = std::int32_t(sizes.nodes * fraction);
    sizes.links = std::int32_t(sizes.links * fraction);
    sizes.zones = std::int32_t(sizes.zones * fraction);
    // The study's bus lines each run along a whole row of its grid, and a row is as long as the
    // square root of the study: lines in proportion to the rows (not to the links) keep the
    // smaller studies made like the whole one, with as many link-routes per link and a line
    // on every row, so that what grows from size to size is the study, not its make-up.
    sizes.routes = std::int32_t(sizes.routes * std::sqrt(fraction));
    BuildSyntheticStudy(*p, sizes);
    // The grid's own pass-through nodes are kept out of the run: whether two of its links may
    // merge depends on where the scenarios' every-fiftieth-link changes fall, and that pattern
    // lines up with the rows differently at each size (12 % of them merged at the quarter, 46 %
    // at the whole), so the study would offer more to merge per link the larger it is. With the
    // capacities alternating along every row and column, no two grid links meet a node with the
    // same data, and the run does the same things per link at every size: the split nodes
    // merged back, and the dead ends at the grid's edge removed.
    for (std::size_t i = 0; i < p->Links().Count(); ++i) {
        TLink* l = p->Links().Get(i);
        if (l->Tail()->IsZone() || l->Head()->IsZone()) continue;
        const TFloatPoint a = l->Tail()->Position(), b = l->Head()->Position();
        const auto step = std::int64_t(std::min(a.x, b.x) + std::min(a.y, b.y)) / 100;
        l->SetValueIn(p->BaseScenario(), TLink::kCapacity, TValue(1000.0 + 10.0 * (step % 2)));
    }
    std::vector<TLink*> chosen;
    for (std::size_t i = 0; i < p->Links().Count(); ++i) {
        TLink* l = p->Links().Get(i);
        if (l->Tail()->IsZone() || l->Head()->IsZone() || l->Tail()->Id() > l->Head()->Id())
            continue;
        if (p->ReverseLink(l) && i % 3 == 0) chosen.push_back(l);
    }
    analysis::TNetSimplifier splitter(*p);
    analysis::TWorldRect ignored;
    for (TLink* l : chosen) {
        const TFloatPoint a = l->Tail()->Position(), b = l->Head()->Position();
        l->Polyline().SetPoints({{(a.x + b.x) / 2, (a.y + b.y) / 2, 0}});
        splitter.SplitLink(l, p->BaseScenario(), 0, ignored);
    }
    splits = chosen.size();
    return p;
}

void BM_SimplifyNetwork(benchmark::State& state) {
    TNullMessageHandler quiet;
    ScopedMessageHandler scope(quiet);
    const double fraction = double(state.range(0)) / 4;
    double seconds = 0, boostSeconds = 0;
    std::int32_t changes = 0;
    std::size_t splits = 0, links = 0, nodes = 0, linkRoutes = 0, deletedNodes = 0, deletedLinks = 0,
                mergedNodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        deletedNodes = deletedLinks = 0;
        std::unique_ptr<TProject> p = StudyWithPassThroughNodes(fraction, splits);
        links = p->Links().Count();
        nodes = p->Nodes().Count();
        linkRoutes = p->LinkRoutes().Count();
        // The anchor's graph: the same nodes and links.
        TBoost g;
        std::unordered_map<const TNode*, TBoost::vertex_descriptor> vertex;
        for (std::size_t i = 0; i < p->Nodes().Count(); ++i)
            vertex[p->Nodes().Get(i)] = boost::add_vertex(g);
        for (std::size_t i = 0; i < p->Links().Count(); ++i)
            boost::add_edge(vertex[p->Links().Get(i)->Tail()], vertex[p->Links().Get(i)->Head()],
                            g);
        std::vector<const TNode*> merged;
        undo::TCommandStack stack;
        analysis::TWorldRect repaint;
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        changes = analysis::SimplifyNetworkCommand(*p, stack, {}, repaint,
                                                   [&](const analysis::TSimplifyChange& c) {
                                                       if (c.kind == "merged node")
                                                           merged.push_back(nullptr);
                                                       else if (c.kind == "deleted node")
                                                           ++deletedNodes;
                                                       else if (c.kind == "deleted link")
                                                           ++deletedLinks;
                                                   });
        mergedNodes = merged.size();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        // The anchor merges the same number of pass-through nodes of its own graph.
        std::vector<TBoost::vertex_descriptor> passing;
        for (auto [v, end] = boost::vertices(g); v != end; ++v)
            if (boost::in_degree(*v, g) == 2 && boost::out_degree(*v, g) == 2)
                passing.push_back(*v);
        passing.resize(std::min(passing.size(), merged.size()));
        const auto boostStart = std::chrono::steady_clock::now();
        for (TBoost::vertex_descriptor n : passing) {
            std::vector<std::pair<TBoost::vertex_descriptor, TBoost::vertex_descriptor>> joins;
            for (auto [i, iend] = boost::in_edges(n, g); i != iend; ++i)
                for (auto [o, oend] = boost::out_edges(n, g); o != oend; ++o)
                    if (boost::target(*o, g) != boost::source(*i, g))
                        joins.emplace_back(boost::source(*i, g), boost::target(*o, g));
            for (auto [x, z] : joins)
                boost::add_edge(x, z, g);
            boost::clear_vertex(n, g);
            boost::remove_vertex(n, g);
        }
        boostSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - boostStart).count();
        undo::SetCurrentUndoSet(nullptr);
        p.reset();
        state.ResumeTiming();
    }
    state.counters["links"] = double(links);
    // The study's size is more than its links: its bus lines run along whole rows of the grid,
    // so their link-routes grow faster than the links.
    state.counters["nodes"] = double(nodes);
    state.counters["link_routes"] = double(linkRoutes);
    state.counters["changes"] = changes;
    state.counters["split_nodes"] = double(splits);
    state.counters["merged_nodes"] = double(mergedNodes);
    state.counters["deleted_nodes"] = double(deletedNodes);
    state.counters["deleted_links"] = double(deletedLinks);
    state.counters["us_per_change"] = seconds * 1e6 / std::max(1, changes);
    state.counters["boost_us_per_merge"] = boostSeconds * 1e6 / std::max(1.0, double(changes));
    state.counters["seconds"] = seconds;
}

BENCHMARK(BM_SimplifyNetwork)->Arg(1)->Arg(2)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
