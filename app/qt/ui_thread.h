// Calls from workers carried out on the user-interface thread, in order, while
// the worker waits. Once closed, calls return at once with an empty result, so
// a worker never waits for a window that has gone.
#pragma once

#include "app/posted_call.h"

#include <QObject>

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

namespace fenrow {

class UiThread : public QObject {
public:
    UiThread();
    ~UiThread() override;

    // Whether the caller runs on the user-interface thread.
    bool here() const;

    // Runs f on the user-interface thread and hands back its result (or its
    // exception); on that thread itself, at once. After close: f does not run.
    template <typename F>
    auto call(F f) -> decltype(f());

    // Runs work on a thread of its own; meanwhile this (the user-interface)
    // thread repaints but takes no user input. Call it under a Hold.
    void run_aside(const std::function<void()>& work);

    // While one lives, workers' calls wait in order; they run when the last goes.
    class Hold {
    public:
        explicit Hold(UiThread& t) : t_(t) { ++t_.holds_; }
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        UiThread& t_;
    };

    // From now on calls return at once; the ones waiting are released.
    void close();

protected:
    bool event(QEvent* e) override;

private:
    class Call;
    // False once closed: the call was not posted.
    bool post(std::function<void()> f, std::promise<void>& done);

    std::mutex mutex_;
    bool closed_ = false;
    int holds_ = 0;
    std::vector<std::unique_ptr<Call>> held_;
};

template <typename F>
auto UiThread::call(F f) -> decltype(f())
{
    if (here())
        return f();
    return wait_for_posted(std::move(f), [this](std::function<void()> g, std::promise<void>& done) {
        return post(std::move(g), done);
    });
}

} // namespace fenrow
