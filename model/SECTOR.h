// Socio-economic sectors: their interactions with input sectors, their economic data per zone
// and their data per demand category.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/versions.h"

namespace zep::model {

class TCategory;
class TSector;
class TSectorList;
class TZone;

/// How the owning (consuming) sector uses an input sector. Its identifier is the input
/// sector's when there is one.
class TSectorInteraction : public TVersionedEntity {
public:
    static constexpr std::int32_t kMinDemand = 1;
    static constexpr std::int32_t kMaxDemand = 2;
    static constexpr std::int32_t kInducedDemandElasticity = 3;
    static constexpr std::int32_t kSubstitutionElasticity = 4;
    static constexpr std::int32_t kExogIncrementAtractor = 5;
    static constexpr std::int32_t kExogIncrementAtractor2 = 6;
    static constexpr std::int32_t kExogProdFactor = 7;
    static constexpr std::int32_t kExogPriceFactor = 8;
    static constexpr std::int32_t kExogCapacityFactor = 9;
    static constexpr std::int32_t kInducedIncrementAtractor = 10;
    static constexpr std::int32_t kInducedIncrementAtractor2 = 11;
    static constexpr std::int32_t kSubstitutionPenalty = 15;
    static constexpr std::int32_t kSubstitutionGroup = 16;
    static constexpr std::int32_t kSubstitutionLogitScaling = 17;
    static constexpr std::int32_t kInputSector = 30;
    static constexpr std::int32_t kAlternativeSpecificConstant = 31;

    explicit TSectorInteraction(TProjectI* project = nullptr, TSector* from = nullptr,
                                TSector* to = nullptr);
    ~TSectorInteraction() override;
    const char* ClassName() const override { return "TSectorInteraction"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TSectorInteraction>(Project());
    }
    std::int32_t Id() const override;
    /// Inherited copy, then from- and to-sector and the substitutes.
    void Copy(const TEntity& other) override;

    TSector* FromSector() const { return from_; }
    TSector* InputSector() const { return to_; }
    /// Undoable field change.
    void SetFromSector(TSector* sector);
    /// Field (undoably) and property `input_sector`.
    void SetInputSector(TSector* sector);
    /// Sectors that may substitute the input (references).
    TSectorList& Substitutes() const { return *substitutes_; }

private:
    TSector* from_;
    TSector* to_;
    std::unique_ptr<TSectorList> substitutes_;
};

class TSectorInteractionList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TSectorInteractionList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TSectorInteractionList>(owns, Project());
    }
    TSectorInteraction* Get(std::size_t i) const { return GetAs<TSectorInteraction>(i); }
    /// The interaction with `input`, or nullptr.
    TSectorInteraction* FindByInput(const TSector* input) const;
    /// Only interactions that have an input sector are asked; the first message wins.
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    bool IsValidIn(const TScenario* scenario) const override {
        return ErrorMessageIn(scenario).empty();
    }
};

/// The economic data of one sector in one zone (the zone may be absent).
class TSectorZone : public TVersionedEntity {
public:
    // Identifiers as they resolve in the specification set (see ClassSpecs).
    static constexpr std::int32_t kPrice = 1;
    static constexpr std::int32_t kExogProdAll = 2;
    static constexpr std::int32_t kInducedProdOld = 3;
    static constexpr std::int32_t kExportsOld = 4;
    static constexpr std::int32_t kValueAddedOld = 5;
    static constexpr std::int32_t kAtractor = 6;
    static constexpr std::int32_t kMinProd = 9;  // resolves by id to `min_imports`
    static constexpr std::int32_t kMaxProd = 10; // resolves by id to `max_imports`
    static constexpr std::int32_t kShadowPrice = 11;
    static constexpr std::int32_t kBaseInducedProd = 12;
    static constexpr std::int32_t kBasePrice = 13;
    static constexpr std::int32_t kAtrainAll = 14;
    static constexpr std::int32_t kSectorZoneFlow = 20;
    static constexpr std::int32_t kSector = 30;
    static constexpr std::int32_t kZone = 31;
    static constexpr std::int32_t kExogProd = 40;
    static constexpr std::int32_t kInducedProd = 41;
    static constexpr std::int32_t kExports = 42; // also the `exog_demand` specification
    static constexpr std::int32_t kValueAdded = 43;
    static constexpr std::int32_t kMinImports = 44;
    static constexpr std::int32_t kMaxImports = 45;
    static constexpr std::int32_t kAtrain = 46;

    explicit TSectorZone(TProjectI* project = nullptr, TSector* sector = nullptr,
                         TZone* zone = nullptr);
    const char* ClassName() const override { return "TSectorZone"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TSectorZone>(Project());
    }
    /// Inherited copy, then sector and zone.
    void Copy(const TEntity& other) override;

    TSector* Sector() const { return sector_; }
    TZone* Zone() const { return zone_; }
    /// Field (undoably) and property `sector` / `zone`.
    void SetSector(TSector* sector);
    void SetZone(TZone* zone);

    /// Id 9 or id 10 holds a value, and id 9 is not 0 or id 10 is not plus infinity.
    bool HasProductionRestriction() const;
    /// Id 9 or id 10 resolves to a value in the scenario.
    bool HasRestrictionIn(const TScenario* scenario) const;

private:
    TSector* sector_;
    TZone* zone_;
};

/// Sorted with the record without zone first, then by the absolute zone identifier.
class TSectorZoneList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TSectorZoneList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TSectorZoneList>(owns, Project());
    }
    TSectorZone* Get(std::size_t i) const { return GetAs<TSectorZone>(i); }
    int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const override;
    TSectorZone* FindByZone(const TZone* zone) const;
};

/// The data of one sector for one demand category.
class TSectorCategory : public TVersionedEntity {
public:
    static constexpr std::int32_t kType = 1;
    static constexpr std::int32_t kTimeFactor = 2;
    static constexpr std::int32_t kVolumeFactor = 3;
    static constexpr std::int32_t kDemandProductionFlow = 4;
    static constexpr std::int32_t kProductionDemandFlow = 5;

    explicit TSectorCategory(TProjectI* project = nullptr, TSector* sector = nullptr,
                             TCategory* category = nullptr)
        : TVersionedEntity(project), sector_(sector), category_(category) {}
    const char* ClassName() const override { return "TSectorCategory"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TSectorCategory>(Project());
    }
    /// Inherited copy, then sector and category.
    void Copy(const TEntity& other) override;

    TSector* Sector() const { return sector_; }
    TCategory* Category() const { return category_; }
    void SetSector(TSector* sector);
    void SetCategory(TCategory* category);

private:
    TSector* sector_;
    TCategory* category_;
};

class TSectorCategoryList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TSectorCategoryList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TSectorCategoryList>(owns, Project());
    }
    TSectorCategory* Get(std::size_t i) const { return GetAs<TSectorCategory>(i); }
    TSectorCategory* FindByCategory(const TCategory* category) const;
};

/// A socio-economic sector with the interactions in which it consumes, its economic data per
/// zone and its data per category (all owned).
class TSector : public TVersionedEntity {
public:
    static constexpr std::int32_t kDistParam = 1;
    static constexpr std::int32_t kDistParam2 = 2;
    static constexpr std::int32_t kPriceScale = 3;
    static constexpr std::int32_t kPriceScale2 = 4;
    static constexpr std::int32_t kDistLogitScaling = 5;
    static constexpr std::int32_t kAtractorFactor = 6;
    static constexpr std::int32_t kMinPriceCostRatio = 7;
    static constexpr std::int32_t kSectorType = 8;
    static constexpr std::int32_t kTargetSector = 9;

    explicit TSector(TProjectI* project = nullptr);
    ~TSector() override;
    const char* ClassName() const override { return "TSector"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TSector>(Project());
    }
    /// Inherited copy, then copies of the interaction, category and economic data lists (each
    /// re-pointed to this sector).
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    bool HasVersion(const TScenario* scenario) const override;
    void RemoveVersion(TScenario* scenario) override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    void Normalize() override;

    TSectorInteractionList& Interactions() const { return *interactions_; }
    TSectorZoneList& SectorZones() const { return *zones_; }
    TSectorCategoryList& SectorCategories() const { return *categories_; }

    TSectorInteraction* InteractionWith(const TSector* input) const {
        return interactions_->FindByInput(input);
    }
    TSectorInteraction* GetOrCreateInteractionWith(TSector* input);
    TSectorZone* SectorZoneFor(const TZone* zone) const { return zones_->FindByZone(zone); }
    TSectorZone* GetOrCreateSectorZoneFor(TZone* zone);
    TSectorCategory* SectorCategoryFor(const TCategory* category) const {
        return categories_->FindByCategory(category);
    }
    TSectorCategory* GetOrCreateSectorCategoryFor(TCategory* category);
    /// Deletes the records of the zone / the category (undoably).
    void RemoveSectorZone(const TZone* zone);
    void RemoveSectorCategory(const TCategory* category);
    /// Lets go of another sector that leaves the project: interactions with it as input are
    /// deleted, it leaves every substitute list, and `target_sector` no longer names it.
    void DropSector(const TSector* sector);

private:
    std::unique_ptr<TSectorInteractionList> interactions_;
    std::unique_ptr<TSectorZoneList> zones_;
    std::unique_ptr<TSectorCategoryList> categories_;
};

class TSectorList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TSectorList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TSectorList>(owns, Project());
    }
    TSector* Get(std::size_t i) const { return GetAs<TSector>(i); }
    bool Contains(const TSector* s) const { return IndexOf(s) >= 0; }
};

} // namespace zep::model
