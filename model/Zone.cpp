#include "model/Zone.h"

#include <utility>

#include "model/CATEGORY.h"
#include "model/KindCast.h"
#include "model/Mode.h"

namespace zep::model {

TPropSpecSet& TZone::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TNode::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "z"),
            new TBoolPropSpec(kExternal, "external", psUnversioned, TValue(false)),
            new TObjPropSpec(kMacroZone, "macro_zone", 0),
            new TFloatPropSpec(kInternalCostFactor, "internal_cost_factor", psUnversioned,
                               TValue(0.0), TValue(0.0), TValue(1.0)),
        });
        return s;
    }();
    return *set;
}

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

// The external flag every external zone reads.
const TProperty kExternalTrue{TZone::kExternal, TValue(true)};
} // namespace

// ---- TCategoryMode ------------------------------------------------------------------------------

TCategoryMode::TCategoryMode(TProjectI* project, TCategory* category, TMode* mode)
    : TVersionedEntity(project), category_(category), mode_(mode) {
    if (category) RawProperties().RawPut(kCategory, TValue(category));
    if (mode) RawProperties().RawPut(kMode, TValue(mode));
}

TPropSpecSet& TCategoryMode::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psNotStored, ""),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kCategory, "category", psAttribute),
            new TObjPropSpec(kMode, "mode", psAttribute),
            new TFloatPropSpec(kTrips, "trips", 0),
            new TFloatPropSpec(kTripFactor, "trip_factor", 0, TValue(1.0)),
            new TFloatPropSpec(kActualTrips, "actual_trips", psNotStored),
        });
        return s;
    }();
    return *set;
}

void TCategoryMode::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    if (auto* r = dynamic_cast<const TCategoryMode*>(&other)) {
        SetCategory(r->category_);
        SetMode(r->mode_);
    }
}

void TCategoryMode::SetCategory(TCategory* category) {
    SetField(category_, category);
    SetObject(kCategory, category);
}

void TCategoryMode::SetMode(TMode* mode) {
    SetField(mode_, mode);
    SetObject(kMode, mode);
}

// ---- TODPair ------------------------------------------------------------------------------------

TODPair::TODPair(TProjectI* project, TTransportZone* origin, TTransportZone* destination)
    : TVersionedEntity(project), origin_(origin), destination_(destination),
      records_(std::make_unique<TCategoryModeList>(true, project)) {
    if (origin) RawProperties().RawPut(kFrom, TValue(origin));
    if (destination) RawProperties().RawPut(kTo, TValue(destination));
}

TODPair::~TODPair() = default;

TPropSpecSet& TODPair::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psNotStored, ""),
            new TStrPropSpec(kPropName, "name", psNotStored),
            new TObjPropSpec(kFrom, "from", psAttribute | psAlwaysStored),
            new TObjPropSpec(kTo, "to", psAttribute | psAlwaysStored),
        });
        return s;
    }();
    return *set;
}

void TODPair::Copy(const TEntity& other) {
    TVersionedEntity::Copy(other);
    auto* p = dynamic_cast<const TODPair*>(&other);
    if (!p) return;
    SetOrigin(p->origin_);
    SetDestination(p->destination_);
    records_->Assign(*p->records_);
}

void TODPair::SetOrigin(TTransportZone* zone) {
    SetField(origin_, zone);
    SetObject(kFrom, zone);
}

void TODPair::SetDestination(TTransportZone* zone) {
    SetField(destination_, zone);
    SetObject(kTo, zone);
}

void TODPair::SetProject(TProjectI* project) {
    TVersionedEntity::SetProject(project);
    records_->SetProject(project);
}

bool TODPair::HasVersion(const TScenario* scenario) const {
    return TVersionedEntity::HasVersion(scenario) || records_->AnyHasVersion(scenario);
}

void TODPair::RemoveVersion(TScenario* scenario) {
    TVersionedEntity::RemoveVersion(scenario);
    records_->RemoveVersion(scenario);
}

void TODPair::CopyVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::CopyVersion(from, to);
    records_->CopyVersion(from, to);
}

void TODPair::MoveVersion(TScenario* from, TScenario* to) {
    TVersionedEntity::MoveVersion(from, to);
    records_->MoveVersion(from, to);
}

void TODPair::Normalize() {
    TVersionedEntity::Normalize();
    records_->Normalize();
}

TCategoryMode* TODPair::CategoryModeFor(const TCategory* category, const TMode* mode) const {
    for (std::size_t i = 0; i < records_->Count(); ++i) {
        TCategoryMode* r = records_->Get(i);
        if (r->Category() == category && r->Mode() == mode) return r;
    }
    return nullptr;
}

TCategoryMode* TODPair::GetOrCreateCategoryModeFor(TCategory* category, TMode* mode) {
    if (TCategoryMode* r = CategoryModeFor(category, mode)) return r;
    auto fresh = std::make_unique<TCategoryMode>(Project(), category, mode);
    records_->Add(fresh.get());
    return fresh.release();
}

void TODPair::DropCategory(const TCategory* category) {
    for (std::size_t i = records_->Count(); i-- > 0;)
        if (records_->Get(i)->Category() == category) records_->Delete(i);
}

void TODPair::DropMode(const TMode* mode) {
    for (std::size_t i = records_->Count(); i-- > 0;)
        if (records_->Get(i)->Mode() == mode) records_->Delete(i);
}

TODPair* TODPairList::FindTo(const TTransportZone* zone) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (Get(i)->Destination() == zone) return Get(i);
    return nullptr;
}

void TODPairList::ItemAdded(std::size_t index, TZEPPersistent* item) {
    TVersionedEntityList::ItemAdded(index, item);
    // Also reached by loaders and by undo re-inserting a pair: the origin is always the zone
    // that holds the pair, so it is put right without an undo step of its own.
    auto* pair = static_cast<TODPair*>(item);
    if (zone_ && pair->origin_ != zone_) {
        pair->origin_ = zone_;
        pair->RawProperties().RawPut(TODPair::kFrom, TValue(zone_));
    }
}

// ---- TTransportZone -----------------------------------------------------------------------------

TTransportZone::TTransportZone(TProjectI* project)
    : TZone(project), odPairs_(std::make_unique<TODPairList>(true, project, this)) {}

TTransportZone::~TTransportZone() = default;

void TTransportZone::Copy(const TEntity& other) {
    TZone::Copy(other);
    if (auto* z = dynamic_cast<const TTransportZone*>(&other)) {
        odPairs_->Assign(*z->odPairs_);
        for (std::size_t i = 0; i < odPairs_->Count(); ++i)
            odPairs_->Get(i)->SetOrigin(this);
    }
}

void TTransportZone::SetProject(TProjectI* project) {
    TZone::SetProject(project);
    odPairs_->SetProject(project);
}

void TTransportZone::RemoveVersion(TScenario* scenario) {
    TZone::RemoveVersion(scenario);
    odPairs_->RemoveVersion(scenario);
}

void TTransportZone::CopyVersion(TScenario* from, TScenario* to) {
    TZone::CopyVersion(from, to);
    odPairs_->CopyVersion(from, to);
}

void TTransportZone::MoveVersion(TScenario* from, TScenario* to) {
    TZone::MoveVersion(from, to);
    odPairs_->MoveVersion(from, to);
}

void TTransportZone::Normalize() {
    TZone::Normalize();
    odPairs_->Normalize();
}

TODPair* TTransportZone::GetOrCreateODPairTo(TTransportZone* zone) {
    if (TODPair* p = ODPairTo(zone)) return p;
    auto fresh = std::make_unique<TODPair>(Project(), this, zone);
    odPairs_->Add(fresh.get());
    return fresh.release();
}

void TTransportZone::RemoveODPairTo(const TTransportZone* zone) {
    for (std::size_t i = odPairs_->Count(); i-- > 0;)
        if (odPairs_->Get(i)->Destination() == zone) odPairs_->Delete(i);
}

void TTransportZone::DropCategory(const TCategory* category) {
    for (std::size_t i = 0; i < odPairs_->Count(); ++i)
        odPairs_->Get(i)->DropCategory(category);
}

void TTransportZone::DropMode(const TMode* mode) {
    for (std::size_t i = 0; i < odPairs_->Count(); ++i)
        odPairs_->Get(i)->DropMode(mode);
}

// ---- TMicroZone ---------------------------------------------------------------------------------

TMicroZone::~TMicroZone() {
    if (TMacroZone* macro = MacroZone()) {
        TMicroZoneList& subs = macro->SubZones();
        for (std::size_t i = subs.Count(); i-- > 0;)
            if (subs.Get(i) == this) subs.RawExtract(i);
    }
}

TMacroZone* TMicroZone::MacroZone() const {
    return KindCast<TMacroZone>(GetObject(kMacroZone));
}

void TMicroZone::SetMacroZone(TMacroZone* macro) {
    if (TMacroZone* old = MacroZone()) old->SubZones().Remove(this);
    SetObject(kMacroZone, macro);
    if (macro && !macro->SubZones().Contains(this)) macro->SubZones().Add(this);
}

void TMicroZone::Dettach() {
    SetMacroZone(nullptr);
    TTransportZone::Dettach();
}

// ---- TExternalZone ------------------------------------------------------------------------------

TExternalZone::TExternalZone(TProjectI* project) : TTransportZone(project) {
    RawProperties().RawPut(kExternal, TValue(true));
}

const TProperty* TExternalZone::FindProperty(std::int32_t id) const {
    if (id == kExternal) return &kExternalTrue;
    return TTransportZone::FindProperty(id);
}

void TExternalZone::SetProperty(std::int32_t id, const TValue& value) {
    if (id == kExternal) return;
    TTransportZone::SetProperty(id, value);
}

std::string TExternalZone::GetListText() const {
    return IdText() + " \xD7 " + GetName();
}

// ---- TMacroZone ---------------------------------------------------------------------------------

TMacroZone::TMacroZone(TProjectI* project)
    : TZone(project), subZones_(std::make_unique<TMicroZoneList>(false, project)) {}

TMacroZone::~TMacroZone() {
    // No undo step can outlive this zone's deletion record, so the sub-zones are let go raw.
    for (std::size_t i = 0; i < subZones_->Count(); ++i) {
        TMicroZone* z = subZones_->Get(i);
        if (z->GetObject(kMacroZone) == this) z->RawProperties().RawPut(kMacroZone, TValue());
    }
}

void TMacroZone::Dettach() {
    for (std::size_t i = subZones_->Count(); i-- > 0;) {
        TMicroZone* z = subZones_->Get(i);
        if (z->GetObject(kMacroZone) == this) z->SetObject(kMacroZone, nullptr);
        subZones_->Delete(i);
    }
    TZone::Dettach();
}

} // namespace zep::model
