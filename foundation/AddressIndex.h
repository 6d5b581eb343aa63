// Numbers kept by object address (stream numbers, list positions): one flat table probed
// linearly, so that a study's hundreds of thousands of objects cost no allocation each.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/HugePages.h"

namespace zep {

class TAddressIndex {
public:
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFFu;

    /// Makes room for `count` entries without growing.
    void Reserve(std::size_t count) {
        if (count * 2 > slots_.size()) Rehash(std::bit_ceil(count * 2));
    }
    /// Sets the number of `key`; answers false, changing nothing, when it has one or is null.
    bool Insert(const void* key, std::uint32_t number) {
        if (!key) return false;
        if ((count_ + 1) * 2 > slots_.size()) Rehash(std::max<std::size_t>(16, slots_.size() * 2));
        Slot& slot = slots_[Probe(key)];
        if (slot.key) return false;
        slot = {key, number};
        ++count_;
        return true;
    }
    /// Changes the number of `key` when it has one; answers whether it had.
    bool Update(const void* key, std::uint32_t number) {
        if (slots_.empty() || !key) return false;
        Slot& slot = slots_[Probe(key)];
        if (!slot.key) return false;
        slot.number = number;
        return true;
    }
    /// The number of `key`, or kAbsent.
    std::uint32_t Find(const void* key) const {
        if (slots_.empty() || !key) return kAbsent;
        const Slot& slot = slots_[Probe(key)];
        return slot.key ? slot.number : kAbsent;
    }
    bool Contains(const void* key) const { return Find(key) != kAbsent; }
    /// Removes `key`; answers whether it was there.
    bool Erase(const void* key) {
        if (slots_.empty() || !key) return false;
        std::size_t hole = Probe(key);
        if (!slots_[hole].key) return false;
        // Backward shift: move up every later entry of the run that may live in the hole.
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = (hole + 1) & mask; slots_[i].key; i = (i + 1) & mask) {
            const std::size_t home = Home(slots_[i].key);
            // The entry may move into the hole when its home is not between hole and i.
            if (((i - home) & mask) >= ((i - hole) & mask)) {
                slots_[hole] = slots_[i];
                hole = i;
            }
        }
        slots_[hole] = Slot{};
        --count_;
        return true;
    }
    std::size_t Count() const { return count_; }
    void Clear() {
        slots_.clear();
        count_ = 0;
    }

private:
    struct Slot {
        const void* key = nullptr;
        std::uint32_t number = 0;
    };
    // The slot holding `key`, or the empty slot where it would go.
    std::size_t Home(const void* key) const {
        // Fibonacci hashing of the address without its alignment bits.
        const auto a = reinterpret_cast<std::uintptr_t>(key) >> 4;
        return static_cast<std::size_t>((a * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    std::size_t Probe(const void* key) const {
        std::size_t i = Home(key);
        while (slots_[i].key && slots_[i].key != key)
            i = (i + 1) & (slots_.size() - 1);
        return i;
    }
    void Rehash(std::size_t size) {
        THugeVector<Slot> old(size);
        old.swap(slots_);
        shift_ = 64 - std::countr_zero(size);
        for (const Slot& s : old)
            if (s.key) slots_[Probe(s.key)] = s;
    }

    // A power of two in size, at most half full; a study-sized table lies in huge pages.
    THugeVector<Slot> slots_;
    std::size_t count_ = 0;
    int shift_ = 64;
};

} // namespace zep
