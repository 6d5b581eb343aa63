// Scenarios (a tree rooted in the base scenario) and the scenario list in scenario order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/ENTITY.h"

namespace zep::model {

/// One node of the scenario tree; it inherits every versioned value of its parent ("previous")
/// that it does not change. Its identity in files is its name (key "s_NAME").
class TScenario : public TEntity {
public:
    /// A scenario under `parent`; nullptr makes a base scenario.
    explicit TScenario(TScenario* parent = nullptr);

    const char* ClassName() const override { return "TScenario"; }
    std::unique_ptr<TEntity> CreateLike() const override;
    void Copy(const TEntity& other) override;
    /// "s_" followed by the name.
    std::string KeyText() const override;
    /// "Scenario name must at most three characters long" when longer than three characters,
    /// else "Scenario name must be alphanumaric" when empty or holding a character that is not a
    /// letter, digit or "_"; empty otherwise. Other properties are not checked.
    std::string ErrorMessage() const override;

    TScenario* Parent() const { return parent_; }
    /// Re-parents (used by loaders before the scenario is used).
    void SetParent(TScenario* parent);
    bool IsBase() const { return parent_ == nullptr; }
    /// The number of ancestors (0 for the base scenario).
    int Depth() const { return static_cast<int>(WayUp().size()) - 1; }
    /// The root of this scenario's tree.
    TScenario* Base();
    /// Whether `ancestor` is this scenario or one of its ancestors (constant time).
    bool DescendsFrom(const TScenario* ancestor) const {
        if (!ancestor) return false;
        const auto& mine = WayUp();
        const std::size_t theirs = ancestor->WayUp().size();
        return theirs <= mine.size() && mine[mine.size() - theirs] == ancestor;
    }
    /// This scenario, its parent, and so on up to the base: the order in which versioned values
    /// resolve. Kept with the scenario and rebuilt after any scenario changed its parent.
    const std::vector<const TScenario*>& WayUp() const {
        if (wayUpGeneration_ != treeGeneration_) RebuildWayUp();
        return wayUp_;
    }
    /// A number fixed at construction, increasing in creation order; orders an entity's versions.
    std::uint32_t Serial() const { return serial_; }

    /// The two bytes kept only by the object stream (initially 1 and 0).
    std::uint8_t streamByte1_ = 1;
    std::uint8_t streamByte2_ = 0;

private:
    void RebuildWayUp() const;

    TScenario* parent_;
    std::uint32_t serial_;
    mutable std::uint32_t wayUpGeneration_ = 0; // the tree generation wayUp_ was built in
    mutable std::vector<const TScenario*> wayUp_;
    /// Counts the changes of parent of all scenarios (starts at 1 so that no way up is valid
    /// before it is built). The model is used from one thread.
    static inline std::uint32_t treeGeneration_ = 1;
};

/// The scenario order: same object equal; a missing scenario first; an ancestor before its
/// descendants; else fewer ancestors first, then names by ordinal comparison.
int CompareScenarios(const TScenario* a, const TScenario* b);

/// A list of scenarios sorted in scenario order.
class TScenarioList : public TEntityList {
public:
    using TEntityList::TEntityList;
    const char* ClassName() const override { return "TScenarioList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TScenarioList>(owns);
    }
    int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const override;
    TScenario* Get(std::size_t index) const { return static_cast<TScenario*>(Item(index)); }
    /// The scenario with this (trimmed) name, or nullptr.
    TScenario* FindScenario(const std::string& name) const {
        return static_cast<TScenario*>(FindByName(name));
    }
    bool Contains(const TScenario* s) const { return IndexOf(s) >= 0; }
};

} // namespace zep::model
