// Calls from workers carried out on the user-interface thread, in order, while
// the worker waits: each is queued and announced to the window with a posted
// message. Once closed, calls return at once with an empty result, so a
// worker never waits for a window that has gone.
#pragma once

#include "app/posted_call.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <future>
#include <mutex>

namespace fenrow {

class UiCalls {
public:
    // The message the window answers with run_pending().
    static constexpr UINT message = WM_APP + 1;

    UiCalls() : thread_(GetCurrentThreadId()) {}
    ~UiCalls() { close(); }
    UiCalls(const UiCalls&) = delete;
    UiCalls& operator=(const UiCalls&) = delete;

    void attach(HWND window) { window_ = window; }
    bool here() const { return GetCurrentThreadId() == thread_; }

    // Runs f on the user-interface thread and hands back its result (or its
    // exception); on that thread itself, at once. After close: f does not run.
    template <typename F>
    auto call(F f) -> decltype(f());

    // The queued calls, in order; on the user-interface thread.
    void run_pending();
    // From now on calls return at once; the ones waiting are released.
    void close();

private:
    struct Call {
        std::function<void()> f;
        std::promise<void>* done;
    };
    bool post(std::function<void()> f, std::promise<void>& done);

    DWORD thread_;
    HWND window_ = nullptr;
    std::mutex mutex_;
    bool closed_ = false;
    std::deque<Call> queue_;
};

template <typename F>
auto UiCalls::call(F f) -> decltype(f())
{
    if (here())
        return f();
    return wait_for_posted(std::move(f), [this](std::function<void()> g, std::promise<void>& done) {
        return post(std::move(g), done);
    });
}

} // namespace fenrow
