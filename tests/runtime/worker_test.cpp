#include "runtime/worker.h"

#include "tests/support/fatal_exit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

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
