// The system half of start_worker: a thread that nobody joins.
#pragma once

#include <functional>

namespace fenrow {

// Runs body on a new thread that ends on its own; false when none could be made.
bool start_detached_thread(std::function<void()> body);

} // namespace fenrow
