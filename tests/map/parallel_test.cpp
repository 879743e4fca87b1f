// The worker pool and the progress bar.
#include "parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
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
    unsetenv("COLUMNS");  // the width of the line is the terminal's, and stderr is none here
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

    // Fault: the bar kept its 40 columns on a narrow terminal, and each redraw wrapped onto a
    // new line. Each line now stays one column short of the width, the bar narrowed or left out.
    for (const int columns : {50, 20}) {
        setenv("COLUMNS", std::to_string(columns).c_str(), 1);
        testing::internal::CaptureStderr();
        {
            ProgressBar narrow("grid rows", 1000, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            for (std::size_t done : {1U, 500U, 999U}) narrow.update(done);
        }
        const std::string lines = testing::internal::GetCapturedStderr();
        std::size_t count = 0;
        for (std::size_t at = 0; (at = lines.find('\r', at)) != std::string::npos; ++count) {
            const std::size_t end = lines.find_first_of("\r\n", ++at);
            EXPECT_LE(end - at, static_cast<std::size_t>(columns - 1)) << lines;
        }
        EXPECT_GE(count, 2U) << lines;
        EXPECT_EQ(lines.find("[##") != std::string::npos, columns == 50) << lines;
    }
    unsetenv("COLUMNS");

    testing::internal::CaptureStderr();
    {
        ProgressBar off("off", 10, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        off.update(5);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
