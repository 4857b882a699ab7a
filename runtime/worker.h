// Worker threads: started and forgotten (the starter never waits), or owned by
// a group that stops and joins them when it goes.
#pragma once

#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace fenrow {

// Runs body on a new thread and returns at once; false when no thread could be
// made. Any exception escaping body is a fatal runtime error.
bool start_worker(std::function<void()> body);

// Workers that belong to one owner. Destroying the group (or stop_all) asks
// each to stop through its token and waits for all of them.
class WorkerGroup {
public:
    WorkerGroup() = default;
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;
    ~WorkerGroup() { stop_all(); }

    // False when no thread could be made, or after stop_all. An exception
    // escaping body is a fatal runtime error.
    bool start(std::function<void(std::stop_token)> body);
    void stop_all();

private:
    std::mutex mutex_;
    bool stopped_ = false;
    std::vector<std::jthread> threads_;
};

} // namespace fenrow
