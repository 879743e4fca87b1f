// A tool started with a standard stream closed (`2>&-`, `>&-`, `<&-`) would hand that number
// to the first file it opens: its progress bar, warnings and gmt's messages, written to
// "standard error", would land in the middle of a result file. Each closed one is taken by
// /dev/null opened the other way round, so the number stays in use and a write to it still
// fails as on a closed stream (standard output's failure is still reported).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace fieldcast::tools {

inline void holdClosedStandardStreams() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        // the lowest free number: `fd` itself, as the ones below it are open
        if (held != -1 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

}  // namespace fieldcast::tools
