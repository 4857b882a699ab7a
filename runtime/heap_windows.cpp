#include "runtime/heap.h"

namespace fenrow {

// The Windows heap gives large blocks back when they are freed, whatever it
// is told: nothing to keep or give back here.
void keep_freed_blocks() {}
void give_back_freed_blocks() {}

} // namespace fenrow
