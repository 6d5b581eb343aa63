#include "model/Attractors.h"

#include <vector>

#include "model/KindCast.h"
#include "model/SECTOR.h"

namespace zep::model {

const TAttractorVariable kAttractorVariables[8] = {
    {"XPRO", "Exgonenous Production"},
    {"XDEM", "Exogenous Demand"},
    {"RMIN", "Minimum Restriction"},
    {"RMAX", "Maximum Restriction"},
    {"TPRO", "Total Production"},
    {"PRIC", "Price"},
    {"CAPA", "Capacity"},
    {"ACCE", "Accesibility"},
};

const char* const kFunctionTypeCodes[3] = {"L", "P", "E"};

// ---- TAttractor ---------------------------------------------------------------------------------

TPropSpecSet& TAttractor::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TObjPropSpec(kAttractorSector, "attractor_sector", 0),
            new TIntPropSpec(kAttractorVariable, "attractor_variable", 0, TValue(0), TValue(0),
                             TValue(7)),
            new TFloatPropSpec(kFunctionType, "function_type", 0),
        });
        return s;
    }();
    return *set;
}

TSector* TAttractor::AttractorSectorIn(const TScenario* scenario) const {
    return KindCast<TSector>(GetObjectIn(scenario, kAttractorSector));
}

void TAttractor::SetAttractorSectorIn(TScenario* scenario, TSector* sector) {
    SetValueIn(scenario, kAttractorSector, TValue(sector));
}

// ---- TAttractionFunction ------------------------------------------------------------------------

TAttractionFunction::TAttractionFunction(TProjectI* project)
    : TVersionedEntity(project), attractors_(std::make_unique<TAttractorList>(true, project)) {
    // Held from the start, so that reading it never changes the entity (undo compares states).
    RawProperties().RawPut(kAttractors, TValue(attractors_.get()));
}

TAttractionFunction::~TAttractionFunction() = default;

TPropSpecSet& TAttractionFunction::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TObjPropSpec(kTargetSector, "target_sector", 0),
            new TIntPropSpec(kTargetVariable, "target_variable", 0, TValue(0), TValue(0),
                             TValue(3)),
            new TIntPropSpec(kFunctionType, "function_type", 0, TValue(0), TValue(0), TValue(2)),
            new TFloatPropSpec(kIncrement, "increment", 0),
            new TFloatPropSpec(kConstant, "constant", 0),
            new TObjPropSpec(kAttractors, "attractors", 0),
        });
        return s;
    }();
    return *set;
}

void TAttractionFunction::SetProperty(std::int32_t id, const TValue& value) {
    if (id == kAttractors) {
        if (auto* list = dynamic_cast<TAttractorList*>(value.ToObject());
            list && list != attractors_.get())
            AdoptAttractors(std::unique_ptr<TAttractorList>(list));
        return;
    }
    TVersionedEntity::SetProperty(id, value);
}

void TAttractionFunction::EnsureAttractorProperty() const {
    auto* self = const_cast<TAttractionFunction*>(this);
    TZEPPersistent* held = Properties().ValueOf(kAttractors).ToObject();
    if (held == attractors_.get()) return;
    // A loader replaced the property list: take over the list it restored, or put ours back.
    if (auto* list = dynamic_cast<TAttractorList*>(held)) {
        self->attractors_.reset(list);
        self->attractors_->SetProject(Project());
    } else {
        self->RawProperties().RawPut(kAttractors, TValue(attractors_.get()));
    }
}

TAttractorList& TAttractionFunction::Attractors() {
    EnsureAttractorProperty();
    return *attractors_;
}

const TAttractorList& TAttractionFunction::Attractors() const {
    EnsureAttractorProperty();
    return *attractors_;
}

void TAttractionFunction::AdoptAttractors(std::unique_ptr<TAttractorList> list) {
    if (!list || list.get() == attractors_.get()) return;
    attractors_ = std::move(list);
    attractors_->SetProject(Project());
    RawProperties().RawPut(kAttractors, TValue(attractors_.get()));
}

void TAttractionFunction::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* f = dynamic_cast<const TAttractionFunction*>(&other))
        Attractors().Assign(f->Attractors());
}

void TAttractionFunction::SetProject(TProjectI* project) {
    TVersionedEntity::SetProject(project);
    Attractors().SetProject(project);
}

void TAttractionFunction::RemoveVersion(TScenario* scenario) {
    // The attractors' versions go too: one left behind would keep a scenario that is gone.
    TVersionedEntity::RemoveVersion(scenario);
    Attractors().RemoveVersion(scenario);
}

TSector* TAttractionFunction::TargetSector() const {
    return KindCast<TSector>(GetObject(kTargetSector));
}

void TAttractionFunction::SetTargetSector(TSector* sector) {
    SetObject(kTargetSector, sector);
}

TAttractor* TAttractionFunction::AddAttractor() {
    auto fresh = std::make_unique<TAttractor>(Project());
    Attractors().Add(fresh.get());
    return fresh.release();
}

namespace {
// Clears `id` wherever `entity` holds `sector` for it: entity-level and in every version.
void ClearReference(TVersionedEntity& entity, std::int32_t id, const TSector* sector) {
    if (entity.GetObject(id) == sector) entity.SetObject(id, nullptr);
    std::vector<TScenario*> holding;
    for (const auto& v : entity.Versions())
        if (const TProperty* p = v->Find(id); p && p->value.ToObject() == sector)
            holding.push_back(v->Scenario());
    // Children first, so that clearing a parent's value cannot make a child's equal to it.
    for (auto it = holding.rbegin(); it != holding.rend(); ++it)
        entity.SetValueIn(*it, id, TValue());
}
} // namespace

void TAttractionFunction::DropSector(const TSector* sector) {
    ClearReference(*this, kTargetSector, sector);
    TAttractorList& list = Attractors();
    for (std::size_t i = 0; i < list.Count(); ++i)
        ClearReference(*list.Get(i), TAttractor::kAttractorSector, sector);
}

} // namespace zep::model
