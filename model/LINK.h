// Links of the transport network: directed base links registered with their nodes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/NODE.h"
#include "model/versions.h"

namespace zep::model {

/// A directed connection from a tail node to a head node. It is in the tail's outgoing and the
/// head's incoming list from creation until it is detached.
class TBaseLink : public TVersionedEntity {
public:
    explicit TBaseLink(TProjectI* project = nullptr, TNode* tail = nullptr, TNode* head = nullptr);
    /// Leaves the lists of nodes that are still alive (without undo steps).
    ~TBaseLink() override;

    const char* ClassName() const override { return "TBaseLink"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TBaseLink>(Project());
    }

    /// Tail identifier right-aligned in 6 characters, a blank and a tab, head identifier.
    std::string GetListText() const override;
    /// Leaves both nodes' lists (undoable).
    void Dettach() override;

    TNode* Tail() const { return tail_; }
    TNode* Head() const { return head_; }
    /// Enters the nodes' lists when missing (used by loaders and the consistency pass).
    void Attach();
    /// A node being freed forgets this link (no undo).
    void NodeDestroyed(TNode* node);

private:
    TNode* tail_;
    TNode* head_;
};

class TBaseLinkList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TBaseLinkList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TBaseLinkList>(owns, Project());
    }
    TBaseLink* Get(std::size_t i) const { return GetAs<TBaseLink>(i); }
};

} // namespace zep::model
