// Calls from workers carried out on the user-interface thread, in order, while
// the worker waits: each is queued and the toolkit is asked to wake its thread
// (a posted event or message), which then runs what is queued. Once closed,
// calls return at once with an empty result, so a worker never waits for a
// window that has gone. A window without a loop of its own (in memory) serves
// every call at once on the caller's thread, one at a time.
#pragma once

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

namespace fenrow {

class UiCalls {
public:
    // wake asks the user-interface thread (the constructing one) to call
    // run_pending() once soon; false when it cannot. Without it, calls are
    // served in place.
    explicit UiCalls(std::function<bool()> wake = {});
    ~UiCalls() { close(); }
    UiCalls(const UiCalls&) = delete;
    UiCalls& operator=(const UiCalls&) = delete;

    // Whether the caller runs on the user-interface thread.
    bool here() const { return std::this_thread::get_id() == thread_; }

    // Runs f on the user-interface thread and hands back its result (or its
    // exception); on that thread itself, at once. After close: f does not run.
    template <typename F>
    auto call(F f) -> decltype(f());

    // The oldest queued call, on the user-interface thread: one a wake, so that
    // the window's own events come between a worker's calls.
    void run_pending();
    // From now on calls return at once; the ones waiting are released.
    void close();

private:
    struct Call {
        std::function<void()> f;
        std::promise<void>* done;
    };
    // False once closed: the call was not queued.
    bool post(std::function<void()> f, std::promise<void>& done);

    std::function<bool()> wake_;
    std::thread::id thread_ = std::this_thread::get_id();
    std::recursive_mutex in_place_; // handlers a call runs may call again
    std::mutex mutex_;
    bool closed_ = false;
    std::deque<Call> queue_;
};

template <typename F>
auto UiCalls::call(F f) -> decltype(f())
{
    using R = decltype(f());
    if (!wake_) {
        const std::lock_guard lock(in_place_);
        return f();
    }
    if (here())
        return f();
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    [[maybe_unused]] std::conditional_t<std::is_void_v<R>, int, R> r{};
    bool posted = false;
    if constexpr (std::is_void_v<R>)
        posted = post(std::move(f), done);
    else
        posted = post([&] { r = f(); }, done);
    if (posted)
        finished.get();
    if constexpr (!std::is_void_v<R>)
        return r;
}

} // namespace fenrow
