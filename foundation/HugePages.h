// Large blocks of memory backed by huge pages where the system offers them.
//
// On this kind of host a page fault costs about ten microseconds, and a block of hundreds of
// megabytes touched for the first time in four-kilobyte pages costs a second in faults alone;
// the same block in two-megabyte pages faults a few hundred times.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "foundation/SmallObjectPool.h"

namespace zep {

/// Maps `bytes` of fresh, untouched memory, aligned to two megabytes and advised for huge pages
/// when it is at least that large; its contents are unspecified until written. Raises
/// std::bad_alloc when the system refuses. Under the address sanitizer it is an ordinary heap
/// block, so that reads past its end are still caught.
void* MapHugePages(std::size_t bytes);
/// Returns a block from MapHugePages (of the same size) to the system.
void UnmapHugePages(void* block, std::size_t bytes) noexcept;

/// A byte buffer of fixed size in memory from MapHugePages: its pages are only made when first
/// touched, and its bytes are unspecified until written.
class THugeBuffer {
public:
    THugeBuffer() = default;
    explicit THugeBuffer(std::size_t bytes)
        : data_(bytes ? static_cast<char*>(MapHugePages(bytes)) : nullptr), size_(bytes) {}
    ~THugeBuffer() { UnmapHugePages(data_, size_); }
    THugeBuffer(THugeBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    THugeBuffer& operator=(THugeBuffer&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }
    THugeBuffer(const THugeBuffer&) = delete;
    THugeBuffer& operator=(const THugeBuffer&) = delete;

    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

/// An allocator for containers of which a study holds millions or that grow as long as the
/// study is large (a node's links, a link's link-routes, the study's lists, a reader's table of
/// every object): small blocks come from the small-object pool's slabs, blocks of two megabytes
/// or more from MapHugePages in whole huge pages, the rest from the ordinary heap. In small
/// pages, a million-link study's small lists alone faulted tens of thousands of times.
template <class T> class THugePageAllocator {
public:
    using value_type = T;
    static constexpr std::size_t kHugePage = 2 * 1024 * 1024;

    THugePageAllocator() noexcept = default;
    template <class U> THugePageAllocator(const THugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n <= TSmallObjectPool::kLargest / sizeof(T))
            return static_cast<T*>(TSmallObjectPool::Allocate(n * sizeof(T)));
        if (n >= kHugePage / sizeof(T)) {
            if (n > (static_cast<std::size_t>(-1) - kHugePage) / sizeof(T)) throw std::bad_alloc();
            return static_cast<T*>(MapHugePages(Whole(n)));
        }
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* block, std::size_t n) noexcept {
        if (n <= TSmallObjectPool::kLargest / sizeof(T))
            TSmallObjectPool::Free(block, n * sizeof(T));
        else if (n >= kHugePage / sizeof(T))
            UnmapHugePages(block, Whole(n));
        else
            std::allocator<T>().deallocate(block, n);
    }
    template <class U> bool operator==(const THugePageAllocator<U>&) const noexcept {
        return true;
    }

private:
    static std::size_t Whole(std::size_t n) {
        return (n * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage;
    }
};

/// A vector in huge pages once it is long.
template <class T> using THugeVector = std::vector<T, THugePageAllocator<T>>;

} // namespace zep
