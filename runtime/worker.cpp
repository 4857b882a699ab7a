#include "runtime/worker.h"

#include "runtime/fatal.h"
#include "runtime/thread_start.h"

#include <exception>
#include <system_error>

namespace fenrow {

namespace {

template <typename F>
void run_guarded(F&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        fatal_error(0, Text(e.what()));
    } catch (...) {
        fatal_error(0, "unknown exception");
    }
}

} // namespace

bool start_worker(std::function<void()> body)
{
    if (!body)
        return false;
    return start_detached_thread([body = std::move(body)] { run_guarded(body); });
}

bool WorkerGroup::start(std::function<void(std::stop_token)> body)
{
    if (!body)
        return false;
    const std::lock_guard lock(mutex_);
    if (stopped_)
        return false;
    try {
        threads_.emplace_back([body = std::move(body)](std::stop_token stop) { run_guarded([&] { body(stop); }); });
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void WorkerGroup::stop_all()
{
    std::vector<std::jthread> threads;
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        threads.swap(threads_);
    }
    for (std::jthread& t : threads)
        t.request_stop();
    threads.clear(); // joins
}

} // namespace fenrow
