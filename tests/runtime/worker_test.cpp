#include "runtime/worker.h"
#include "runtime/work_pool.h"

#include "tests/support/fatal_exit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace fenrow;

TEST(Worker, StarterReturnsBeforeTheWorkerRuns)
{
    std::promise<void> go;
    std::shared_future<void> gate = go.get_future().share();
    std::promise<std::thread::id> ran_on;
    auto done = ran_on.get_future();
    ASSERT_TRUE(start_worker([gate, &ran_on] {
        gate.wait();
        ran_on.set_value(std::this_thread::get_id());
    }));
    // The worker is still blocked: start_worker did not wait for it.
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    go.set_value();
    EXPECT_NE(done.get(), std::this_thread::get_id());
}

TEST(Worker, EmptyBodyIsRefused) { EXPECT_FALSE(start_worker({})); }

TEST(WorkerDeathTest, EscapingExceptionIsFatal)
{
    EXPECT_EXIT(
        {
            start_worker([] { throw std::runtime_error("worker broke"); });
            std::this_thread::sleep_for(std::chrono::seconds(10));
        },
        fatal_exit(), "worker broke");
    EXPECT_EXIT(
        {
            start_worker([] { throw 42; });
            std::this_thread::sleep_for(std::chrono::seconds(10));
        },
        fatal_exit(), "unknown exception");
    EXPECT_EXIT(
        {
            WorkerGroup group;
            group.start([](std::stop_token) { throw 42; });
            std::this_thread::sleep_for(std::chrono::seconds(10));
        },
        fatal_exit(), "unknown exception");
}

TEST(WorkerGroup, GoingAsksEveryWorkerToStopAndWaitsForIt)
{
    std::atomic<int> ended{0};
    {
        WorkerGroup group;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(group.start([&ended](std::stop_token stop) {
                while (!stop.stop_requested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++ended;
            }));
        }
    }
    EXPECT_EQ(ended, 3);

    WorkerGroup stopped;
    stopped.stop_all();
    EXPECT_FALSE(stopped.start([](std::stop_token) {}));
    EXPECT_FALSE(WorkerGroup().start({}));
}

TEST(WorkPool, RunsEveryTaskOnceFromAnyCallerAndGivesBackTheFirstFailure)
{
    for (unsigned threads : {1u, 2u, 5u}) {
        WorkPool pool(threads);
        EXPECT_EQ(pool.threads(), threads);
        // Two callers at once, each with tasks that run a nested batch of their own.
        std::vector<std::atomic<int>> ran(2 * 64 * 8);
        const auto caller = [&](std::size_t first) {
            const std::thread::id me = std::this_thread::get_id();
            int betweens = 0;
            pool.run(
                64,
                [&](std::size_t i) {
                    pool.run(8, [&](std::size_t j) { ++ran[first + i * 8 + j]; });
                },
                [&] { betweens += std::this_thread::get_id() == me ? 1 : 1000; });
            EXPECT_GE(betweens, 1); // on the caller only, at least once at the end
            EXPECT_LE(betweens, 65);
        };
        std::thread other(caller, 64 * 8);
        caller(0);
        other.join();
        for (const auto& n : ran)
            ASSERT_EQ(n, 1);

        std::atomic<int> after_failure{0};
        EXPECT_THROW(pool.run(100,
                              [&](std::size_t i) {
                                  if (i == 3)
                                      throw std::runtime_error("task");
                                  ++after_failure;
                              }),
                     std::runtime_error);
        int later = 0; // the pool still serves runs
        run_tasks(&pool, 1, [&](std::size_t) { ++later; });
        run_tasks(nullptr, 2, [&](std::size_t) { ++later; });
        EXPECT_EQ(later, 3);
    }
}
