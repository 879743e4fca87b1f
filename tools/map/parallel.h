// Spreads independent items over worker threads. Each item writes only its own output, so
// the results do not depend on the number of threads or on the order the items finish in.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace fieldcast::map {

// Progress on standard error: a bar redrawn in place, shown once the work has taken more than
// a quarter of a second, so that quick runs stay silent. It keeps within one line of the
// terminal (COLUMNS, else the terminal's width): the bar narrows, then is left out.
class ProgressBar {
  public:
    // enabled: draw at all (the caller decides, usually: stderr is a terminal)
    ProgressBar(std::string label, std::size_t total, bool enabled);
    ~ProgressBar();
    void update(std::size_t done);
    void finish();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

  private:
    std::string label_;
    std::size_t total_;
    bool enabled_;
    bool drawn_ = false;
    double startSeconds_;
    double lastDrawSeconds_ = 0.0;
    std::size_t lastLineLength_ = 0;  // the characters of the line drawn last
};

bool stderrIsTerminal();

// Calls work(item, worker) for item 0 .. count-1 on `threads` workers (worker 0 .. threads-1,
// so that each can own a record), handing out items in blocks. The calling thread waits and
// updates `progress` with progressOffset + the items done. The first exception thrown by `work` is
// rethrown here once every worker has stopped.
void runParallel(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t item, unsigned worker)>& work,
                 ProgressBar* progress, std::size_t progressOffset = 0);

// std::thread::hardware_concurrency, at least 1.
unsigned defaultThreadCount();

}  // namespace fieldcast::map
