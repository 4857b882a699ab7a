#include "runtime/thread_start.h"

#include <windows.h>

#include <process.h>

#include <memory>

namespace fenrow {

namespace {

unsigned __stdcall run(void* arg)
{
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
    (*body)();
    return 0;
}

} // namespace

// The system's own thread: a detached thread of the threads library now and
// then never started (seen under Wine, about once in a thousand).
bool start_detached_thread(std::function<void()> body)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const uintptr_t h = _beginthreadex(nullptr, 0, &run, owned.get(), 0, nullptr);
    if (h == 0)
        return false;
    owned.release(); // the thread frees it
    CloseHandle(reinterpret_cast<HANDLE>(h));
    return true;
}

} // namespace fenrow
