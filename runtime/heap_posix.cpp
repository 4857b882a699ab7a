#include "runtime/heap.h"

#include <climits>
#include <malloc.h>

namespace fenrow {

void keep_freed_blocks()
{
    // No block mapped on its own, which would go back to the system when freed,
    // and no automatic trimming of the heap's top.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
}

void give_back_freed_blocks()
{
    constexpr std::size_t always_kept = std::size_t{256} << 20;
    const struct mallinfo2 m = mallinfo2();
    if (m.fordblks > always_kept && m.fordblks > m.uordblks)
        malloc_trim(0);
}

// The heap keeps freed blocks (keep_freed_blocks): a large block is mostly
// warm already.
void commit_ahead(void*, std::size_t) {}

} // namespace fenrow
