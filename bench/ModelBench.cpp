// Resolved reads, undoable writes and memory per stored value of the versioned model, each
// beside a plain hash map of doubles measured in the same run.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

#include <benchmark/benchmark.h>

#include "foundation/SmallObjectPool.h"

#include "model/SCENARIO.h"
#include "model/versions.h"
#include "undo/Undo_.h"

namespace zep::model {
namespace {

constexpr std::int32_t kCapacity = 2;
constexpr std::int32_t kFirstValue = 1;

class TBenchThing : public TVersionedEntity {
public:
    static TPropSpecSet& ClassSpecs() {
        static TPropSpecSet* set = [] {
            auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
            for (int id = kFirstValue; id < kFirstValue + 12; ++id)
                s->Add(new TFloatPropSpec(id, "v" + std::to_string(id), 0, TValue(), TValue(0.0)));
            return s;
        }();
        return *set;
    }
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
};

constexpr int kEntities = 100000;

// A five-level chain 00A -> S1 -> S2 -> S3 -> S4 plus a sibling at each level, and 100,000
// entities with their capacity in the base, overridden at S2 for every tenth.
struct Study {
    std::vector<std::unique_ptr<TScenario>> scenarios;
    std::vector<std::unique_ptr<TBenchThing>> things;
    TScenario* leaf = nullptr;
    explicit Study(int entities = kEntities) {
        TScenario* parent = nullptr;
        for (int level = 0; level < 5; ++level) {
            scenarios.push_back(std::make_unique<TScenario>(parent));
            TScenario* s = scenarios.back().get();
            if (parent) scenarios.push_back(std::make_unique<TScenario>(parent)); // a sibling
            parent = s;
        }
        leaf = parent;
        TScenario* base = scenarios[0].get();
        TScenario* s2 = scenarios[3].get();
        for (int i = 0; i < entities; ++i) {
            things.push_back(std::make_unique<TBenchThing>());
            things.back()->SetValueIn(base, kCapacity, TValue(100.0 + i));
            if (i % 10 == 0) things.back()->SetValueIn(s2, kCapacity, TValue(50.0 + i));
        }
    }
};

Study& TheStudy() {
    static Study study;
    return study;
}

// Reads every entity of the study once per iteration, in a fixed random order, beside the
// same lookups in an unordered_map<int, double>.
void ResolvedRead(benchmark::State& state, Study& study) {
    const int kEntities = static_cast<int>(study.things.size());
    std::unordered_map<int, double> anchor;
    for (int i = 0; i < kEntities; ++i)
        anchor.emplace(i, 100.0 + i);
    std::vector<int> order(kEntities);
    for (int i = 0; i < kEntities; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));

    using Clock = std::chrono::steady_clock;
    double modelNs = 0, anchorNs = 0, reads = 0;
    for (auto _ : state) {
        double sum = 0;
        auto t0 = Clock::now();
        for (int i : order)
            sum += study.things[static_cast<std::size_t>(i)]->GetFloatIn(study.leaf, kCapacity);
        auto t1 = Clock::now();
        for (int i : order)
            sum += anchor.find(i)->second;
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(sum);
        modelNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        anchorNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        reads += kEntities;
    }
    state.counters["model_ns_per_read"] = modelNs / reads;
    state.counters["anchor_ns_per_lookup"] = anchorNs / reads;
    state.counters["ratio"] = modelNs / anchorNs;
}

// 100,000 entities: the data is far larger than the caches, so misses dominate both sides.
void BM_ResolvedRead(benchmark::State& state) {
    ResolvedRead(state, TheStudy());
}
BENCHMARK(BM_ResolvedRead)->Unit(benchmark::kMillisecond);

// 2,000 entities: both sides stay in the caches, so this is the cost of the walk itself.
void BM_ResolvedReadInCache(benchmark::State& state) {
    static Study small(2000);
    ResolvedRead(state, small);
}
BENCHMARK(BM_ResolvedReadInCache)->Unit(benchmark::kMicrosecond);

void BM_WriteWithUndo(benchmark::State& state) {
    Study& study = TheStudy();
    TScenario* s3 = study.scenarios[5].get();
    std::unordered_map<int, double> anchor;
    for (int i = 0; i < kEntities; ++i)
        anchor.emplace(i, 100.0 + i);
    using Clock = std::chrono::steady_clock;
    double modelNs = 0, anchorNs = 0, writes = 0;
    undo::TUndoSet set;
    int round = 0;
    for (auto _ : state) {
        ++round;
        set.BeginTransaction();
        auto t0 = Clock::now();
        for (int i = 0; i < kEntities; i += 10)
            study.things[static_cast<std::size_t>(i)]->SetValueIn(s3, kCapacity,
                                                                  TValue(1.0 * round + i));
        set.Clear(); // discarding the records is part of their cost
        auto t1 = Clock::now();
        for (int i = 0; i < kEntities; i += 10)
            anchor[i] = 1.0 * round + i;
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(anchor);
        modelNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        anchorNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        writes += kEntities / 10;
    }
    undo::SetCurrentUndoSet(nullptr);
    state.counters["model_ns_per_write"] = modelNs / writes;
    state.counters["anchor_ns_per_write"] = anchorNs / writes;
    state.counters["ratio"] = modelNs / anchorNs;
}
BENCHMARK(BM_WriteWithUndo)->Unit(benchmark::kMillisecond);

// The general allocator's bytes in use (its heap and its own mappings) plus the pooled blocks
// handed out.
std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd + static_cast<std::size_t>(zep::TSmallObjectPool::BytesInUse());
}

// Bytes per stored value: `perEntity` values in the base scenario of entities that exist
// already, against the bytes per entry of an unordered_map<int, double> filled in the same run.
void BM_MemoryPerValue(benchmark::State& state) {
    const int perEntity = static_cast<int>(state.range(0));
    const int entities = 20000;
    double modelBytes = 0, anchorBytes = 0;
    for (auto _ : state) {
        TScenario base(nullptr);
        TScenario child(&base);
        std::vector<std::unique_ptr<TBenchThing>> things;
        for (int i = 0; i < entities; ++i)
            things.push_back(std::make_unique<TBenchThing>());
        const std::size_t before = HeapInUse();
        for (auto& t : things)
            for (int k = 0; k < perEntity; ++k)
                t->SetValueIn(perEntity == 1 ? &child : &base, kFirstValue + k, TValue(1.5 + k));
        const std::size_t after = HeapInUse();
        // A single record lives inside its version, not on the heap: count its 16 bytes too.
        std::size_t inlineBytes = 0;
        for (auto& t : things)
            for (const auto& v : t->Versions())
                if (v->Count() == 1) inlineBytes += sizeof(TProperty);
        modelBytes = static_cast<double>(after - before + inlineBytes) / (entities * perEntity);

        const std::size_t a0 = HeapInUse();
        auto anchor = std::make_unique<std::unordered_map<int, double>>();
        for (int i = 0; i < entities * perEntity; ++i)
            anchor->emplace(i, 1.5);
        const std::size_t a1 = HeapInUse();
        anchorBytes = static_cast<double>(a1 - a0) / (entities * perEntity);
    }
    state.counters["model_bytes_per_value"] = modelBytes;
    state.counters["anchor_bytes_per_entry"] = anchorBytes;
    state.counters["ratio"] = modelBytes / anchorBytes;
    state.counters["sizeof_TValue"] = sizeof(TValue);
    state.counters["sizeof_TProperty"] = sizeof(TProperty);
    state.counters["sizeof_TVersionedEntity"] = sizeof(TVersionedEntity);
}
BENCHMARK(BM_MemoryPerValue)->Arg(1)->Arg(4)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zep::model

BENCHMARK_MAIN();
