#include "model/LINK.h"

#include "foundation/Format.h"

namespace zep::model {

namespace {
void RawLeave(TBaseLinkList& list, TBaseLink* link) {
    const std::ptrdiff_t i = list.IndexOf(link);
    if (i >= 0) list.RawExtract(static_cast<std::size_t>(i));
}
} // namespace

TBaseLink::TBaseLink(TProjectI* project, TNode* tail, TNode* head)
    : TVersionedEntity(project), tail_(tail), head_(head) {
    if (tail_) tail_->OutLinks().Add(this);
    if (head_) head_->InLinks().Add(this);
}

TBaseLink::~TBaseLink() {
    if (tail_) RawLeave(tail_->OutLinks(), this);
    if (head_) RawLeave(head_->InLinks(), this);
}

std::string TBaseLink::GetListText() const {
    const std::int64_t t = tail_ ? tail_->Id() : 0;
    const std::int64_t h = head_ ? head_->Id() : 0;
    return Format("%6d \t%d", {t, h});
}

void TBaseLink::Dettach() {
    if (tail_) tail_->OutLinks().Remove(this);
    if (head_) head_->InLinks().Remove(this);
}

void TBaseLink::Attach() {
    if (tail_ && tail_->OutLinks().IndexOf(this) < 0) tail_->OutLinks().Add(this);
    if (head_ && head_->InLinks().IndexOf(this) < 0) head_->InLinks().Add(this);
}

void TBaseLink::NodeDestroyed(TNode* node) {
    if (tail_ == node) {
        if (head_ && head_ != node) RawLeave(head_->InLinks(), this);
        tail_ = nullptr;
    }
    if (head_ == node) {
        if (tail_) RawLeave(tail_->OutLinks(), this);
        head_ = nullptr;
    }
}

} // namespace zep::model
