#include "runtime/worker.h"

#include "runtime/fatal.h"

#include <exception>
#include <system_error>
#include <thread>

namespace fenrow {

bool start_worker(std::function<void()> body)
{
    if (!body)
        return false;
    try {
        std::thread([body = std::move(body)] {
            try {
                body();
            } catch (const std::exception& e) {
                fatal_error(0, Text(e.what()));
            }
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace fenrow
