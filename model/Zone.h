// Zones: the nodes that are origins and destinations of trips; the zone kinds of the land-use
// model, their OD pairs and exogenous trips.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/NODE.h"

namespace zep::model {

/// A node that is a traffic zone; the land-use zone kinds derive from it.
class TZone : public TNode {
public:
    static constexpr std::int32_t kExternal = 20, kMacroZone = 21, kInternalCostFactor = 30;

    using TNode::TNode;
    const char* ClassName() const override { return "TZone"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TZone>(Project());
    }

    bool IsZone() const override { return true; }
    /// "external" as a boolean.
    virtual bool IsExternal() const { return GetBoolean(kExternal); }
    virtual void SetExternal(bool external) { SetBoolean(kExternal, external); }
};

class TZoneList : public TNodeList {
public:
    using TNodeList::TNodeList;
    const char* ClassName() const override { return "TZoneList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TZoneList>(owns, Project());
    }
    /// The zone at index `i`.
    TZone* Get(std::size_t i) const { return GetAs<TZone>(i); }
};

class TCategory;
class TMode;
class TMacroZone;
class TTransportZone;

/// The exogenous trips of one OD pair for one demand category and (optionally) one mode.
class TCategoryMode : public TVersionedEntity {
public:
    static constexpr std::int32_t kTripFactor = 1;
    static constexpr std::int32_t kActualTrips = 2;
    static constexpr std::int32_t kTrips = 3;
    static constexpr std::int32_t kCategory = 30;
    static constexpr std::int32_t kMode = 31;

    explicit TCategoryMode(TProjectI* project = nullptr, TCategory* category = nullptr,
                           TMode* mode = nullptr);
    const char* ClassName() const override { return "TCategoryMode"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TCategoryMode>(Project());
    }
    /// Inherited copy, then category and mode.
    void Copy(const TEntity& other) override;

    TCategory* Category() const { return category_; }
    TMode* Mode() const { return mode_; }
    /// Field (undoably) and property `category` / `mode`.
    void SetCategory(TCategory* category);
    void SetMode(TMode* mode);

private:
    TCategory* category_;
    TMode* mode_;
};

class TCategoryModeList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TCategoryModeList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TCategoryModeList>(owns, Project());
    }
    TCategoryMode* Get(std::size_t i) const { return GetAs<TCategoryMode>(i); }
};

/// The demand from one transport zone (the origin, whose list owns the pair) to another.
class TODPair : public TVersionedEntity {
public:
    static constexpr std::int32_t kFrom = 30;
    static constexpr std::int32_t kTo = 31;

    explicit TODPair(TProjectI* project = nullptr, TTransportZone* origin = nullptr,
                     TTransportZone* destination = nullptr);
    ~TODPair() override;
    const char* ClassName() const override { return "TODPair"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TODPair>(Project());
    }
    /// Inherited copy, then origin, destination and copies of the category-mode records.
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    bool HasVersion(const TScenario* scenario) const override;
    void RemoveVersion(TScenario* scenario) override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    void Normalize() override;

    TTransportZone* Origin() const { return origin_; }
    TTransportZone* Destination() const { return destination_; }
    /// Field (undoably) and property `from`.
    void SetOrigin(TTransportZone* zone);
    /// Field (undoably) and property `to`.
    void SetDestination(TTransportZone* zone);
    TCategoryModeList& CategoryModes() const { return *records_; }
    /// The record whose category and mode are both the given ones, or nullptr.
    TCategoryMode* CategoryModeFor(const TCategory* category, const TMode* mode) const;
    TCategoryMode* GetOrCreateCategoryModeFor(TCategory* category, TMode* mode);
    /// Deletes the records of the category / of the mode (last first, undoably).
    void DropCategory(const TCategory* category);
    void DropMode(const TMode* mode);

private:
    friend class TODPairList;
    TTransportZone* origin_;
    TTransportZone* destination_;
    std::unique_ptr<TCategoryModeList> records_;
};

/// The OD pairs of one zone (owning); it makes its zone the origin of every pair it holds.
class TODPairList : public TVersionedEntityList {
public:
    TODPairList(bool owns = true, TProjectI* project = nullptr, TTransportZone* zone = nullptr)
        : TVersionedEntityList(owns, project), zone_(zone) {}
    const char* ClassName() const override { return "TODPairList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TODPairList>(owns, Project(), zone_);
    }
    TODPair* Get(std::size_t i) const { return GetAs<TODPair>(i); }
    TTransportZone* Zone() const { return zone_; }
    /// The pair whose destination is `zone`, or nullptr.
    TODPair* FindTo(const TTransportZone* zone) const;

protected:
    void ItemAdded(std::size_t index, TZEPPersistent* item) override;

private:
    TTransportZone* zone_;
};

/// A zone of the transport model: origin of the OD pairs it owns.
class TTransportZone : public TZone {
public:
    explicit TTransportZone(TProjectI* project = nullptr);
    ~TTransportZone() override;
    const char* ClassName() const override { return "TTransportZone"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TTransportZone>(Project());
    }
    /// Inherited copy, then copies of the OD pairs (with this zone as origin).
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    void RemoveVersion(TScenario* scenario) override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    void Normalize() override;

    TODPairList& ODPairs() const { return *odPairs_; }
    /// The pair to `zone`, or nullptr.
    TODPair* ODPairTo(const TTransportZone* zone) const { return odPairs_->FindTo(zone); }
    /// ODPairTo, or a new pair (this -> zone) appended.
    TODPair* GetOrCreateODPairTo(TTransportZone* zone);
    /// Deletes the pair to `zone` (undoably).
    void RemoveODPairTo(const TTransportZone* zone);
    /// Every OD pair drops its records of the category / of the mode.
    void DropCategory(const TCategory* category);
    void DropMode(const TMode* mode);

private:
    std::unique_ptr<TODPairList> odPairs_;
};

/// Transport zones (the project keeps them as references: the node list owns them).
class TTransportZoneList : public TZoneList {
public:
    using TZoneList::TZoneList;
    const char* ClassName() const override { return "TTransportZoneList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TTransportZoneList>(owns, Project());
    }
    TTransportZone* Get(std::size_t i) const { return GetAs<TTransportZone>(i); }
    bool Contains(const TTransportZone* z) const { return IndexOf(z) >= 0; }
};

/// An internal zone; belongs to at most one macro zone (entity-level value `macro_zone`).
class TMicroZone : public TTransportZone {
public:
    using TTransportZone::TTransportZone;
    /// Leaves the macro zone's sub-zone list, so that no macro zone keeps a dangling member.
    ~TMicroZone() override;
    const char* ClassName() const override { return "TMicroZone"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TMicroZone>(Project());
    }
    /// Leaves its macro zone first.
    void Dettach() override;

    TMacroZone* MacroZone() const;
    /// Leaves the current macro zone's sub-zones, sets `macro_zone`, joins the new one's
    /// sub-zones (undoably); nullptr clears it.
    void SetMacroZone(TMacroZone* macro);
};

class TMicroZoneList : public TZoneList {
public:
    using TZoneList::TZoneList;
    const char* ClassName() const override { return "TMicroZoneList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TMicroZoneList>(owns, Project());
    }
    TMicroZone* Get(std::size_t i) const { return GetAs<TMicroZone>(i); }
    bool Contains(const TMicroZone* z) const { return IndexOf(z) >= 0; }
};

/// A zone outside the study area: `external` reads true whatever is written.
class TExternalZone : public TTransportZone {
public:
    explicit TExternalZone(TProjectI* project = nullptr);
    const char* ClassName() const override { return "TExternalZone"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TExternalZone>(Project());
    }
    const TProperty* FindProperty(std::int32_t id) const override;
    /// Writes of `external` are ignored.
    void SetProperty(std::int32_t id, const TValue& value) override;
    bool IsExternal() const override { return true; }
    void SetExternal(bool) override {}
    /// Absolute identifier, " ", the multiplication sign (0xD7), " ", the name.
    std::string GetListText() const override;
};

/// A group of micro zones (its sub-zones, not owned).
class TMacroZone : public TZone {
public:
    explicit TMacroZone(TProjectI* project = nullptr);
    /// Detaches (the sub-zones forget it).
    ~TMacroZone() override;
    const char* ClassName() const override { return "TMacroZone"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TMacroZone>(Project());
    }
    /// Clears `macro_zone` of every sub-zone and empties the sub-zone list (undoably).
    void Dettach() override;

    TMicroZoneList& SubZones() const { return *subZones_; }

private:
    std::unique_ptr<TMicroZoneList> subZones_;
};

class TMacroZoneList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TMacroZoneList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TMacroZoneList>(owns, Project());
    }
    TMacroZone* Get(std::size_t i) const { return GetAs<TMacroZone>(i); }
};

} // namespace zep::model
