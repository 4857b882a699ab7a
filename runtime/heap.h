// The program's heap between operations, one of heap_posix.cpp and
// heap_windows.cpp. A large block an operation frees is kept for the next,
// whose pages are then written without a page fault each (on some machines a
// fresh page costs more than the work done in it); what is kept beyond what
// the program uses is given back.
#pragma once

namespace fenrow {

// Large blocks come from the heap and stay there when freed. Called once,
// before any thread starts.
void keep_freed_blocks();

// Gives the system back the heap's free memory once it outweighs what the
// program uses.
void give_back_freed_blocks();

} // namespace fenrow
