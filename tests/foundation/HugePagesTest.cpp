// Containers on the study allocator cross its three regimes (pool, heap, huge pages) as they
// grow and shrink; their contents must never notice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "foundation/HugePages.h"
#include "foundation/Sanitizers.h"

namespace zep {
namespace {

#ifdef ZEP_ADDRESS_SANITIZER
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(HugePages, VectorsKeepTheirContentsAcrossEveryKindOfBlock) {
    std::mt19937 random(20261209);
    // Sizes that cross the pool's largest block (32 entries of 8 bytes) and the huge page
    // (262,144 entries) in both directions.
    const std::size_t limits[] = {40, 4000, 300000};
    for (std::size_t limit : limits) {
        THugeVector<std::uint64_t> ours;
        std::vector<std::uint64_t> reference;
        for (int step = 0; step < 400; ++step) {
            const std::size_t action = random() % 5;
            if (action <= 1) {
                const std::size_t n = random() % (limit / 8 + 1);
                for (std::size_t i = 0; i < n; ++i) {
                    const std::uint64_t v = random();
                    ours.push_back(v);
                    reference.push_back(v);
                }
            } else if (action == 2 && !reference.empty()) {
                const std::size_t keep = random() % reference.size();
                ours.resize(keep);
                reference.resize(keep);
            } else if (action == 3) {
                ours.shrink_to_fit();
            } else {
                ours.reserve(random() % (limit + 1));
            }
            if (ours.size() > limit) {
                ours.resize(limit / 2);
                reference.resize(limit / 2);
            }
            ASSERT_EQ(ours.size(), reference.size());
            ASSERT_TRUE(std::equal(ours.begin(), ours.end(), reference.begin()))
                << "limit " << limit << ", step " << step;
        }
        // A copy and a swap move blocks between containers of the same allocator.
        THugeVector<std::uint64_t> copy = ours;
        THugeVector<std::uint64_t> other(3, 7);
        copy.swap(other);
        EXPECT_TRUE(std::equal(other.begin(), other.end(), reference.begin(), reference.end()));
        EXPECT_EQ(copy, THugeVector<std::uint64_t>(3, 7));
    }
}

TEST(HugePages, LargeBlocksAreAlignedToAHugePageAndWritable) {
    for (std::size_t bytes :
         {std::size_t{4096}, std::size_t{2} << 20, (std::size_t{5} << 20) + 17}) {
        THugeBuffer buffer(bytes);
        ASSERT_NE(buffer.Data(), nullptr);
        // Under the address sanitizer the blocks are ordinary heap blocks.
        if (bytes >= (std::size_t{2} << 20) && !kSanitized) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % (std::size_t{2} << 20), 0u);
        }
        buffer.Data()[0] = 'a';
        buffer.Data()[bytes - 1] = 'z';
        THugeBuffer moved = std::move(buffer);
        EXPECT_EQ(buffer.Data(), nullptr);
        EXPECT_EQ(moved.Data()[0], 'a');
        EXPECT_EQ(moved.Data()[bytes - 1], 'z');
        EXPECT_EQ(moved.Size(), bytes);
    }
}

} // namespace
} // namespace zep
