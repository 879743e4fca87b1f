#include "parallel.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
constexpr std::size_t kBarWidth = 40;
constexpr std::size_t kLeastBarWidth = 5;  // narrower, the bar is left out

// The columns the line may take: COLUMNS when it holds a width (a user's choice, as the shells
// and most tools take it), else the terminal's, asked afresh at each draw so that a resized
// window is followed; 0 when neither is known (a log: any length).
std::size_t lineColumns() {
    if (const char* columns = std::getenv("COLUMNS")) {
        char* end = nullptr;
        const long width = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && width > 0) return static_cast<std::size_t>(width);
    }
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 0;
}

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
    char counts[96];
    std::snprintf(counts, sizeof counts, "%3d%% %zu/%zu  %.1f s", static_cast<int>(share * 100.0),
                  done, total_, elapsed);
    // one line short of the terminal's width: a line that fills it wraps on some terminals,
    // and each redraw would then start a new line
    const std::size_t columns = lineColumns();
    const std::size_t room = columns == 0 ? SIZE_MAX : columns - 1;
    const std::size_t around = label_.size() + 4 + std::strlen(counts);  // " [" and "] "
    const std::size_t barWidth = room > around ? std::min(kBarWidth, room - around) : 0;
    std::string line = label_;
    if (barWidth >= kLeastBarWidth) {
        std::string bar(static_cast<std::size_t>(share * static_cast<double>(barWidth)), '#');
        bar.resize(barWidth, '.');
        line += " [" + bar + "] ";
    } else {
        line += " ";
    }
    line += counts;
    if (line.size() > room) line.resize(room);
    // blanks over what a longer line before left (a window made narrower, a bar left out)
    const std::size_t drawn = line.size();
    if (line.size() < lastLineLength_) line.resize(std::min(lastLineLength_, room), ' ');
    lastLineLength_ = drawn;
    std::fprintf(stderr, "\r%s", line.c_str());
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
