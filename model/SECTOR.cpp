#include "model/SECTOR.h"

#include <limits>
#include <utility>

#include "model/CATEGORY.h"
#include "model/Zone.h"

namespace zep::model {

namespace {
// Plain pointer fields change only through an undo step, so that undoing a command puts the
// references back together with the property values that mirror them.
template <class T> class TFieldUndoer : public undo::TUndoer {
public:
    TFieldUndoer(T& field, T value) : field_(field), value_(std::move(value)) {}
    void Do() override { std::swap(field_, value_); }
    void Undo() override { Do(); }
    void Redo() override { Do(); }

private:
    T& field_;
    T value_;
};

template <class T> void SetField(T& field, T value) {
    if (field == value) return;
    undo::Perform(std::make_unique<TFieldUndoer<T>>(field, std::move(value)));
}

const TValue kNone;
const TValue kZero(0.0);
const TValue kOne(1.0);
} // namespace

// ---- TSectorInteraction -------------------------------------------------------------------------

TSectorInteraction::TSectorInteraction(TProjectI* project, TSector* from, TSector* to)
    : TVersionedEntity(project), from_(from), to_(to),
      substitutes_(std::make_unique<TSectorList>(false, project)) {
    if (to) RawProperties().RawPut(kInputSector, TValue(to));
}

TSectorInteraction::~TSectorInteraction() = default;

TPropSpecSet& TSectorInteraction::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntPropSpec(kPropId, "id", psNotStored),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kInputSector, "input_sector", psAttribute | psAlwaysStored),
            new TFloatPropSpec(kMinDemand, "min_demand", 0, kNone, kZero),
            new TFloatPropSpec(kMaxDemand, "max_demand", 0, kNone, kZero),
            new TFloatPropSpec(kInducedDemandElasticity, "induced_demand_elasticity", 0, kOne,
                               kZero),
            new TFloatPropSpec(kSubstitutionElasticity, "substitution_elasticity", 0, kOne, kZero),
            new TFloatPropSpec(kExogIncrementAtractor, "exog_increment_atractor", 0),
            new TFloatPropSpec(kExogIncrementAtractor2, "exog_increment_atractor_2", psNotStored),
            new TFloatPropSpec(kExogProdFactor, "exog_prod_factor", 0),
            new TFloatPropSpec(kExogPriceFactor, "exog_price_factor", 0),
            new TFloatPropSpec(kExogCapacityFactor, "exog_capacity_factor", 0),
            new TFloatPropSpec(kInducedIncrementAtractor, "induced_increment_atractor", 0, kNone,
                               kZero),
            new TFloatPropSpec(kInducedIncrementAtractor2, "Induced_increment_atractor_2",
                               psNotStored),
            new TFloatPropSpec(kSubstitutionPenalty, "substitution_penalty", 0, kNone, kZero),
            new TFloatPropSpec(kSubstitutionGroup, "substitution_group", 0, kNone, kZero),
            new TFloatPropSpec(kSubstitutionLogitScaling, "substitution_logit_scaling", 0, kOne,
                               kZero),
            new TFloatPropSpec(kAlternativeSpecificConstant, "alternative_specific_constant", 0),
        });
        return s;
    }();
    return *set;
}

std::int32_t TSectorInteraction::Id() const {
    return to_ ? to_->Id() : TVersionedEntity::Id();
}

void TSectorInteraction::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* i = dynamic_cast<const TSectorInteraction*>(&other)) {
        SetFromSector(i->from_);
        SetInputSector(i->to_);
        substitutes_->Clear();
        for (std::size_t k = 0; k < i->substitutes_->Count(); ++k)
            substitutes_->Add(i->substitutes_->Get(k));
    }
}

void TSectorInteraction::SetFromSector(TSector* sector) {
    SetField(from_, sector);
}

void TSectorInteraction::SetInputSector(TSector* sector) {
    SetField(to_, sector);
    SetObject(kInputSector, sector);
}

TSectorInteraction* TSectorInteractionList::FindByInput(const TSector* input) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (Get(i)->InputSector() == input) return Get(i);
    return nullptr;
}

std::string TSectorInteractionList::ErrorMessageIn(const TScenario* scenario) const {
    for (std::size_t i = 0; i < Count(); ++i) {
        if (!Get(i)->InputSector()) continue;
        std::string msg = Get(i)->ErrorMessageIn(scenario);
        if (!msg.empty()) return msg;
    }
    return {};
}

// ---- TSectorZone --------------------------------------------------------------------------------

TSectorZone::TSectorZone(TProjectI* project, TSector* sector, TZone* zone)
    : TVersionedEntity(project), sector_(sector), zone_(zone) {
    if (sector) RawProperties().RawPut(kSector, TValue(sector));
    if (zone) RawProperties().RawPut(kZone, TValue(zone));
}

TPropSpecSet& TSectorZone::ClassSpecs() {
    // Declared in this order on purpose: a later declaration with the same identifier or name
    // replaces the earlier entry, and stored files depend on what each one resolves to.
    static TPropSpecSet* set = [] {
        const TValue inf(std::numeric_limits<double>::infinity());
        constexpr TPropFlags all = psUnversioned;
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntPropSpec(kPropId, "id", psNotStored),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(30, "sector", psAttribute | psAlwaysStored),
            new TObjPropSpec(31, "zone", psAttribute),
            new TFloatPropSpec(1, "price", 0, kZero, kZero),
            new TFloatPropSpec(3, "induced_prod", 0, kZero, kZero),
            new TFloatPropSpec(5, "value_added", 0, kZero, kZero),
            new TFloatPropSpec(6, "atractor", 0, kZero, kZero),
            new TFloatPropSpec(9, "min_prod", 0, kZero, kZero),
            new TFloatPropSpec(10, "max_prod", 0, inf, kZero),
            new TFloatPropSpec(11, "shadow_price", 0, kZero, kZero),
            new TFloatPropSpec(12, "base_induced_prod", all, kZero, kZero),
            new TFloatPropSpec(13, "base_price", all, kZero, kZero),
            new TFloatPropSpec(20, "sector_zone_flow", 0, kZero, kZero),
            new TFloatPropSpec(2, "exog_prod", all, kZero),
            new TFloatPropSpec(4, "exog_demand", 0, kZero, kZero),
            new TFloatPropSpec(9, "min_imports", all, kZero, kZero),
            new TFloatPropSpec(10, "max_imports", all, kZero, kZero),
            new TFloatPropSpec(4, "exports", 0, kZero, kZero),
            new TFloatPropSpec(14, "atrain", all, kZero, kZero),
            new TFloatPropSpec(41, "induced_prod", 0, kZero, kZero),
            new TFloatPropSpec(40, "exog_prod", 0, kZero, kZero),
            new TFloatPropSpec(43, "value_added", 0, kZero, kZero),
            new TFloatPropSpec(42, "exog_demand", 0, kZero, kZero),
            new TFloatPropSpec(44, "min_imports", 0, kZero, kZero),
            new TFloatPropSpec(45, "max_imports", 0, kZero, kZero),
            new TFloatPropSpec(42, "exports", 0, kZero, kZero),
            new TFloatPropSpec(46, "atrain", 0, kZero, kZero),
        });
        return s;
    }();
    return *set;
}

void TSectorZone::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* r = dynamic_cast<const TSectorZone*>(&other)) {
        SetSector(r->sector_);
        SetZone(r->zone_);
    }
}

void TSectorZone::SetSector(TSector* sector) {
    SetField(sector_, sector);
    SetObject(kSector, sector);
}

void TSectorZone::SetZone(TZone* zone) {
    SetField(zone_, zone);
    SetObject(kZone, zone);
}

bool TSectorZone::HasProductionRestriction() const {
    if (!FindProperty(kMinProd) && !FindProperty(kMaxProd)) return false;
    return GetFloat(kMinProd) != 0.0 ||
           GetFloat(kMaxProd) != std::numeric_limits<double>::infinity();
}

bool TSectorZone::HasRestrictionIn(const TScenario* scenario) const {
    return Resolve(scenario, kMinProd) || Resolve(scenario, kMaxProd);
}

int TSectorZoneList::Compare(const TZEPPersistent* a, const TZEPPersistent* b) const {
    const TZone* za = static_cast<const TSectorZone*>(a)->Zone();
    const TZone* zb = static_cast<const TSectorZone*>(b)->Zone();
    if (!za || !zb) return (za ? 1 : 0) - (zb ? 1 : 0);
    const std::int64_t ia = za->Id();
    const std::int64_t ib = zb->Id();
    const std::int64_t aa = ia < 0 ? -ia : ia;
    const std::int64_t ab = ib < 0 ? -ib : ib;
    return aa < ab ? -1 : aa > ab ? 1 : 0;
}

TSectorZone* TSectorZoneList::FindByZone(const TZone* zone) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (Get(i)->Zone() == zone) return Get(i);
    return nullptr;
}

// ---- TSectorCategory ----------------------------------------------------------------------------

TPropSpecSet& TSectorCategory::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psNotStored, ""),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TFloatPropSpec(kType, "type", psAttribute | psAlwaysStored, kZero, kZero),
            new TFloatPropSpec(kTimeFactor, "time_factor", 0, kZero, kZero),
            new TFloatPropSpec(kVolumeFactor, "volume_factor", 0, kZero, kZero),
            new TFloatPropSpec(kDemandProductionFlow, "demand_production_flow", 0, kZero, kZero),
            new TFloatPropSpec(kProductionDemandFlow, "production_demand_flow", 0, kZero, kZero),
        });
        return s;
    }();
    return *set;
}

void TSectorCategory::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* r = dynamic_cast<const TSectorCategory*>(&other)) {
        SetSector(r->sector_);
        SetCategory(r->category_);
    }
}

void TSectorCategory::SetSector(TSector* sector) {
    SetField(sector_, sector);
}

void TSectorCategory::SetCategory(TCategory* category) {
    SetField(category_, category);
}

TSectorCategory* TSectorCategoryList::FindByCategory(const TCategory* category) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (Get(i)->Category() == category) return Get(i);
    return nullptr;
}

// ---- TSector ------------------------------------------------------------------------------------

TSector::TSector(TProjectI* project)
    : TVersionedEntity(project),
      interactions_(std::make_unique<TSectorInteractionList>(true, project)),
      zones_(std::make_unique<TSectorZoneList>(true, project)),
      categories_(std::make_unique<TSectorCategoryList>(true, project)) {}

TSector::~TSector() = default;

TPropSpecSet& TSector::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "e"),
            new TFloatPropSpec(kDistParam, "dist_param", 0, kZero, kZero),
            new TFloatPropSpec(kDistParam2, "dist_param2", psNotStored),
            new TFloatPropSpec(kPriceScale, "price_scale", 0, kOne, kZero),
            new TFloatPropSpec(kPriceScale2, "price_scale2", psNotStored),
            new TFloatPropSpec(kDistLogitScaling, "dist_logit_scaling", psUnversioned, kOne, kZero),
            new TFloatPropSpec(kAtractorFactor, "atractor_factor", psUnversioned, kOne, kZero),
            new TPercentPropSpec(kMinPriceCostRatio, "min_price_cost_ratio", 0, kZero, kZero, kOne),
            new TIntPropSpec(kSectorType, "sector_type", psAttribute, TValue(0), TValue(0),
                             TValue(2)),
            new TObjPropSpec(kTargetSector, "target_sector", psAttribute),
        });
        return s;
    }();
    return *set;
}

void TSector::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    auto* src = dynamic_cast<const TSector*>(&other);
    if (!src) return;
    interactions_->Assign(*src->interactions_);
    for (std::size_t i = 0; i < interactions_->Count(); ++i)
        interactions_->Get(i)->SetFromSector(this);
    categories_->Assign(*src->categories_);
    for (std::size_t i = 0; i < categories_->Count(); ++i)
        categories_->Get(i)->SetSector(this);
    zones_->Assign(*src->zones_);
    for (std::size_t i = 0; i < zones_->Count(); ++i)
        zones_->Get(i)->SetSector(this);
}

void TSector::SetProject(TProjectI* project) {
    TVersionedEntity::SetProject(project);
    interactions_->SetProject(project);
    categories_->SetProject(project);
    zones_->SetProject(project);
}

bool TSector::HasVersion(const TScenario* scenario) const {
    return TVersionedEntity::HasVersion(scenario) || interactions_->AnyHasVersion(scenario) ||
           categories_->AnyHasVersion(scenario);
}

void TSector::RemoveVersion(TScenario* scenario) {
    // The owned records go too: a version left behind would keep a scenario that is gone.
    TVersionedEntity::RemoveVersion(scenario);
    interactions_->RemoveVersion(scenario);
    categories_->RemoveVersion(scenario);
    zones_->RemoveVersion(scenario);
}

void TSector::CopyVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::CopyVersion(from, to);
    interactions_->CopyVersion(from, to);
    categories_->CopyVersion(from, to);
    zones_->CopyVersion(from, to);
}

void TSector::MoveVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::MoveVersion(from, to);
    interactions_->MoveVersion(from, to);
    categories_->MoveVersion(from, to);
    zones_->MoveVersion(from, to);
}

void TSector::Normalize() {
    TVersionedEntity::Normalize();
    interactions_->Normalize();
    categories_->Normalize();
    zones_->Normalize();
}

TSectorInteraction* TSector::GetOrCreateInteractionWith(TSector* input) {
    if (TSectorInteraction* i = InteractionWith(input)) return i;
    auto fresh = std::make_unique<TSectorInteraction>(Project(), this, input);
    interactions_->Add(fresh.get());
    return fresh.release();
}

TSectorZone* TSector::GetOrCreateSectorZoneFor(TZone* zone) {
    if (TSectorZone* r = SectorZoneFor(zone)) return r;
    auto fresh = std::make_unique<TSectorZone>(Project(), this, zone);
    zones_->Add(fresh.get());
    return fresh.release();
}

TSectorCategory* TSector::GetOrCreateSectorCategoryFor(TCategory* category) {
    if (TSectorCategory* r = SectorCategoryFor(category)) return r;
    auto fresh = std::make_unique<TSectorCategory>(Project(), this, category);
    categories_->Add(fresh.get());
    return fresh.release();
}

void TSector::RemoveSectorZone(const TZone* zone) {
    for (std::size_t i = zones_->Count(); i-- > 0;)
        if (zones_->Get(i)->Zone() == zone) zones_->Delete(i);
}

void TSector::RemoveSectorCategory(const TCategory* category) {
    for (std::size_t i = categories_->Count(); i-- > 0;)
        if (categories_->Get(i)->Category() == category) categories_->Delete(i);
}

void TSector::DropSector(const TSector* sector) {
    for (std::size_t i = interactions_->Count(); i-- > 0;) {
        TSectorInteraction* in = interactions_->Get(i);
        if (in->InputSector() == sector) {
            interactions_->Delete(i);
            continue;
        }
        TSectorList& subs = in->Substitutes();
        for (std::size_t k = subs.Count(); k-- > 0;)
            if (subs.Get(k) == sector) subs.Delete(k);
    }
    if (GetObject(kTargetSector) == sector) SetObject(kTargetSector, nullptr);
}

} // namespace zep::model
