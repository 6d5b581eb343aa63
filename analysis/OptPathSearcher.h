// Least-cost search on the dual graph: a label-setting search (Dijkstra's algorithm with lazy
// deletion) from one origin zone, and its heap.
#pragma once

#include <cstdint>
#include <memory>
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

    void Reserve(std::size_t n) { items_.reserve(n); }
    bool Empty() const { return items_.empty(); }
    std::size_t Count() const { return items_.size(); }
    void Push(std::int32_t vertex, double cost);
    TItem Pop();
    /// Frees the storage once the search is over.
    void Release() { std::vector<TItem>().swap(items_); }

private:
    std::vector<TItem> items_;
};

/// The search from one origin zone. Labels (best known cost and the arc it came by) persist,
/// so a later query for another destination continues where the last one stopped.
class TPathSearcher : public IPathSearcher {
public:
    TPathSearcher(TGraph& graph, const TZoneVertice& origin);

    PPath PathTo(std::int32_t vertexIndex) override;
    void SearchAll() override;
    double CostTo(std::int32_t vertexIndex) const override;
    /// The arc by which the vertex was reached (nullptr: unlabelled).
    const TArc* ArcTo(std::int32_t vertexIndex) const;
    const TZoneVertice& Origin() const { return origin_; }

private:
    struct TLabel {
        double cost;
        const TArc* arc;
    };

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

    TGraph& graph_;
    const TZoneVertice& origin_;
    TPathHeap heap_;
    std::vector<TLabel> labels_;
    std::vector<bool> settled_;
    std::int32_t zoneCount_;
    // With negative arcs, stale items must be expanded again, and a negative cycle would
    // never end: the number of pushes is then bounded.
    bool exact_;
    std::size_t pushBudget_;
};

} // namespace zep::analysis
