// The large synthetic study (15,000 nodes, 40,000 links, about 100,000 link-routes, five
// scenarios): building it, validating it, removing every node as one command and undoing that,
// and the heap bytes one link-route costs. The anchor is the same network held in plain arrays
// (nodes, links with their adjacency, link-routes as index pairs), built in the same run.
#include <benchmark/benchmark.h>

#include "foundation/SmallObjectPool.h"

#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "undo/CMDStk_.h"

namespace {

using namespace zep::model;

// The general allocator's bytes in use (its heap and its own mappings) plus the pooled blocks
// handed out.
std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd + static_cast<std::size_t>(zep::TSmallObjectPool::BytesInUse());
}

const TStudySizes kLarge{15000, 40000, 300, 200, 5};

/// The anchor: the same counts of nodes, links and link-routes in plain structures.
struct TPlainNetwork {
    struct Node {
        double x, y;
        std::vector<std::int32_t> out, in;
    };
    struct Link {
        std::int32_t from, to;
        double capacity, length;
    };
    struct LinkRoute {
        std::int32_t link, route;
        bool used;
    };
    std::vector<Node> nodes;
    std::vector<Link> links;
    std::vector<LinkRoute> linkRoutes;
};

std::unique_ptr<TPlainNetwork> BuildPlain(std::size_t nodes, std::size_t links, std::size_t lrs) {
    auto net = std::make_unique<TPlainNetwork>();
    net->nodes.resize(nodes);
    for (std::size_t i = 0; i < nodes; ++i)
        net->nodes[i].x = double(i), net->nodes[i].y = double(i % 97);
    for (std::size_t i = 0; i < links; ++i) {
        const auto a = static_cast<std::int32_t>(i % nodes);
        const auto b = static_cast<std::int32_t>((i * 7 + 1) % nodes);
        net->links.push_back({a, b, 1000.0, 1.0});
        net->nodes[std::size_t(a)].out.push_back(static_cast<std::int32_t>(i));
        net->nodes[std::size_t(b)].in.push_back(static_cast<std::int32_t>(i));
    }
    for (std::size_t i = 0; i < lrs; ++i)
        net->linkRoutes.push_back(
            {static_cast<std::int32_t>(i % links), static_cast<std::int32_t>(i % 203), true});
    return net;
}

/// Builds the study; reports its size, the heap it holds and the ratio to the anchor.
void BM_BuildLargeStudy(benchmark::State& state) {
    double studySeconds = 0, plainSeconds = 0;
    std::size_t heap = 0, plainHeap = 0, lrs = 0, links = 0, nodes = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        auto t0 = std::chrono::steady_clock::now();
        auto p = std::make_unique<TProject>();
        BuildSyntheticStudy(*p, kLarge);
        auto t1 = std::chrono::steady_clock::now();
        heap = HeapInUse() - before;
        lrs = p->LinkRoutes().Count();
        links = p->Links().Count();
        nodes = p->Nodes().Count();
        const std::size_t beforePlain = HeapInUse();
        auto t2 = std::chrono::steady_clock::now();
        auto plain = BuildPlain(nodes, links, lrs);
        auto t3 = std::chrono::steady_clock::now();
        plainHeap = HeapInUse() - beforePlain;
        benchmark::DoNotOptimize(plain.get());
        studySeconds += std::chrono::duration<double>(t1 - t0).count();
        plainSeconds += std::chrono::duration<double>(t3 - t2).count();
        state.PauseTiming();
        p.reset();
        plain.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = double(nodes);
    state.counters["links"] = double(links);
    state.counters["link_routes"] = double(lrs);
    state.counters["heap_MB"] = double(heap) / 1e6;
    state.counters["anchor_heap_MB"] = double(plainHeap) / 1e6;
    state.counters["heap_ratio"] = double(heap) / double(plainHeap);
    state.counters["build_s"] = studySeconds / double(state.iterations());
    state.counters["anchor_s"] = plainSeconds / double(state.iterations());
    state.counters["time_ratio"] = studySeconds / plainSeconds;
}
BENCHMARK(BM_BuildLargeStudy)->Unit(benchmark::kMillisecond)->Iterations(2);

/// Validate over the large study; the anchor sums one value over every link of the plain net.
void BM_ValidateLargeStudy(benchmark::State& state) {
    TProject p;
    BuildSyntheticStudy(p, kLarge);
    auto plain = BuildPlain(p.Nodes().Count(), p.Links().Count(), p.LinkRoutes().Count());
    double validate = 0, anchor = 0;
    std::size_t invalid = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        invalid = p.Validate()->Count();
        auto t1 = std::chrono::steady_clock::now();
        double sum = 0;
        for (const auto& l : plain->links)
            sum += l.capacity > 0 && l.length > 0 ? 1 : 0;
        benchmark::DoNotOptimize(sum);
        auto t2 = std::chrono::steady_clock::now();
        validate += std::chrono::duration<double>(t1 - t0).count();
        anchor += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["invalid"] = double(invalid);
    state.counters["validate_s"] = validate / double(state.iterations());
    state.counters["anchor_s"] = anchor / double(state.iterations());
    state.counters["time_ratio"] = validate / anchor;
}
BENCHMARK(BM_ValidateLargeStudy)->Unit(benchmark::kMillisecond)->Iterations(3);

/// Every node removed as one command (with every link and link-route), then undone. The anchor
/// clears and rebuilds the plain network.
void BM_RemoveAllNodesAndUndo(benchmark::State& state) {
    TProject p;
    BuildSyntheticStudy(p, kLarge);
    double removeSeconds = 0, undoSeconds = 0, anchor = 0;
    for (auto _ : state) {
        zep::undo::TCommandStack stack;
        auto t0 = std::chrono::steady_clock::now();
        zep::undo::RunCommand(&p.UndoSet(), stack, "Remove Network", [&] {
            std::vector<TNode*> all;
            for (std::size_t i = 0; i < p.Nodes().Count(); ++i)
                all.push_back(p.Nodes().Get(i));
            p.RemoveNodes(all);
        });
        auto t1 = std::chrono::steady_clock::now();
        stack.UndoTop();
        auto t2 = std::chrono::steady_clock::now();
        auto plain = BuildPlain(p.Nodes().Count(), p.Links().Count(), p.LinkRoutes().Count());
        plain.reset();
        auto t3 = std::chrono::steady_clock::now();
        removeSeconds += std::chrono::duration<double>(t1 - t0).count();
        undoSeconds += std::chrono::duration<double>(t2 - t1).count();
        anchor += std::chrono::duration<double>(t3 - t2).count();
    }
    state.counters["remove_s"] = removeSeconds / double(state.iterations());
    state.counters["undo_s"] = undoSeconds / double(state.iterations());
    state.counters["anchor_s"] = anchor / double(state.iterations());
    state.counters["time_ratio"] = (removeSeconds + undoSeconds) / anchor;
    state.counters["nodes_after_undo"] = double(p.Nodes().Count());
}
BENCHMARK(BM_RemoveAllNodesAndUndo)->Unit(benchmark::kMillisecond)->Iterations(1);

/// Heap bytes per link-route: the heap given back when every link-route goes (without undo),
/// against the 12 bytes of the plain record.
void BM_BytesPerLinkRoute(benchmark::State& state) {
    double bytes = 0;
    for (auto _ : state) {
        TProject p;
        BuildSyntheticStudy(p, kLarge);
        const std::size_t count = p.LinkRoutes().Count();
        malloc_trim(0);
        const std::size_t before = HeapInUse();
        while (!p.LinkRoutes().IsEmpty())
            p.LinkRoutes().Delete(p.LinkRoutes().Count() - 1);
        for (std::size_t i = 0; i < p.Links().Count(); ++i)
            p.Links().Get(i)->LinkRoutes().ShrinkToFit();
        p.LinkRoutes().ShrinkToFit();
        bytes = double(before - HeapInUse()) / double(count);
    }
    state.counters["bytes_per_link_route"] = bytes;
    state.counters["anchor_bytes"] = double(sizeof(TPlainNetwork::LinkRoute));
    state.counters["bytes_ratio"] = bytes / double(sizeof(TPlainNetwork::LinkRoute));
}
BENCHMARK(BM_BytesPerLinkRoute)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
