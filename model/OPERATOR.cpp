#include "model/OPERATOR.h"

#include <limits>
#include <utility>

#include "model/CATEGORY.h"

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
} // namespace

// ---- TTransfer ----------------------------------------------------------------------------------

TTransfer::TTransfer(TProjectI* project, TOperator* to, TOperator* from)
    : TVersionedEntity(project), from_(from), to_(to) {
    if (from) RawProperties().RawPut(kFrom, TValue(from));
    if (to) RawProperties().RawPut(kTo, TValue(to));
}

TPropSpecSet& TTransfer::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntPropSpec(kPropId, "id", psNotStored),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kFrom, "from", psAttribute | psAlwaysStored),
            new TObjPropSpec(kTo, "to", psAttribute | psAlwaysStored),
            new TFloatPropSpec(kTransferCost, "transfer_cost", 0),
        });
        return s;
    }();
    return *set;
}

const TProperty* TTransfer::FindProperty(std::int32_t id) const {
    if (to_ && (id == kPropId || id == kPropName)) return to_->FindProperty(id);
    return TVersionedEntity::FindProperty(id);
}

std::int32_t TTransfer::Id() const {
    return to_ ? to_->Id() : TVersionedEntity::Id();
}

std::string TTransfer::GetName() const {
    return to_ ? to_->GetName() : TVersionedEntity::GetName();
}

void TTransfer::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* t = dynamic_cast<const TTransfer*>(&other)) {
        SetFromOperator(t->from_);
        SetToOperator(t->to_);
    }
}

void TTransfer::SetFromOperator(TOperator* op) {
    SetField(from_, op);
    SetObject(kFrom, op);
}

void TTransfer::SetToOperator(TOperator* op) {
    SetField(to_, op);
    SetObject(kTo, op);
}

TTransfer* TTransferList::FindTo(const TOperator* to) const {
    for (TZEPPersistent* item : Items())
        if (static_cast<TTransfer*>(item)->ToOperator() == to) return static_cast<TTransfer*>(item);
    return nullptr;
}

// ---- TOperatorCategory --------------------------------------------------------------------------

TPropSpecSet& TOperatorCategory::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntPropSpec(kPropId, "id", psNotStored),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TFloatPropSpec(kTariff, "tariff", 0, TValue(1.0), TValue(0.0)),
            new TFloatPropSpec(kPenalty, "penalty", 0, TValue(1.0), TValue(0.0)),
            new TFloatPropSpec(kAsc, "asc", 0, TValue(0.0), TValue(0.0)),
        });
        return s;
    }();
    return *set;
}

void TOperatorCategory::Copy(const TEntity& other) {
    if (auto* r = dynamic_cast<const TOperatorCategory*>(&other)) {
        SetOperator(r->operator_);
        SetCategory(r->category_);
    }
    TVersionedEntity::Copy(other);
}

void TOperatorCategory::SetOperator(TOperator* op) {
    SetField(operator_, op);
}

void TOperatorCategory::SetCategory(TCategory* category) {
    SetField(category_, category);
}

TOperatorCategory* TOperatorCategoryList::FindByCategory(const TCategory* category) const {
    for (TZEPPersistent* item : Items()) {
        auto* r = static_cast<TOperatorCategory*>(item);
        if (r->Category() == category) return r;
    }
    return nullptr;
}

void TOperatorCategoryList::RemoveCategory(const TCategory* category) {
    for (std::size_t i = Count(); i-- > 0;)
        if (Get(i)->Category() == category) Delete(i);
}

// ---- TOperator ----------------------------------------------------------------------------------

TPropSpecSet& TOperator::ClassSpecs() {
    static TPropSpecSet* set = [] {
        const TValue none;
        const TValue zero(0.0);
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "o"),
            new TEnumPropSpec(kType, "type", psAttribute, 5,
                              {"null", "auto", "normal", "route", "walk", "mode_change"},
                              TValue(static_cast<int>(otAuto))),
            new TObjPropSpec(kMode, "mode", psAttribute),
            new TFloatPropSpec(kModalConstant, "modal_constant", 0, TValue(1.0), zero),
            new TFloatPropSpec(kOccupancyRate, "occupancy_rate", psMinExclusive, TValue(1.0), zero),
            new TFloatPropSpec(kDistanceTariff, "distance_tariff", 0, zero, zero),
            new TFloatPropSpec(kTimeTariff, "time_tariff", 0, zero, zero),
            new TFloatPropSpec(kMinEnergy, "min_energy", 0, zero, zero),
            new TFloatPropSpec(kMaxEnergy, "max_energy", 0, none, zero),
            new TFloatPropSpec(kEnergySlope, "energy_slope", 0, none, zero),
            new TFloatPropSpec(kEnergyCost, "energy_cost", 0, zero, zero),
            new TFloatPropSpec(kConstantCost, "constant_cost", 0, zero, zero),
            new TFloatPropSpec(kTimeCost, "time_cost", 0, zero, zero),
            new TPercentPropSpec(kPctCostToUser, "pct_cost_to_user", 0, zero, zero),
            new TFloatPropSpec(kMinWaitingTime, "min_waiting_time", 0, zero, zero),
            new TFloatPropSpec(kMaxWaitingTime, "max_waiting_time", 0, zero, zero),
            new TBoolPropSpec(kHasReturnTrips, "has_return_trips", 0, TValue(false)),
            new TPercentPropSpec(kPctReturnTrips, "pct_return_trips", 0, none, zero, TValue(1.0)),
            new TFloatPropSpec(kTimeFactor, "time_factor", 0, TValue(20.0), TValue(0.001)),
            new TFloatPropSpec(kBoardingTariff, "boarding_tariff", 0, zero, zero),
            new TPercentPropSpec(kTargetOccupancy, "target_occupancy", psMinExclusive, TValue(0.5),
                                 zero, TValue(1.0)),
            new TObjPropSpec(kOperatorCategories, "operator_categories", psNotStored),
            new TFloatPropSpec(kPathAsc, "path_asc", 0, zero, zero),
            new TTimePropSpec(kMinStopTime, "min_stop_time", 0, zero, zero),
            new TTimePropSpec(kBoardTime, "board_time", 0, zero, zero),
            new TTimePropSpec(kAlightTime, "alight_time", 0, zero, zero),
        });
        return s;
    }();
    return *set;
}

TOperator::TOperator(TProjectI* project)
    : TVersionedEntity(project), transfers_(std::make_unique<TTransferList>(true, project)),
      categories_(std::make_unique<TOperatorCategoryList>(true, project)) {
    // Held from the start, so that reading it never changes the entity (undo compares states).
    RawProperties().RawPut(kOperatorCategories, TValue(categories_.get()));
}

TOperator::TOperator(TProjectI* project, TMode* mode) : TOperator(project) {
    mode_ = mode;
    if (mode) RawProperties().RawPut(kMode, TValue(mode));
    SetInteger(kType, otAuto);
}

TOperator::~TOperator() = default;

void TOperator::SetProperty(std::int32_t id, const TValue& value) {
    if (id == kMode) {
        SetField(mode_, dynamic_cast<TMode*>(value.ToObject()));
    } else if (id == kOperatorCategories) {
        // The list lives as long as the operator: a different list handed in is adopted, and
        // nothing else replaces it.
        if (auto* list = dynamic_cast<TOperatorCategoryList*>(value.ToObject());
            list && list != categories_.get())
            AdoptOperatorCategories(std::unique_ptr<TOperatorCategoryList>(list));
        return;
    }
    TVersionedEntity::SetProperty(id, value);
}

void TOperator::SetMode(TMode* mode) {
    SetProperty(kMode, TValue(mode));
}

void TOperator::EnsureCategoryProperty() const {
    auto* self = const_cast<TOperator*>(this);
    TZEPPersistent* held = Properties().ValueOf(kOperatorCategories).ToObject();
    if (held == categories_.get()) return;
    // A loader replaced the property list: take over the list it restored, or put ours back.
    if (auto* list = dynamic_cast<TOperatorCategoryList*>(held)) {
        self->categories_.reset(list);
        self->categories_->SetProject(Project());
    } else {
        self->RawProperties().RawPut(kOperatorCategories, TValue(categories_.get()));
    }
}

TOperatorCategoryList& TOperator::OperatorCategories() {
    EnsureCategoryProperty();
    return *categories_;
}

const TOperatorCategoryList& TOperator::OperatorCategories() const {
    EnsureCategoryProperty();
    return *categories_;
}

void TOperator::AdoptOperatorCategories(std::unique_ptr<TOperatorCategoryList> list) {
    if (!list || list.get() == categories_.get()) return;
    categories_ = std::move(list);
    categories_->SetProject(Project());
    RawProperties().RawPut(kOperatorCategories, TValue(categories_.get()));
}

void TOperator::Copy(const TEntity& other) {
    auto* src = dynamic_cast<const TOperator*>(&other);
    if (src) SetMode(src->mode_);
    TVersionedEntity::Copy(other);
    if (!src) return;
    transfers_->Assign(*src->transfers_);
    for (std::size_t i = 0; i < transfers_->Count(); ++i)
        transfers_->Get(i)->SetFromOperator(this);
    TOperatorCategoryList& mine = OperatorCategories();
    mine.Assign(src->OperatorCategories());
    for (std::size_t i = 0; i < mine.Count(); ++i)
        mine.Get(i)->SetOperator(this);
}

void TOperator::SetProject(TProjectI* project) {
    TVersionedEntity::SetProject(project);
    transfers_->SetProject(project);
    OperatorCategories().SetProject(project);
}

bool TOperator::HasVersion(const TScenario* scenario) const {
    return TVersionedEntity::HasVersion(scenario) || OperatorCategories().AnyHasVersion(scenario);
}

void TOperator::RemoveVersion(TScenario* scenario) {
    TVersionedEntity::RemoveVersion(scenario);
    OperatorCategories().RemoveVersion(scenario);
}

void TOperator::CopyVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::CopyVersion(from, to);
    OperatorCategories().CopyVersion(from, to);
}

void TOperator::MoveVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::MoveVersion(from, to);
    OperatorCategories().MoveVersion(from, to);
    transfers_->MoveVersion(from, to);
}

void TOperator::Normalize() {
    TVersionedEntity::Normalize();
    OperatorCategories().Normalize();
    transfers_->Normalize();
}

TTransfer* TOperator::GetOrCreateTransferTo(TOperator* to) {
    if (TTransfer* t = TransferTo(to)) return t;
    auto fresh = std::make_unique<TTransfer>(Project(), to, this);
    transfers_->Add(fresh.get());
    return fresh.release();
}

void TOperator::RemoveTransferTo(const TOperator* to) {
    for (std::size_t i = transfers_->Count(); i-- > 0;)
        if (transfers_->Get(i)->ToOperator() == to) transfers_->Delete(i);
}

double TOperator::TransferCostTo(const TOperator* to, const TScenario* scenario) const {
    if (const TTransfer* t = TransferTo(to))
        if (TVersionedProperty r = t->Resolve(scenario, TTransfer::kTransferCost);
            r && !r.Value().IsEmpty())
            return r.Value().ToDouble();
    return to->GetFloatIn(scenario, kBoardingTariff);
}

TOperatorCategory* TOperator::OperatorCategoryFor(const TCategory* category) const {
    return OperatorCategories().FindByCategory(category);
}

TOperatorCategory* TOperator::GetOrCreateOperatorCategoryFor(TCategory* category) {
    if (TOperatorCategory* r = OperatorCategoryFor(category)) return r;
    // unique_ptr frees the record when appending fails; the failure passes on.
    auto fresh = std::make_unique<TOperatorCategory>(Project(), this, category);
    OperatorCategories().Add(fresh.get());
    return fresh.release();
}

bool TOperatorList::HasRouteOperator() const {
    for (TZEPPersistent* item : Items())
        if (static_cast<TOperator*>(item)->Type() == otRoute) return true;
    return false;
}

} // namespace zep::model
