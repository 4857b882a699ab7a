#include "runtime/large_pages.h"

namespace fenrow {

// Windows gives large pages only to programs holding a privilege users do not
// have, and only through VirtualAlloc: the hint is not taken.
void offer_large_pages(void*, std::size_t) {}

} // namespace fenrow
