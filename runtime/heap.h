// The program's heap between operations, one of heap_posix.cpp and
// heap_windows.cpp. A large block an operation frees is kept for the next,
// whose pages are then written without a page fault each (on some machines a
// fresh page costs more than the work done in it); what is kept beyond what
// the program uses is given back.
#pragma once

#include <cstddef>

namespace fenrow {

// Large blocks come from the heap and stay there when freed. Called once,
// before any thread starts.
void keep_freed_blocks();

// Gives the system back the heap's free memory once it outweighs what the
// program uses.
void give_back_freed_blocks();

// Makes the pages of a block about to be written whole present, where the
// system does that in one call for less than a fault a page; a hint that
// changes nothing else. Not for blocks that may stay partly unwritten: their
// untouched pages would join the working set.
void commit_ahead(void* p, std::size_t n);

} // namespace fenrow
