// Large pages for a program's large blocks, one of
// large_pages_posix.cpp and large_pages_windows.cpp.
#pragma once

#include <cstddef>

namespace fenrow {

// Blocks from this size on are offered large pages: below it, the part of a
// last large page left unused would weigh more than the faults it saves.
constexpr std::size_t large_allocation = std::size_t{16} << 20;

// Asks the system to back the block with large pages where it can; a hint
// that may be ignored.
void offer_large_pages(void* p, std::size_t n);

} // namespace fenrow
