#include "model/LINKTYPE.h"

#include <algorithm>

#include "model/ADMIN.h"
#include "model/KindCast.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"

namespace zep::model {

// ---- operator data ------------------------------------------------------------------------------

TLinkTypeOper::TLinkTypeOper(TProjectI* project, TLinkType* type, TOperator* op)
    : TVersionedEntity(project), linkType_(type), operator_(op) {
    if (type) SetObject(kLinkType, type);
    if (op) SetObject(kOperator, op);
}

TPropSpecSet& TLinkTypeOper::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntPropSpec(kPropId, "id", psNotStored),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kOperator, "operator", psAlwaysStored | psAttribute),
            new TObjPropSpec(kLinkType, "link_type", psAlwaysStored | psAttribute),
            new TFloatPropSpec(kFreeFlowSpeed, "free_flow_speed", 0, TValue(), TValue(0.1)),
            new TFloatPropSpec(kEquivalentVehicles, "equivalent_vehicles", 0, TValue(),
                               TValue(0.0)),
            new TFloatPropSpec(kCharges, "charges", 0, TValue(), TValue(0.0)),
            new TFloatPropSpec(kPenalization, "penalization", 0, TValue(1.0), TValue(0.0),
                               TValue(10.0)),
            new TFloatPropSpec(kDistanceCost, "distance_cost", 0, TValue(), TValue(0.0)),
            new TFloatPropSpec(kAdditionalMaintenanceCost, "additional_maintenance_cost", 0,
                               TValue(0.0), TValue(0.0)),
            new TFloatPropSpec(kPathOverlappingFactor, "path_overlapping_factor", 0, TValue(1.0),
                               TValue(0.001), TValue(100.0)),
        });
        return s;
    }();
    return *set;
}

const TProperty* TLinkTypeOper::FindProperty(std::int32_t id) const {
    if (operator_ && (id == kPropId || id == kPropName)) return operator_->FindProperty(id);
    return TVersionedEntity::FindProperty(id);
}

std::int32_t TLinkTypeOper::Id() const {
    return operator_ ? operator_->Id() : TVersionedEntity::Id();
}

std::string TLinkTypeOper::GetName() const {
    return operator_ ? operator_->GetName() : TVersionedEntity::GetName();
}

void TLinkTypeOper::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* o = dynamic_cast<const TLinkTypeOper*>(&other)) {
        SetLinkType(o->linkType_);
        SetOperator(o->operator_);
    }
}

void TLinkTypeOper::SetVersionedValue(TScenario* scenario, const TPropSpec& spec,
                                      const TValue& value) {
    if (spec.Id() != kPathOverlappingFactor || !(value.IsEmpty() || value.ToDouble() == 0)) {
        TVersionedEntity::SetVersionedValue(scenario, spec, value);
        return;
    }
    // 0 is the marker "use the mode's factor", kept as an integer so that it is not taken for a
    // real factor. The ordinary write decides whether the scenario needs a record of its own
    // (and makes its version undoably); the record then gets the integer kind.
    TVersionedEntity::SetVersionedValue(scenario, spec, TValue(0.0));
    if (const TVersion* v = VersionOf(scenario))
        if (const TProperty* p = v->Find(spec.Id()); p && p->value.Kind() != varInteger) {
            // Equal values are not rewritten, and 0.0 equals 0: take the record out first.
            // Both are ordinary (undoable) writes to the version's values.
            TVersion& own = RawVersion(scenario);
            own.SetValue(spec.Id(), TValue());
            own.SetValue(spec.Id(), TValue(0));
        }
}

std::string TLinkTypeOper::ErrorMessageIn(const TScenario* scenario) const {
    const TVersion* v = VersionOf(scenario);
    if (!v || !IsUsedIn(scenario)) return {};
    for (const TProperty& p : *v) {
        if (p.Id() == kPathOverlappingFactor && p.value.Kind() == varInteger &&
            p.value.ToInteger() == 0)
            continue;
        std::string msg = Specs().ById(p.Id()).ErrorMessage(p.value);
        if (!msg.empty()) return msg;
    }
    return {};
}

double TLinkTypeOper::PathOverlappingFactorIn(const TScenario* scenario) const {
    const TVersionedProperty r = Resolve(scenario, kPathOverlappingFactor);
    if (r && r.Value().ToDouble() != 0) return r.Value().ToDouble();
    if (operator_ && operator_->Mode())
        return operator_->Mode()->GetFloatIn(scenario, TMode::kPathOverlappingFactor);
    return r ? 0.0 : Specs().ById(kPathOverlappingFactor).Default().ToDouble();
}

PVProperty TLinkTypeOper::GetVersionedProperty(TScenario* scenario, std::int32_t id) {
    if (id == kPathOverlappingFactor) {
        const TVersionedProperty r = Resolve(scenario, id);
        if (!r || r.Value().ToDouble() == 0)
            return std::make_shared<TVPropertyProxy>(this, scenario, &Specs().ById(id),
                                                     TValue(PathOverlappingFactorIn(scenario)));
    }
    return TVersionedEntity::GetVersionedProperty(scenario, id);
}

void TLinkTypeOper::AfterLoad() {
    if (!linkType_) linkType_ = KindCast<TLinkType>(GetObject(kLinkType));
    if (!operator_) operator_ = KindCast<TOperator>(GetObject(kOperator));
}

void TLinkTypeOper::SetLinkType(TLinkType* type) {
    SetPointerField(linkType_, type);
    SetObject(kLinkType, type);
}

void TLinkTypeOper::SetOperator(TOperator* op) {
    SetPointerField(operator_, op);
    SetObject(kOperator, op);
}

double TLinkTypeOper::RelativeSpeed(const TScenario* scenario) const {
    const double max = linkType_ ? linkType_->MaxFreeFlowSpeed(scenario) : 0;
    // A type whose operators all stand still has no relative speeds; dividing would give NaN.
    if (!(max > 0)) return 0;
    return FreeFlowSpeedIn(scenario) / max;
}

double TLinkTypeOper::OperatorSpeed(const TScenario* scenario, double linkSpeed) const {
    if (operator_ && operator_->Type() == otWalk) return FreeFlowSpeedIn(scenario);
    return RelativeSpeed(scenario) * linkSpeed;
}

TLinkTypeOper* TLinkTypeOperList::FindByOperator(const TOperator* op) const {
    for (TZEPPersistent* item : Items())
        if (static_cast<TLinkTypeOper*>(item)->Operator() == op)
            return static_cast<TLinkTypeOper*>(item);
    return nullptr;
}

// ---- link type --------------------------------------------------------------------------------

TLinkType::TLinkType(TProjectI* project)
    : TVersionedEntity(project), operData_(std::make_unique<TLinkTypeOperList>(true, project)) {}

TLinkType::~TLinkType() = default;

TPropSpecSet& TLinkType::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "t"),
            new TObjPropSpec(kAdmin, "admin", psAlwaysStored),
            new TFloatPropSpec(kCapacityFactor, "capacity_factor", 0, TValue(0.0), TValue(0.01),
                               TValue(366.0)),
            new TFloatPropSpec(kMinMaintenanceCost, "min_maintenance_cost", 0, TValue(),
                               TValue(0.0)),
            new TPercentPropSpec(kPctSpeedAtFullCapacity, "pct_speed_at_full_capacity", 0,
                                 TValue(0.5), TValue(0.01), TValue(0.99)),
            new TPercentPropSpec(kVcForMinSpeed, "vc_for_min_speed", 0, TValue(1.2), TValue(1.01)),
            new TPercentPropSpec(kMinSpeedPct, "min_speed_pct", 0, TValue(0.9), TValue(0.01),
                                 TValue(0.99)),
        });
        return s;
    }();
    return *set;
}

void TLinkType::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    auto* o = dynamic_cast<const TLinkType*>(&other);
    if (!o || o == this) return;
    operData_->Clear();
    for (TZEPPersistent* item : o->operData_->Items()) {
        auto* src = static_cast<TLinkTypeOper*>(item);
        auto copy = std::make_unique<TLinkTypeOper>(Project(), this, src->Operator());
        copy->AssignProperties(*src);
        copy->SetLinkType(this);
        operData_->Add(copy.release());
    }
}

void TLinkType::SetProject(TProjectI* project) {
    TVersionedEntity::SetProject(project);
    operData_->SetProject(project);
}

bool TLinkType::HasVersion(const TScenario* scenario) const {
    return TVersionedEntity::HasVersion(scenario) || operData_->AnyHasVersion(scenario);
}

void TLinkType::RemoveVersion(TScenario* scenario) {
    TVersionedEntity::RemoveVersion(scenario);
    operData_->RemoveVersion(scenario);
}

void TLinkType::CopyVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::CopyVersion(from, to);
    operData_->CopyVersion(from, to);
}

void TLinkType::MoveVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::MoveVersion(from, to);
    operData_->MoveVersion(from, to);
}

void TLinkType::Normalize() {
    TVersionedEntity::Normalize();
    operData_->Normalize();
}

std::string TLinkType::ErrorMessageIn(const TScenario* scenario) const {
    std::string msg = TVersionedEntity::ErrorMessageIn(scenario);
    if (msg.empty() && IsUsedIn(scenario)) msg = operData_->ErrorMessageIn(scenario);
    return msg;
}

bool TLinkType::IsValid() const {
    if (!TVersionedEntity::IsValid()) return false;
    for (TZEPPersistent* item : operData_->Items())
        if (!static_cast<TLinkTypeOper*>(item)->IsValid()) return false;
    return true;
}

TLinkTypeOper* TLinkType::GetOrCreateOperatorData(TOperator* op) {
    if (TLinkTypeOper* found = OperatorData(op)) return found;
    auto data = std::make_unique<TLinkTypeOper>(Project(), this, op);
    TLinkTypeOper* raw = data.release();
    operData_->Add(raw);
    return raw;
}

void TLinkType::RemoveOperatorData(const TOperator* op) {
    for (std::size_t i = operData_->Count(); i-- > 0;)
        if (operData_->Get(i)->Operator() == op) operData_->Delete(i);
}

double TLinkType::MaxFreeFlowSpeed(const TScenario* scenario) const {
    double best = 0;
    for (TZEPPersistent* item : operData_->Items())
        best = std::max(best, static_cast<TLinkTypeOper*>(item)->FreeFlowSpeedIn(scenario));
    return best;
}

TAdministrator* TLinkType::AdminIn(const TScenario* scenario) const {
    return KindCast<TAdministrator>(GetObjectIn(scenario, kAdmin));
}

void TLinkType::SetAdminIn(TScenario* scenario, TAdministrator* admin) {
    SetValueIn(scenario, kAdmin, TValue(admin));
}

} // namespace zep::model
