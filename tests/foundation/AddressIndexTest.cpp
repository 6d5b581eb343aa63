#include "foundation/AddressIndex.h"

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

#include <gtest/gtest.h>

namespace zep {
namespace {

// Random inserts and erasures over few addresses (long probe runs that wrap around the table)
// must always agree with a standard map.
TEST(AddressIndex, AgreesWithAMapThroughInsertsAndErasures) {
    // Scattered addresses (never dereferenced): consecutive ones would hash without collisions.
    std::mt19937_64 rng(5);
    std::vector<std::uintptr_t> addresses(600);
    for (auto& a : addresses)
        a = (rng() & 0xFFFFFFFFFFF0u) | 16u;
    auto key = [&](std::size_t i) { return reinterpret_cast<const void*>(addresses[i]); };
    TAddressIndex index;
    std::unordered_map<const void*, std::uint32_t> expected;
    for (int step = 0; step < 200000; ++step) {
        const void* k = key(rng() % 600);
        if (rng() % 3 == 0) {
            EXPECT_EQ(index.Erase(k), expected.erase(k) == 1);
        } else {
            const auto n = static_cast<std::uint32_t>(step);
            EXPECT_EQ(index.Insert(k, n), expected.emplace(k, n).second);
        }
        if (step % 97 == 0)
            for (std::size_t i = 0; i < 600; ++i) {
                auto it = expected.find(key(i));
                ASSERT_EQ(index.Find(key(i)),
                          it == expected.end() ? TAddressIndex::kAbsent : it->second);
            }
        ASSERT_EQ(index.Count(), expected.size());
    }
    EXPECT_FALSE(index.Insert(nullptr, 1));
    EXPECT_EQ(index.Find(nullptr), TAddressIndex::kAbsent);
    index.Clear();
    EXPECT_EQ(index.Find(key(1)), TAddressIndex::kAbsent);
    EXPECT_FALSE(index.Erase(key(1)));
}

} // namespace
} // namespace zep
