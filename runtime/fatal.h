// Fatal runtime errors: one report, then the process ends with exit code -1.
#pragma once

#include "runtime/text.h"

namespace fenrow {

// Shows the full report text to the user; the window installs one that shows
// the "错误" box. Without one the report goes to standard error.
using FatalHandler = void (*)(const Text& report);
void set_fatal_handler(FatalHandler handler);

// The report: "运行时出错!", then "错误代码：" and the number when code is not 0,
// then "错误信息：" and the message.
Text fatal_report(int code, const Text& message);

[[noreturn]] void fatal_error(int code, const Text& message);
[[noreturn]] void fatal_out_of_memory(std::size_t bytes);

// While one lives on a thread, the step the user started there (an operation,
// a paste, an open, a copy) fails alone when memory runs out: a failed
// allocation throws std::bad_alloc for the step to catch, and the window goes
// on. Elsewhere a failed allocation of the program is the fatal error above.
// They nest.
class RecoverableAllocations {
public:
    RecoverableAllocations();
    ~RecoverableAllocations();
    RecoverableAllocations(const RecoverableAllocations&) = delete;
    RecoverableAllocations& operator=(const RecoverableAllocations&) = delete;
};
bool allocations_recoverable();

} // namespace fenrow
