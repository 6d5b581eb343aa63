// Attraction functions: rules that change one exogenous variable of a target sector as a
// function of attractors (variables of other sectors).
#pragma once

#include <cstdint>
#include <memory>

#include "model/versions.h"

namespace zep::model {

class TSector;

/// One variable that `target_variable` (0..3) and `attractor_variable` (0..7) index.
struct TAttractorVariable {
    const char* code;
    const char* title;
};

/// The fixed table of variables, by index.
extern const TAttractorVariable kAttractorVariables[8];
/// The codes of function types 0, 1, 2 ("L", "P", "E").
extern const char* const kFunctionTypeCodes[3];

/// One term of an attraction function: a variable of a sector, per scenario.
class TAttractor : public TVersionedEntity {
public:
    static constexpr std::int32_t kAttractorSector = 1;
    static constexpr std::int32_t kAttractorVariable = 2;
    static constexpr std::int32_t kFunctionType = 3;

    explicit TAttractor(TProjectI* project = nullptr) : TVersionedEntity(project) {}
    const char* ClassName() const override { return "TAttractor"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TAttractor>(Project());
    }

    TSector* AttractorSectorIn(const TScenario* scenario) const;
    void SetAttractorSectorIn(TScenario* scenario, TSector* sector);
};

class TAttractorList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TAttractorList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TAttractorList>(owns, Project());
    }
    TAttractor* Get(std::size_t i) const { return GetAs<TAttractor>(i); }
};

/// A rule changing `target_variable` of the target sector; owns its attractor list, which it
/// keeps in property `attractors` for its whole life.
class TAttractionFunction : public TVersionedEntity {
public:
    static constexpr std::int32_t kTargetSector = 1;
    static constexpr std::int32_t kTargetVariable = 2;
    static constexpr std::int32_t kFunctionType = 3;
    static constexpr std::int32_t kIncrement = 4;
    static constexpr std::int32_t kConstant = 5;
    static constexpr std::int32_t kAttractors = 6;

    explicit TAttractionFunction(TProjectI* project = nullptr);
    ~TAttractionFunction() override;
    const char* ClassName() const override { return "TAttractionFunction"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TAttractionFunction>(Project());
    }
    /// Writing `attractors` adopts a different attractor list and ignores anything else.
    void SetProperty(std::int32_t id, const TValue& value) override;
    /// Inherited copy, then copies of the attractors.
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    void RemoveVersion(TScenario* scenario) override;
    /// A loader that restored no attractor list gets an empty one.
    void AfterLoad() override { Attractors(); }

    TSector* TargetSector() const;
    void SetTargetSector(TSector* sector);
    TAttractorList& Attractors();
    const TAttractorList& Attractors() const;
    /// Creates an attractor and appends it (undoably).
    TAttractor* AddAttractor();
    /// Lets go of a sector that leaves the project: the target and every attractor's sector,
    /// in every scenario, no longer name it.
    void DropSector(const TSector* sector);
    /// Makes `list` the owned attractor list (loaders).
    void AdoptAttractors(std::unique_ptr<TAttractorList> list);

private:
    void EnsureAttractorProperty() const;
    std::unique_ptr<TAttractorList> attractors_;
};

class TAttractionFunctionList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TAttractionFunctionList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TAttractionFunctionList>(owns, Project());
    }
    TAttractionFunction* Get(std::size_t i) const { return GetAs<TAttractionFunction>(i); }
};

} // namespace zep::model
