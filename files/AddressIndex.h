// Numbers kept by object address, for the object stream's writer and reader: one flat table
// probed linearly, so that a study's hundreds of thousands of objects cost no allocation each.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zep::files {

class TAddressIndex {
public:
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFFu;

    /// Makes room for `count` entries without growing.
    void Reserve(std::size_t count) {
        if (count * 2 > slots_.size()) Rehash(std::bit_ceil(count * 2));
    }
    /// Sets the number of `key` (not null); answers false, changing nothing, when it has one.
    bool Insert(const void* key, std::uint32_t number) {
        if ((count_ + 1) * 2 > slots_.size()) Rehash(std::max<std::size_t>(16, slots_.size() * 2));
        Slot& slot = slots_[Probe(key)];
        if (slot.key) return false;
        slot = {key, number};
        ++count_;
        return true;
    }
    /// The number of `key`, or kAbsent.
    std::uint32_t Find(const void* key) const {
        if (slots_.empty() || !key) return kAbsent;
        const Slot& slot = slots_[Probe(key)];
        return slot.key ? slot.number : kAbsent;
    }
    bool Contains(const void* key) const { return Find(key) != kAbsent; }
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
    std::size_t Probe(const void* key) const {
        // Fibonacci hashing of the address without its alignment bits.
        const auto a = reinterpret_cast<std::uintptr_t>(key) >> 4;
        std::size_t i = static_cast<std::size_t>((a * 0x9E3779B97F4A7C15ull) >> shift_);
        while (slots_[i].key && slots_[i].key != key)
            i = (i + 1) & (slots_.size() - 1);
        return i;
    }
    void Rehash(std::size_t size) {
        std::vector<Slot> old(size);
        old.swap(slots_);
        shift_ = 64 - std::countr_zero(size);
        for (const Slot& s : old)
            if (s.key) slots_[Probe(s.key)] = s;
    }

    std::vector<Slot> slots_; // a power of two in size, at most half full
    std::size_t count_ = 0;
    int shift_ = 64;
};

} // namespace zep::files
