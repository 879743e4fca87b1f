// The worker pool and the progress bar.
#include "parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using fieldcast::map::ProgressBar;
using fieldcast::map::runParallel;

TEST(RunParallel, EveryItemOnceOnAWorkerOfItsOwnIndexRange) {
    for (unsigned threads : {1U, 2U, 5U}) {
        for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{1000}}) {
            std::vector<std::atomic<int>> visits(count);
            std::atomic<bool> workerOutOfRange{false};
            runParallel(
                count, threads,
                [&](std::size_t item, unsigned worker) {
                    ++visits[item];
                    if (worker >= threads) workerOutOfRange = true;
                },
                nullptr);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(visits[i].load(), 1) << threads << " threads, item " << i;
            }
            EXPECT_FALSE(workerOutOfRange.load());
        }
    }
}

TEST(RunParallel, FirstFailureReachesTheCallerAfterTheWorkersStop) {
    std::atomic<int> started{0};
    EXPECT_THROW(runParallel(
                     10000, 3,
                     [&](std::size_t item, unsigned) {
                         ++started;
                         if (item == 17) throw std::runtime_error("item 17");
                     },
                     nullptr),
                 std::runtime_error);
    EXPECT_LT(started.load(), 10000) << "the other workers should stop early";
}

TEST(ProgressBar, QuietForShortRunsThenDrawnAndClosedWithALineEnd) {
    testing::internal::CaptureStderr();
    {
        ProgressBar quick("quick", 10, true);
        quick.update(5);
        quick.finish();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    testing::internal::CaptureStderr();
    {
        ProgressBar slow("slow", 10, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        slow.update(5);
        slow.finish();
    }
    const std::string drawn = testing::internal::GetCapturedStderr();
    EXPECT_NE(drawn.find("\rslow [####################....................]  50% 5/10"),
              std::string::npos)
        << drawn;
    EXPECT_NE(drawn.find("100% 10/10"), std::string::npos) << drawn;
    EXPECT_EQ(drawn.back(), '\n');

    testing::internal::CaptureStderr();
    {
        ProgressBar off("off", 10, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        off.update(5);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
