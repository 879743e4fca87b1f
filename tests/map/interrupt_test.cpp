// The map tool ended from outside at a chosen step: by a signal sent from within gmt's own
// work (a gmt ahead of the real one on the PATH), so that no test waits for the run to reach
// a phase. What it leaves: complete files and the note, never its work entry, scratch folder
// or gmt's sessions.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "map_test_support.h"

namespace {

namespace fs = std::filesystem;
using maptest::entries;
using maptest::readFile;
using maptest::TempDir;

const std::string kData = BUNDLED_DATA_DIR;

// Starts the map tool in `workDir` in a process group of its own (a signal to the group, as a
// terminal's Ctrl-C or timeout sends it, reaches the tool and its gmt and not the tests), with
// TMPDIR set, every signal at its default and standard output and error on `stdoutFd` and
// `stderrFd` (/dev/null when -1). Returns the wait status.
int runMapInOwnGroup(const std::vector<std::string>& args, const fs::path& workDir,
                     const fs::path& tmpDir, int stdoutFd = -1, int stderrFd = -1) {
    std::vector<std::string> words{FIELDCAST_MAP_EXE};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv = maptest::spawnArray(words);
    std::vector<std::string> env = maptest::environmentWithTmpDir(tmpDir);
    std::vector<char*> envp = maptest::spawnArray(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    if (stderrFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stderrFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return status;
}

const std::vector<std::string> kAreaRun{"area",     kData, "-o",      "out", "-R", "125/150/25/48",
                                        "--step",   "1",   "--hours", "0,1", "-j", "1",
                                        "--format", "csv"};

// Fault: SIGHUP (the terminal or ssh session closed under the run) ended it on the spot: the
// run's work entry stayed in the folder with no note, so the folder looked complete, and its
// scratch folder with gmt's session stayed under TMPDIR. SIGINT and SIGTERM sent to the
// whole process group, gmt included, as Ctrl-C and timeout send them, end it cleanly too.
TEST(MapInterrupt, ASignalWhileGmtDrawsLeavesTheNoteAndNoScratch) {
    struct Case {
        int signal;
        const char* name;
        const char* reason;
    };
    for (const Case& c :
         {Case{SIGHUP, "HUP", "hung up (SIGHUP)"}, Case{SIGINT, "INT", "interrupted (SIGINT)"},
          Case{SIGTERM, "TERM", "terminated (SIGTERM)"}}) {
        SCOPED_TRACE(c.name);
        const TempDir work;
        fs::create_directories(work / "tmp");
        // the first map's coastlines: the grid, area.csv and area.json are done by then
        const maptest::GmtWrapper gmt(std::string("[ \"$1\" = coast ] && kill -s ") + c.name +
                                      " 0\nexec \"$REAL_GMT\" \"$@\"");
        const int status = runMapInOwnGroup(kAreaRun, work.path(), work / "tmp");
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
        EXPECT_EQ(entries(work / "out"),
                  (std::vector<std::string>{"INCOMPLETE.txt", "area.csv", "area.json"}));
        const std::string note = readFile(work / "out" / "INCOMPLETE.txt");
        EXPECT_NE(note.find(std::string("did not finish: ") + c.reason), std::string::npos) << note;
        EXPECT_NE(note.find("  map-00.png\n  map-01.png\n"), std::string::npos) << note;
        EXPECT_TRUE(entries(work / "tmp").empty());  // the scratch folder and gmt's sessions
    }
}

// Fault: a run killed outright (SIGKILL: the out-of-memory killer, a batch system's hard
// limit) left complete files and nothing to say that the rest was missing; a run into the
// folder afterwards said only that another run was writing into it.
TEST(MapInterrupt, AKilledRunLeavesTheNoteThatItDidNotFinish) {
    const TempDir work;
    fs::create_directories(work / "tmp");
    {
        const maptest::GmtWrapper gmt(
            "[ \"$1\" = coast ] && kill -s KILL $PPID && exit 1\n"
            "exec \"$REAL_GMT\" \"$@\"");
        const int status = runMapInOwnGroup(kAreaRun, work.path(), work / "tmp");
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
    }
    const std::vector<std::string> left = entries(work / "out");
    EXPECT_NE(std::find(left.begin(), left.end(), "INCOMPLETE.txt"), left.end());
    EXPECT_NE(std::find(left.begin(), left.end(), "area.csv"), left.end());
    EXPECT_NE(readFile(work / "out" / "INCOMPLETE.txt").find("has not finished"),
              std::string::npos);
    const auto rerun = maptest::runMap(kAreaRun, work.path());
    EXPECT_EQ(rerun.status, 2);
    EXPECT_NE(rerun.err.find("or one was killed there: see its INCOMPLETE.txt"), std::string::npos)
        << rerun.err;
}

// Fault: a run whose standard output or error had no reader any more (`2>&1 | head -1`, a
// pager that was quit) was ended by SIGPIPE: on standard error in the middle of the run (the
// progress bar, a warning), leaving its work entry and scratch folder and no result; on
// standard output as it listed its files, leaving its scratch folder with gmt's session
// folder under TMPDIR. What it prints then is lost; the run goes on, and the list that could
// not be printed is a failed write of standard output.
TEST(MapInterrupt, AStreamWhoseReaderHasGoneEndsNoRunHalfway) {
    for (const bool onStandardError : {true, false}) {
        SCOPED_TRACE(onStandardError ? "standard error" : "standard output");
        const TempDir work;
        fs::create_directories(work / "tmp");
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        close(pipeEnds[0]);  // the reader is gone before the run prints anything
        const int messages = open((work / "err.txt").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(messages, 0);
        std::vector<std::string> args = kAreaRun;
        args.push_back("--progress");
        const int status =
            onStandardError
                ? runMapInOwnGroup(args, work.path(), work / "tmp", -1, pipeEnds[1])
                : runMapInOwnGroup(args, work.path(), work / "tmp", pipeEnds[1], messages);
        close(pipeEnds[1]);
        close(messages);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), onStandardError ? 0 : 1);
        if (!onStandardError) {
            EXPECT_NE(readFile(work / "err.txt").find("standard output: write failed"),
                      std::string::npos);
        }
        EXPECT_EQ(entries(work / "out"),
                  (std::vector<std::string>{"area.csv", "area.json", "map-00.png", "map-01.png"}));
        EXPECT_TRUE(entries(work / "tmp").empty());
    }
}

// Fault: a file grown past the size limit (ulimit -f, as a batch system sets it) ended the
// run by SIGXFSZ: a cut field.tif stayed in the run's work entry, with no note and no
// message, and the scratch folder of the maps under TMPDIR. The write fails instead, by its
// file's name (gmt, whose picture passes the limit, fails as gmt).
TEST(MapInterrupt, AFileSizeLimitFailsTheRunWithTheNote) {
    struct Case {
        const char* options;
        const char* missing;
        const char* message;
    };
    for (const Case& c :
         {Case{"-R 100/180/0/60 --step 0.25 --hours 0,6,12 --no-maps --format geotiff",
               "  field.tif\n", "out/field.tif: "},
          Case{"-R 125/150/25/48 --step 1 --hours 0 --format none", "  map-00.png\n", "gmt"}}) {
        SCOPED_TRACE(c.options);
        const TempDir work;
        fs::create_directories(work / "tmp");
        const auto run = fieldcast::testing::runProgram(
            "/bin/sh",
            {"-c", "ulimit -f 200; TMPDIR=" + (work / "tmp").string() + " exec " +
                       FIELDCAST_MAP_EXE + " area " + kData + " -o out " + c.options},
            work.path());
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(entries(work / "out"), std::vector<std::string>{"INCOMPLETE.txt"});
        EXPECT_NE(readFile(work / "out" / "INCOMPLETE.txt").find(c.missing), std::string::npos);
        EXPECT_TRUE(entries(work / "tmp").empty());
    }
}

}  // namespace
