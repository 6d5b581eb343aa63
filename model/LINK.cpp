#include "model/LINK.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
        const auto source = o->linkRoutes_->Items();
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
