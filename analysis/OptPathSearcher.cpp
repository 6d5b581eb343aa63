#include "analysis/OptPathSearcher.h"

#include <limits>

#include "foundation/OrvLogging.h"

namespace zep::analysis {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

void TPathHeap::Push(std::int32_t vertex, double cost) {
    items_.push_back({vertex, cost});
    std::size_t k = items_.size() - 1;
    TItem* a = items_.data();
    const TItem item = a[k];
    while (k > 0) {
        const std::size_t parent = (k - 1) / 2;
        if (item.cost > a[parent].cost) break;
        a[k] = a[parent];
        k = parent;
    }
    a[k] = item;
    if (static_cast<std::int64_t>(items_.size()) > TGraphCounters::maxHeapSize)
        TGraphCounters::maxHeapSize = static_cast<std::int64_t>(items_.size());
}

TPathHeap::TItem TPathHeap::Pop() {
    TItem* a = items_.data();
    const TItem root = a[0];
    const TItem last = a[items_.size() - 1];
    items_.pop_back();
    const std::size_t n = items_.size();
    if (n == 0) return root;
    std::size_t k = 0;
    for (;;) {
        std::size_t child = 2 * k + 1;
        if (child >= n) break;
        if (child + 1 < n && a[child + 1].cost < a[child].cost) ++child;
        if (last.cost < a[child].cost) break;
        a[k] = a[child];
        k = child;
    }
    a[k] = last;
    return root;
}

TPathSearcher::TPathSearcher(TGraph& graph, const TZoneVertice& origin)
    : graph_(graph), origin_(origin), zoneCount_(static_cast<std::int32_t>(graph.ZoneCount())),
      exact_(!graph.HasNegativeArcs()) {
    const std::size_t n = graph.IndexCapacity();
    labels_.assign(n, TLabel{kInf, nullptr});
    settled_.assign(n, false);
    heap_.Reserve(n);
    pushBudget_ = exact_ ? 0 : (graph.ArcCount() + 1) * 64;
    for (const TArc& a : graph_.Arcs(origin.Index()))
        Relax(a, a.cost);
}

bool TPathSearcher::Run(std::int32_t target) {
    std::size_t pops = 0;
    while (!heap_.Empty()) {
        const TPathHeap::TItem item = heap_.Pop();
        const std::int32_t w = item.vertex;
        if (exact_) {
            // An item dearer than the label was superseded: its vertex was expanded at the
            // better cost already, so expanding it again could not change any label.
            if (item.cost > labels_[std::size_t(w)].cost) continue;
        } else if (++pops > pushBudget_) {
            GetLogger("analysis.search")
                .Warning("search stopped: costs below zero keep improving (a cycle of negative "
                         "cost)");
            heap_.Release();
            return false;
        }
        const bool first = !settled_[std::size_t(w)];
        settled_[std::size_t(w)] = true;
        if (w < zoneCount_) {
            // Zones are only origins and destinations: never passed through.
            if (first && w == target) return true;
            continue;
        }
        const double cost = item.cost;
        for (const TArc& a : graph_.Arcs(w))
            Relax(a, cost + a.cost);
        if (first && w == target) return true;
    }
    heap_.Release();
    return false;
}

PPath TPathSearcher::PathTo(std::int32_t target) {
    if (target < 0 || std::size_t(target) >= labels_.size()) return nullptr;
    // A label is final once its vertex was taken from the heap (or the heap ran dry); one
    // that is merely set may still improve.
    if (!settled_[std::size_t(target)] && !heap_.Empty()) Run(target);
    return BuildPath(target);
}

void TPathSearcher::SearchAll() {
    Run(-1);
}

double TPathSearcher::CostTo(std::int32_t v) const {
    return v < 0 || std::size_t(v) >= labels_.size() ? kInf : labels_[std::size_t(v)].cost;
}

const TArc* TPathSearcher::ArcTo(std::int32_t v) const {
    return v < 0 || std::size_t(v) >= labels_.size() ? nullptr : labels_[std::size_t(v)].arc;
}

PPath TPathSearcher::BuildPath(std::int32_t target) const {
    std::vector<const TArc*> arcs;
    const TArc* a = labels_[std::size_t(target)].arc;
    while (a) {
        arcs.push_back(a);
        if (a->source == origin_.Index() || arcs.size() > labels_.size()) break;
        a = labels_[std::size_t(a->source)].arc;
    }
    if (arcs.empty() || arcs.back()->source != origin_.Index()) return nullptr;
    PPath path;
    double cost = 0;
    for (auto it = arcs.rbegin(); it != arcs.rend(); ++it) {
        cost = path ? cost + (*it)->cost : (*it)->cost;
        path = std::make_shared<const TPath>(&graph_, *it, path, cost);
    }
    return path;
}

} // namespace zep::analysis
