#include "analysis/OptPathSearcher.h"

#include <limits>

#include "foundation/OrvLogging.h"

namespace zep::analysis {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();

// Storage of finished searchers. A search from every zone makes one searcher after another;
// taking over the last one's arrays spares an allocation and the page faults of fresh memory
// each time (the search runs on one thread; thread_local keeps others apart all the same).
struct TSpare {
    std::vector<TPathSearcher::TLabel> labels;
    std::vector<bool> settled;
    TPathHeap::TStorage heap;
};
thread_local std::vector<TSpare> spares;
constexpr std::size_t kSpares = 2;
} // namespace

TPathSearcher::TPathSearcher(TGraph& graph, const TZoneVertice& origin)
    : graph_(graph), origin_(origin), zoneCount_(static_cast<std::int32_t>(graph.ZoneCount())),
      exact_(!graph.HasNegativeArcs()) {
    const std::size_t n = graph.IndexCapacity();
    if (!spares.empty()) {
        labels_.swap(spares.back().labels);
        settled_.swap(spares.back().settled);
        heap_.Storage().swap(spares.back().heap);
        spares.pop_back();
    }
    labels_.assign(n, TLabel{kInf, nullptr});
    if (!exact_) settled_.assign(n, false);
    heap_.Clear();
    heap_.Reserve(1024);
    pushBudget_ = exact_ ? 0 : (graph.ArcCount() + 1) * 64;
    for (const TArc& a : graph_.Arcs(origin.Index()))
        Relax(a, a.cost);
}

TPathSearcher::~TPathSearcher() {
    if (spares.size() >= kSpares) return;
    heap_.Clear(); // hands on free slots only
    spares.push_back({std::move(labels_), std::move(settled_), std::move(heap_.Storage())});
}

bool TPathSearcher::Run(std::int32_t target) {
    if (exact_) {
        TLabel* labels = labels_.data();
        while (!heap_.Empty()) {
            const TPathHeap::TItem item = heap_.Pop();
            const std::int32_t w = item.vertex;
            // An item dearer than the label was superseded: its vertex was expanded at the
            // better cost already, so expanding it again could not change any label.
            if (item.cost > labels[w].cost) continue;
            // The next item is most often the next vertex expanded: its arcs are fetched while
            // this one's are relaxed (on a large graph they are seldom in the cache).
            if (!heap_.Empty()) graph_.PrefetchArcs(heap_.Top().vertex);
            // Zones are only origins and destinations: never passed through.
            if (w >= zoneCount_) {
                const double cost = item.cost;
                for (const TArc& a : graph_.Arcs(w)) {
                    const double c = cost + a.cost;
                    TLabel& l = labels[a.target];
                    if (!(c < l.cost)) continue;
                    l.cost = c;
                    l.arc = &a;
                    heap_.Push(a.target, c);
                }
            }
            if (w == target) return true;
        }
        heap_.Clear();
        return false;
    }
    std::size_t pops = 0;
    while (!heap_.Empty()) {
        const TPathHeap::TItem item = heap_.Pop();
        const std::int32_t w = item.vertex;
        if (++pops > pushBudget_) {
            GetLogger("analysis.search")
                .Warning("search stopped: costs below zero keep improving (a cycle of negative "
                         "cost)");
            heap_.Clear();
            return false;
        }
        const bool first = !settled_[std::size_t(w)];
        settled_[std::size_t(w)] = true;
        if (w < zoneCount_) {
            if (first && w == target) return true;
            continue;
        }
        const double cost = item.cost;
        for (const TArc& a : graph_.Arcs(w))
            Relax(a, cost + a.cost);
        if (first && w == target) return true;
    }
    heap_.Clear();
    return false;
}

bool TPathSearcher::Settled(std::int32_t v) const {
    if (heap_.Empty()) return true;
    // Without costs below zero nothing still in the heap can undercut a label at or below its
    // cheapest item, and an equal cost never replaces a label.
    if (exact_) return labels_[std::size_t(v)].cost <= heap_.Top().cost;
    return settled_[std::size_t(v)];
}

PPath TPathSearcher::PathTo(std::int32_t target) {
    if (target < 0 || std::size_t(target) >= labels_.size()) return nullptr;
    // A label is final once its vertex was taken from the heap (or the heap ran dry); one
    // that is merely set may still improve.
    if (!Settled(target)) Run(target);
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
