// Calls from workers carried out on the user-interface thread, in order, while
// the worker waits. Once closed, calls return at once with an empty result, so
// a worker never waits for a window that has gone.
#pragma once

#include "app/posted_call.h"

#include <QObject>

#include <functional>
#include <future>
#include <mutex>

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
