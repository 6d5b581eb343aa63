// Least-cost search on the dual graph: a label-setting search (Dijkstra's algorithm with lazy
// deletion) from one origin zone, and its heap.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "analysis/graph.h"

namespace zep::analysis {

/// A binary min-heap of (vertex index, cost) stored level by level. It may hold several items
/// for one vertex. Ties: a pushed item moves up past a parent of equal cost; a sinking item
/// takes the right child only when it is strictly cheaper than the left, and stops only above
/// a strictly dearer child. These rules decide which of several equal paths is found.
class TPathHeap {
public:
    struct TItem {
        std::int32_t vertex;
        double cost;
    };

    /// Storage whose first byte starts a cache line (see the layout below).
    template <class T> struct TLineAllocator {
        using value_type = T;
        TLineAllocator() = default;
        template <class U> TLineAllocator(const TLineAllocator<U>&) {}
        T* allocate(std::size_t n) {
            return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t(64)));
        }
        void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t(64)); }
        bool operator==(const TLineAllocator&) const { return true; }
    };
    using TStorage = std::vector<TItem, TLineAllocator<TItem>>;

    TPathHeap() { Reserve(0); }
    /// Room for `n` items without growing.
    void Reserve(std::size_t n) {
        if (items_.size() < SlotsFor(n)) items_.resize(SlotsFor(n), kNone);
    }
    bool Empty() const { return count_ == 0; }
    std::size_t Count() const { return count_; }
    void Push(std::int32_t vertex, double cost);
    TItem Pop();
    void Clear() {
        std::fill(items_.begin() + 1, items_.begin() + std::ptrdiff_t(count_ + 1), kNone);
        count_ = 0;
    }
    const TItem& Top() const { return items_[1]; }
    /// The storage, for reuse by the next search: only when the heap is empty (Clear), which
    /// leaves every slot free.
    TStorage& Storage() { return items_; }

private:
    static constexpr TItem kNone{-1, std::numeric_limits<double>::infinity()};
    // A sinking hole reads the children and grandchildren of its place, up to slot 4k + 3 for
    // a place k whose children exist (2k <= count): slots up to 2 * count + 3.
    static std::size_t SlotsFor(std::size_t n) { return 2 * n + 4; }
    void Grow() { items_.resize(std::max(SlotsFor(count_ + 1), 2 * items_.size()), kNone); }

    // Level by level, the root at slot 1 (slot 0 is unused): the children of k sit at 2k and
    // 2k + 1, a 32-byte pair that never straddles a cache line, and its four grandchildren at
    // 4k .. 4k + 3, one whole line. Every slot after the last item holds an infinitely dear
    // free item, so a sinking item may always look at a right child or a grandchild.
    TStorage items_;
    std::size_t count_ = 0;
};

// The heap is the search's inner loop: its operations are inline.
[[gnu::always_inline]] inline void TPathHeap::Push(std::int32_t vertex, double cost) {
    if (SlotsFor(count_ + 1) > items_.size()) [[unlikely]]
        Grow();
    TItem* a = items_.data();
    std::size_t k = ++count_;
    // Ties move up: an item pushed later passes a parent of equal cost.
    while (k > 1) {
        const std::size_t parent = k / 2;
        if (cost > a[parent].cost) break;
        a[k] = a[parent];
        k = parent;
    }
    a[k] = {vertex, cost};
    if (static_cast<std::int64_t>(count_) > TGraphCounters::maxHeapSize)
        TGraphCounters::maxHeapSize = static_cast<std::int64_t>(count_);
}

[[gnu::always_inline]] inline TPathHeap::TItem TPathHeap::Pop() {
    TItem* a = items_.data();
    const TItem root = a[1];
    const std::size_t n = count_--;
    const TItem last = a[n];
    a[n] = kNone;
    const std::size_t m = count_;
    if (m == 0) return root;
    // The hole goes down the path of the cheaper children (the right one only when strictly
    // cheaper) to the bottom, then the last item rises back up that path while its parent is
    // strictly dearer. That places it exactly where sinking it from the root would (it stops
    // only above a strictly dearer child), with one unpredictable comparison fewer per level.
    // Two levels a step: the children's and the grandchildren's costs are all read from the
    // hole's place at once, so that the next place waits for one read instead of two in a row.
    std::size_t k = 1;
    while (2 * k <= m) {
        const std::size_t c = 2 * k, g = 4 * k;
        // As numbers, not branches: which way the hole goes is as good as a coin toss.
        const std::size_t right = a[c + 1].cost < a[c].cost;
        const std::size_t leftsRight = a[g + 1].cost < a[g].cost;
        const std::size_t rightsRight = a[g + 3].cost < a[g + 2].cost;
        const std::size_t child = c + right;
        a[k] = a[child];
        k = child;
        if (2 * child > m) break;
        const std::size_t grandchild =
            2 * child + ((rightsRight & right) | (leftsRight & (right ^ 1)));
        a[k] = a[grandchild];
        k = grandchild;
    }
    while (k > 1) {
        const std::size_t parent = k / 2;
        if (!(a[parent].cost > last.cost)) break;
        a[k] = a[parent];
        k = parent;
    }
    a[k] = last;
    return root;
}

/// The search from one origin zone. Labels (best known cost and the arc it came by) persist,
/// so a later query for another destination continues where the last one stopped.
class TPathSearcher : public IPathSearcher {
public:
    TPathSearcher(TGraph& graph, const TZoneVertice& origin);
    /// Hands the label and heap storage on to the next searcher.
    ~TPathSearcher() override;
    TPathSearcher(const TPathSearcher&) = delete;
    TPathSearcher& operator=(const TPathSearcher&) = delete;

    PPath PathTo(std::int32_t vertexIndex) override;
    void SearchAll() override;
    double CostTo(std::int32_t vertexIndex) const override;
    /// The arc by which the vertex was reached (nullptr: unlabelled).
    const TArc* ArcTo(std::int32_t vertexIndex) const;
    const TZoneVertice& Origin() const { return origin_; }

    /// Best known cost and the arc it came by; 16 bytes, so that a relaxation touches one
    /// cache line of the target's label.
    struct TLabel {
        double cost;
        const TArc* arc;
    };

private:
    /// Pops and expands until `target` is settled (true) or the heap runs dry.
    bool Run(std::int32_t target);
    void Relax(const TArc& arc, double cost) {
        TLabel& l = labels_[std::size_t(arc.target)];
        // Unlabelled vertices hold +infinity, so any finite cost labels them.
        if (!(cost < l.cost)) return;
        l.cost = cost;
        l.arc = &arc;
        heap_.Push(arc.target, cost);
    }
    PPath BuildPath(std::int32_t target) const;
    bool Settled(std::int32_t vertex) const;

    TGraph& graph_;
    const TZoneVertice& origin_;
    TPathHeap heap_;
    std::vector<TLabel> labels_;
    std::vector<bool> settled_; // kept only when costs below zero make labels unreliable
    std::int32_t zoneCount_;
    // With negative arcs, stale items must be expanded again, and a negative cycle would
    // never end: the number of pushes is then bounded.
    bool exact_;
    std::size_t pushBudget_;
};

} // namespace zep::analysis
