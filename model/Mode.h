// Transport modes: the families of operators (car, bus, walk) that share path-choice parameters.
#pragma once

#include <cstdint>
#include <memory>

#include "model/versions.h"

namespace zep::model {

/// A transport mode. Operators belong to one mode; categories list the modes available to them.
class TMode : public TVersionedEntity {
public:
    static constexpr std::int32_t kIsPublic = 1;
    static constexpr std::int32_t kPathOverlappingFactor = 3;
    static constexpr std::int32_t kNofPaths = 4;
    static constexpr std::int32_t kValueOfTravelTime = 5;
    static constexpr std::int32_t kValueOfWaitingTime = 6;
    static constexpr std::int32_t kAlternativeSpecificConstant = 7;

    explicit TMode(TProjectI* project = nullptr) : TVersionedEntity(project) {}
    const char* ClassName() const override { return "TMode"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TMode>(Project());
    }
};

/// Modes of a project (owning), or a category's available modes (references).
class TModeList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TModeList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TModeList>(owns, Project());
    }
    TMode* Get(std::size_t i) const { return GetAs<TMode>(i); }
    bool Contains(const TMode* mode) const { return IndexOf(mode) >= 0; }
};

} // namespace zep::model
