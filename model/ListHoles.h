// The holes a long list leaves where items were deleted from its middle: the slot stays, marked,
// so that a deletion does not move the list's tail (millions of entries in a study's long
// lists). A bit per slot says which are holes, and a Fenwick tree over the 64-slot words counts
// them, so that the slot of the i-th item is found in logarithmic time. The owner closes the
// holes in one pass when it next walks the whole list.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/AddressIndex.h"

namespace zep::model {

class TListHoles {
public:
    /// Room for `length` slots (grows; the marks are kept).
    void Cover(std::size_t length) {
        const std::size_t words = length / 64 + 1;
        if (words <= bits_.size()) return;
        bits_.resize(std::bit_ceil(words), 0);
        // The tree is rebuilt from the marks: a word's node holds the holes of its range.
        tree_.assign(bits_.size() + 1, 0);
        for (std::size_t w = 0; w < bits_.size(); ++w) {
            tree_[w + 1] += static_cast<std::uint32_t>(std::popcount(bits_[w]));
            const std::size_t up = (w + 1) + LowBit(w + 1);
            if (up < tree_.size()) tree_[up] += tree_[w + 1];
        }
    }
    std::size_t Count() const { return count_; }
    bool IsHole(std::size_t slot) const {
        return slot / 64 < bits_.size() && (bits_[slot / 64] >> (slot % 64) & 1) != 0;
    }
    /// Marks the slot (covered, not a hole yet).
    void Mark(std::size_t slot) {
        bits_[slot / 64] |= std::uint64_t{1} << (slot % 64);
        Add(slot / 64, +1);
        ++count_;
    }
    /// Unmarks the slot (a hole).
    void Unmark(std::size_t slot) {
        bits_[slot / 64] &= ~(std::uint64_t{1} << (slot % 64));
        Add(slot / 64, -1);
        --count_;
    }
    /// The slot of the item at `index` (fewer than the live slots).
    std::size_t SlotOf(std::size_t index) const {
        // Descend the tree over whole words: a node's live slots are its range less its holes.
        std::size_t word = 0;
        std::size_t rest = index;
        for (std::size_t step = bits_.size(); step > 0; step >>= 1) {
            const std::size_t next = word + step;
            if (next >= tree_.size()) continue;
            const std::size_t live = step * 64 - tree_[next];
            if (live <= rest) {
                word = next;
                rest -= live;
            }
        }
        // Within the word: the rest-th live slot.
        std::uint64_t live = ~bits_[word];
        for (; rest > 0; --rest)
            live &= live - 1;
        return word * 64 + static_cast<std::size_t>(std::countr_zero(live));
    }
    /// The holes before the slot.
    std::size_t Before(std::size_t slot) const {
        std::size_t n = 0;
        for (std::size_t i = slot / 64; i > 0; i -= LowBit(i))
            n += tree_[i];
        const std::uint64_t below = (std::uint64_t{1} << (slot % 64)) - 1;
        return n + static_cast<std::size_t>(std::popcount(bits_[slot / 64] & below));
    }
    /// The first hole, or `length` when there is none below it.
    std::size_t FirstHole(std::size_t length) const {
        for (std::size_t w = 0; w < bits_.size(); ++w)
            if (bits_[w]) return std::min(length, w * 64 + std::countr_zero(bits_[w]));
        return length;
    }
    /// Remembers the slot an item left (its hole).
    void NoteFormer(const void* item, std::size_t slot) {
        if (!formers_.Insert(item, static_cast<std::uint32_t>(slot)))
            formers_.Update(item, static_cast<std::uint32_t>(slot));
    }
    /// The slot the item left last, if it is still a hole (else `none`); forgets it.
    std::size_t TakeFormer(const void* item, std::size_t none) {
        const std::uint32_t slot = formers_.Find(item);
        if (slot == TAddressIndex::kAbsent) return none;
        formers_.Erase(item);
        return IsHole(slot) ? slot : none;
    }
    /// Counts a lookup through the holes; answers the lookups since they were made (the owner
    /// closes them once these have cost as much as a pass over the list).
    std::size_t NoteRead() const { return ++reads_; }

private:
    // The range a Fenwick tree node covers: its index's lowest set bit.
    static std::size_t LowBit(std::size_t i) { return i & (~i + 1); }
    void Add(std::size_t word, int delta) {
        for (std::size_t i = word + 1; i < tree_.size(); i += LowBit(i))
            tree_[i] = static_cast<std::uint32_t>(static_cast<int>(tree_[i]) + delta);
    }

    std::vector<std::uint64_t> bits_; // a bit per slot, set for a hole; a power of two words
    std::vector<std::uint32_t> tree_; // Fenwick tree of the holes per word, 1-based
    TAddressIndex formers_;           // the slot each item left, kept so that undo puts it back
    std::size_t count_ = 0;
    mutable std::size_t reads_ = 0;
};

} // namespace zep::model
