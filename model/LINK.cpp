#include "model/LINK.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <unordered_map>

#include "foundation/Format.h"
#include "foundation/OrvLogging.h"
#include "model/KindCast.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::model {

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();

void RawLeave(TBaseLinkList& list, TBaseLink* link) {
    const std::ptrdiff_t i = list.IndexOf(link);
    if (i >= 0) list.RawExtract(static_cast<std::size_t>(i));
}

int Sign(std::int64_t d) {
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

std::int32_t NodeId(const TNode* n) {
    return n ? n->Id() : 0;
}

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

double RoundHalfUp(double v) {
    return std::floor(v + 0.5);
}

double SegmentDistance(const TSegment& seg, TFloatPoint p) {
    const double dx = seg.b.x - seg.a.x, dy = seg.b.y - seg.a.y;
    const double len = std::hypot(dx, dy);
    const double mx = (seg.a.x + seg.b.x) / 2, my = (seg.a.y + seg.b.y) / 2;
    const double toMid = std::hypot(p.x - mx, p.y - my);
    if (toMid < len / 2) return std::fabs((p.x - seg.a.x) * dy - (p.y - seg.a.y) * dx) / len;
    return toMid;
}

TSegment Shifted(const TSegment& seg, double offset) {
    const double dx = seg.b.x - seg.a.x, dy = seg.b.y - seg.a.y;
    const double len = std::hypot(dx, dy);
    if (offset == 0 || len == 0) return seg;
    // To the right of the direction of travel, so the two links of a pair separate.
    const double nx = dy / len * offset, ny = -dx / len * offset;
    return {{seg.a.x + nx, seg.a.y + ny}, {seg.b.x + nx, seg.b.y + ny}};
}
} // namespace

// ---- base links --------------------------------------------------------------------------------

TBaseLink::TBaseLink(TProjectI* project, TNode* tail, TNode* head)
    : TVersionedEntity(project), tail_(tail), head_(head) {
    if (tail_) tail_->OutLinks().Add(this);
    if (head_) head_->InLinks().Add(this);
}

TBaseLink::~TBaseLink() {
    if (tail_) RawLeave(tail_->OutLinks(), this);
    if (head_) RawLeave(head_->InLinks(), this);
}

std::string TBaseLink::GetListText() const {
    return Format("%6d \t%d", {NodeId(tail_), NodeId(head_)});
}

void TBaseLink::Dettach() {
    if (tail_) tail_->OutLinks().Remove(this);
    if (head_) head_->InLinks().Remove(this);
}

void TBaseLink::Attach() {
    if (tail_ && tail_->OutLinks().IndexOf(this) < 0) tail_->OutLinks().Add(this);
    if (head_ && head_->InLinks().IndexOf(this) < 0) head_->InLinks().Add(this);
}

void TBaseLink::NodeDestroyed(TNode* node) {
    if (tail_ == node) {
        if (head_ && head_ != node) RawLeave(head_->InLinks(), this);
        tail_ = nullptr;
    }
    if (head_ == node) {
        if (tail_) RawLeave(tail_->OutLinks(), this);
        head_ = nullptr;
    }
}

int CompareLinks(const TBaseLink* a, const TBaseLink* b) {
    const int t = Sign(std::int64_t{NodeId(a->Tail())} - NodeId(b->Tail()));
    if (t != 0) return t;
    return Sign(std::int64_t{NodeId(a->Head())} - NodeId(b->Head()));
}

bool OperatorMayUseLink(const TLink* link, const TOperator* op, const TScenario* scenario) {
    if (!link || !op) return false;
    const TLinkType* type = link->LinkTypeIn(scenario);
    if (!type) return false;
    const TLinkTypeOper* data = type->OperatorData(op);
    return data && data->FreeFlowSpeedIn(scenario) > 0;
}

// ---- turn restrictions ------------------------------------------------------------------------

TTurnRestriction::TTurnRestriction(TProjectI* project, TNode* to)
    : TVersionedEntity(project), to_(to) {
    if (to) SetObject(kTo, to);
}

TPropSpecSet& TTurnRestriction::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psNotStored, "i"),
            new TObjPropSpec(kTo, "to", psAlwaysStored | psAttribute),
            new TBoolPropSpec(kRestriction, "restriction", psNotStored, TValue(false)),
            new TFloatPropSpec(kDelay, "delay", 0, TValue(0.0), TValue(0.0)),
        });
        return s;
    }();
    return *set;
}

void TTurnRestriction::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* o = dynamic_cast<const TTurnRestriction*>(&other)) SetTo(o->to_);
}

void TTurnRestriction::AfterLoad() {
    if (!to_) to_ = KindCast<TNode>(GetObject(kTo));
}

void TTurnRestriction::SetTo(TNode* node) {
    SetPointerField(to_, node);
    SetObject(kTo, node);
}

TTurnRestriction* TTurnRestrictionList::FindTo(const TNode* node) const {
    for (TZEPPersistent* item : Items())
        if (static_cast<TTurnRestriction*>(item)->To() == node)
            return static_cast<TTurnRestriction*>(item);
    return nullptr;
}

void TTurnRestrictionList::DropNode(const TNode* node) {
    for (std::size_t i = Count(); i-- > 0;)
        if (Get(i)->To() == node) Delete(i);
}

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
    if (link_) link_->LinkRoutes().Remove(this);
    if (route_) route_->LinkRoutes().Remove(this);
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
    return Sign(std::llabs(std::int64_t{x->Id()}) - std::llabs(std::int64_t{y->Id()}));
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
    const std::vector<TZEPPersistent*> source = o->linkRoutes_->Items();
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

// ---- links ------------------------------------------------------------------------------------

TLink::TLink(TProjectI* project, TNode* tail, TNode* head, TPoint3Vector points)
    : TBaseLink(project, tail, head), linkRoutes_(std::make_unique<TLinkRouteList>(false, project)),
      polyline_(std::make_unique<TPolyline>(std::move(points))) {
    if (tail) SetObject(kFrom, tail);
    if (head) SetObject(kTo, head);
    if (project && tail && head)
        SetValueIn(project->BaseScenario(), kLength,
                   TValue(GeometricLength() * project->LinkLengthMultiplier()));
}

TLink::~TLink() = default;

TPropSpecSet& TLink::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "l"),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kFrom, "from", psAlwaysStored | psAttribute),
            new TObjPropSpec(kTo, "to", psAlwaysStored | psAttribute),
            new TObjPropSpec(kType, "type", psAlwaysStored),
            new TBoolPropSpec(kPropUsed, "used", 0, TValue(false)),
            new TStrPropSpec(kLinkName, "link_name", 0),
            new TBoolPropSpec(kTwoWay, "two_way", 0, TValue(true)),
            (new TFloatPropSpec(kLength, "length", psMinExclusive, TValue(0.0), TValue(0.0)))
                ->SetDisplayFormat("%3.2f"),
            new TFloatPropSpec(kCapacity, "capacity", psMinExclusive, TValue(0.0), TValue(0.0)),
            (new TFloatPropSpec(kSpeed, "speed", 0))->SetDisplayFormat("%3.2f"),
            new TTimePropSpec(kDelay, "delay", 0),
            new TStrPropSpec(kLinkDesc, "link_desc", 0),
            new TStrPropSpec(kPolypoints, "polypoints", psAttribute | psNotStored),
        });
        return s;
    }();
    return *set;
}

std::string TLink::IdText() const {
    return (Tail() ? Tail()->IdText() : std::string("0")) + "-" +
           (Head() ? Head()->IdText() : std::string("0"));
}

bool TLink::HasVersion(const TScenario* scenario) const {
    return TVersionedEntity::HasVersion(scenario) || linkRoutes_->AnyHasVersion(scenario) ||
           (turns_ && turns_->AnyHasVersion(scenario));
}

std::string TLink::ErrorMessageIn(const TScenario* scenario) const {
    if (!IsUsedIn(scenario)) return {};
    std::string msg = TVersionedEntity::ErrorMessageIn(scenario);
    if (!msg.empty()) return msg;
    TNode* tail = Tail();
    TNode* head = Head();
    if (head && !head->IsZone()) {
        bool onward = false;
        for (TZEPPersistent* item : head->OutLinks().Items()) {
            auto* l = static_cast<TBaseLink*>(item);
            if (l->Head() != tail && l->IsUsedIn(scenario)) {
                onward = true;
                break;
            }
        }
        if (!onward) return "dead end";
    }
    if (tail && !tail->IsZone()) {
        const std::size_t incoming = tail->InLinks().Count();
        bool reverse = false;
        if (head)
            for (TZEPPersistent* item : head->OutLinks().Items())
                if (static_cast<TBaseLink*>(item)->Head() == tail) reverse = true;
        if (incoming == 0 || (incoming == 1 && reverse)) return "dead start";
    }
    msg = linkRoutes_->ErrorMessageIn(scenario);
    if (!msg.empty()) return msg;
    return turns_ ? turns_->ErrorMessageIn(scenario) : std::string();
}

void TLink::Copy(const TEntity& other) {
    TNode* tail = Tail();
    TNode* head = Head();
    TVersionedEntity::Copy(other);
    // The values "from" and "to" name this link's own ends, whatever the other link's are.
    SetObject(kFrom, tail);
    SetObject(kTo, head);
    auto* o = dynamic_cast<const TLink*>(&other);
    if (!o || o == this) return;
    if (Project()) {
        const std::vector<TZEPPersistent*> source = o->linkRoutes_->Items();
        for (TZEPPersistent* item : source) {
            auto* lr = static_cast<TLinkRoute*>(item);
            if (!lr->Route() || LinkRouteOf(lr->Route())) continue;
            auto clone = std::make_unique<TLinkRoute>(Project(), this, lr->Route());
            clone->AssignProperties(*lr);
            clone->SetObject(TLinkRoute::kLink, this);
            clone->SetObject(TLinkRoute::kRoute, lr->Route());
            Project()->AddLinkRoute(clone.release());
        }
    }
    if (!o->HasTurns()) return;
    for (TZEPPersistent* item : o->turns_->Items()) {
        auto* t = static_cast<TTurnRestriction*>(item);
        auto clone = std::make_unique<TTurnRestriction>(Project(), t->To());
        clone->AssignProperties(*t);
        Turns().Add(clone.release());
    }
}

TTurnRestrictionList& TLink::Turns() const {
    if (!turns_) turns_ = std::make_unique<TTurnRestrictionList>(true, Project());
    return *turns_;
}

void TLink::SetProject(TProjectI* project) {
    TBaseLink::SetProject(project);
    if (turns_) turns_->SetProject(project);
}

void TLink::RemoveVersion(TScenario* scenario) {
    TBaseLink::RemoveVersion(scenario);
    if (turns_) turns_->RemoveVersion(scenario);
}

void TLink::CopyVersion(TScenario* from, TScenario* to) {
    TBaseLink::CopyVersion(from, to);
    if (turns_) turns_->CopyVersion(from, to);
}

void TLink::MoveVersion(TScenario* from, TScenario* to) {
    TBaseLink::MoveVersion(from, to);
    if (turns_) turns_->MoveVersion(from, to);
}

void TLink::Normalize() {
    TBaseLink::Normalize();
    if (turns_) turns_->Normalize();
}

void TLink::AfterLoad() {
    if (!Tail() && !Head())
        SetEndsRaw(KindCast<TNode>(GetObject(kFrom)), KindCast<TNode>(GetObject(kTo)));
}

TLinkType* TLink::LinkTypeIn(const TScenario* scenario) const {
    return KindCast<TLinkType>(GetObjectIn(scenario, kType));
}

void TLink::SetLinkTypeIn(TScenario* scenario, TLinkType* type) {
    SetValueIn(scenario, kType, TValue(type));
    SetUsedIn(scenario, type != nullptr);
}

TLinkRoute* TLink::LinkRouteOf(const TRoute* route) const {
    return linkRoutes_->FindByRoute(route);
}

TTurnRestriction* TLink::TurnTo(const TNode* node) const {
    return turns_ ? turns_->FindTo(node) : nullptr;
}

TTurnRestriction* TLink::GetOrCreateTurnTo(TNode* node) {
    if (TTurnRestriction* t = TurnTo(node)) return t;
    auto turn = std::make_unique<TTurnRestriction>(Project(), node);
    TTurnRestriction* raw = turn.release();
    Turns().Add(raw);
    return raw;
}

void TLink::SetTurnProhibited(TNode* node, TScenario* scenario, bool prohibited) {
    if (prohibited) {
        TTurnRestriction* t = GetOrCreateTurnTo(node);
        t->SetValueIn(scenario, TTurnRestriction::kRestriction, TValue(true));
        t->SetValueIn(scenario, TTurnRestriction::kDelay, TValue(kInfinity));
    } else if (TTurnRestriction* t = TurnTo(node)) {
        t->SetValueIn(scenario, TTurnRestriction::kRestriction, TValue());
        t->SetValueIn(scenario, TTurnRestriction::kDelay, TValue());
    }
}

bool TLink::IsTurnProhibited(const TNode* node, const TScenario* scenario) const {
    const TTurnRestriction* t = TurnTo(node);
    return t && (t->GetBooleanIn(scenario, TTurnRestriction::kRestriction) ||
                 t->GetFloatIn(scenario, TTurnRestriction::kDelay) > 0);
}

TNode* TLink::NextNode(std::size_t k, const TScenario* scenario) const {
    if (!Head()) return nullptr;
    for (TZEPPersistent* item : Head()->OutLinks().Items()) {
        auto* l = static_cast<TBaseLink*>(item);
        if (l->Head() == Tail() || !l->IsUsedIn(scenario)) continue;
        if (k == 0) return l->Head();
        --k;
    }
    return nullptr;
}

void TLink::RebuildGeometry() const {
    const bool stale = !geometryBuilt_ || geometryRevision_ != polyline_->Revision() ||
                       points_.empty() || (Tail() && !(points_.front() == Tail()->Position())) ||
                       (Head() && !(points_.back() == Head()->Position()));
    if (!stale) return;
    points_.clear();
    segments_.clear();
    if (Tail()) points_.push_back(Tail()->Position());
    for (const TPoint3& p : polyline_->RawPoints())
        points_.push_back({p.x, p.y});
    if (Head()) points_.push_back(Head()->Position());
    for (std::size_t i = 1; i < points_.size(); ++i)
        segments_.push_back({points_[i - 1], points_[i]});
    geometryRevision_ = polyline_->Revision();
    geometryBuilt_ = true;
}

const std::vector<TFloatPoint>& TLink::GeometryPoints() const {
    RebuildGeometry();
    return points_;
}

const std::vector<TSegment>& TLink::Segments() const {
    RebuildGeometry();
    return segments_;
}

double TLink::GeometricLength() const {
    double sum = 0;
    for (const TSegment& s : Segments())
        sum += std::hypot(s.b.x - s.a.x, s.b.y - s.a.y);
    return sum;
}

double TLink::Distance(TFloatPoint point, double offset) const {
    double best = kInfinity;
    for (const TSegment& s : Segments())
        best = std::min(best, SegmentDistance(Shifted(s, offset), point));
    return best;
}

void TLink::InsertPolylinePoint(TFloatPoint point) {
    const std::vector<TSegment>& segs = Segments();
    std::size_t at = 0;
    double best = kInfinity;
    for (std::size_t i = 0; i < segs.size(); ++i) {
        const double d = SegmentDistance(segs[i], point);
        if (d < best) {
            best = d;
            at = i;
        }
    }
    // Segment i runs from geometry point i to i + 1; polyline point i is geometry point i + 1.
    const std::size_t index = Tail() ? at : at + 1;
    polyline_->InsertPoint(std::min(index, polyline_->Count()), {point.x, point.y, 0});
}

bool TLink::ApplyPolypoints() {
    const std::string text = GetValue(kPolypoints).ToString();
    TPolylineRecord record;
    if (text.empty() || !ParsePolylineRecord(text, record)) return false;
    polyline_->SetPoints(record.points);
    return true;
}

double TLink::TotalVolume(const TScenario* scenario) const {
    double sum = 0;
    for (TZEPPersistent* item : linkRoutes_->Items())
        sum += static_cast<TLinkRoute*>(item)->GetFloatIn(scenario, TLinkRoute::kVolume);
    return RoundHalfUp(sum);
}

double TLink::TotalVehicles(const TScenario* scenario) const {
    double sum = 0;
    for (TZEPPersistent* item : linkRoutes_->Items())
        sum += static_cast<TLinkRoute*>(item)->GetFloatIn(scenario, TLinkRoute::kVehicles);
    return RoundHalfUp(sum);
}

double TLink::TotalEquivalentVehicles(const TScenario* scenario) const {
    const TLinkType* type = LinkTypeIn(scenario);
    double sum = 0;
    for (TZEPPersistent* item : linkRoutes_->Items()) {
        auto* lr = static_cast<TLinkRoute*>(item);
        const double vehicles = lr->GetFloatIn(scenario, TLinkRoute::kVehicles);
        if (!type) {
            sum += vehicles;
            continue;
        }
        const TOperator* op = lr->Route() ? lr->Route()->Operator() : nullptr;
        const TLinkTypeOper* data = op ? type->OperatorData(op) : nullptr;
        const double factor =
            data ? data->GetFloatIn(scenario, TLinkTypeOper::kEquivalentVehicles) : 0.0;
        sum += vehicles * factor;
    }
    return RoundHalfUp(sum);
}

// ---- link list --------------------------------------------------------------------------------

int TLinkList::Compare(const TZEPPersistent* a, const TZEPPersistent* b) const {
    return CompareLinks(static_cast<const TBaseLink*>(a), static_cast<const TBaseLink*>(b));
}

TLink* TLinkList::NearestLink(TFloatPoint point, const TScenario* scenario, double offset,
                              double radius) const {
    TLogger& log = GetLogger("Link.TLinkList.Nearest");
    log.Debug("entering");
    TLink* best = nullptr;
    double bound = radius >= 0 ? radius : kInfinity;
    bool first = radius < 0;
    for (TZEPPersistent* item : Items()) {
        auto* link = static_cast<TLink*>(item);
        if (scenario && !link->IsUsedIn(scenario)) continue;
        const double d = link->Distance(point, offset);
        if (first) {
            bound = d;
            best = link;
            first = false;
        }
        log.Debug("candidate %d-%d %0.4g ; %0.4g",
                  {NodeId(link->Tail()), NodeId(link->Head()), d, bound});
        if (d < bound) {
            bound = d;
            best = link;
        }
    }
    if (!best) log.Debug("result is nil %0.4g", {bound});
    log.Debug("exiting");
    return best;
}

void TLinkList::WritePolylines(TStream& out) const {
    for (TZEPPersistent* item : Items()) {
        auto* link = static_cast<TLink*>(item);
        if (link->Polyline().IsEmpty()) continue;
        out.WriteString(
            PolylineRecordText(NodeId(link->Tail()), NodeId(link->Head()), link->Polyline()) +
            "\r\n");
    }
}

TPolylineReadResult TLinkList::ReadPolylines(TStream& in) {
    const std::string text = in.ReadAll();
    std::vector<TPolylineRecord> records;
    std::size_t start = 0, lineNo = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNo;
        TPolylineRecord r;
        try {
            if (ParsePolylineRecord(line, r)) records.push_back(std::move(r));
        } catch (const EPolylineFormatError& e) {
            throw EPolylineFormatError(
                Format("Line %d: %s", {static_cast<std::int64_t>(lineNo), e.Message()}));
        }
        start = end + 1;
    }
    std::unordered_map<std::int64_t, TLink*> byEnds;
    for (TZEPPersistent* item : Items()) {
        auto* link = static_cast<TLink*>(item);
        const std::int64_t key = (std::int64_t{NodeId(link->Tail())} << 32) ^
                                 static_cast<std::uint32_t>(NodeId(link->Head()));
        byEnds.emplace(key, link);
    }
    TPolylineReadResult result;
    for (const TPolylineRecord& r : records) {
        const std::int64_t key = (std::int64_t{r.tail} << 32) ^ static_cast<std::uint32_t>(r.head);
        auto it = byEnds.find(key);
        if (it == byEnds.end()) {
            result.unknown.push_back(std::to_string(r.tail) + ", " + std::to_string(r.head));
            continue;
        }
        it->second->Polyline().SetPoints(r.points);
        ++result.applied;
    }
    return result;
}

} // namespace zep::model
