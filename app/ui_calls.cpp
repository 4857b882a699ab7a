#include "app/ui_calls.h"

#include "runtime/fatal.h"

#include <exception>

namespace fenrow {

UiCalls::UiCalls(std::function<bool()> wake) : wake_(std::move(wake)) {}

bool UiCalls::post(std::function<void()> f, std::promise<void>& done)
{
    const std::lock_guard lock(mutex_);
    if (closed_)
        return false;
    queue_.push_back({std::move(f), &done});
    if (!wake_()) {
        queue_.pop_back();
        return false;
    }
    return true;
}

void UiCalls::run_pending()
{
    Call call;
    {
        const std::lock_guard lock(mutex_);
        if (queue_.empty() || closed_)
            return;
        call = std::move(queue_.front());
        queue_.pop_front();
    }
    try {
        // What fails here fails the worker's step, which gets the exception.
        const RecoverableAllocations for_the_caller;
        call.f();
        call.done->set_value();
    } catch (...) {
        call.done->set_exception(std::current_exception());
    }
}

void UiCalls::close()
{
    const std::lock_guard lock(mutex_);
    closed_ = true;
    for (Call& call : queue_)
        call.done->set_value(); // released without running
    queue_.clear();
}

} // namespace fenrow
