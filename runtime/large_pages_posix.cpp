#include "runtime/large_pages.h"

#include <cstdint>
#include <sys/mman.h>

namespace fenrow {

void offer_large_pages(void* p, std::size_t n)
{
    // Only whole 2 MB pages inside the block; the kernel backs them on first touch.
    constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(p) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + n) & ~(huge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace fenrow
