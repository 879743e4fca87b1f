#include "parallel.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace fieldcast::map {

namespace {

double nowSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

constexpr double kQuietSeconds = 0.25;  // runs shorter than this draw nothing
constexpr int kBarWidth = 40;

}  // namespace

bool stderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

unsigned defaultThreadCount() { return std::max(1U, std::thread::hardware_concurrency()); }

ProgressBar::ProgressBar(std::string label, std::size_t total, bool enabled)
    : label_(std::move(label)), total_(total), enabled_(enabled), startSeconds_(nowSeconds()) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(std::size_t done) {
    if (!enabled_ || total_ == 0) return;
    const double elapsed = nowSeconds() - startSeconds_;
    if (!drawn_ && elapsed < kQuietSeconds) return;
    if (drawn_ && done < total_ && elapsed - lastDrawSeconds_ < 0.1) return;
    drawn_ = true;
    lastDrawSeconds_ = elapsed;
    const double share = static_cast<double>(done) / static_cast<double>(total_);
    const int filled = static_cast<int>(share * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%% %zu/%zu  %.1f s", label_.c_str(), bar.c_str(),
                 static_cast<int>(share * 100.0), done, total_, elapsed);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (!drawn_) return;
    update(total_);
    std::fputc('\n', stderr);
    drawn_ = false;
    enabled_ = false;
}

void runParallel(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t item, unsigned worker)>& work,
                 ProgressBar* progress, std::size_t progressOffset) {
    threads = std::max(1U, threads);
    // blocks small enough to balance the load, large enough to keep the counter cold
    const std::size_t block = std::clamp<std::size_t>(count / (threads * 64), 1, 256);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorMutex;

    auto worker = [&](unsigned workerIndex) {
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                const std::size_t begin = next.fetch_add(block);
                if (begin >= count) break;
                const std::size_t end = std::min(count, begin + block);
                for (std::size_t item = begin; item < end; ++item) work(item, workerIndex);
                done.fetch_add(end - begin, std::memory_order_relaxed);
            }
        } catch (...) {
            const std::lock_guard lock(errorMutex);
            if (!firstError) firstError = std::current_exception();
            failed = true;
        }
    };

    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned w = 0; w < threads; ++w) pool.emplace_back(worker, w);
    while (progress != nullptr && done.load() < count && !failed.load()) {
        progress->update(progressOffset + done.load());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (std::thread& t : pool) t.join();
    if (firstError) std::rethrow_exception(firstError);
}

}  // namespace fieldcast::map
