#include "runtime/worker.h"

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
        testing::ExitedWithCode(255), "worker broke");
}
