#include "core/platform/LargeBlock.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void AdviseLargeBlock(void* block, std::size_t size) {
#ifdef __linux__
    // Only whole large pages inside the block: the system cannot back anything smaller.
    constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (begin + kLargePage - 1) / kLargePage * kLargePage;
    const std::uintptr_t to = (begin + size) / kLargePage * kLargePage;
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}
