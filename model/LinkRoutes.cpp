// Link-routes (a route's use of a link), their chains along a route, and routes.
#include "model/LINK.h"

#include <cstdlib>
#include <deque>

#include "foundation/OrvLogging.h"
#include "model/KindCast.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::model {

namespace {

/// Whether the scenario's own version holds a value for `id` that differs from what the
/// scenario would inherit (the parent's resolution, or the default in the base scenario).
bool OwnDiffersFromInherited(const TVersionedEntity& e, const TScenario* s, std::int32_t id) {
    const TVersion* v = e.VersionOf(s);
    const TProperty* own = v ? v->Find(id) : nullptr;
    if (!own) return false;
    TValue inherited = e.Specs().ById(id).Default();
    if (s->Parent())
        if (TVersionedProperty up = e.Resolve(s->Parent(), id)) inherited = up.Value();
    return !ValuesEqual(own->value, inherited);
}

} // namespace

// ---- link-routes ------------------------------------------------------------------------------

TLinkRoute::TLinkRoute(TProjectI* project, TLink* link, TRoute* route)
    : TVersionedEntity(project), link_(link), route_(route) {
    if (link && link->Tail() && link->Head() && route) {
        link->LinkRoutes().Add(this);
        route->LinkRoutes().Add(this);
    } else if (link || route) {
        // The loader's empty entry is filled later; anything else is a caller's mistake that
        // must not enter half the lists.
        GetLogger("Link").Error("Bad Link Route");
    }
    if (link) SetObject(kLink, link);
    if (route) SetObject(kRoute, route);
}

TPropSpecSet& TLinkRoute::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntPropSpec(kPropId, "id", psNotStored),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kLink, "link", psAttribute | psNotStored),
            new TObjPropSpec(kRoute, "route", psAttribute),
            new TBoolPropSpec(kPropUsed, "used", 0, TValue(false)),
            new TBoolPropSpec(kNoTransfers, "no_transfers", 0, TValue(false)),
            new TFloatPropSpec(kTravelTime, "travel_time", 0),
            new TFloatPropSpec(kWaitingTime, "waiting_time", 0),
            new TFloatPropSpec(kVolume, "volume", 0),
            new TFloatPropSpec(kVehicles, "vehicles", 0),
            new TFloatPropSpec(kSpeed, "speed", 0),
            new TFloatPropSpec(kEnergy, "energy", 0),
            new TFloatPropSpec(kOperationCost, "operation_cost", 0),
            new TFloatPropSpec(kTariff, "tariff", 0),
            new TFloatPropSpec(kCharges, "charges", 0),
            new TFloatPropSpec(kBoard, "board", psNotStored),
            new TFloatPropSpec(kUnboard, "unboard", psNotStored),
        });
        return s;
    }();
    return *set;
}

const TProperty* TLinkRoute::FindProperty(std::int32_t id) const {
    if (route_ && (id == kPropId || id == kPropName)) return route_->FindProperty(id);
    return TVersionedEntity::FindProperty(id);
}

std::int32_t TLinkRoute::Id() const {
    return route_ ? route_->Id() : TVersionedEntity::Id();
}

std::string TLinkRoute::GetName() const {
    return route_ ? route_->GetName() : TVersionedEntity::GetName();
}

std::string TLinkRoute::GetListText() const {
    const bool routeOperator =
        route_ && route_->Operator() && route_->Operator()->Type() == otRoute;
    return (routeOperator ? std::string("\xAE") : std::string("    ")) +
           (route_ ? route_->GetListText() : TVersionedEntity::GetListText());
}

bool TLinkRoute::Internal() const {
    return Id() < 0 || (route_ && route_->Internal());
}

bool TLinkRoute::IsUsedIn(const TScenario* scenario) const {
    if (Internal())
        return OperatorMayUseLink(link_, route_ ? route_->Operator() : nullptr, scenario);
    return TVersionedEntity::IsUsedIn(scenario) && link_ && link_->IsUsedIn(scenario) && route_ &&
           route_->IsUsedIn(scenario);
}

void TLinkRoute::SetUsedIn(TScenario* scenario, bool used) {
    if (used && !Internal() && route_ && !route_->IsUsedIn(scenario)) {
        route_->SetUsedIn(scenario, true);
        for (TZEPPersistent* item : route_->LinkRoutes().Items())
            static_cast<TLinkRoute*>(item)->TVersionedEntity::SetUsedIn(scenario, false);
    }
    TVersionedEntity::SetUsedIn(scenario, used);
}

bool TLinkRoute::HasVersion(const TScenario* scenario) const {
    if (TVersionedEntity::HasVersion(scenario)) return true;
    if (!route_) return false;
    const TVersionedProperty r = route_->Resolve(scenario, kPropUsed);
    return r ? r.scenario == scenario : scenario->IsBase();
}

void TLinkRoute::CarryLinkUse(TScenario* from, TScenario* to) {
    if (link_ && IsUsedIn(from) && OwnDiffersFromInherited(*this, from, kPropUsed) &&
        link_->IsUsedIn(from))
        link_->SetUsedIn(to, true);
}

void TLinkRoute::CopyVersion(TScenario* from, TScenario* to) {
    CarryLinkUse(from, to);
    TVersionedEntity::CopyVersion(from, to);
}

void TLinkRoute::MoveVersion(TScenario* from, TScenario* to) {
    if (from == to) return;
    CarryLinkUse(from, to);
    TVersionedEntity::MoveVersion(from, to);
}

std::string TLinkRoute::ErrorMessageIn(const TScenario* scenario) const {
    if (Internal() || !IsUsedIn(scenario)) return {};
    if ((OwnDiffersFromInherited(*this, scenario, kPropUsed) ||
         OwnDiffersFromInherited(*this, scenario, kNoTransfers)) &&
        !OperatorMayUseLink(link_, route_ ? route_->Operator() : nullptr, scenario))
        return "Route's operator not valid for link type";
    return TVersionedEntity::ErrorMessageIn(scenario);
}

void TLinkRoute::Dettach() {
    if (link_) link_->LinkRoutes().Drop(this);
    if (route_) route_->LinkRoutes().Drop(this);
}

void TLinkRoute::AfterLoad() {
    if (!link_) link_ = KindCast<TLink>(GetObject(kLink));
    if (!route_) route_ = KindCast<TRoute>(GetObject(kRoute));
    // The link's list is not stored: it is rebuilt from the entries that name the link (the
    // route's list is checked by the project's consistency pass).
    if (link_ && route_ && link_->LinkRoutes().IndexOf(this) < 0) link_->LinkRoutes().Add(this);
}

bool TLinkRoute::IsRegistered() const {
    return link_ && route_ && link_->LinkRoutes().IndexOf(this) >= 0 &&
           route_->LinkRoutes().IndexOf(this) >= 0;
}

void TLinkRoute::Register() {
    if (link_ && link_->LinkRoutes().IndexOf(this) < 0) link_->LinkRoutes().Add(this);
    if (route_ && route_->LinkRoutes().IndexOf(this) < 0) route_->LinkRoutes().Add(this);
}

int TLinkRouteList::Compare(const TZEPPersistent* a, const TZEPPersistent* b) const {
    auto* x = static_cast<const TLinkRoute*>(a);
    auto* y = static_cast<const TLinkRoute*>(b);
    if (x->Link() && y->Link()) {
        const int c = CompareLinks(x->Link(), y->Link());
        if (c != 0) return c;
    } else if (x->Link() != y->Link()) {
        return x->Link() ? 1 : -1;
    }
    const std::int64_t d = std::llabs(std::int64_t{x->Id()}) - std::llabs(std::int64_t{y->Id()});
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

TLinkRoute* TLinkRouteList::FindByLink(const TLink* link) const {
    for (TZEPPersistent* item : Items())
        if (static_cast<TLinkRoute*>(item)->Link() == link) return static_cast<TLinkRoute*>(item);
    return nullptr;
}

TLinkRoute* TLinkRouteList::FindByRoute(const TRoute* route) const {
    for (TZEPPersistent* item : Items())
        if (static_cast<TLinkRoute*>(item)->Route() == route) return static_cast<TLinkRoute*>(item);
    return nullptr;
}

// ---- chains ---------------------------------------------------------------------------------

void TRouteLinkRouteList::ItemAdded(std::size_t index, TZEPPersistent* item) {
    TLinkRouteList::ItemAdded(index, item);
    ordered_ = false;
}

void TRouteLinkRouteList::ItemRemoved(std::size_t index, TZEPPersistent* item) {
    TLinkRouteList::ItemRemoved(index, item);
    ordered_ = false;
}

void TRouteLinkRouteList::Reordered() {
    TLinkRouteList::Reordered();
    ordered_ = false;
}

void TRouteLinkRouteList::Build(const TScenario* scenario) const {
    std::vector<TLinkRoute*> sorted;
    sorted.reserve(Count());
    for (TZEPPersistent* item : Items())
        sorted.push_back(static_cast<TLinkRoute*>(item));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [this](TLinkRoute* a, TLinkRoute* b) { return Compare(a, b) < 0; });
    std::vector<TLinkRoute*> used, unused;
    for (TLinkRoute* lr : sorted) {
        const bool ok =
            lr->IsUsedIn(scenario) && lr->Link() && lr->Link()->Tail() && lr->Link()->Head();
        (ok ? used : unused).push_back(lr);
    }
    if (ordered_ && for_ == scenario && used == used_) return;

    chains_.clear();
    std::vector<TLinkRoute*> remaining = used;
    while (!remaining.empty()) {
        std::deque<TLinkRoute*> chain{remaining.back()};
        remaining.pop_back();
        for (bool added = true; added && !remaining.empty();) {
            added = false;
            for (std::size_t i = remaining.size(); i-- > 0;) {
                TLinkRoute* lr = remaining[i];
                const TLink* end = chain.back()->Link();
                const TLink* start = chain.front()->Link();
                const TLink* l = lr->Link();
                if (l->Tail() == end->Head() && l->Head() != end->Tail()) {
                    chain.push_back(lr);
                } else if (l->Head() == start->Tail() && l->Tail() != start->Head()) {
                    chain.push_front(lr);
                } else {
                    continue;
                }
                remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i));
                added = true;
            }
        }
        chains_.emplace_back(chain.begin(), chain.end());
    }
    used_ = std::move(used);
    unused_ = std::move(unused);
    for_ = scenario;
    ordered_ = true;
}

const std::vector<TRouteLinkRouteList::TChain>&
TRouteLinkRouteList::Chains(const TScenario* scenario) const {
    Build(scenario);
    return chains_;
}

std::vector<TLinkRoute*> TRouteLinkRouteList::Ordered(const TScenario* scenario) const {
    Build(scenario);
    std::vector<TLinkRoute*> all;
    all.reserve(Count());
    for (const TChain& c : chains_)
        all.insert(all.end(), c.begin(), c.end());
    all.insert(all.end(), unused_.begin(), unused_.end());
    return all;
}

// ---- routes -----------------------------------------------------------------------------------

TRoute::TRoute(TProjectI* project, TOperator* op)
    : TVersionedEntity(project), operator_(nullptr),
      linkRoutes_(std::make_unique<TRouteLinkRouteList>(false, project)) {
    if (op) SetOperator(op);
}

TRoute::~TRoute() = default;

TPropSpecSet& TRoute::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "r"),
            // Declared twice: the second declaration (without flags) is the one in force, so
            // the operator is written as a property element.
            new TObjPropSpec(kOperator, "operator", psAttribute),
            new TObjPropSpec(kOperator, "operator", 0),
            new TBoolPropSpec(kPropUsed, "used", 0, TValue(true)),
            new TFloatPropSpec(kMinFreq, "min_freq", 0, TValue(1.0), TValue(0.1)),
            new TFloatPropSpec(kMaxFreq, "max_freq", 0, TValue(1.0), TValue(0.1)),
            new TFloatPropSpec(kNewFreq, "new_freq", psNotStored),
            new TPercentPropSpec(kTargetOccupancy, "target_occupancy", 0, TValue(0.0), TValue(0.0),
                                 TValue(1.0)),
            new TFloatPropSpec(kMaxFleet, "max_fleet", 0, TValue(0.0), TValue(0.0)),
            new TBoolPropSpec(kScheduled, "scheduled", 0, TValue(false)),
        });
        return s;
    }();
    return *set;
}

void TRoute::SetProperty(std::int32_t id, const TValue& value) {
    if (id == kOperator) SetPointerField(operator_, KindCast<TOperator>(value.ToObject()));
    TVersionedEntity::SetProperty(id, value);
}

void TRoute::SetOperator(TOperator* op) {
    SetProperty(kOperator, TValue(op));
}

PVProperty TRoute::GetVersionedProperty(TScenario* scenario, std::int32_t id) {
    if (id == kTargetOccupancy && operator_ && !Resolve(scenario, id))
        return std::make_shared<TVPropertyProxy>(
            this, scenario, &Specs().ById(id),
            operator_->GetValueIn(scenario, TOperator::kTargetOccupancy));
    return TVersionedEntity::GetVersionedProperty(scenario, id);
}

double TRoute::TargetOccupancyIn(const TScenario* scenario) const {
    if (TVersionedProperty r = Resolve(scenario, kTargetOccupancy)) return r.Value().ToDouble();
    if (operator_) return operator_->GetFloatIn(scenario, TOperator::kTargetOccupancy);
    return Specs().ById(kTargetOccupancy).Default().ToDouble();
}

bool TRoute::IsObsoleteInternal() const {
    return Internal() && operator_ && operator_->Type() == otRoute;
}

bool TRoute::HasVersion(const TScenario* scenario) const {
    return TVersionedEntity::HasVersion(scenario) || linkRoutes_->AnyHasVersion(scenario);
}

std::string TRoute::ErrorMessageIn(const TScenario* scenario) const {
    if (Internal()) return {};
    std::string msg = TVersionedEntity::ErrorMessageIn(scenario);
    if (msg.empty() && IsUsedIn(scenario) && !IsFullyConnected(scenario))
        msg = "Not fully connected";
    return msg;
}

void TRoute::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    auto* o = dynamic_cast<const TRoute*>(&other);
    if (!o || o == this) return;
    SetOperator(o->operator_);
    // Clones must belong to a project's link-route list; without a project there is no owner.
    if (!Project()) return;
    const auto source = o->linkRoutes_->Items();
    for (TZEPPersistent* item : source) {
        auto* lr = static_cast<TLinkRoute*>(item);
        if (!lr->Link() || (Internal() && lr->Link()->LinkRouteOf(this))) continue;
        auto clone = std::make_unique<TLinkRoute>(Project(), lr->Link(), this);
        clone->AssignProperties(*lr);
        clone->SetObject(TLinkRoute::kLink, lr->Link());
        clone->SetObject(TLinkRoute::kRoute, this);
        Project()->AddLinkRoute(clone.release());
    }
}

void TRoute::AfterLoad() {
    if (!operator_) operator_ = KindCast<TOperator>(GetObject(kOperator));
}

bool TRoute::CanUseLink(const TLink* link, const TScenario* scenario) const {
    return OperatorMayUseLink(link, operator_, scenario);
}

std::size_t TRoute::CountUsedLinkRoutes(const TScenario* scenario) const {
    std::size_t n = 0;
    for (TZEPPersistent* item : linkRoutes_->Items())
        if (static_cast<TLinkRoute*>(item)->IsUsedIn(scenario)) ++n;
    return n;
}

bool TRoute::IsFullyConnected(const TScenario* scenario) const {
    if (!operator_ || operator_->Type() != otRoute) return true;
    const auto& chains = linkRoutes_->Chains(scenario);
    if (chains.size() <= 1) return true;
    if (chains.size() > 2) return false;
    return chains[0].front()->Link()->Tail() == chains[1].back()->Link()->Head();
}

const TProperty* TOperatorRoute::FindProperty(std::int32_t id) const {
    if (Operator()) {
        if (id == kPropId) {
            idRecord_.value = TValue(-Operator()->Id());
            return &idRecord_;
        }
        if (id == kPropName) return Operator()->FindProperty(id);
    }
    return TRoute::FindProperty(id);
}

std::int32_t TOperatorRoute::Id() const {
    return Operator() ? -Operator()->Id() : TRoute::Id();
}

std::string TOperatorRoute::GetName() const {
    return Operator() ? Operator()->GetName() : TRoute::GetName();
}

} // namespace zep::model
