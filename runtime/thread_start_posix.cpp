#include "runtime/thread_start.h"

#include <system_error>
#include <thread>

namespace fenrow {

bool start_detached_thread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace fenrow
