// Memory for the many small objects of a study (entities, lists, property arrays, undo records):
// blocks of a few sizes, kept on free lists per size and carved from large slabs, so that
// neither a header per block nor the general allocator's search is paid for each of them.
#pragma once

#include <cstddef>

namespace zep {

/// Per-thread pools of blocks of 16, 32, ... 256 bytes. Blocks freed on another thread join
/// that thread's lists. Slabs are kept for the life of the process. Larger requests go to the
/// general allocator. Under the address sanitizer every request goes there, so that it still
/// sees each block's life.
class TSmallObjectPool {
public:
    static constexpr std::size_t kGrain = 16;
    static constexpr std::size_t kLargest = 256;

    static void* Allocate(std::size_t size);
    static void Free(void* block, std::size_t size) noexcept;
    /// Bytes of pooled blocks this thread handed out and has not taken back (for memory
    /// accounting: the general allocator's counters see only whole slabs).
    static std::ptrdiff_t BytesInUse() noexcept;
};

/// A base that gives a class (and every class derived from it) pooled storage. A class with a
/// virtual destructor frees with its most-derived size.
struct TPooled {
    static void* operator new(std::size_t size) { return TSmallObjectPool::Allocate(size); }
    static void operator delete(void* block, std::size_t size) noexcept {
        TSmallObjectPool::Free(block, size);
    }
};

} // namespace zep
