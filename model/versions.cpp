#include "model/versions.h"

#include <cassert>
#include <utility>

#include "model/KindCast.h"

namespace zep::model {

namespace {
// A copy of a version's records, so that writes made while walking it cannot disturb the walk.
std::vector<std::pair<std::int32_t, TValue>> Snapshot(const TVersion& v) {
    std::vector<std::pair<std::int32_t, TValue>> records;
    records.reserve(v.Count());
    for (const TProperty& p : v)
        records.emplace_back(p.Id(), p.value);
    return records;
}

std::unique_ptr<TScenarioList> NewScenarioRefList() {
    auto list = std::make_unique<TScenarioList>(false);
    list->SetRecordsUndo(false);
    return list;
}
} // namespace

// ---- TVersionList -----------------------------------------------------------------------------

void TVersionList::RawInsert(TVersion&& version) {
    if (!first_.Scenario()) {
        first_ = std::move(version);
        return;
    }
    if (!rest_) rest_ = std::make_unique<std::vector<TVersion>>();
    std::vector<TVersion>& rest = *rest_;
    const std::uint32_t serial = version.Scenario()->Serial();
    if (serial < first_.Scenario()->Serial()) {
        rest.insert(rest.begin(), std::move(first_));
        first_ = std::move(version);
        return;
    }
    auto it = rest.begin();
    while (it != rest.end() && it->Scenario()->Serial() < serial)
        ++it;
    rest.insert(it, std::move(version));
}

std::optional<TVersion> TVersionList::RawExtract(const TScenario* scenario) {
    if (!scenario) return std::nullopt;
    std::optional<TVersion> out;
    if (first_.Scenario() == scenario) {
        out.emplace(std::move(first_));
        if (!rest_) {
            first_ = TVersion(nullptr, nullptr);
        } else {
            first_ = std::move(rest_->front());
            rest_->erase(rest_->begin());
        }
    } else if (rest_) {
        for (auto it = rest_->begin(); it != rest_->end(); ++it) {
            if (it->Scenario() == scenario) {
                out.emplace(std::move(*it));
                rest_->erase(it);
                break;
            }
        }
    }
    if (rest_ && rest_->empty()) rest_.reset();
    return out;
}

void TVersion::SetValue(std::int32_t id, const TValue& value) {
    const TProperty* record = Find(id);
    if (record) {
        if (ValuesEqual(record->value, value)) return;
    } else if (value.IsEmpty()) {
        return;
    }
    if (entity_ && entity_->RecordsOwnChanges())
        undo::Perform(std::make_unique<TVersionValueUndoer>(entity_, scenario_, id, value));
    else
        RawPut(id, value);
}

void TVersion::Clear() {
    while (Count() > 0)
        SetValue(At(Count() - 1).Id(), TValue());
}

void TVersionUndoer::Do() {
    if (held_) {
        entity_->versions_.RawInsert(std::move(*held_));
        held_.reset();
    } else {
        held_ = entity_->versions_.RawExtract(scenario_);
    }
}

void TVersionValueUndoer::Do() {
    TVersion* v = entity_->versions_.Find(scenario_);
    // The version was recorded as there: if something dropped it without a record, the value
    // still goes back where the user put it.
    assert(v && "undo of a value whose version is gone");
    if (!v) v = &entity_->RawVersion(scenario_);
    TValue current = v->ValueOf(id_);
    v->RawPut(id_, std::move(saved_));
    saved_ = std::move(current);
}

// ---- TVersionedEntity -------------------------------------------------------------------------

TPropSpecSet& TVersionedEntity::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TEntity::ClassSpecs());
        s->Add(new TBoolPropSpec(kPropUsed, "used", psNotStored, TValue(true)));
        return s;
    }();
    return *set;
}

TVersionedProperty TVersionedEntity::ResolveAmongVersions(const TScenario* scenario,
                                                          std::int32_t id) const {
    if (!scenario) return {};
    for (const TScenario* s : scenario->WayUp()) {
        if (TVersion* v = versions_.Find(s))
            if (const TProperty* p = v->Find(id)) return {p, v->Scenario()};
    }
    return {};
}

const TValue& TVersionedEntity::DefaultOf(std::int32_t id) const {
    return Specs().ById(id).Default();
}

TVersionedProperty TVersionedEntity::FindVersionedProperty(const TScenario* scenario,
                                                           const TPropSpec& spec) const {
    return Resolve(scenario, spec.Id());
}

TValue TVersionedEntity::GetValueIn(const TScenario* scenario, std::int32_t id) const {
    if (TVersionedProperty r = Resolve(scenario, id)) return r.Value();
    return Specs().ById(id).Default();
}

std::string TVersionedEntity::GetStringIn(const TScenario* s, std::int32_t id) const {
    return Specs().ById(id).DisplayText(GetValueIn(s, id));
}

void TVersionedEntity::SetValueIn(TScenario* scenario, std::int32_t id, const TValue& value) {
    SetVersionedValue(scenario, Specs().ById(id), value);
}

TVersion& TVersionedEntity::EnsureVersion(TScenario* scenario) {
    if (TVersion* v = versions_.Find(scenario)) return *v;
    if (RecordsOwnChanges())
        undo::Perform(std::make_unique<TVersionUndoer>(this, scenario, TVersion(scenario, this)));
    else
        versions_.RawInsert(TVersion(scenario, this));
    return *versions_.Find(scenario);
}

TVersion& TVersionedEntity::RawVersion(TScenario* scenario) {
    if (TVersion* v = versions_.Find(scenario)) return *v;
    versions_.RawInsert(TVersion(scenario, this));
    return *versions_.Find(scenario);
}

void TVersionedEntity::DropVersionIfEmpty(TScenario* scenario) {
    TVersion* v = versions_.Find(scenario);
    if (!v || !v->Empty() || !scenario->Parent()) return;
    undo::Perform(std::make_unique<TVersionUndoer>(this, scenario, std::nullopt));
}

void TVersionedEntity::RemoveRecordIn(TScenario* scenario, std::int32_t id) {
    if (TVersion* v = versions_.Find(scenario)) v->SetValue(id, TValue());
}

void TVersionedEntity::SetVersionedValue(TScenario* scenario, const TPropSpec& spec,
                                         const TValue& value) {
    TValue v = value;
    // Converted in every scenario, used or not, so that a value never stays in the type it
    // arrived in; validity is asked for separately.
    if (!v.IsEmpty()) spec.IsValid(v);
    const std::int32_t id = spec.Id();
    const TVersionedProperty r = Resolve(scenario, id);
    if (r && ValuesEqual(r.Value(), v)) return;
    if (r && r.scenario == scenario) {
        TValue inherited;
        if (scenario->Parent()) {
            if (TVersionedProperty up = Resolve(scenario->Parent(), id)) inherited = up.Value();
        } else {
            inherited = spec.Default();
        }
        if (v.IsEmpty() || ValuesEqual(v, inherited)) {
            RemoveRecordIn(scenario, id);
            DropVersionIfEmpty(scenario);
        } else {
            versions_.Find(scenario)->SetValue(id, v);
        }
        return;
    }
    // Nothing of its own yet: an empty value adds nothing (and needs no version).
    if (v.IsEmpty()) return;
    EnsureVersion(scenario).SetValue(id, v);
}

bool TVersionedEntity::IsUsedIn(const TScenario* scenario) const {
    if (TVersionedProperty r = Resolve(scenario, kPropUsed)) return r.Value().ToBool();
    return Specs().ById(kPropUsed).Default().ToBool();
}

void TVersionedEntity::SetUsedIn(TScenario* scenario, bool used) {
    SetVersionedValue(scenario, Specs().ById(kPropUsed), TValue(used));
}

bool TVersionedEntity::RemovedIn(const TScenario* scenario) const {
    const TVersion* v = versions_.Find(scenario);
    const TProperty* p = v ? v->Find(kPropUsed) : nullptr;
    return p && !p->value.ToBool();
}

bool TVersionedEntity::AddedIn(const TScenario* scenario) const {
    const TVersion* v = versions_.Find(scenario);
    const TProperty* p = v ? v->Find(kPropUsed) : nullptr;
    return p && p->value.ToBool();
}

bool TVersionedEntity::HasVersion(const TScenario* scenario) const {
    const TVersion* v = versions_.Find(scenario);
    return v && !v->Empty();
}

bool TVersionedEntity::ChangedAnyOf(const TScenario* scenario, const std::bitset<256>& ids) const {
    const TVersion* v = versions_.Find(scenario);
    if (!v) return false;
    for (const TProperty& p : *v)
        if (p.Id() >= 0 && p.Id() < 256 && ids.test(static_cast<std::size_t>(p.Id()))) return true;
    return false;
}

std::string TVersionedEntity::ErrorMessageIn(const TScenario* scenario) const {
    const TVersion* v = versions_.Find(scenario);
    if (!v || !IsUsedIn(scenario)) return {};
    for (const TProperty& p : *v) {
        std::string msg = Specs().ById(p.Id()).ErrorMessage(p.value);
        if (!msg.empty()) return msg;
    }
    return {};
}

bool TVersionedEntity::IsValidIn(const TScenario* scenario) const {
    return ErrorMessageIn(scenario).empty();
}

std::string TVersionedEntity::ErrorMessage() const {
    std::string msg = TEntity::ErrorMessage();
    if (!msg.empty()) return msg;
    for (const auto& v : versions_) {
        msg = ErrorMessageIn(v->Scenario());
        if (!msg.empty()) return msg;
    }
    return {};
}

bool TVersionedEntity::IsValid() const {
    // Entity-level values count too, so that IsValid agrees with ErrorMessage and invalid
    // coordinates or study parameters are collected by validation.
    if (!TEntity::ErrorMessage().empty()) return false;
    for (const auto& v : versions_)
        if (!IsValidIn(v->Scenario())) return false;
    return true;
}

void TVersionedEntity::RemoveVersion(TScenario* scenario) {
    if (versions_.Find(scenario))
        undo::Perform(std::make_unique<TVersionUndoer>(this, scenario, std::nullopt));
    Normalize();
}

void TVersionedEntity::CopyVersion(TScenario* from, TScenario* to) {
    const TVersion* v = versions_.Find(from);
    if (!v) return;
    auto records = Snapshot(*v);
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        SetVersionedValue(to, Specs().ById(it->first), it->second);
}

void TVersionedEntity::MoveVersion(TScenario* from, TScenario* to) {
    if (from == to) return;
    const TVersion* v = versions_.Find(from);
    if (!v) return;
    auto records = Snapshot(*v);
    // The source is cleared first: when the target inherits from the source, writing first
    // would store nothing there and the values would be lost with the source's.
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        SetVersionedValue(from, Specs().ById(it->first), TValue());
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        SetVersionedValue(to, Specs().ById(it->first), it->second);
}

void TVersionedEntity::InheritVersionsFrom(const TVersionedEntity& other, TScenario* scenario) {
    for (TScenario* s = scenario; s; s = s->Parent()) {
        const TVersion* v = other.versions_.Find(s);
        if (!v) continue;
        auto records = Snapshot(*v);
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            SetVersionedValue(s, Specs().ById(it->first), it->second);
    }
}

std::unique_ptr<TScenarioList>
TVersionedEntity::ScenariosWithVersions(const TScenarioList& scenarios) const {
    auto list = NewScenarioRefList();
    for (std::size_t i = 0; i < scenarios.Count(); ++i)
        if (HasVersion(scenarios.Get(i))) list->Add(scenarios.Get(i));
    return list;
}

void TVersionedEntity::Normalize() {
    std::vector<TScenario*> scenarios;
    for (const auto& v : versions_)
        scenarios.push_back(v->Scenario());
    for (TScenario* s : scenarios) {
        TScenario* parent = s->Parent();
        TVersion* v = versions_.Find(s);
        if (!parent || !v) continue;
        for (auto& [id, value] : Snapshot(*v)) {
            const TVersionedProperty up = Resolve(parent, id);
            if (up && ValuesEqual(value, up.Value())) versions_.Find(s)->SetValue(id, TValue());
        }
    }
    for (TScenario* s : scenarios)
        DropVersionIfEmpty(s);
}

void TVersionedEntity::Copy(const TEntity& other) {
    TEntity::Copy(other);
    if (auto* o = dynamic_cast<const TVersionedEntity*>(&other)) project_ = o->project_;
}

void TVersionedEntity::AssignProperties(const TEntity& other) {
    TEntity::AssignProperties(other);
    auto* o = dynamic_cast<const TVersionedEntity*>(&other);
    if (!o) return;
    for (const auto& v : o->versions_)
        for (auto& [id, value] : Snapshot(*v))
            SetVersionedValue(v->Scenario(), Specs().ById(id), value);
}

PVProperty TVersionedEntity::GetVersionedProperty(TScenario* scenario, std::int32_t id) {
    return std::make_shared<TVPropertyProxy>(this, scenario, &Specs().ById(id));
}

void TVersionedEntity::Store(TPersistWriter& writer) const {
    TEntity::Store(writer);
    writer.BeginList(true, static_cast<std::uint32_t>(versions_.Count()));
    std::uint32_t position = 0;
    for (const auto& v : versions_) {
        writer.ListItem(++position);
        writer.WriteRef(v->Scenario());
        writer.BeginList(true, static_cast<std::uint32_t>(v->Count()));
        std::uint32_t n = 0;
        for (const TProperty& p : *v) {
            writer.ListItem(++n);
            writer.WriteUInt8(static_cast<std::uint8_t>(p.Id()));
            writer.WriteValue(p.value);
        }
        writer.EndList();
    }
    writer.EndList();
}

void TVersionedEntity::Load(TPersistReader& reader) {
    TEntity::Load(reader);
    LoadVersions(reader);
}

void TVersionedEntity::LoadVersions(TPersistReader& reader) {
    while (versions_.Count() > 0)
        versions_.RawExtract(versions_.At(versions_.Count() - 1).Scenario());
    bool owning = false;
    const std::uint32_t count = reader.BeginList(owning);
    for (std::uint32_t i = 0; i < count; ++i) {
        reader.ListItem(i + 1);
        auto* scenario = KindCast<TScenario>(reader.ReadRef());
        // A version without a scenario and a pair without identifier are dropped.
        reader.ReadPropertyPairs(scenario ? &RawVersion(scenario) : nullptr, true);
    }
    reader.EndList();
}

// ---- TVPropertyProxy --------------------------------------------------------------------------

TVPropertyProxy::TVPropertyProxy(TVersionedEntity* entity, TScenario* scenario,
                                 const TPropSpec* spec)
    : TPropertyProxy(entity, spec), ventity_(entity), scenario_(scenario) {
    Refresh();
}

TVPropertyProxy::TVPropertyProxy(TVersionedEntity* entity, TScenario* scenario,
                                 const TPropSpec* spec, TValue value)
    : TPropertyProxy(entity, spec, std::move(value)), ventity_(entity), scenario_(scenario) {
    resolvedIn_ = ventity_->Resolve(scenario_, spec_->Id()).scenario;
}

void TVPropertyProxy::Refresh() {
    const TVersionedProperty r = ventity_->Resolve(scenario_, spec_->Id());
    value_ = r ? r.Value() : spec_->Default();
    resolvedIn_ = r.scenario;
}

void TVPropertyProxy::SetValue(const TValue& value) {
    // No shortcut on the cached value: when nothing resolves, the cache shows the default, and
    // an explicit default must still be stored so that it keeps overriding later changes up the
    // tree. The versioned write itself stores nothing where the value is already inherited.
    ventity_->SetVersionedValue(scenario_, *spec_, value);
    Refresh();
    forcedDefault_ = forcedDefault_ && value.IsEmpty();
}

bool TVPropertyProxy::IsUnset() const {
    return !ventity_->Resolve(scenario_, spec_->Id());
}

TScenario* TVPropertyProxy::Scenario() const {
    if (resolvedIn_) return resolvedIn_;
    return scenario_ ? scenario_->Base() : nullptr;
}

bool TVPropertyProxy::DiffersFromInherited() const {
    const TVersionedProperty r = ventity_->Resolve(scenario_, spec_->Id());
    if (!r || r.scenario != scenario_) return false;
    const TValue inherited = scenario_->Parent()
                                 ? ventity_->GetValueIn(scenario_->Parent(), spec_->Id())
                                 : spec_->Default();
    return !ValuesEqual(r.Value(), inherited);
}

bool TVPropertyProxy::IsDefault() const {
    if (forcedDefault_) return true;
    if (!ValuesEqual(value_, spec_->Default())) return false;
    return !scenario_ || scenario_->IsBase() || !DiffersFromInherited();
}

// ---- TVersionedEntityList ---------------------------------------------------------------------

void TVersionedEntityList::SetProject(TProjectI* project) {
    project_ = project;
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->SetProject(project);
}

bool TVersionedEntityList::AnyHasVersion(const TScenario* scenario) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (Get(i)->HasVersion(scenario)) return true;
    return false;
}

void TVersionedEntityList::RemoveVersion(TScenario* scenario) {
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->RemoveVersion(scenario);
    MarkUnsorted();
}

void TVersionedEntityList::CopyVersion(TScenario* from, TScenario* to) {
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->CopyVersion(from, to);
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->Normalize();
}

void TVersionedEntityList::MoveVersion(TScenario* from, TScenario* to) {
    if (from == to) return;
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->MoveVersion(from, to);
}

void TVersionedEntityList::Normalize() {
    for (std::size_t i = 0; i < Count(); ++i)
        Get(i)->Normalize();
}

bool TVersionedEntityList::AnyUsedIn(const TScenario* scenario) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (Get(i)->IsUsedIn(scenario)) return true;
    return false;
}

std::unique_ptr<TScenarioList>
TVersionedEntityList::ScenariosWithVersions(const TScenarioList& scenarios) const {
    auto list = NewScenarioRefList();
    for (std::size_t k = 0; k < scenarios.Count(); ++k)
        if (AnyHasVersion(scenarios.Get(k))) list->Add(scenarios.Get(k));
    return list;
}

bool TVersionedEntityList::IsValidIn(const TScenario* scenario) const {
    return ErrorMessageIn(scenario).empty();
}

std::string TVersionedEntityList::ErrorMessageIn(const TScenario* scenario) const {
    for (std::size_t i = 0; i < Count(); ++i) {
        std::string msg = Get(i)->ErrorMessageIn(scenario);
        if (!msg.empty()) return msg;
    }
    return {};
}

void TVersionedEntityList::CollectInvalidIn(const TScenario* scenario, TEntityList& into) const {
    for (std::size_t i = 0; i < Count(); ++i)
        if (!Get(i)->IsValidIn(scenario)) into.Add(Get(i));
}

int TVersionedEntityList::StatusIn(const TScenario* scenario) const {
    for (std::size_t i = 0; i < Count(); ++i) {
        if (!Get(i)->IsValidIn(scenario)) return 1;
        if (Get(i)->HasVersion(scenario)) return 2;
    }
    return 0;
}

} // namespace zep::model
