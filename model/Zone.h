// Zones: the nodes that are origins and destinations of trips.
#pragma once

#include <cstdint>
#include <memory>

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

} // namespace zep::model
