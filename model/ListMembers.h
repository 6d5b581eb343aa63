// Membership in a study's long owning lists: an entity at its own place is in its list without
// a table; only what is not is looked up in a table of the list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/AddressIndex.h"
#include "model/ENTITY.h"
#include "model/KindCast.h"

namespace zep::model {

/// Whether `e` sits in the owning list `list` at its own list index (then it is in the list; an
/// entity that does not may still be in it, found by a search).
inline bool IsAtOwnPlace(const TEntityList& list, const TEntity* e) {
    const std::int32_t li = e->ListIndex();
    return e->OwnerList() == &list && li >= 0 && static_cast<std::size_t>(li) < list.Count() &&
           list.Item(static_cast<std::size_t>(li)) == e;
}

/// The items of a list with their indexes, for membership tests.
inline TAddressIndex MembersOf(const TPersistentList& list) {
    TAddressIndex members;
    members.Reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        members.Insert(list.Item(i), static_cast<std::uint32_t>(i));
    return members;
}

/// Membership in a long owning list, asked of (nearly) every one of its items: an entity found
/// at its own place in the list is in it; anything else is looked up in an address index of
/// the list, made on the first such question.
class TListMembers {
public:
    explicit TListMembers(const TEntityList& list) : list_(list) {}
    bool Contains(const TZEPPersistent* item) {
        if (const auto* e = KindCast<const TEntity>(item); e && IsAtOwnPlace(list_, e)) return true;
        if (!indexed_) {
            index_ = MembersOf(list_);
            indexed_ = true;
        }
        return index_.Contains(item);
    }

private:
    const TEntityList& list_;
    TAddressIndex index_;
    bool indexed_ = false;
};

} // namespace zep::model
