// Nodes of the transport network: node types, nodes with their incoming and outgoing links, and
// the node list with lookup by identifier and the nearest-node search.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "foundation/Stream.h"
#include "model/ENTITY.h"
#include "model/Polylines.h"
#include "model/versions.h"

namespace zep::model {

class TBaseLinkList;

/// Changes a pointer field of a model object as an undo step (swapped back on undo).
template <class T> class TPointerFieldUndoer : public undo::TUndoer {
public:
    TPointerFieldUndoer(T** field, T* value) : field_(field), value_(value) {}
    void Do() override { std::swap(*field_, value_); }
    void Undo() override { Do(); }

private:
    T** field_;
    T* value_;
};

/// Sets `field` to `value` through an undo step (nothing when equal).
template <class T> void SetPointerField(T*& field, T* value) {
    if (field != value) undo::Perform(std::make_unique<TPointerFieldUndoer<T>>(&field, value));
}

/// A named class of nodes of the model's own network file.
class TNodeType : public TEntity {
public:
    const char* ClassName() const override { return "TNodeType"; }
    std::unique_ptr<TEntity> CreateLike() const override { return std::make_unique<TNodeType>(); }
    /// The record of the model's own network file: the trimmed name as a length-prefixed OEM
    /// text, then 64 zero bytes.
    void StoreZEPTPar(TStream& out) const override;
    /// Reads the record StoreZEPTPar writes (the name converted back from OEM).
    void loadZEPTPar(TStream& in);
};

class TNodeTypeList : public TEntityList {
public:
    using TEntityList::TEntityList;
    const char* ClassName() const override { return "TNodeTypeList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TNodeTypeList>(owns);
    }
    TNodeType* Get(std::size_t i) const { return GetAs<TNodeType>(i); }
};

/// A point of the network. Its existence in a scenario follows from its links: it is used where
/// any of its links is used.
class TNode : public TVersionedEntity {
public:
    static constexpr std::int32_t kX = 1, kY = 2, kNodeType = 3;

    explicit TNode(TProjectI* project = nullptr);
    /// Detaches every link that still has this node as tail or head.
    ~TNode() override;

    const char* ClassName() const override { return "TNode"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TNode>(Project());
    }

    /// Name (short OEM string), a zero byte, x and y as doubles, 0xFF when the network-file flag
    /// is set (else 0), and 64 zero bytes.
    void StoreZEPTPar(TStream& out) const override;

    bool IsUsedIn(const TScenario* scenario) const override;
    bool HasVersion(const TScenario* scenario) const override;
    std::unique_ptr<TScenarioList>
    ScenariosWithVersions(const TScenarioList& scenarios) const override;

    virtual bool IsZone() const { return false; }

    TFloatPoint Position() const { return {GetFloat(kX), GetFloat(kY)}; }
    void SetPosition(TFloatPoint p);

    TNodeType* NodeType() const { return nodeType_; }
    /// Undoable.
    void SetNodeType(TNodeType* type);
    /// Links whose tail is this node (a reference list).
    TBaseLinkList& OutLinks() const { return *outLinks_; }
    /// Links whose head is this node (a reference list).
    TBaseLinkList& InLinks() const { return *inLinks_; }

    /// Carried for the model's own network file only.
    bool networkFileFlag_ = false;
    std::uint8_t flag2_ = 0;

private:
    TNodeType* nodeType_ = nullptr;
    std::unique_ptr<TBaseLinkList> outLinks_;
    std::unique_ptr<TBaseLinkList> inLinks_;
};

class TNodeList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TNodeList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TNodeList>(owns, Project());
    }
    TNode* Get(std::size_t i) const { return GetAs<TNode>(i); }
    /// The node with that identifier, or a new node with it, added to this list.
    TNode* NodeById(std::int32_t id);
    /// The qualifying node (all requested, a zone, no scenario given, or used in the scenario)
    /// nearest to `point`; a radius of 0 or more admits only nodes strictly closer than it, a
    /// negative radius means no limit; the earlier node wins a tie. nullptr when none qualifies.
    TNode* NearestNode(TFloatPoint point, const TScenario* scenario, bool all, double radius) const;
};

} // namespace zep::model
