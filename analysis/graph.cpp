#include "analysis/graph.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::analysis {

using namespace zep::model;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Arcs live in blocks that never move, so paths may point at them.
constexpr std::size_t kArcBlock = 1 << 14;

const TOperator* OperatorOf(const TLinkRoute* lr) {
    return lr && lr->Route() ? lr->Route()->Operator() : nullptr;
}

} // namespace

TArcCostRecord::TArcCostRecord() : total(kInf) {}

std::string HoursText(double hours) {
    if (std::isnan(hours)) return "FOREVER";
    return FormatTimeSpan(hours * 3600.0);
}

// ---- values of time and the transfer table ------------------------------------------------------

void ValuesOfTime(const TProject& project, const TMode* mode, const TScenario* scenario,
                  const TCategory* category, double& travel, double& waiting) {
    if (category) {
        travel = category->GetFloatIn(scenario, TCategory::kValueOfTravelTime);
        waiting = category->GetFloatIn(scenario, TCategory::kValueOfWaitingTime);
    } else {
        travel = project.MeanValueOfTime(mode, scenario);
        waiting = project.MeanValueOfWaitingTime(mode, scenario);
    }
}

TArcCoster::TArcCoster(const TProject& project, const TScenario* scenario, double vot, double vowt)
    : scenario_(scenario), vot_(vot), vowt_(vowt) {
    const TOperatorList& ops = project.Operators();
    const std::size_t n = ops.Count();
    table_.assign(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        operatorIndex_[ops.Get(i)] = i;
        for (std::size_t j = 0; j < n; ++j)
            table_[i * n + j] = ops.Get(i)->TransferCostTo(ops.Get(j), scenario);
    }
}

double TArcCoster::TransferCost(const TOperator* from, const TOperator* to) const {
    auto i = operatorIndex_.find(from);
    auto j = operatorIndex_.find(to);
    if (i != operatorIndex_.end() && j != operatorIndex_.end())
        return table_[i->second * operatorIndex_.size() + j->second];
    // An operator outside the project's list (a study being edited): ask it directly.
    return from && to ? from->TransferCostTo(to, scenario_) : 0.0;
}

TArcCostRecord TArcCoster::Cost(const TArcEnd* u, const TArcEnd& v, bool removeArcs) const {
    TArcCostRecord a;
    const TLinkRoute* vr = v.linkRoute;
    const TOperator* vo = OperatorOf(vr);
    bool boarding = !u || !u->linkRoute || u->linkRoute->Route() != vr->Route();
    if (u && u->linkRoute) {
        const TLink* ul = u->linkRoute->Link();
        const TLink* vl = vr->Link();
        if (ul && vl && ul->HasTurns())
            if (const TTurnRestriction* t = ul->TurnTo(vl->Head())) {
                const bool restricted = t->GetBooleanIn(scenario_, TTurnRestriction::kRestriction);
                const double delay = t->GetFloatIn(scenario_, TTurnRestriction::kDelay);
                if (restricted || delay > 0) {
                    a.turnDelay = delay;
                    if (std::isinf(delay)) {
                        // A prohibited turn: public vehicles let the traveller alight and board
                        // again; a private vehicle cannot make it.
                        const bool isPublic =
                            vo && vo->Mode() && vo->Mode()->GetBoolean(TMode::kIsPublic);
                        if (isPublic) {
                            boarding = true;
                            a.turnDelay = 0;
                        } else if (removeArcs) {
                            return a;
                        }
                    }
                }
            }
        if (removeArcs && boarding && (!u->transfersAllowed || !v.transfersAllowed)) return a;
    }
    const TLinkRouteCostRecord& c = *v.cost;
    if (boarding) {
        a.waitingTime = c.waitingTime;
        a.operatingCost = c.operatingCost;
        const TOperator* from = u && u->linkRoute ? OperatorOf(u->linkRoute) : vo;
        a.transferCost = TransferCost(from, vo);
        a.boarding = true;
        a.motorised = !(vo && vo->Type() == otWalk);
    }
    a.distance = c.distance;
    a.travelTime = c.travelTime;
    a.tariff = c.tariff;
    a.time = c.penalisedTime + a.turnDelay;
    a.moneyCost = a.tariff + a.transferCost;
    a.timeCost = std::isinf(a.time) ? kInf : a.time * vot_;
    a.waitingCost = std::isinf(a.waitingTime) ? kInf : a.waitingTime * vowt_;
    a.waitingPlusMoneyCost = a.waitingCost + a.moneyCost;
    a.total = a.waitingPlusMoneyCost + a.timeCost;
    return a;
}

// ---- vertices -----------------------------------------------------------------------------------

std::string TVertice::ToString() const {
    if (!linkRoute_) return "(?)";
    const TLink* l = linkRoute_->Link();
    const std::int32_t node = l && l->Head() ? l->Head()->Id() : 0;
    const std::string route = linkRoute_->Route() ? linkRoute_->Route()->GetName() : "";
    return Format("%d[%s]", {node, route});
}

std::string TZoneVertice::ToString() const {
    return Format("<%d>", {zone_ ? zone_->Id() : 0});
}

// ---- graph --------------------------------------------------------------------------------------

namespace {
TArcCoster MakeCoster(const TProject& p, const TMode* mode, const TScenario* s,
                      const TCategory* c) {
    double vot = 0, vowt = 0;
    ValuesOfTime(p, mode, s, c, vot, vowt);
    return TArcCoster(p, s, vot, vowt);
}
} // namespace

TGraph::TGraph(const TProject& project, const TCategory* category, const TMode* mode,
               const TScenario* scenario)
    : project_(project), scenario_(scenario), mode_(mode), category_(category),
      coster_(MakeCoster(project, mode, scenario, category)) {
    const TTransportZoneList& zones = project.TransportZones();
    const TLinkRouteList& lrs = project.LinkRoutes();
    const std::size_t zoneCount = zones.Count();
    const std::size_t lrCount = lrs.Count();
    searchers_.resize(zoneCount);
    vertices_.resize(lrCount + zoneCount);
    byIndex_.resize(lrCount + zoneCount, nullptr);
    spans_.resize(lrCount + zoneCount);
    nextZoneIndex_ = 0;
    nextLinkRouteIndex_ = static_cast<std::int32_t>(zoneCount);

    position_.reserve(lrCount);
    usable_.assign(lrCount, 0);
    for (std::size_t i = 0; i < lrCount; ++i) {
        const TLinkRoute* lr = lrs.Get(i);
        position_.emplace(lr, static_cast<std::int32_t>(i));
        const TOperator* op = OperatorOf(lr);
        usable_[i] = op && op->Mode() == mode && lr->IsUsedIn(scenario);
    }

    // Zones: boarding arcs onto the links leaving them, egress arcs from the links entering.
    zones_.reserve(zoneCount);
    for (std::size_t z = 0; z < zoneCount; ++z) {
        const TZone* zone = zones.Get(z);
        auto zv = std::make_unique<TZoneVertice>(nextZoneIndex_++, zone);
        TZoneVertice* zp = zv.get();
        byIndex_[std::size_t(zp->Index())] = zp;
        vertices_[lrCount + z] = std::move(zv);
        zoneMap_.emplace(zone, zp);
        zones_.push_back(zp);

        std::vector<TArc> boarding;
        for (TZEPPersistent* item : zone->OutLinks().Items()) {
            const TLinkInfo& info = InfoOf(static_cast<const TLink*>(item));
            if (!info.used) continue;
            for (std::int32_t pos : info.candidates) {
                TVertice& v = VertexAt(std::size_t(pos));
                const TArcCostRecord a = coster_.Cost(nullptr, v.End());
                if (std::isfinite(a.total)) boarding.push_back({zp->Index(), v.Index(), a.total});
            }
        }
        AddArcs(zp->Index(), boarding);
        spans_[std::size_t(zp->Index())].built = true;

        for (TZEPPersistent* item : zone->InLinks().Items()) {
            const TLinkInfo& info = InfoOf(static_cast<const TLink*>(item));
            if (!info.used) continue;
            for (std::int32_t pos : info.candidates) {
                TVertice& v = VertexAt(std::size_t(pos));
                BuildArcs(v.Index());
                AddArcs(v.Index(), {TArc{v.Index(), zp->Index(), 0.0}});
            }
        }
    }

    for (std::size_t i = 0; i < lrCount; ++i) {
        BuildArcs(VertexAt(i).Index());
        ShowProgress("Building graph", double(i + 1) / double(lrCount));
    }
    // Lookup tables of construction only.
    links_.clear();
    links_.rehash(0);
}

TGraph::~TGraph() {
    searchers_.clear();
    TGraphCounters::liveArcs -= static_cast<std::int64_t>(arcCount_);
}

TVertice& TGraph::VertexAt(std::size_t pos) {
    std::unique_ptr<TVertice>& slot = vertices_[pos];
    if (!slot) {
        const TLinkRoute* lr = project_.LinkRoutes().Get(pos);
        slot = std::make_unique<TVertice>(nextLinkRouteIndex_++, lr,
                                          !lr->GetBooleanIn(scenario_, TLinkRoute::kNoTransfers),
                                          LinkRouteCost(*lr, scenario_, category_));
        byIndex_[std::size_t(slot->Index())] = slot.get();
    }
    return *slot;
}

const TGraph::TLinkInfo& TGraph::InfoOf(const TLink* link) {
    auto [it, fresh] = links_.try_emplace(link);
    if (fresh) {
        TLinkInfo& info = it->second;
        info.used = link->IsUsedIn(scenario_);
        if (info.used)
            for (TZEPPersistent* item : link->LinkRoutes().Items()) {
                auto p = position_.find(static_cast<const TLinkRoute*>(item));
                if (p != position_.end() && usable_[std::size_t(p->second)])
                    info.candidates.push_back(p->second);
            }
    }
    return it->second;
}

void TGraph::BuildArcs(std::int32_t index) {
    TArcSpan& span = spans_[std::size_t(index)];
    if (span.built) return;
    span.built = true;
    if (span.count > 0) return;
    const TVertice& v = *byIndex_[std::size_t(index)];
    const TLinkRoute* lr = v.LinkRoute();
    if (!lr) return;
    auto pos = position_.find(lr);
    if (pos == position_.end() || !usable_[std::size_t(pos->second)]) return;
    const TLink* link = lr->Link();
    if (!link || !link->Head()) return;

    std::vector<TArc> arcs;
    const TArcEnd from = v.End();
    for (TZEPPersistent* item : link->Head()->OutLinks().Items()) {
        const TLink* next = static_cast<const TLink*>(item);
        if (next->Head() == link->Tail()) continue; // no U-turns
        const TLinkInfo& info = InfoOf(next);
        if (!info.used) continue;
        for (std::int32_t p : info.candidates) {
            const TVertice& t = VertexAt(std::size_t(p));
            const TArcCostRecord a = coster_.Cost(&from, t.End());
            if (std::isfinite(a.total)) arcs.push_back({index, t.Index(), a.total});
        }
    }
    AddArcs(index, arcs);
}

TArc* TGraph::Allocate(std::size_t count) {
    if (blocks_.empty() || blockUsed_ + count > blockSize_) {
        blockSize_ = std::max(kArcBlock, count);
        blocks_.push_back(std::make_unique<TArc[]>(blockSize_));
        arcBytes_ += blockSize_ * sizeof(TArc);
        blockUsed_ = 0;
    }
    TArc* at = blocks_.back().get() + blockUsed_;
    blockUsed_ += count;
    return at;
}

void TGraph::AddArcs(std::int32_t source, const std::vector<TArc>& arcs) {
    if (arcs.empty()) return;
    TArcSpan& span = spans_[std::size_t(source)];
    for (const TArc& a : arcs)
        if (a.cost < 0) negativeArcs_ = true;
    const bool atEnd = span.count > 0 && !blocks_.empty() &&
                       span.first + span.count == blocks_.back().get() + blockUsed_ &&
                       blockUsed_ + arcs.size() <= blockSize_;
    if (atEnd) {
        std::copy(arcs.begin(), arcs.end(), blocks_.back().get() + blockUsed_);
        blockUsed_ += arcs.size();
    } else {
        // Arcs of one vertex stay contiguous: move the earlier ones along (only construction
        // adds arcs to a vertex that has some, before any path can point at them).
        TArc* at = Allocate(span.count + arcs.size());
        std::copy(span.first, span.first + span.count, at);
        std::copy(arcs.begin(), arcs.end(), at + span.count);
        span.first = at;
    }
    span.count += static_cast<std::uint32_t>(arcs.size());
    arcCount_ += arcs.size();
    TGraphCounters::liveArcs += static_cast<std::int64_t>(arcs.size());
}

std::size_t TGraph::MemoryBytes() const {
    std::size_t bytes = arcBytes_ + vertices_.capacity() * sizeof(void*) +
                        byIndex_.capacity() * sizeof(void*) + spans_.capacity() * sizeof(TArcSpan);
    for (const auto& v : vertices_)
        if (v) bytes += v->IsZone() ? sizeof(TZoneVertice) : sizeof(TVertice);
    bytes += position_.size() * (sizeof(void*) * 3) + position_.bucket_count() * sizeof(void*);
    bytes += usable_.capacity() + zoneMap_.size() * 48 + zones_.capacity() * sizeof(void*);
    return bytes;
}

std::shared_ptr<IPathSearcher> TGraph::Searcher(const TZoneVertice& zone) {
    return searchers_[std::size_t(zone.Index())];
}

const TZoneVertice* TGraph::ZoneVertex(const TZone* zone) const {
    auto it = zoneMap_.find(zone);
    return it == zoneMap_.end() ? nullptr : it->second;
}

const TVertice* TGraph::VertexOf(const TLinkRoute* linkRoute) const {
    auto it = position_.find(linkRoute);
    return it == position_.end() ? nullptr : vertices_[std::size_t(it->second)].get();
}

std::shared_ptr<IPathSearcher> TGraph::SearcherForZone(const TZone* zone) {
    const TZoneVertice* zv = ZoneVertex(zone);
    return zv ? Searcher(*zv) : nullptr;
}

void TGraph::SearchAllFromZone(const TZone* zone) {
    if (auto s = SearcherForZone(zone)) s->SearchAll();
}

void TGraph::ReleaseSearcher(const TZone* zone) {
    if (const TZoneVertice* zv = ZoneVertex(zone)) searchers_[std::size_t(zv->Index())].reset();
}

PPath TGraph::PathBetweenZones(const TZone* origin, const TZone* destination) {
    const TZoneVertice* d = ZoneVertex(destination);
    auto s = SearcherForZone(origin);
    return s && d ? s->PathTo(d->Index()) : nullptr;
}

TArcCostRecord TGraph::ArcCost(const TVertice* u, const TVertice& v) const {
    if (u && u->IsZone()) u = nullptr;
    if (!u) return coster_.Cost(nullptr, v.End());
    const TArcEnd from = u->End();
    return coster_.Cost(&from, v.End());
}

// ---- paths --------------------------------------------------------------------------------------

TPath::TPath(const TGraph* graph, const TArc* lastArc, PPath prefix, double cost)
    : graph_(graph), lastArc_(lastArc), prefix_(std::move(prefix)), cost_(cost) {
    ++TGraphCounters::livePaths;
}

TPath::~TPath() {
    --TGraphCounters::livePaths;
    // Long paths: release the chain iteratively rather than by nested destructors.
    PPath p = std::move(prefix_);
    while (p && p.use_count() == 1) {
        PPath next = std::const_pointer_cast<TPath>(p)->prefix_;
        std::const_pointer_cast<TPath>(p)->prefix_.reset();
        p = std::move(next);
    }
}

const TVertice& TPath::LastVertex() const {
    return graph_->Vertex(lastArc_->target);
}

int TPath::CompareTo(const TPath& other) const {
    const double a = cost_, b = other.cost_;
    if (a == b || (std::isnan(a) && std::isnan(b))) return 0;
    if (std::isnan(a)) return 1;
    if (std::isnan(b)) return -1;
    return a < b ? -1 : 1;
}

std::string TPath::ToString() const {
    TArcCostRecord sum;
    sum.total = 0;
    std::string steps;
    for (const TPath* p = prefix_.get(); p; p = p->prefix_.get()) {
        const TArc& a = *p->lastArc_;
        const TVertice& source = graph_->Vertex(a.source);
        steps = Format("%s $%3.2f", {source.ToString(), p->cost_}) + " : " + steps;
        const TArcCostRecord r = graph_->ArcCost(&source, graph_->Vertex(a.target));
        sum.distance += r.distance;
        sum.travelTime += r.travelTime;
        sum.waitingTime += r.waitingTime;
        sum.turnDelay += r.turnDelay;
        sum.time += r.time;
        sum.operatingCost += r.operatingCost;
        sum.transferCost += r.transferCost;
        sum.waitingCost += r.waitingCost;
        sum.moneyCost += r.moneyCost;
        sum.waitingPlusMoneyCost += r.waitingPlusMoneyCost;
        sum.timeCost += r.timeCost;
        sum.total += r.total;
    }
    return Format("$%3.2f (d:%f,tt:%s,dt:%f,tc:%f,wt:%s,wc:%f,mc:%f) = %s%s",
                  {sum.total, sum.distance, HoursText(sum.travelTime), sum.turnDelay, sum.timeCost,
                   HoursText(sum.waitingTime), sum.waitingCost, sum.moneyCost, steps,
                   LastVertex().ToString()});
}

} // namespace zep::analysis
