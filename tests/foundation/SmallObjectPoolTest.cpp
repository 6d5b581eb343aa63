#include "foundation/SmallObjectPool.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace zep {
namespace {

// Live blocks never overlap and keep what was written into them, through many allocations and
// frees of every size (pooled and not), also when freed by another thread.
TEST(SmallObjectPool, BlocksStayDistinctAndKeepTheirBytes) {
    struct TLive {
        std::size_t size;
        unsigned char fill;
    };
    std::map<char*, TLive> live;
    std::mt19937 rng(3);
    auto check = [](char* p, const TLive& l) {
        for (std::size_t i = 0; i < l.size; ++i)
            if (static_cast<unsigned char>(p[i]) != l.fill) return false;
        return true;
    };
    for (int step = 0; step < 60000; ++step) {
        if (live.empty() || rng() % 5 < 3) {
            const std::size_t size = 1 + rng() % 300; // beyond the largest pooled size too
            auto* p = static_cast<char*>(TSmallObjectPool::Allocate(size));
            const auto fill = static_cast<unsigned char>(step);
            std::memset(p, fill, size);
            auto next = live.lower_bound(p);
            if (next != live.end()) {
                ASSERT_LE(p + size, next->first);
            }
            if (next != live.begin()) {
                auto prev = std::prev(next);
                ASSERT_LE(prev->first + prev->second.size, p);
            }
            live.emplace(p, TLive{size, fill});
        } else {
            auto it = live.begin();
            std::advance(it, static_cast<long>(rng() % live.size()));
            ASSERT_TRUE(check(it->first, it->second));
            TSmallObjectPool::Free(it->first, it->second.size);
            live.erase(it);
        }
    }
    for (auto& [p, l] : live)
        ASSERT_TRUE(check(p, l));
    // Freed on another thread: the blocks join that thread's lists, nothing is lost or doubled.
    std::thread other([&] {
        for (auto& [p, l] : live)
            TSmallObjectPool::Free(p, l.size);
    });
    other.join();
    TSmallObjectPool::Free(nullptr, 16);
}

struct TPooledThing : TPooled {
    virtual ~TPooledThing() = default;
    std::int64_t a = 1;
};
struct TBiggerThing : TPooledThing {
    char payload[200] = {};
};

TEST(SmallObjectPool, PooledClassesFreeWithTheirOwnSize) {
    std::vector<TPooledThing*> things;
    for (int i = 0; i < 1000; ++i)
        things.push_back(i % 2 ? new TBiggerThing : new TPooledThing);
    for (TPooledThing* t : things)
        delete t; // through the base: the most-derived size comes back
    // Reused blocks of the small class are not handed out as bigger ones.
    auto* big = new TBiggerThing;
    std::memset(big->payload, 7, sizeof big->payload);
    auto* small = new TPooledThing;
    EXPECT_TRUE(reinterpret_cast<char*>(small) >= reinterpret_cast<char*>(big) + sizeof *big ||
                reinterpret_cast<char*>(small) + sizeof *small <= reinterpret_cast<char*>(big));
    delete small;
    delete big;
}

} // namespace
} // namespace zep
