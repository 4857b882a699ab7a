#include "runtime/work_pool.h"

#include "runtime/fatal.h"
#include "runtime/progress.h"
#include "runtime/text.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <system_error>

namespace fenrow {

struct WorkPool::Batch {
    const std::function<void(std::size_t)>* task;
    std::size_t n;
    std::size_t next = 0;
    std::size_t done = 0; // finished or skipped
    bool listed = true;   // still in open_
    bool recoverable;     // started in a step that fails alone when memory runs out
    std::exception_ptr error;
};

WorkPool::WorkPool(unsigned threads)
    : threads_(threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency()))
{
}

WorkPool::~WorkPool()
{
    // The workers leave on a flag under the pool's own lock, waited for with
    // the same condition variable as the work: no wake-up can fall between a
    // worker's check and its wait.
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_came_.notify_all();
    workers_.clear(); // joins
}

bool WorkPool::claim(Batch& b, std::size_t& i)
{
    if (b.next < b.n && !b.error) {
        i = b.next++;
    } else {
        b.done += b.n - b.next; // after a failure the rest is skipped
        b.next = b.n;
        i = b.n;
    }
    if (b.next == b.n && b.listed) {
        open_.erase(std::find(open_.begin(), open_.end(), &b));
        b.listed = false;
    }
    return i < b.n;
}

void WorkPool::finish(Batch& b, std::size_t i)
{
    std::exception_ptr error;
    try {
        // A worker's allocation fails the caller's step, as the caller's own would.
        std::optional<RecoverableAllocations> as_caller;
        if (b.recoverable)
            as_caller.emplace();
        (*b.task)(i);
    } catch (...) {
        error = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    if (error && !b.error)
        b.error = error;
    if (++b.done == b.n)
        done_.notify_all();
}

void WorkPool::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        work_came_.wait(lock, [this] { return stopping_ || !open_.empty(); });
        if (stopping_)
            return;
        Batch& b = *open_.front();
        std::size_t i;
        if (!claim(b, i))
            continue;
        lock.unlock();
        finish(b, i);
        lock.lock();
    }
}

namespace {

void run_in_turn(std::size_t n, const std::function<void(std::size_t)>& task, const std::function<void()>& between)
{
    for (std::size_t i = 0; i < n; ++i) {
        task(i);
        if (between)
            between();
    }
    if (n == 0 && between)
        between();
}

// Watched work: every task first stops once the user asked, and the calling
// thread reports between its tasks how many are done; the tasks' own
// checkpoints only stop, on whatever thread they run.
void run_watched(WorkPool* pool, std::size_t n, const std::function<void(std::size_t)>& task,
                 const std::function<void()>& between)
{
    ProgressWatch* watch = current_watch();
    std::atomic<std::size_t> done{0};
    const std::function<void(std::size_t)> helped = [&](std::size_t i) {
        const Helping helping(watch);
        stop_point();
        task(i);
        done.fetch_add(1, std::memory_order_relaxed);
    };
    const std::function<void()> reported = [&] {
        if (between)
            between();
        checkpoint(n == 0 ? 1.0 : static_cast<double>(done.load(std::memory_order_relaxed)) / static_cast<double>(n));
    };
    if (pool != nullptr)
        pool->run_unwatched(n, helped, reported);
    else
        run_in_turn(n, helped, reported);
    stop_point(); // asked during the last tasks
}

} // namespace

void WorkPool::run(std::size_t n, const std::function<void(std::size_t)>& task, const std::function<void()>& between)
{
    if (current_watch() != nullptr)
        run_watched(this, n, task, between);
    else
        run_unwatched(n, task, between);
}

void WorkPool::run_unwatched(std::size_t n, const std::function<void(std::size_t)>& task,
                             const std::function<void()>& between)
{
    if (threads_ == 1 || n <= 1) {
        run_in_turn(n, task, between);
        return;
    }
    Batch b{&task, n, 0, 0, true, allocations_recoverable(), {}};
    {
        std::lock_guard lock(mutex_);
        try {
            while (workers_.size() + 1 < threads_)
                workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // A worker that cannot start (no memory for its stack) leaves its
            // share to the threads there are: the run still does every task.
        }
        open_.push_back(&b);
    }
    work_came_.notify_all();
    for (;;) {
        std::size_t i;
        {
            std::lock_guard lock(mutex_);
            if (!claim(b, i))
                break;
        }
        finish(b, i);
        if (between) {
            try {
                between();
            } catch (...) { // the workers still use the batch: it fails once they are done
                std::lock_guard lock(mutex_);
                if (!b.error)
                    b.error = std::current_exception();
            }
        }
    }
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return b.done == b.n; });
    }
    if (b.error)
        std::rethrow_exception(b.error);
    if (between)
        between();
}

void run_tasks(WorkPool* pool, std::size_t n, const std::function<void(std::size_t)>& task,
               const std::function<void()>& between)
{
    if (pool != nullptr)
        pool->run(n, task, between);
    else if (current_watch() != nullptr)
        run_watched(nullptr, n, task, between);
    else
        run_in_turn(n, task, between);
}

std::size_t chunk_count(const WorkPool* pool, std::size_t size, std::size_t min_bytes)
{
    if (pool == nullptr || pool->threads() == 1)
        return 1;
    // A few chunks a thread, so that one slow chunk does not keep the rest waiting.
    return std::clamp<std::size_t>(size / std::max<std::size_t>(min_bytes, 1), 1, 4 * pool->threads());
}

namespace {

// Just behind the first CR LF at or after from that for_each_crlf_piece ends a
// piece with, or npos.
std::size_t end_of_chunk(std::string_view s, std::size_t from)
{
    // A byte up to 0x80 before a place makes it a character's start, whatever
    // came before: it is a one-byte character or a second byte.
    std::size_t known = from;
    while (known > 0 && known < s.size() && static_cast<unsigned char>(s[known - 1]) > 0x80)
        ++known;
    for (std::size_t i = known; i + 1 < s.size();) {
        const void* hit = std::memchr(s.data() + i, '\r', s.size() - i - 1);
        if (hit == nullptr)
            break;
        const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        if (s[p + 1] == '\n' && starts_character(s, known, p))
            return p + 2;
        i = p + 1;
    }
    return std::string_view::npos;
}

} // namespace

std::vector<std::string_view> crlf_chunks(std::string_view s, std::size_t parts)
{
    std::vector<std::string_view> chunks;
    std::size_t begin = 0;
    for (std::size_t k = 1; k < parts; ++k) {
        const std::size_t end = end_of_chunk(s, std::max(begin, s.size() / parts * k));
        if (end >= s.size())
            break;
        chunks.push_back(s.substr(begin, end - begin));
        begin = end;
    }
    chunks.push_back(s.substr(begin));
    return chunks;
}

} // namespace fenrow
