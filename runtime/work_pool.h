// A small pool of worker threads that an owner (a window, the command line)
// keeps for its operations: a run of n tasks is shared between the workers and
// the calling thread and returns when all are done. Text cut into chunks at
// line breaks, for operations that work line by line.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace fenrow {

class WorkPool {
public:
    // threads = 0: as many as the processor runs at once. The caller of run
    // counts as one, so threads - 1 workers are started, at the first run that
    // needs them: a window that never works on a long list starts none.
    explicit WorkPool(unsigned threads = 0);
    // Stops the workers and joins them; no run may still be going.
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // How many threads a run uses at most, its caller included.
    unsigned threads() const { return threads_; }

    // Runs task(0) … task(n - 1), each once, in any order and on any of the
    // threads, and returns when all have returned. Between its own tasks, and
    // once at the end, the calling thread runs between (if given). The first
    // exception a task throws is thrown here, once every task is over. Runs
    // may come from several threads at once, and from inside a task.
    // Work the calling thread does for a watch (runtime/progress.h) reports
    // between its tasks and ends, with OperationStopped, once asked to stop.
    void run(std::size_t n, const std::function<void(std::size_t)>& task, const std::function<void()>& between = {});
    // The same, never watched.
    void run_unwatched(std::size_t n, const std::function<void(std::size_t)>& task,
                       const std::function<void()>& between = {});

private:
    struct Batch;
    void work();
    // Takes the next task of b, or false when none is left; the pool's lock held.
    bool claim(Batch& b, std::size_t& i);
    void finish(Batch& b, std::size_t i);

    std::mutex mutex_;
    std::condition_variable work_came_;
    bool stopping_ = false; // under mutex_: the workers leave
    std::condition_variable done_;
    std::deque<Batch*> open_;
    unsigned threads_;
    std::vector<std::jthread> workers_; // started once, under mutex_; joined when destroyed
};

// The tasks on the pool, or one after the other on the calling thread without one.
void run_tasks(WorkPool* pool, std::size_t n, const std::function<void(std::size_t)>& task,
               const std::function<void()>& between = {});

// How many chunks a text of that size is worth cutting into on the pool: a few
// for every thread, none under min_bytes; 1 without a pool.
std::size_t chunk_count(const WorkPool* pool, std::size_t size, std::size_t min_bytes = 1 << 20);

// Whether places in a text of that size, with a little room, fit in 32 bits:
// the chunked engines keep them so, at half the memory.
constexpr bool places_fit_32_bits(std::size_t size)
{
    return static_cast<std::uint64_t>(size) < (std::uint64_t{1} << 32) - 16;
}

// The text cut into at most `parts` chunks of about equal size, each but the
// last ending just behind a CR LF that for_each_crlf_piece ends a piece with,
// so that the pieces of the chunks, one after the other, are the text's. An
// empty text gives one empty chunk.
std::vector<std::string_view> crlf_chunks(std::string_view s, std::size_t parts);

} // namespace fenrow
