// A small entity kind declared the way the real kinds are, for the model tests.
#pragma once

#include <memory>

#include "model/SCENARIO.h"
#include "model/versions.h"

namespace zep::model::test {

/// For its lifetime, lists from `length` entries on leave holes where items are deleted from
/// their middle, so that short lists in tests go through the holes too.
struct THolesFrom {
    explicit THolesFrom(std::size_t length) { TPersistentList::SetHolesFrom(length); }
    ~THolesFrom() { TPersistentList::SetHolesFrom(4096); }
    THolesFrom(const THolesFrom&) = delete;
    THolesFrom& operator=(const THolesFrom&) = delete;
};

class TThing : public TVersionedEntity {
public:
    static constexpr std::int32_t kX = 1;        // real, entity-level
    static constexpr std::int32_t kCapacity = 2; // real, per scenario, bounds 0..1000
    static constexpr std::int32_t kLabel = 3;    // text, per scenario
    static constexpr std::int32_t kLanes = 4;    // integer, per scenario, default 1
    static constexpr std::int32_t kShare = 5;    // percent
    static constexpr std::int32_t kHeadway = 6;  // time
    static constexpr std::int32_t kKind = 7;     // enumeration
    static constexpr std::int32_t kRef = 8;      // object reference
    static constexpr std::int32_t kFlag = 9;     // boolean, default false

    explicit TThing(TProjectI* project = nullptr) : TVersionedEntity(project) {}
    const char* ClassName() const override { return "TThing"; }
    static TPropSpecSet& ClassSpecs() {
        static TPropSpecSet* set = [] {
            auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
            s->AddAll({
                new TIntIdPropSpec(kPropId, "id", psAttribute, "n"),
                new TFloatPropSpec(kX, "x", psUnversioned),
                new TFloatPropSpec(kCapacity, "capacity", 0, TValue(), TValue(0.0), TValue(1000.0)),
                new TStrPropSpec(kLabel, "label", 0),
                new TIntPropSpec(kLanes, "lanes", 0, TValue(1), TValue(1)),
                new TPercentPropSpec(kShare, "share", 0),
                new TTimePropSpec(kHeadway, "headway", 0),
                new TEnumPropSpec(kKind, "kind", 0, 2, {"road", "rail", "walk"}, TValue(0)),
                new TObjPropSpec(kRef, "ref", 0),
                new TBoolPropSpec(kFlag, "flag", 0, TValue(false)),
            });
            return s;
        }();
        return *set;
    }
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TThing>(Project());
    }
};

/// A kind whose existence defaults to false (it exists only where "used" is set).
class TAddedThing : public TThing {
public:
    using TThing::TThing;
    const char* ClassName() const override { return "TAddedThing"; }
    static TPropSpecSet& ClassSpecs() {
        static TPropSpecSet* set = [] {
            auto* s = new TPropSpecSet(TThing::ClassSpecs());
            s->Add(new TBoolPropSpec(kPropUsed, "used", 0, TValue(false)));
            return s;
        }();
        return *set;
    }
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TAddedThing>(Project());
    }
};

class TThingList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TThingList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TThingList>(owns, Project());
    }
    TThing* Get(std::size_t i) const { return GetAs<TThing>(i); }
};

/// A scenario tree owned by a list: base "00A" with the given children.
struct Tree {
    TScenarioList list{true};
    TScenario* base;
    Tree() {
        base = new TScenario(nullptr);
        list.Add(base);
        base->SetName("00A");
    }
    TScenario* Add(TScenario* parent, const std::string& name) {
        auto* s = new TScenario(parent);
        list.Add(s);
        s->SetName(name);
        return s;
    }
};

} // namespace zep::model::test
