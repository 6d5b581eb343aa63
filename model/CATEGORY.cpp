#include "model/CATEGORY.h"

namespace zep::model {

TCategory::TCategory(TProjectI* project)
    : TVersionedEntity(project), modes_(std::make_unique<TModeList>(false, project)) {}

TCategory::~TCategory() = default;

TPropSpecSet& TCategory::ClassSpecs() {
    static TPropSpecSet* set = [] {
        const TValue one(1.0);
        const TValue zero(0.0);
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "c"),
            new TFloatPropSpec(kValueOfTravelTime, "value_of_travel_time", psMinExclusive, one,
                               zero),
            new TFloatPropSpec(kValueOfWaitingTime, "value_of_waiting_time", psMinExclusive, one,
                               zero),
            new TFloatPropSpec(kMinGeneration, "min_generation", 0, zero, zero),
            new TFloatPropSpec(kMaxGeneration, "max_generation", 0, one, zero),
            new TFloatPropSpec(kDemandElasticity, "demand_elasticity", 0, one, zero),
            new TFloatPropSpec(kModeChoiceElasticity, "mode_choice_elasticity", 0, one, zero),
            new TFloatPropSpec(kVehicleAvailability, "vehicle_availability", 0, one, zero, one),
            new TFloatPropSpec(kPathChoiceElasticity, "path_choice_elasticity", 0, one, zero),
            new TFloatPropSpec(kModeChoiceLogitScaling, "mode_choice_logit_scaling", 0, one, zero,
                               one),
            new TFloatPropSpec(kPathChoiceLogitScaling, "path_choice_logit_scaling", 0, one, zero,
                               one),
        });
        return s;
    }();
    return *set;
}

void TCategory::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* c = dynamic_cast<const TCategory*>(&other))
        for (std::size_t i = 0; i < c->modes_->Count(); ++i)
            AddMode(c->modes_->Get(i));
}

std::string TCategory::ErrorMessageIn(const TScenario* scenario) const {
    if (modes_->IsEmpty()) return kNoModesMessage;
    return TVersionedEntity::ErrorMessageIn(scenario);
}

std::string TCategory::ErrorMessage() const {
    std::string msg = TEntity::ErrorMessage();
    if (!msg.empty()) return msg;
    if (modes_->IsEmpty()) return kNoModesMessage;
    return TVersionedEntity::ErrorMessage();
}

void TCategory::AddMode(TMode* mode) {
    if (mode && !modes_->Contains(mode)) modes_->Add(mode);
}

void TCategory::RemoveMode(const TMode* mode) {
    for (std::size_t i = modes_->Count(); i-- > 0;)
        if (modes_->Get(i) == mode) modes_->Delete(i);
}

void TCategoryList::DropMode(const TMode* mode) {
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->RemoveMode(mode);
}

} // namespace zep::model
