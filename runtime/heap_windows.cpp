#include "runtime/heap.h"

#include <windows.h>

namespace fenrow {

// The Windows heap gives large blocks back when they are freed, whatever it
// is told: nothing to keep or give back here.
void keep_freed_blocks() {}
void give_back_freed_blocks() {}

// So every large block is fresh, and its pages faulted in one at a time cost
// more than the work done in them. Wine locks a range in the kernel at about
// half that cost (a lock and unlock leave the pages present); Windows refuses
// beyond the working-set minimum, and nothing changes.
void commit_ahead(void* p, std::size_t n)
{
    if (VirtualLock(p, n))
        VirtualUnlock(p, n);
}

} // namespace fenrow
