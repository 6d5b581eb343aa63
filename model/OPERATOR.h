// Operators (the carriers of one mode), the transfers between them and their data per demand
// category.
#pragma once

#include <cstdint>
#include <memory>

#include "model/Mode.h"
#include "model/versions.h"

namespace zep::model {

class TCategory;
class TOperator;

/// The values of operator property `type` (index into its name list).
enum TOperatorType : std::int32_t {
    otNull = 0,
    otAuto = 1,
    otNormal = 2,
    otRoute = 3,
    otWalk = 4,
    otModeChange = 5,
};

/// The connection from one operator to another. Its identifier and name are its to-operator's.
class TTransfer : public TVersionedEntity {
public:
    static constexpr std::int32_t kTransferCost = 1;
    static constexpr std::int32_t kTo = 2;
    static constexpr std::int32_t kFrom = 3;

    explicit TTransfer(TProjectI* project = nullptr, TOperator* to = nullptr,
                       TOperator* from = nullptr);
    const char* ClassName() const override { return "TTransfer"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TTransfer>(Project());
    }
    /// Identifier and name are read from the to-operator when there is one.
    const TProperty* FindProperty(std::int32_t id) const override;
    std::int32_t Id() const override;
    std::string GetName() const override;
    /// Inherited copy, then from- and to-operator.
    void Copy(const TEntity& other) override;

    TOperator* FromOperator() const { return from_; }
    TOperator* ToOperator() const { return to_; }
    /// Sets the field (undoably) and property `from`.
    void SetFromOperator(TOperator* op);
    /// Sets the field (undoably) and property `to`.
    void SetToOperator(TOperator* op);

private:
    TOperator* from_ = nullptr;
    TOperator* to_ = nullptr;
};

/// Transfers of one operator (owning), or the project's transfer index (references).
class TTransferList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TTransferList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TTransferList>(owns, Project());
    }
    TTransfer* Get(std::size_t i) const { return GetAs<TTransfer>(i); }
    /// The first transfer whose to-operator is `to`, or nullptr.
    TTransfer* FindTo(const TOperator* to) const;
    bool Contains(const TTransfer* t) const { return IndexOf(t) >= 0; }
};

/// The data of one operator for one demand category.
class TOperatorCategory : public TVersionedEntity {
public:
    static constexpr std::int32_t kTariff = 1;
    static constexpr std::int32_t kPenalty = 2;
    static constexpr std::int32_t kAsc = 5;

    explicit TOperatorCategory(TProjectI* project = nullptr, TOperator* op = nullptr,
                               TCategory* category = nullptr)
        : TVersionedEntity(project), operator_(op), category_(category) {}
    const char* ClassName() const override { return "TOperatorCategory"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TOperatorCategory>(Project());
    }
    /// Operator and category, then the inherited copy.
    void Copy(const TEntity& other) override;

    TOperator* Operator() const { return operator_; }
    TCategory* Category() const { return category_; }
    /// Undoable field changes.
    void SetOperator(TOperator* op);
    void SetCategory(TCategory* category);

private:
    TOperator* operator_;
    TCategory* category_;
};

class TOperatorCategoryList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TOperatorCategoryList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TOperatorCategoryList>(owns, Project());
    }
    TOperatorCategory* Get(std::size_t i) const { return GetAs<TOperatorCategory>(i); }
    /// The record of `category`, or nullptr.
    TOperatorCategory* FindByCategory(const TCategory* category) const;
    /// Deletes every record of `category` (undoably).
    void RemoveCategory(const TCategory* category);
};

/// A carrier of one mode: its tariffs, costs and waiting times per scenario, the transfers that
/// leave it (owned) and its data per demand category (owned, held in `operator_categories`).
class TOperator : public TVersionedEntity {
public:
    static constexpr std::int32_t kType = 1;
    static constexpr std::int32_t kModalConstant = 2;
    static constexpr std::int32_t kOccupancyRate = 3;
    static constexpr std::int32_t kDistanceTariff = 4;
    static constexpr std::int32_t kTimeTariff = 5;
    static constexpr std::int32_t kMinEnergy = 6;
    static constexpr std::int32_t kMaxEnergy = 7;
    static constexpr std::int32_t kEnergySlope = 8;
    static constexpr std::int32_t kEnergyCost = 9;
    static constexpr std::int32_t kConstantCost = 10;
    static constexpr std::int32_t kTimeCost = 11;
    static constexpr std::int32_t kPctCostToUser = 12;
    static constexpr std::int32_t kMinWaitingTime = 13;
    static constexpr std::int32_t kMaxWaitingTime = 14;
    static constexpr std::int32_t kPctReturnTrips = 15;
    static constexpr std::int32_t kTimeFactor = 16;
    static constexpr std::int32_t kBoardingTariff = 17;
    static constexpr std::int32_t kOperatorCategories = 18;
    static constexpr std::int32_t kPathAsc = 19;
    static constexpr std::int32_t kTargetOccupancy = 20;
    static constexpr std::int32_t kHasReturnTrips = 21;
    static constexpr std::int32_t kMode = 30;
    static constexpr std::int32_t kMinStopTime = 31;
    static constexpr std::int32_t kBoardTime = 32;
    static constexpr std::int32_t kAlightTime = 33;

    /// The default constructor of loaders: no mode, `type` "auto".
    explicit TOperator(TProjectI* project = nullptr);
    TOperator(TProjectI* project, TMode* mode);
    ~TOperator() override;
    const char* ClassName() const override { return "TOperator"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TOperator>(Project());
    }

    /// Writing `mode` also sets the mode field.
    void SetProperty(std::int32_t id, const TValue& value) override;
    /// Mode first, then the inherited copy, then copies of the transfers and operator-category
    /// records re-pointed to this operator.
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    bool HasVersion(const TScenario* scenario) const override;
    void RemoveVersion(TScenario* scenario) override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    void Normalize() override;

    TMode* Mode() const { return mode_; }
    /// Sets the field (undoably) and property `mode`.
    void SetMode(TMode* mode);
    std::int32_t Type() const { return GetInteger(kType); }
    void SetType(std::int32_t type) { SetInteger(kType, type); }

    TTransferList& Transfers() const { return *transfers_; }
    /// The transfer to `to` in this operator's list, or nullptr.
    TTransfer* TransferTo(const TOperator* to) const { return transfers_->FindTo(to); }
    /// TransferTo, or a new transfer (this -> to) appended to this operator's list.
    TTransfer* GetOrCreateTransferTo(TOperator* to);
    /// Deletes the transfers to `to` from this operator's list (undoably).
    void RemoveTransferTo(const TOperator* to);
    /// The transfer's cost in the scenario when it has one there, else `to`'s boarding tariff.
    double TransferCostTo(const TOperator* to, const TScenario* scenario) const;

    /// The owned per-category records (the object held by `operator_categories`).
    TOperatorCategoryList& OperatorCategories();
    const TOperatorCategoryList& OperatorCategories() const;
    TOperatorCategory* OperatorCategoryFor(const TCategory* category) const;
    TOperatorCategory* GetOrCreateOperatorCategoryFor(TCategory* category);
    /// Drops the record of `category` (undoably); used when the category leaves the project.
    void DropCategory(const TCategory* category) { OperatorCategories().RemoveCategory(category); }
    /// Makes `list` the owned per-category list (loaders that restored it separately).
    void AdoptOperatorCategories(std::unique_ptr<TOperatorCategoryList> list);

private:
    void EnsureCategoryProperty() const;

    TMode* mode_ = nullptr;
    std::unique_ptr<TTransferList> transfers_;
    std::unique_ptr<TOperatorCategoryList> categories_;
};

class TOperatorList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TOperatorList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TOperatorList>(owns, Project());
    }
    TOperator* Get(std::size_t i) const { return GetAs<TOperator>(i); }
    /// Whether any operator has `type` "route".
    bool HasRouteOperator() const;
    bool Contains(const TOperator* op) const { return IndexOf(op) >= 0; }
};

} // namespace zep::model
