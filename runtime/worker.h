// Worker threads: started and forgotten; the starter never waits.
#pragma once

#include <functional>

namespace fenrow {

// Runs body on a new thread and returns at once; false when no thread could be
// made. An exception escaping body is a fatal runtime error.
bool start_worker(std::function<void()> body);

} // namespace fenrow
