// The map tests' own helpers, beside the shared ones: the fixture files of the map tests,
// the map tool run as a user runs it, and its CSV files read back.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_files.h"
#include "test_programs.h"

namespace maptest {

using fieldcast::testing::readFile;
using fieldcast::testing::runFieldcast;
using fieldcast::testing::RunResult;
using fieldcast::testing::TempDir;
using fieldcast::testing::writeFile;

std::filesystem::path fixtureDir();

// Copies every ".dat" file of the map tests' fixtures into `dir`, then writes `replaced`
// (file name -> content) over them.
void copyFixtures(const std::filesystem::path& dir,
                  const std::map<std::string, std::string>& replaced = {});

// The names in a folder, sorted (none for a folder that does not exist).
std::vector<std::string> entries(const std::filesystem::path& dir);

// fieldcast-map with its arguments in `workDir`.
RunResult runMap(const std::vector<std::string>& args, const std::filesystem::path& workDir);

// A gmt ahead of the real one on the PATH while it lives: a shell script of `body`, in which
// "$REAL_GMT" is the real program, "$SHARE" a copy of gmt's share folder (links) without its
// coastlines and "$EMPTY" an empty folder.
class GmtWrapper {
  public:
    explicit GmtWrapper(const std::string& body);
    ~GmtWrapper();
    GmtWrapper(const GmtWrapper&) = delete;
    GmtWrapper& operator=(const GmtWrapper&) = delete;

  private:
    TempDir dir_;
    std::string oldPath_;
};

// The environment of a spawned run: TMPDIR set to `tmpDir`, PATH and HOME as the tests' own.
std::vector<std::string> environmentWithTmpDir(const std::filesystem::path& tmpDir);

// The null-ended array of pointers into `words` that posix_spawn takes for argv and envp;
// valid while `words` lives unchanged.
std::vector<char*> spawnArray(std::vector<std::string>& words);

// Starts `args` (the program's path first) with TMPDIR set to `tmpDir`, PATH and HOME as the
// tests' own, and its output thrown away; returns the child's pid, -1 if it did not start.
pid_t spawnWithTmpDir(std::vector<std::string> args, const std::filesystem::path& tmpDir);

// The exit status of a child started by spawnWithTmpDir, -1 if it ended by a signal.
int waitForExit(pid_t pid);

// The output of a shell command, without its last line end; throws when it fails.
std::string shellOutput(const std::string& command);

// A CSV file as rows of fields (no quoting in the files the tests read).
std::vector<std::vector<std::string>> readCsv(const std::filesystem::path& path);

}  // namespace maptest
