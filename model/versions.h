// Versioned entities: values held per scenario and resolved up the scenario tree, existence per
// scenario, the version operations, and the versioned accessor.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/ENTITY.h"
#include "model/SCENARIO.h"
#include "undo/Undo_.h"

namespace zep::model {

class TProjectI; // the project (declared with the project); versioned entities point to it

class TVersionedEntity;

/// The values one versioned entity holds for one scenario: a property list plus its scenario.
/// Versions live inline in their entity's version list and move when it grows, so their writes
/// are recorded by (entity, scenario, identifier), never by address.
class TVersion : public TPropertyList {
public:
    TVersion(TScenario* scenario, TVersionedEntity* entity)
        : scenario_(scenario), entity_(entity) {}
    TVersion(TVersion&&) noexcept = default;
    TVersion& operator=(TVersion&&) noexcept = default;
    TScenario* Scenario() const { return scenario_; }
    TVersionedEntity* Entity() const { return entity_; }
    /// The list's write rule; the undo step finds this version again through its entity.
    void SetValue(std::int32_t id, const TValue& value);
    /// Removes every record (undoably).
    void Clear();

private:
    TScenario* scenario_;
    TVersionedEntity* entity_;
};

/// A resolved versioned value: the record found and the scenario whose version holds it. Empty
/// (false) when nothing resolves. Valid until the entity changes.
struct TVersionedProperty {
    const TProperty* record = nullptr;
    TScenario* scenario = nullptr;
    explicit operator bool() const { return record != nullptr; }
    std::int32_t Id() const { return record->Id(); }
    const TValue& Value() const { return record->value; }
};

/// Hands out versions like pointers, so that `for (const auto& v : list)` gives `v->Find(id)`
/// and `v.get()`.
class TVersionRef {
public:
    explicit TVersionRef(TVersion* v) : v_(v) {}
    TVersion* get() const { return v_; }
    TVersion* operator->() const { return v_; }
    TVersion& operator*() const { return *v_; }

private:
    TVersion* v_;
};

/// An entity's versions, one per scenario, in scenario creation order. The first version is
/// held inside the list itself, so that the common case (values in one scenario only) costs
/// no allocation and no extra memory access; the others follow in a vector allocated only when
/// there are any (which keeps the entity small). Pointers to versions are valid until the list
/// changes.
class TVersionList {
public:
    TVersion* Find(const TScenario* scenario) const {
        if (first_.Scenario() == scenario && scenario) return &first_;
        if (rest_)
            for (TVersion& v : *rest_)
                if (v.Scenario() == scenario) return &v;
        return nullptr;
    }
    std::size_t Count() const { return (first_.Scenario() ? 1 : 0) + (rest_ ? rest_->size() : 0); }
    /// The first version when there is no other one (its scenario is null when the list is
    /// empty); nullptr when there are several.
    const TVersion* Single() const { return rest_ ? nullptr : &first_; }
    TVersion& At(std::size_t i) const { return i == 0 ? first_ : (*rest_)[i - 1]; }

    class Iterator {
    public:
        Iterator(const TVersionList* list, std::size_t i) : list_(list), i_(i) {}
        TVersionRef operator*() const { return TVersionRef(&list_->At(i_)); }
        Iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator!=(const Iterator& o) const { return i_ != o.i_; }
        bool operator==(const Iterator& o) const { return i_ == o.i_; }

    private:
        const TVersionList* list_;
        std::size_t i_;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, Count()); }

    /// Inserts at the position of its scenario's serial (no undo step).
    void RawInsert(TVersion&& version);
    /// Takes the scenario's version out (no undo step); nothing when absent.
    std::optional<TVersion> RawExtract(const TScenario* scenario);

private:
    mutable TVersion first_{nullptr, nullptr};    // no scenario: the list is empty
    std::unique_ptr<std::vector<TVersion>> rest_; // null when there is at most one version
};

/// The accessor of a property in one scenario.
class IVProperty : public virtual IProperty {
public:
    /// The scenario whose version holds the resolved value; the base scenario when none does.
    virtual TScenario* Scenario() const = 0;
    /// The accessor's own scenario holds the value and it differs from what the parent
    /// resolves (from the default in the base scenario).
    virtual bool DiffersFromInherited() const = 0;
};

using PVProperty = std::shared_ptr<IVProperty>;

/// An entity whose values (other than identity, name and psAttribute/psUnversioned ones) are
/// held per scenario, in one TVersion per scenario that differs from what it inherits. A read
/// walks from the scenario up to the base to the first version holding the property, and falls
/// back to the default. Existence in a scenario is the resolved "used" (255).
class TVersionedEntity : public TEntity {
public:
    explicit TVersionedEntity(TProjectI* project = nullptr) : project_(project) {}
    ~TVersionedEntity() override = default;

    const char* ClassName() const override { return "TVersionedEntity"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TVersionedEntity>(project_);
    }

    /// Entity body, then the versions (scenario ref and (id, value) pairs each).
    void Store(TPersistWriter& writer) const override;
    void Load(TPersistReader& reader) override;
    /// Replaces the versions by a version list as Store writes it after the entity body.
    void LoadVersions(TPersistReader& reader);
    /// Copy of TEntity plus the project.
    void Copy(const TEntity& other) override;
    /// Also copies every version's values into the same scenarios.
    void AssignProperties(const TEntity& other) override;
    /// The entity-level message when there is one, else the first ErrorMessageIn over the
    /// scenarios of the versions.
    std::string ErrorMessage() const override;
    /// The entity-level values are valid and IsValidIn holds in every scenario with a version.
    bool IsValid() const override;

    virtual void SetProject(TProjectI* project) { project_ = project; }
    TProjectI* Project() const { return project_; }
    /// An accessor for property `id` in `scenario`.
    virtual PVProperty GetVersionedProperty(TScenario* scenario, std::int32_t id);
    /// The resolved record of `spec`'s property in `scenario`, or an empty result.
    virtual TVersionedProperty FindVersionedProperty(const TScenario* scenario,
                                                     const TPropSpec& spec) const;
    /// Stores `value` in `scenario` only where it differs from what the scenario inherits
    /// (removing the scenario's own record otherwise). Converts it to the property's type;
    /// never refuses it. Undoable.
    virtual void SetVersionedValue(TScenario* scenario, const TPropSpec& spec, const TValue& value);
    virtual bool IsValidIn(const TScenario* scenario) const;
    /// The first message over the scenario's own values in identifier order; empty when valid
    /// or when the entity is not used there.
    virtual std::string ErrorMessageIn(const TScenario* scenario) const;
    /// The scenario holds a version with at least one value.
    virtual bool HasVersion(const TScenario* scenario) const;
    /// The scenario's own version holds a value for any of `ids`.
    virtual bool ChangedAnyOf(const TScenario* scenario, const std::bitset<256>& ids) const;
    /// Drops the scenario's version, then Normalize.
    virtual void RemoveVersion(TScenario* scenario);
    /// Writes every value of `from`'s own version into `to` (last record first).
    virtual void CopyVersion(TScenario* from, TScenario* to);
    /// Writes every value of `from`'s own version into `to` and clears it in `from`.
    virtual void MoveVersion(TScenario* from, TScenario* to);
    /// Walking from `scenario` to the base, writes each version of `other` found on the way into
    /// this entity in that version's scenario.
    virtual void InheritVersionsFrom(const TVersionedEntity& other, TScenario* scenario);
    /// A new reference list of the scenarios of `scenarios` in which HasVersion holds.
    virtual std::unique_ptr<TScenarioList>
    ScenariosWithVersions(const TScenarioList& scenarios) const;
    /// Removes every value equal to what the parent scenario resolves, then every empty version
    /// of a scenario with a parent. Undoable.
    virtual void Normalize();
    /// Whether Normalize would drop `record` of `version`: the version's scenario has a parent
    /// that resolves an equal value. Writers use this to write the compacted form without
    /// changing the entity (which would pull the ground from under the undo history).
    bool IsRedundant(const TVersion& version, const TProperty& record) const {
        const TScenario* parent = version.Scenario() ? version.Scenario()->Parent() : nullptr;
        if (!parent) return false;
        const TVersionedProperty up = Resolve(parent, record.Id());
        return up && ValuesEqual(record.value, up.Value());
    }
    /// Whether Normalize would keep `version`: it belongs to the base scenario or keeps a value.
    bool KeepsVersion(const TVersion& version) const {
        if (!version.Scenario() || !version.Scenario()->Parent()) return true;
        for (const TProperty& p : version)
            if (!IsRedundant(version, p)) return true;
        return false;
    }
    virtual bool IsUsedIn(const TScenario* scenario) const;
    virtual void SetUsedIn(TScenario* scenario, bool used);
    /// The scenario itself sets "used" to false.
    virtual bool RemovedIn(const TScenario* scenario) const;
    /// The scenario itself sets "used" to true.
    virtual bool AddedIn(const TScenario* scenario) const;
    virtual bool ChangedIn(const TScenario* scenario) const { return HasVersion(scenario); }

    /// FindVersionedProperty by identifier.
    TVersionedProperty Resolve(const TScenario* scenario, std::int32_t id) const {
        if (const TVersion* v = versions_.Single()) {
            // The common case, at most one version: only whether it lies on the way up matters.
            if (scenario && scenario->DescendsFrom(v->Scenario()))
                if (const TProperty* p = v->Find(id)) return {p, v->Scenario()};
            return {};
        }
        return ResolveAmongVersions(scenario, id);
    }
    /// The resolved value in `scenario`, or the default.
    TValue GetValueIn(const TScenario* scenario, std::int32_t id) const;
    std::int32_t GetIntegerIn(const TScenario* s, std::int32_t id) const {
        return GetValueIn(s, id).ToInteger();
    }
    double GetFloatIn(const TScenario* s, std::int32_t id) const {
        if (TVersionedProperty r = Resolve(s, id)) return r.Value().ToDouble();
        return DefaultOf(id).ToDouble();
    }
    bool GetBooleanIn(const TScenario* s, std::int32_t id) const {
        return GetValueIn(s, id).ToBool();
    }
    TZEPPersistent* GetObjectIn(const TScenario* s, std::int32_t id) const {
        return GetValueIn(s, id).ToObject();
    }
    /// The display text in the scenario.
    std::string GetStringIn(const TScenario* s, std::int32_t id) const;
    /// SetVersionedValue by identifier.
    void SetValueIn(TScenario* scenario, std::int32_t id, const TValue& value);

    const TVersionList& Versions() const { return versions_; }
    /// The scenario's own version, or nullptr (read-only: write through SetVersionedValue).
    const TVersion* VersionOf(const TScenario* scenario) const { return versions_.Find(scenario); }
    /// Raw access for loaders (no undo): the scenario's version, created when missing.
    TVersion& RawVersion(TScenario* scenario);

    /// Bit 0: created through the project. Plain data otherwise.
    std::uint8_t stateFlags_ = 0;

    bool NewInRecordingTransaction() const override {
        return madeIn_ != 0 && madeIn_ == undo::RecordingTransactionSerial();
    }

private:
    friend class TVersionUndoer;
    friend class TVersionValueUndoer;
    TVersionedProperty ResolveAmongVersions(const TScenario* scenario, std::int32_t id) const;
    const TValue& DefaultOf(std::int32_t id) const;
    void RemoveRecordIn(TScenario* scenario, std::int32_t id);
    TVersion& EnsureVersion(TScenario* scenario);
    void DropVersionIfEmpty(TScenario* scenario);

    // The transaction that recorded while the entity was made (0: none). Beside stateFlags_,
    // it takes no room of its own.
    std::uint32_t madeIn_ = undo::RecordingTransactionSerial();
    TVersionList versions_;
    TProjectI* project_;
};

/// The undo step of adding or dropping a version: holds the version while it is out of the
/// entity and swaps it in or out. Do, Undo and Redo all swap.
class TVersionUndoer : public undo::TUndoer {
public:
    /// `held`: the version to insert, or nothing to take the scenario's version out.
    TVersionUndoer(TVersionedEntity* entity, TScenario* scenario, std::optional<TVersion> held)
        : entity_(entity), scenario_(scenario), held_(std::move(held)) {}
    void Do() override;
    void Undo() override { Do(); }
    void Redo() override { Do(); }

private:
    TVersionedEntity* entity_;
    TScenario* scenario_;
    std::optional<TVersion> held_;
};

/// The undo step of one value in one version: swaps the held value (empty: no record) with the
/// version's. Do, Undo and Redo all swap.
class TVersionValueUndoer : public undo::TUndoer {
public:
    TVersionValueUndoer(TVersionedEntity* entity, TScenario* scenario, std::int32_t id,
                        TValue saved)
        : entity_(entity), scenario_(scenario), id_(id), saved_(std::move(saved)) {}
    void Do() override;
    void Undo() override { Do(); }
    void Redo() override { Do(); }

private:
    TVersionedEntity* entity_;
    TScenario* scenario_;
    std::int32_t id_;
    TValue saved_;
};

/// The accessor of one property of a versioned entity in one scenario.
class TVPropertyProxy : public TPropertyProxy, public IVProperty {
public:
    TVPropertyProxy(TVersionedEntity* entity, TScenario* scenario, const TPropSpec* spec);
    /// With an explicit value: the accessor reports IsDefault (forced default).
    TVPropertyProxy(TVersionedEntity* entity, TScenario* scenario, const TPropSpec* spec,
                    TValue value);

    void SetValue(const TValue& value) override;
    bool IsUnset() const override;
    bool IsDefault() const override;
    TScenario* Scenario() const override;
    bool DiffersFromInherited() const override;
    TScenario* OwnScenario() const { return scenario_; }

private:
    void Refresh();
    TVersionedEntity* ventity_;
    TScenario* scenario_;
    TScenario* resolvedIn_ = nullptr;
};

/// A list of versioned entities of one project; applies the version operations to every entity.
class TVersionedEntityList : public TEntityList {
public:
    explicit TVersionedEntityList(bool owns = true, TProjectI* project = nullptr)
        : TEntityList(owns), project_(project) {}
    const char* ClassName() const override { return "TVersionedEntityList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TVersionedEntityList>(owns, project_);
    }

    TVersionedEntity* Get(std::size_t index) const {
        return static_cast<TVersionedEntity*>(Item(index));
    }
    /// For the list and every entity.
    virtual void SetProject(TProjectI* project);
    TProjectI* Project() const { return project_; }
    virtual bool AnyHasVersion(const TScenario* scenario) const;
    /// On every entity; the list is then marked unsorted.
    virtual void RemoveVersion(TScenario* scenario);
    /// On every entity, then Normalize on every entity.
    virtual void CopyVersion(TScenario* from, TScenario* to);
    /// On every entity; nothing when from and to are the same.
    virtual void MoveVersion(TScenario* from, TScenario* to);
    virtual void Normalize();
    virtual bool AnyUsedIn(const TScenario* scenario) const;
    /// The union over all entities, as a new reference list in scenario order.
    virtual std::unique_ptr<TScenarioList>
    ScenariosWithVersions(const TScenarioList& scenarios) const;
    virtual bool IsValidIn(const TScenario* scenario) const;
    /// The message of the first entity invalid in the scenario; empty when all are valid.
    virtual std::string ErrorMessageIn(const TScenario* scenario) const;
    virtual void CollectInvalidIn(const TScenario* scenario, TEntityList& into) const;
    /// Walking the entities in order: 1 at the first invalid in the scenario, 2 at the first
    /// with a version in it, whichever comes first; 0 when neither.
    int StatusIn(const TScenario* scenario) const;

private:
    TProjectI* project_;
};

} // namespace zep::model
