#include "foundation/HugePages.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "foundation/Sanitizers.h"

namespace zep {

namespace {
[[maybe_unused]] constexpr std::size_t kHugePage = 2 * 1024 * 1024;
} // namespace

void* MapHugePages(std::size_t bytes) {
#ifdef ZEP_ADDRESS_SANITIZER
    return ::operator new(bytes);
#else
    if (bytes < kHugePage) {
        void* block =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) throw std::bad_alloc();
        return block;
    }
    // A huge page more than asked, and the unaligned ends given back.
    if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
    const std::size_t wideBytes = bytes + kHugePage;
    void* wide =
        ::mmap(nullptr, wideBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (wide == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(wide);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
    if (aligned > start) ::munmap(wide, aligned - start);
    if (const std::uintptr_t tail = start + wideBytes - (aligned + bytes))
        ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    void* block = reinterpret_cast<void*>(aligned);
    ::madvise(block, bytes, MADV_HUGEPAGE); // a hint: without huge pages it is a plain mapping
    return block;
#endif
}

void UnmapHugePages(void* block, std::size_t bytes) noexcept {
#ifdef ZEP_ADDRESS_SANITIZER
    ::operator delete(block);
#else
    if (block && bytes) ::munmap(block, bytes);
#endif
}

} // namespace zep
