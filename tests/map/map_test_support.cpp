#include "map_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace maptest {

std::filesystem::path fixtureDir() { return MAP_FIXTURE_DIR; }

void copyFixtures(const std::filesystem::path& dir,
                  const std::map<std::string, std::string>& replaced) {
    fieldcast::testing::copyInputFiles(fixtureDir(), dir, replaced);
}

std::vector<std::string> entries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

RunResult runMap(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    return fieldcast::testing::runProgram(FIELDCAST_MAP_EXE, args, workDir);
}

std::vector<std::string> environmentWithTmpDir(const std::filesystem::path& tmpDir) {
    std::vector<std::string> env{"TMPDIR=" + tmpDir.string(),
                                 "PATH=" + std::string(std::getenv("PATH"))};
    if (const char* home = std::getenv("HOME")) env.push_back(std::string("HOME=") + home);
    return env;
}

std::vector<char*> spawnArray(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& w : words) pointers.push_back(w.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t spawnWithTmpDir(std::vector<std::string> args, const std::filesystem::path& tmpDir) {
    std::vector<char*> argv = spawnArray(args);
    std::vector<std::string> env = environmentWithTmpDir(tmpDir);
    std::vector<char*> envp = spawnArray(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int waitForExit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string shellOutput(const std::string& command) {
    const TempDir dir;
    const int status = std::system((command + " > " + (dir / "out.txt").string()).c_str());
    std::string text = readFile(dir / "out.txt");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (status != 0) throw std::runtime_error("failed: " + command);
    return text;
}

GmtWrapper::GmtWrapper(const std::string& body) {
    const std::string realGmt = shellOutput("command -v gmt");
    const std::filesystem::path share = dir_ / "share";
    std::filesystem::create_directories(share);
    std::filesystem::create_directories(dir_ / "empty");
    for (const auto& entry :
         std::filesystem::directory_iterator(shellOutput("gmt --show-sharedir"))) {
        if (entry.path().filename() != "coast") {
            std::filesystem::create_symlink(entry.path(), share / entry.path().filename());
        }
    }
    std::filesystem::create_directories(share / "coast");
    writeFile(dir_ / "gmt", "#!/bin/sh\nREAL_GMT='" + realGmt + "'\nSHARE='" + share.string() +
                                "'\nEMPTY='" + (dir_ / "empty").string() + "'\n" + body + "\n");
    std::filesystem::permissions(dir_ / "gmt", std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    oldPath_ = path != nullptr ? path : "";
    setenv("PATH", (dir_.path().string() + ":" + oldPath_).c_str(), 1);
}

GmtWrapper::~GmtWrapper() { setenv("PATH", oldPath_.c_str(), 1); }

std::vector<std::vector<std::string>> readCsv(const std::filesystem::path& path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(readFile(path));
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields(1);
        for (char c : line) {
            if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

}  // namespace maptest
