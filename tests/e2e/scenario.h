// Running the built fieldcast on a copy of fixtures/base in a temporary directory, for the
// end-to-end tests and the catalogue of bad inputs.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace fieldcast::e2e {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline fs::path fixtureDir() { return fs::path(FIELDCAST_FIXTURES) / "base"; }

// A fresh temporary directory holding the base fixture files; removed by the destructor.
struct Scenario {
    fs::path dir;
    Scenario() {
        char pattern[] = "/tmp/fieldcast-e2e-XXXXXX";
        dir = mkdtemp(pattern);
        fs::copy(fixtureDir(), dir);
    }
    ~Scenario() { fs::remove_all(dir); }
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;
};

struct RunResult {
    int status = -1;
    std::string console;
    std::string errors;                 // standard error: must stay empty
    std::optional<std::string> report;  // nullopt: no "QZresult-0.txt"
};

// Runs fieldcast in `dir` with no standard input. A report that is a link (to /dev/full)
// is not read.
inline RunResult runFieldcast(const fs::path& dir) {
    const std::string command =
        "cd '" + dir.string() + "' && '" FIELDCAST_BIN "' </dev/null >console.out 2>stderr.out";
    const int raw = std::system(command.c_str());
    RunResult result;
    if (WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    result.console = readBytes(dir / "console.out");
    result.errors = readBytes(dir / "stderr.out");
    const fs::path report = dir / "QZresult-0.txt";
    if (fs::exists(report) && !fs::is_symlink(report)) result.report = readBytes(report);
    return result;
}

}  // namespace fieldcast::e2e
