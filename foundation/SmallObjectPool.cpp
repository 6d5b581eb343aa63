#include "foundation/SmallObjectPool.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "foundation/HugePages.h"
#include "foundation/Sanitizers.h"

namespace zep {

#ifndef ZEP_ADDRESS_SANITIZER
namespace {

constexpr std::size_t kClasses = TSmallObjectPool::kLargest / TSmallObjectPool::kGrain;
// A thread's first slabs are small, so that a small study costs little; once it has made many,
// they are huge pages, so that a large study's millions of objects cost a page fault per two
// megabytes instead of one per four kilobytes (the kernel's faults were a quarter of opening a
// million-link study).
constexpr std::size_t kSlabBytes = 256 * 1024;
constexpr std::size_t kHugeSlabBytes = 2 * 1024 * 1024;
constexpr std::size_t kSmallSlabs = 16;

struct TFreeBlock {
    TFreeBlock* next;
};

struct TPool {
    TFreeBlock* free[kClasses] = {};
    std::ptrdiff_t inUse = 0;
    char* next = nullptr; // the unused rest of the newest slab
    char* end = nullptr;
    std::size_t slabs = 0;
};

TPool& ThreadPool() {
    static thread_local TPool pool;
    return pool;
}

// Slabs live as long as the process: objects may outlive the thread that made them, and static
// objects are destroyed after every thread's storage. They are mapped directly, so the general
// allocator's counters never include them; a huge slab is one huge page.
char* NewSlab(std::size_t bytes) {
    static std::mutex lock;
    static auto* slabs = new std::vector<char*>;
    auto* slab = static_cast<char*>(MapHugePages(bytes));
    std::lock_guard<std::mutex> guard(lock);
    slabs->push_back(slab);
    return slab;
}

std::size_t ClassOf(std::size_t size) {
    return (size + TSmallObjectPool::kGrain - 1) / TSmallObjectPool::kGrain - 1;
}

} // namespace
#endif

void* TSmallObjectPool::Allocate(std::size_t size) {
#ifndef ZEP_ADDRESS_SANITIZER
    if (size != 0 && size <= kLargest) {
        TPool& pool = ThreadPool();
        const std::size_t k = ClassOf(size);
        const std::size_t bytes = (k + 1) * kGrain;
        pool.inUse += static_cast<std::ptrdiff_t>(bytes);
        if (TFreeBlock* block = pool.free[k]) {
            pool.free[k] = block->next;
            return block;
        }
        if (static_cast<std::size_t>(pool.end - pool.next) < bytes) {
            // The rest of the old slab is given to the free lists it fits, largest first.
            for (std::size_t c = kClasses; c-- > 0 && pool.next;) {
                const std::size_t b = (c + 1) * kGrain;
                while (static_cast<std::size_t>(pool.end - pool.next) >= b) {
                    auto* rest = reinterpret_cast<TFreeBlock*>(pool.next);
                    rest->next = pool.free[c];
                    pool.free[c] = rest;
                    pool.next += b;
                }
            }
            const std::size_t slabBytes = pool.slabs++ < kSmallSlabs ? kSlabBytes : kHugeSlabBytes;
            pool.next = NewSlab(slabBytes);
            pool.end = pool.next + slabBytes;
        }
        void* block = pool.next;
        pool.next += bytes;
        return block;
    }
#endif
    return ::operator new(size);
}

void TSmallObjectPool::Free(void* block, std::size_t size) noexcept {
    if (!block) return;
#ifndef ZEP_ADDRESS_SANITIZER
    if (size != 0 && size <= kLargest) {
        TPool& pool = ThreadPool();
        const std::size_t k = ClassOf(size);
        pool.inUse -= static_cast<std::ptrdiff_t>((k + 1) * kGrain);
        auto* b = static_cast<TFreeBlock*>(block);
        b->next = pool.free[k];
        pool.free[k] = b;
        return;
    }
#endif
    ::operator delete(block);
}

std::ptrdiff_t TSmallObjectPool::BytesInUse() noexcept {
#ifndef ZEP_ADDRESS_SANITIZER
    return ThreadPool().inUse;
#else
    return 0;
#endif
}

} // namespace zep
