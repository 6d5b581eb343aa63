// The search graph of one scenario and one transport mode: a dual graph whose vertices are
// link-routes (so that turns, transfers and boardings are arcs with costs of their own) plus one
// terminal vertex per zone, and the least-cost paths found on it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/LinkRouteCost.h"

namespace zep::model {
class TCategory;
class TLink;
class TLinkRoute;
class TMode;
class TOperator;
class TProject;
class TScenario;
class TZone;
} // namespace zep::model

namespace zep::analysis {

using model::TLinkRouteCostRecord;

/// What entering a link-route from its predecessor costs. An infinite total means the move is
/// not possible (the arc does not exist).
struct TArcCostRecord {
    double distance = 0;
    double travelTime = 0;  ///< hours
    double waitingTime = 0; ///< hours
    double turnDelay = 0;   ///< hours
    double tariff = 0;
    double time = 0; ///< penalised time plus turn delay
    double operatingCost = 0;
    double transferCost = 0;
    double waitingCost = 0;
    double moneyCost = 0; ///< tariff plus transfer cost
    double waitingPlusMoneyCost = 0;
    double timeCost = 0;
    double total;
    bool motorised = false; ///< the boarded operator is not of type Non-motorized (walk)
    bool boarding = false;  ///< a boarding or a transfer

    TArcCostRecord();
};

/// One end of a move: the link-route, its cost record and whether it allows transfers.
struct TArcEnd {
    const model::TLinkRoute* linkRoute = nullptr;
    const TLinkRouteCostRecord* cost = nullptr;
    bool transfersAllowed = true;
};

/// Values arc costs in one scenario: the values of time and the operator transfer table.
class TArcCoster {
public:
    TArcCoster(const model::TProject& project, const model::TScenario* scenario,
               double valueOfTravelTime, double valueOfWaitingTime);

    /// The cost of entering `v` from `u` (nullptr: boarding from a zone). With `removeArcs`
    /// false, a prohibited turn of a private mode and a transfer refused by "no_transfers"
    /// still give a record (the path files value what the model chose, allowed or not).
    TArcCostRecord Cost(const TArcEnd* u, const TArcEnd& v, bool removeArcs = true) const;
    /// The transfer table's entry: `from`'s transfer cost towards `to` when set in the
    /// scenario, else `to`'s boarding tariff.
    double TransferCost(const model::TOperator* from, const model::TOperator* to) const;

    double ValueOfTravelTime() const { return vot_; }
    double ValueOfWaitingTime() const { return vowt_; }

private:
    const model::TScenario* scenario_;
    double vot_;
    double vowt_;
    std::unordered_map<const model::TOperator*, std::size_t> operatorIndex_;
    std::vector<double> table_; // operators x operators, project order
};

/// The values of time of a search: the category's, or without one the mean over the categories
/// that have the mode available (0 when none has).
void ValuesOfTime(const model::TProject& project, const model::TMode* mode,
                  const model::TScenario* scenario, const model::TCategory* category,
                  double& travel, double& waiting);

/// Carries the vertex's position in the searchers' label arrays.
class TIndexed {
public:
    explicit TIndexed(std::int32_t index) : index_(index) {}
    std::int32_t Index() const { return index_; }

private:
    std::int32_t index_;
};

/// A link-route taking part in the search. Its outgoing arcs live in the graph (Arcs).
class TVertice : public TIndexed {
public:
    TVertice(std::int32_t index, const model::TLinkRoute* linkRoute, bool transfersAllowed,
             const TLinkRouteCostRecord& cost)
        : TIndexed(index), linkRoute_(linkRoute), transfersAllowed_(transfersAllowed), cost_(cost) {
    }
    virtual ~TVertice() = default;

    virtual bool IsZone() const { return false; }
    virtual const model::TZone* Zone() const { return nullptr; }
    /// "%d[%s]": the node at which the link ends and the route's name; "(?)" without one.
    virtual std::string ToString() const;

    const model::TLinkRoute* LinkRoute() const { return linkRoute_; }
    bool TransfersAllowed() const { return transfersAllowed_; }
    const TLinkRouteCostRecord& Cost() const { return cost_; }
    TArcEnd End() const { return {linkRoute_, &cost_, transfersAllowed_}; }

private:
    const model::TLinkRoute* linkRoute_;
    bool transfersAllowed_;
    TLinkRouteCostRecord cost_;
};

/// A zone: where paths start and end; it is never passed through.
class TZoneVertice : public TVertice {
public:
    TZoneVertice(std::int32_t index, const model::TZone* zone)
        : TVertice(index, nullptr, true, TLinkRouteCostRecord()), zone_(zone) {}
    bool IsZone() const override { return true; }
    const model::TZone* Zone() const override { return zone_; }
    /// "<%d>" with the zone's identifier.
    std::string ToString() const override;

private:
    const model::TZone* zone_;
};

/// An arc between two vertices, named by their indices; its cost is the arc record's total.
struct TArc {
    std::int32_t source;
    std::int32_t target;
    double cost;
};

/// A vertex's outgoing arcs, contiguous and in the order they were added.
struct TArcSpan {
    const TArc* first = nullptr;
    std::uint32_t count = 0;
    bool built = false;
    const TArc* begin() const { return first; }
    const TArc* end() const { return first + count; }
};

class TGraph;
class TPath;
using PPath = std::shared_ptr<const TPath>;

/// A path found by a searcher: its last arc and the path before it (shared with other paths).
/// Immutable; valid while its graph lives.
class TPath {
public:
    TPath(const TGraph* graph, const TArc* lastArc, PPath prefix, double cost);
    ~TPath();
    TPath(const TPath&) = delete;
    TPath& operator=(const TPath&) = delete;

    double Cost() const { return cost_; }
    const TVertice& LastVertex() const;
    const PPath& Prefix() const { return prefix_; }
    const TArc& LastArc() const { return *lastArc_; }
    /// By cost; equal costs, two infinities or two not-a-numbers compare equal.
    int CompareTo(const TPath& other) const;
    /// "$total (d:..,tt:..,dt:..,tc:..,wt:..,wc:..,mc:..) = " followed by the vertices.
    std::string ToString() const;

private:
    const TGraph* graph_;
    const TArc* lastArc_;
    PPath prefix_;
    double cost_;
};

/// A least-cost search from one origin zone.
class IPathSearcher {
public:
    virtual ~IPathSearcher() = default;
    /// The least-cost path to the vertex with that index, or nullptr when it cannot be reached.
    virtual PPath PathTo(std::int32_t vertexIndex) = 0;
    /// Runs the search to exhaustion.
    virtual void SearchAll() = 0;
    /// The least cost to the vertex (+infinity when not reached, so far).
    virtual double CostTo(std::int32_t vertexIndex) const = 0;
};

/// Statistics only: live paths and arcs, and the largest heap reached.
struct TGraphCounters {
    static inline std::int64_t livePaths = 0;
    static inline std::int64_t liveArcs = 0;
    static inline std::int64_t maxHeapSize = 0;
};

/// The search graph of one scenario, mode and category (or none). Built whole at creation;
/// afterwards only the searchers (and arcs still unbuilt) change.
class TGraph {
public:
    TGraph(const model::TProject& project, const model::TCategory* category,
           const model::TMode* mode, const model::TScenario* scenario);
    virtual ~TGraph();
    TGraph(const TGraph&) = delete;
    TGraph& operator=(const TGraph&) = delete;

    /// The searcher of a zone vertex; the plain graph answers the one stored (or nullptr).
    virtual std::shared_ptr<IPathSearcher> Searcher(const TZoneVertice& zone);

    /// The zone's searcher (nullptr for a zone the graph does not know).
    std::shared_ptr<IPathSearcher> SearcherForZone(const model::TZone* zone);
    /// Runs the zone's searcher to exhaustion.
    void SearchAllFromZone(const model::TZone* zone);
    /// Drops the zone's searcher and its labels (a complete search from every zone of a large
    /// study would otherwise keep one label array per zone).
    void ReleaseSearcher(const model::TZone* zone);
    /// The least-cost path between two zones, or nullptr.
    PPath PathBetweenZones(const model::TZone* origin, const model::TZone* destination);
    /// The arc cost record of entering `v` from `u` (nullptr: from a zone).
    TArcCostRecord ArcCost(const TVertice* u, const TVertice& v) const;

    const model::TProject& Project() const { return project_; }
    const model::TScenario* Scenario() const { return scenario_; }
    const model::TMode* Mode() const { return mode_; }
    const model::TCategory* Category() const { return category_; }
    double ValueOfTravelTime() const { return coster_.ValueOfTravelTime(); }
    double ValueOfWaitingTime() const { return coster_.ValueOfWaitingTime(); }
    const TArcCoster& Coster() const { return coster_; }

    std::size_t ZoneCount() const { return zones_.size(); }
    /// Vertex indices run from 0 to VertexCount() - 1; zones come first.
    std::size_t VertexCount() const { return static_cast<std::size_t>(nextLinkRouteIndex_); }
    std::size_t IndexCapacity() const { return byIndex_.size(); }
    std::size_t ArcCount() const { return arcCount_; }
    const TVertice& Vertex(std::int32_t index) const { return *byIndex_[std::size_t(index)]; }
    const TZoneVertice* ZoneVertex(const model::TZone* zone) const;
    /// The vertex of a link-route of the project (nullptr for one the project does not list).
    const TVertice* VertexOf(const model::TLinkRoute* linkRoute) const;
    const TZoneVertice& ZoneVertexAt(std::size_t zonePosition) const {
        return *zones_[zonePosition];
    }
    /// The vertex's outgoing arcs, built first when they were not.
    const TArcSpan& Arcs(std::int32_t index) {
        TArcSpan& s = spans_[std::size_t(index)];
        if (!s.built) BuildArcs(index);
        return s;
    }
    const TArcSpan& ArcsBuilt(std::int32_t index) const { return spans_[std::size_t(index)]; }
    /// Asks the processor to fetch the vertex's arcs (those built already) ahead of use.
    void PrefetchArcs(std::int32_t index) const {
        const TArcSpan& s = spans_[std::size_t(index)];
        __builtin_prefetch(s.first);
    }
    /// Some arc costs less than nothing (a negative transfer cost, for example): the search must
    /// then re-expand stale items and bound its work.
    bool HasNegativeArcs() const { return negativeArcs_; }
    /// Bytes held by vertices, arcs and the lookup tables (not the searchers).
    std::size_t MemoryBytes() const;

private:
    struct TLinkInfo {
        bool used = false;
        std::vector<std::int32_t> candidates; // link-route positions of the mode, used
    };

    TVertice& VertexAt(std::size_t linkRoutePosition);
    const TLinkInfo& InfoOf(const model::TLink* link);
    void BuildArcs(std::int32_t index);
    void AddArcs(std::int32_t source, const std::vector<TArc>& arcs);
    TArc* Allocate(std::size_t count);

    const model::TProject& project_;
    const model::TScenario* scenario_;
    const model::TMode* mode_;
    const model::TCategory* category_;
    TArcCoster coster_;

    std::vector<std::unique_ptr<TVertice>> vertices_; // by link-route position, then zones
    std::vector<TVertice*> byIndex_;
    std::vector<TArcSpan> spans_; // by vertex index
    std::vector<const TZoneVertice*> zones_;
    std::map<const model::TZone*, TZoneVertice*> zoneMap_;
    std::vector<std::shared_ptr<IPathSearcher>> searchers_; // by zone vertex index
    std::int32_t nextZoneIndex_ = 0;
    std::int32_t nextLinkRouteIndex_ = 0;

    std::unordered_map<const model::TLinkRoute*, std::int32_t> position_;
    std::vector<std::uint8_t> usable_; // by link-route position: of the mode and used
    std::unordered_map<const model::TLink*, TLinkInfo> links_;

    std::vector<std::unique_ptr<TArc[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::size_t arcCount_ = 0;
    std::size_t arcBytes_ = 0;
    bool negativeArcs_ = false;

protected:
    std::vector<std::shared_ptr<IPathSearcher>>& Searchers() { return searchers_; }
};

/// Hours as "%d:%2.2d:%2.2d" (whole hours, minutes, seconds), "FOREVER" when infinite.
std::string HoursText(double hours);

} // namespace zep::analysis
