// Link types: what kind of road or track a link is, and how each operator may use it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/NODE.h"
#include "model/versions.h"

namespace zep::model {

class TAdministrator;
class TLinkType;
class TOperator;

/// The data of one operator on one link type. Its identifier and name are the operator's.
class TLinkTypeOper : public TVersionedEntity {
public:
    static constexpr std::int32_t kFreeFlowSpeed = 1, kEquivalentVehicles = 2, kCharges = 3,
                                  kPenalization = 4, kDistanceCost = 5,
                                  kAdditionalMaintenanceCost = 6, kPathOverlappingFactor = 7,
                                  kLinkType = 21, kOperator = 22;

    explicit TLinkTypeOper(TProjectI* project = nullptr, TLinkType* type = nullptr,
                           TOperator* op = nullptr);
    const char* ClassName() const override { return "TLinkTypeOper"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TLinkTypeOper>(Project());
    }

    const TProperty* FindProperty(std::int32_t id) const override;
    std::int32_t Id() const override;
    std::string GetName() const override;
    /// The inherited copy, then link type and operator.
    void Copy(const TEntity& other) override;
    /// A "path_overlapping_factor" of 0 or empty is stored as the integer 0 (use the mode's).
    void SetVersionedValue(TScenario* scenario, const TPropSpec& spec,
                           const TValue& value) override;
    /// The property messages, except for the stored marker 0 of "path_overlapping_factor" (which
    /// is below that property's minimum but means "the mode's factor").
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    /// "path_overlapping_factor" shows the mode's value where its own resolves to 0 or nothing.
    PVProperty GetVersionedProperty(TScenario* scenario, std::int32_t id) override;
    /// Loaders: the fields follow "operator" and "link_type".
    void AfterLoad() override;

    TLinkType* LinkType() const { return linkType_; }
    TOperator* Operator() const { return operator_; }
    /// Field (undoably) and property.
    void SetLinkType(TLinkType* type);
    void SetOperator(TOperator* op);

    double FreeFlowSpeedIn(const TScenario* s) const { return GetFloatIn(s, kFreeFlowSpeed); }
    /// "free_flow_speed" over the link type's MaxFreeFlowSpeed (0 when that is not above 0).
    double RelativeSpeed(const TScenario* scenario) const;
    /// A walking operator moves at its own "free_flow_speed"; others at RelativeSpeed times the
    /// link's speed.
    double OperatorSpeed(const TScenario* scenario, double linkSpeed) const;
    /// The resolved factor, or the operator's mode's where that is 0 or nothing.
    double PathOverlappingFactorIn(const TScenario* scenario) const;

private:
    TLinkType* linkType_;
    TOperator* operator_;
};

class TLinkTypeOperList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TLinkTypeOperList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TLinkTypeOperList>(owns, Project());
    }
    TLinkTypeOper* get(std::size_t i) const { return GetAs<TLinkTypeOper>(i); }
    TLinkTypeOper* Get(std::size_t i) const { return GetAs<TLinkTypeOper>(i); }
    /// The data of `op`, or nullptr.
    TLinkTypeOper* FindByOperator(const TOperator* op) const;
};

/// A kind of link: its administrator, capacity and speed-flow parameters, and the data of each
/// operator allowed on it (at most one record per operator, owned).
class TLinkType : public TVersionedEntity {
public:
    static constexpr std::int32_t kAdmin = 1, kCapacityFactor = 2, kMinMaintenanceCost = 3,
                                  kPctSpeedAtFullCapacity = 4, kVcForMinSpeed = 5, kMinSpeedPct = 6;

    explicit TLinkType(TProjectI* project = nullptr);
    ~TLinkType() override;
    const char* ClassName() const override { return "TLinkType"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TLinkType>(Project());
    }

    /// The inherited copy, then copies of the other's operator data re-pointed to this type.
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    bool HasVersion(const TScenario* scenario) const override;
    void RemoveVersion(TScenario* scenario) override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    void Normalize() override;
    /// Also the operator data's messages.
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    bool IsValid() const override;

    TLinkTypeOperList& OperatorDataList() const { return *operData_; }
    TLinkTypeOper* OperatorData(const TOperator* op) const { return operData_->FindByOperator(op); }
    TLinkTypeOper* GetOrCreateOperatorData(TOperator* op);
    /// Deletes the operator's data (undoably).
    void RemoveOperatorData(const TOperator* op);
    /// The largest "free_flow_speed" of the operator data in the scenario (0 when none).
    double MaxFreeFlowSpeed(const TScenario* scenario) const;
    TAdministrator* AdminIn(const TScenario* scenario) const;
    void SetAdminIn(TScenario* scenario, TAdministrator* admin);

private:
    std::unique_ptr<TLinkTypeOperList> operData_;
};

class TLinkTypeList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TLinkTypeList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TLinkTypeList>(owns, Project());
    }
    TLinkType* Get(std::size_t i) const { return GetAs<TLinkType>(i); }
};

} // namespace zep::model
