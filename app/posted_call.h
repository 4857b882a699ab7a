// A call carried out on the user-interface thread while the caller waits,
// shared by every window: post(g, done) queues g and fulfils done once g has
// run, or gives false when the thread takes no more calls.
#pragma once

#include <functional>
#include <future>
#include <type_traits>

namespace fenrow {

// f's result (or its exception); an empty result when f was not run.
template <typename F, typename Post>
auto wait_for_posted(F f, Post post) -> decltype(f())
{
    using R = decltype(f());
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    [[maybe_unused]] std::conditional_t<std::is_void_v<R>, int, R> r{};
    bool posted = false;
    if constexpr (std::is_void_v<R>)
        posted = post(std::function<void()>(std::move(f)), done);
    else
        posted = post(std::function<void()>([&] { r = f(); }), done);
    if (posted)
        finished.get();
    if constexpr (!std::is_void_v<R>)
        return r;
}

} // namespace fenrow
