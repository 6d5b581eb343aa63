// Entities: objects with an identifier, a name, a description and entity-level property values;
// their lists with identifier assignment and change announcements; the entity-level accessor.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/Stream.h"
#include "model/IndexShifts.h"
#include "model/Observer.h"
#include "model/PROPS.h"
#include "model/Persistent.h"
#include "model/PersistentList.h"
#include "model/PropSpec.h"

namespace zep::model {

class TEntityList;

/// Identifiers of the properties every entity class shares.
constexpr std::int32_t kPropName = 250;
constexpr std::int32_t kPropId = 253;
constexpr std::int32_t kPropDescription = 254;
constexpr std::int32_t kPropOldName = 255;
constexpr std::int32_t kPropUsed = 255; ///< versioned entities: exists in a scenario

/// The list index of an entity that is in no owning list.
constexpr std::int32_t kNoListIndex = std::numeric_limits<std::int32_t>::min() + 1;

/// An object with an identifier (property 253), a name (250), a description (254) and other
/// entity-level values. Values equal to their default are never stored. Entities are owned by
/// one owning TEntityList; a deleted entity stays alive while an undo record holds it.
class TEntity : public TZEPPersistent {
public:
    TEntity() = default;
    TEntity(const TEntity&) = delete;
    TEntity& operator=(const TEntity&) = delete;
    ~TEntity() override = default;

    const char* ClassName() const override { return "TEntity"; }

    /// Reads the entity body (its property list) from the object stream.
    void Load(TPersistReader& reader) override { LoadProperties(reader); }
    /// Writes the entity body (its property list).
    void Store(TPersistWriter& writer) const override { StoreProperties(writer); }
    /// Writes the property list as (1-byte id, value) pairs.
    virtual void StoreProperties(TPersistWriter& writer) const;
    /// Replaces the property list, re-reads the identifier and moves a legacy "old_name" to the
    /// name when there is no name.
    virtual void LoadProperties(TPersistReader& reader);
    /// The entity-level record, or nullptr.
    virtual const TProperty* FindProperty(std::int32_t id) const { return props_.Find(id); }
    /// Converts the value to the property's type and stores it when it is not empty and differs
    /// from the default (else removes it); never refuses a value. Undoable.
    virtual void SetProperty(std::int32_t id, const TValue& value);
    /// The identifier (cached).
    virtual std::int32_t Id() const;
    virtual std::string GetDescription() const;
    virtual std::string GetName() const;
    /// "id name description"; an internal entity's name in square brackets.
    virtual std::string GetListText() const;
    /// Registers a TEntityChangeUndoer when an undo transaction is open.
    virtual void Changed();
    /// Made in the transaction that records now: undoing it frees the entity, so changes of the
    /// entity's own values need no undo records.
    virtual bool NewInRecordingTransaction() const { return false; }
    /// Whether a change of the entity's own values is recorded now: a transaction records, and
    /// it did not make the entity.
    bool RecordsOwnChanges() const;
    /// Called when an undo touched this entity: forgets the cached identifier.
    virtual void ChangeUndone() { ResetIdCache(); }
    virtual void ResetIdCache();
    /// The class's specification set, built once.
    static TPropSpecSet& ClassSpecs();
    /// The set of this object's class (each kind overrides it to return its ClassSpecs()).
    virtual TPropSpecSet& Specs() const { return ClassSpecs(); }
    /// Creates an empty entity of the same class (and project) as this one.
    virtual std::unique_ptr<TEntity> CreateLike() const { return std::make_unique<TEntity>(); }
    /// Called when an owning list deletes the entity: let go of links to other entities.
    virtual void Dettach() {}
    /// AssignProperties(other), then other's name, description and identifier.
    virtual void Copy(const TEntity& other);
    /// Writes the record of the model's binary network file: low 16 bits of the list index,
    /// the identifier, and the trimmed OEM name in a zero-filled 32-byte field.
    virtual void StoreZEPTPar(TStream& out) const;
    /// Copies every entity-level value of other except those holding entity lists.
    virtual void AssignProperties(const TEntity& other);
    /// Created by the system: identifier below zero.
    virtual bool Internal() const { return Id() < 0; }
    virtual bool IsObsoleteInternal() const { return false; }
    /// The decimal absolute value of the identifier.
    virtual std::string IdText() const;
    /// The identifier's key text: prefix, "_", IdText (n_7).
    virtual std::string KeyText() const;
    /// The first message over the entity-level values in identifier order, followed by " [D]";
    /// empty when all are valid.
    virtual std::string ErrorMessage() const;
    virtual bool IsValid() const { return ErrorMessage().empty(); }

    void SetId(std::int32_t id) { SetProperty(kPropId, TValue(id)); }
    /// Sets the name, trimmed of characters with codes up to 32.
    void SetName(const std::string& name);
    void SetDescription(const std::string& description);

    /// The entity's own value, or the specification's default.
    TValue GetValue(std::int32_t id) const;
    std::int32_t GetInteger(std::int32_t id) const { return GetValue(id).ToInteger(); }
    double GetFloat(std::int32_t id) const { return GetValue(id).ToDouble(); }
    /// The display text (the specification's DisplayText).
    std::string GetString(std::int32_t id) const;
    bool GetBoolean(std::int32_t id) const { return GetValue(id).ToBool(); }
    TZEPPersistent* GetObject(std::int32_t id) const { return GetValue(id).ToObject(); }
    void SetInteger(std::int32_t id, std::int32_t v) { SetProperty(id, TValue(v)); }
    void SetFloat(std::int32_t id, double v) { SetProperty(id, TValue(v)); }
    void SetString(std::int32_t id, const std::string& v) { SetProperty(id, TValue(v)); }
    void SetBoolean(std::int32_t id, bool v) { SetProperty(id, TValue(v)); }
    void SetObject(std::int32_t id, const TZEPPersistent* v) { SetProperty(id, TValue(v)); }

    /// An accessor for one entity-level property.
    PProperty GetProperty(std::int32_t id);
    /// A copy of this entity of the same class with identifier 0 (its list gives it a new one).
    std::unique_ptr<TEntity> Clone() const;

    /// The entity-level values (read-only; write through SetProperty).
    const TPropertyList& Properties() const { return props_; }
    /// Raw access for loaders that fill an entity before it is in use (records no undo).
    TPropertyList& RawProperties() { return props_; }
    /// The entity's index in its owning list (kNoListIndex outside one).
    std::int32_t ListIndex() const;
    /// The owning list the entity is in, or nullptr.
    TEntityList* OwnerList() const { return ownerList_; }

private:
    friend class TEntityList;
    std::int32_t listIndex_ = kNoListIndex;
    mutable std::int32_t cachedId_ = 0; // 0: read from the property list
    TEntityList* ownerList_ = nullptr;
    TPropertyList props_;
};

/// The undo step of an entity-level change: doing it does nothing, undoing it makes the entity
/// read its identifier again.
class TEntityChangeUndoer : public undo::TUndoer {
public:
    explicit TEntityChangeUndoer(TEntity* entity) : entity_(entity) {}
    void Do() override {}
    void Undo() override { entity_->ChangeUndone(); }
    void Redo() override { entity_->ChangeUndone(); }

private:
    TEntity* entity_;
};

/// A list of entities. An owning list numbers its entities (list index), gives identifier 0 the
/// next free identifier, frees deleted entities (after Dettach) and announces additions and
/// removals on its subject. Sorted by absolute identifier, then identity, when asked.
class TEntityList : public TPersistentList {
public:
    explicit TEntityList(bool owns = true) : TPersistentList(owns) {}
    ~TEntityList() override;

    const char* ClassName() const override { return "TEntityList"; }

    /// Creates an empty list of the same class.
    virtual std::unique_ptr<TEntityList> CreateLike(bool owns) const {
        return std::make_unique<TEntityList>(owns);
    }
    /// Renumbers the list indexes (owning lists), then writes each entity's record.
    virtual void StoreZEPTPar(TStream& out);
    /// Clears, then adds a clone of each entity of other; sorts when other is sorted.
    virtual void Assign(const TEntityList& other);
    /// The number of entities that are not internal.
    virtual std::size_t CountVisible() const;
    /// Adds every entity that is not valid to `into` (a reference list).
    virtual void CollectInvalid(TEntityList& into) const;

    /// Appends (undoably); an owning list sets the list index and gives identifier 0 NextId.
    /// Marks the list unsorted.
    std::size_t Add(TZEPPersistent* item) override;
    /// Dettach (owning lists), then the undoable deletion.
    void Delete(std::size_t index) override;
    /// An owning list's entity knows its index.
    std::ptrdiff_t IndexHint(const TZEPPersistent* item) const override {
        return Owns() && item ? static_cast<const TEntity*>(item)->ListIndex() : -1;
    }
    /// The deletion without Dettach, for a caller that has emptied the other lists that hold
    /// the entity already.
    void DeleteDetached(std::size_t index) { TPersistentList::Delete(index); }
    /// Absolute identifier, then object identity.
    int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const override;
    /// Announces a bulk change on the subject.
    void Changed() override;

    TEntity* Get(std::size_t index) const { return static_cast<TEntity*>(Item(index)); }
    template <class T> T* GetAs(std::size_t index) const { return static_cast<T*>(Item(index)); }
    /// The first entity with the identifier, nullptr when absent. A long owning list answers
    /// from a table of identifiers built on the first search and kept up to date after.
    TEntity* FindById(std::int32_t id) const;
    /// Linear search for the trimmed name (exact, case-sensitive); nullptr when absent.
    TEntity* FindByName(const std::string& name) const;
    /// One more than the largest identifier, but at least Count() + 1.
    std::int32_t NextId() const;
    /// A new list of the same class and ownership holding clones.
    std::unique_ptr<TEntityList> Clone() const;
    /// Sorts when not sorted.
    void EnsureSorted();
    /// The list's subject (created on first use).
    TSubject& Subject();
    bool HasSubject() const { return subject_ != nullptr; }

    /// An entity of this (owning) list changed its identifier.
    void IdChanged(std::int32_t oldId, std::int32_t newId);
    /// Clears the sorted flag (undoably).
    void MarkUnsorted();
    /// Forgets the cached largest identifier.
    void InvalidateMaxId() { maxIdValid_ = false; }
    /// An entity of this (owning) list may have changed its identifier; `indexedId` is the one
    /// it had when last asked.
    void IdMayChange(TEntity* entity, std::int32_t indexedId);
    /// Brings every entity's list index up to date now (owning lists).
    void RenumberAll() { Renumber(0); }
    /// Brings the list indexes and the position map up to date where changes in the middle
    /// left shifts pending, so that removals from the end no longer walk them.
    void SettleIndexes() {
        if (IndexesPending()) RenumberAll();
        SettlePositions();
    }
    /// The list index of an entity of this owning list while changes are pending (ListIndex).
    std::int32_t CurrentIndex(const TEntity* entity) const;
    bool IndexesPending() const { return shifts_.Pending(); }

protected:
    void ItemAdded(std::size_t index, TZEPPersistent* item) override;
    void ItemRemoving(std::size_t index, TZEPPersistent* item) override;
    void ItemRemoved(std::size_t index, TZEPPersistent* item) override;
    /// An owning list renumbers once for all of them.
    void ItemsRemoved(std::size_t first, const std::vector<TZEPPersistent*>& items) override;
    void ItemsAdded(std::size_t first, const std::vector<TZEPPersistent*>& items) override;
    void Reordered() override;

private:
    void Announce(TObject* argument);
    void Renumber(std::size_t from);

    // List indexes after changes in the middle, settled lazily (the owning list's share of
    // the mechanism its position map uses too).
    TIndexShifts shifts_;

    // The identifier table of FindById: each identifier's first entity in list order, plus the
    // entities whose identifier may have changed since (an undo restores the identifier only
    // after telling its entity), settled on the next search.
    struct TIdIndex {
        std::unordered_map<std::int32_t, TEntity*> first;
        std::vector<std::pair<TEntity*, std::int32_t>> pending; // entity, identifier it is under
        bool duplicates = false;
    };
    static constexpr std::size_t kIdIndexFrom = 32;
    void BuildIdIndex() const;
    void SettleIdIndex() const;
    void PlaceInIdIndex(TEntity* e) const;
    mutable std::unique_ptr<TIdIndex> ids_;

    std::unique_ptr<TSubject> subject_;
    mutable std::int32_t maxId_ = 0;
    mutable bool maxIdValid_ = false;
};

inline std::int32_t TEntity::ListIndex() const {
    if (ownerList_ && ownerList_->IndexesPending()) return ownerList_->CurrentIndex(this);
    return listIndex_;
}

/// The accessor of one entity-level property: caches the value (the entity's own, or the
/// default) and writes through SetProperty.
class TPropertyProxy : public TPropertyImpl {
public:
    TPropertyProxy(TEntity* entity, const TPropSpec* spec);
    /// With an explicit value: the accessor reports IsDefault (forced default).
    TPropertyProxy(TEntity* entity, const TPropSpec* spec, TValue value);

    std::int32_t GetId() const override { return spec_->Id(); }
    void SetValue(const TValue& value) override;
    TValue GetValue() const override { return value_; }
    const TPropSpec* Spec() const override { return spec_; }
    bool IsUnset() const override;
    bool IsDefault() const override;
    /// Object properties: "nil" when unset, the referenced entity's identifier, or "???".
    std::string GetAsString() const override;
    /// Object properties: "nil", the referenced entity's KeyText, or "???".
    std::string KeyText() const override;
    TEntity* Entity() const { return entity_; }

protected:
    TEntity* entity_;
    const TPropSpec* spec_;
    TValue value_;
    bool forcedDefault_ = false;
};

} // namespace zep::model
