// The closing key wait: on a terminal it reads one key without echo; otherwise it returns at
// once (the other end-to-end tests run with standard input from /dev/null).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "fixture_run.h"

namespace {

// Everything the program wrote to the terminal so far.
std::string drain(int masterFd) {
    std::string out;
    char buffer[4096];
    pollfd pfd{masterFd, POLLIN, 0};
    while (poll(&pfd, 1, 100) > 0) {
        const ssize_t got = read(masterFd, buffer, sizeof buffer);
        if (got <= 0) break;
        out.append(buffer, static_cast<size_t>(got));
    }
    return out;
}

TEST(KeyWait, WaitsForOneKeyOnATerminalWithoutEcho) {
    const fieldcast::e2e::FixtureCopy dir;
    fieldcast::testing::writeFile(dir / "LATRLONR.dat", "Near 36.1 140.1\n");
    const std::string program = fieldcast::testing::fieldcastExe();

    int masterFd = -1;
    const pid_t child = forkpty(&masterFd, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(126);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The run itself takes milliseconds; after it the program must still be waiting.
    std::string screen;
    for (int i = 0; i < 50 && screen.find("Press any key to Exit") == std::string::npos; ++i) {
        screen += drain(masterFd);
    }
    ASSERT_NE(screen.find("Press any key to Exit"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "ended without a key";

    ASSERT_EQ(write(masterFd, "q", 1), 1);
    pid_t ended = 0;
    for (int i = 0; i < 100 && ended == 0; ++i) {
        ended = waitpid(child, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ended == 0) kill(child, SIGKILL);
    ASSERT_EQ(ended, child) << "still waiting after a key";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(drain(masterFd).find('q'), std::string::npos) << "the key was echoed";
    close(masterFd);
}

}  // namespace
