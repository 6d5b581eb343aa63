// Demand categories: groups of travellers with their own values of time, elasticities and the
// modes available to them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/Mode.h"
#include "model/versions.h"

namespace zep::model {

/// A transport demand category. Holds references to the modes available to it (not owned).
class TCategory : public TVersionedEntity {
public:
    static constexpr std::int32_t kValueOfTravelTime = 1;
    static constexpr std::int32_t kValueOfWaitingTime = 2;
    static constexpr std::int32_t kMinGeneration = 3;
    static constexpr std::int32_t kMaxGeneration = 4;
    static constexpr std::int32_t kDemandElasticity = 5;
    static constexpr std::int32_t kModeChoiceElasticity = 6;
    static constexpr std::int32_t kVehicleAvailability = 7;
    static constexpr std::int32_t kPathChoiceElasticity = 8;
    static constexpr std::int32_t kModeChoiceLogitScaling = 9;
    static constexpr std::int32_t kPathChoiceLogitScaling = 10;

    /// The validity text of a category without any available mode.
    static constexpr const char* kNoModesMessage = "No modes available";

    explicit TCategory(TProjectI* project = nullptr);
    ~TCategory() override;
    const char* ClassName() const override { return "TCategory"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TCategory>(Project());
    }

    /// Inherited copy, then every available mode of `other` is added.
    void Copy(const TEntity& other) override;
    /// "No modes available" in every scenario while the category has no mode; otherwise the
    /// inherited check.
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    /// The entity-level message, then "No modes available", then the versions' messages: a
    /// category without modes is reported by Validate even when it holds no version.
    std::string ErrorMessage() const override;
    bool IsValid() const override { return ErrorMessage().empty(); }

    /// Adds the mode unless it is already available (undoably).
    void AddMode(TMode* mode);
    /// Removes the mode from the available ones (undoably); nothing when absent.
    void RemoveMode(const TMode* mode);
    bool HasMode(const TMode* mode) const { return modes_->Contains(mode); }
    /// The available modes (a reference list).
    TModeList& AvailableModes() const { return *modes_; }

private:
    std::unique_ptr<TModeList> modes_;
};

class TCategoryList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TCategoryList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TCategoryList>(owns, Project());
    }
    TCategory* Get(std::size_t i) const { return GetAs<TCategory>(i); }
    bool Contains(const TCategory* c) const { return IndexOf(c) >= 0; }
    /// Every category drops `mode` from its available modes.
    void DropMode(const TMode* mode);
};

} // namespace zep::model
