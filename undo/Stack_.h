// A doubly linked stack: the record store of an undo set, which pushes on top and trims from the
// bottom.
#pragma once

#include <cstddef>

#include "foundation/SmallObjectPool.h"

namespace zep::undo {

/// Abstract last-in first-out store of non-owned pointers.
class TStack {
public:
    virtual ~TStack() = default;
    virtual void Push(void* item) = 0;
    /// Removes and answers the top item; nullptr when empty.
    virtual void* Pop() = 0;
    /// Removes and answers the bottom (oldest) item; nullptr when empty.
    virtual void* RemoveBottom() = 0;
    virtual void* Top() const = 0;
    virtual void* Bottom() const = 0;
    virtual std::size_t Count() const = 0;
    virtual bool IsEmpty() const = 0;
    /// The item at `position` counted from the top (0 = top); nullptr when out of range.
    virtual void* ItemAt(std::size_t position) const = 0;
};

/// One link of a TDoublyLinkedStack: one per undo record, so from the small-object pool.
class TStackNode : public TPooled {
public:
    explicit TStackNode(void* item) : item_(item) {}
    void* item_;
    TStackNode* previous_ = nullptr; // towards the bottom
    TStackNode* next_ = nullptr;     // towards the top
};

/// TStack on a doubly linked chain: push, pop and remove-from-bottom are O(1). Items are not owned.
class TDoublyLinkedStack : public TStack {
public:
    TDoublyLinkedStack() = default;
    TDoublyLinkedStack(const TDoublyLinkedStack&) = delete;
    TDoublyLinkedStack& operator=(const TDoublyLinkedStack&) = delete;
    ~TDoublyLinkedStack() override;

    void Push(void* item) override;
    void* Pop() override;
    void* RemoveBottom() override;
    void* Top() const override { return top_ ? top_->item_ : nullptr; }
    void* Bottom() const override { return bottom_ ? bottom_->item_ : nullptr; }
    std::size_t Count() const override { return count_; }
    bool IsEmpty() const override { return count_ == 0; }
    void* ItemAt(std::size_t position) const override;

private:
    // Links of popped items wait for the next pushes: a command and its undo, over and over,
    // then allocate nothing. A large undo does not keep its links beyond these.
    static constexpr std::size_t kSpareNodes = 4096;
    TStackNode* TakeNode(void* item);
    /// Takes an unlinked node out of the count, keeps or frees it; answers its item.
    void* GiveBack(TStackNode* node);

    TStackNode* top_ = nullptr;
    TStackNode* bottom_ = nullptr;
    std::size_t count_ = 0;
    TStackNode* spare_ = nullptr; // chained through next_
    std::size_t spareCount_ = 0;
};

} // namespace zep::undo
