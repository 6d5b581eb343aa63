// Administrators (who maintains a link type) and the fixed service levels of a project.
#pragma once

#include <cstdint>
#include <memory>

#include "model/versions.h"

namespace zep::model {

/// The body that maintains link types; link types refer to it through their "admin" value.
class TAdministrator : public TVersionedEntity {
public:
    explicit TAdministrator(TProjectI* project = nullptr) : TVersionedEntity(project) {}
    const char* ClassName() const override { return "TAdministrator"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TAdministrator>(Project());
    }
};

class TAdministratorList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TAdministratorList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TAdministratorList>(owns, Project());
    }
    TAdministrator* Get(std::size_t i) const { return GetAs<TAdministrator>(i); }
};

/// A service level: identifier and name only, not versioned, never stored in a project file.
class TServiceLevel : public TEntity {
public:
    const char* ClassName() const override { return "TServiceLevel"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TServiceLevel>();
    }
};

class TServiceLevelList : public TEntityList {
public:
    using TEntityList::TEntityList;
    const char* ClassName() const override { return "TServiceLevelList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TServiceLevelList>(owns);
    }
    TServiceLevel* Get(std::size_t i) const { return GetAs<TServiceLevel>(i); }
    /// Appends the eight levels every project has: identifiers 1 to 8, "Level A" to "Level H".
    void AddStandardLevels();
};

} // namespace zep::model
