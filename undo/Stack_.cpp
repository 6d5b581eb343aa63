#include "undo/Stack_.h"

namespace zep::undo {

TDoublyLinkedStack::~TDoublyLinkedStack() {
    while (top_) {
        TStackNode* below = top_->previous_;
        delete top_;
        top_ = below;
    }
    while (spare_) {
        TStackNode* next = spare_->next_;
        delete spare_;
        spare_ = next;
    }
}

TStackNode* TDoublyLinkedStack::TakeNode(void* item) {
    if (!spare_) return new TStackNode(item);
    TStackNode* node = spare_;
    spare_ = node->next_;
    --spareCount_;
    node->item_ = item;
    node->previous_ = node->next_ = nullptr;
    return node;
}

void* TDoublyLinkedStack::GiveBack(TStackNode* node) {
    void* item = node->item_;
    --count_;
    if (spareCount_ >= kSpareNodes) {
        delete node;
    } else {
        node->next_ = spare_;
        spare_ = node;
        ++spareCount_;
    }
    return item;
}

void TDoublyLinkedStack::Push(void* item) {
    TStackNode* node = TakeNode(item);
    node->previous_ = top_;
    if (top_)
        top_->next_ = node;
    else
        bottom_ = node;
    top_ = node;
    ++count_;
}

void* TDoublyLinkedStack::Pop() {
    if (!top_) return nullptr;
    TStackNode* node = top_;
    top_ = node->previous_;
    if (top_)
        top_->next_ = nullptr;
    else
        bottom_ = nullptr;
    return GiveBack(node);
}

void* TDoublyLinkedStack::RemoveBottom() {
    if (!bottom_) return nullptr;
    TStackNode* node = bottom_;
    bottom_ = node->next_;
    if (bottom_)
        bottom_->previous_ = nullptr;
    else
        top_ = nullptr;
    return GiveBack(node);
}

void* TDoublyLinkedStack::ItemAt(std::size_t position) const {
    TStackNode* node = top_;
    for (std::size_t i = 0; node && i < position; ++i)
        node = node->previous_;
    return node ? node->item_ : nullptr;
}

} // namespace zep::undo
