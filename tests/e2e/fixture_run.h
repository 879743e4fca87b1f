// fieldcast run on a copy of fixtures/base in a temporary folder, for the end-to-end tests
// and the catalogue of bad inputs.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "test_files.h"
#include "test_programs.h"

namespace fieldcast::e2e {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

inline fs::path fixtureDir() { return fs::path(FIELDCAST_FIXTURES) / "base"; }

// A temporary working folder holding the base fixture files.
class FixtureCopy : public testing::TempDir {
  public:
    FixtureCopy() { testing::copyInputFiles(fixtureDir(), path()); }
};

struct FieldcastRun {
    int status = -1;
    std::string console;
    std::string errors;                 // standard error: must stay empty
    std::optional<std::string> report;  // nullopt: no "QZresult-0.txt"
};

// Runs fieldcast in `dir` with no standard input. A report that is no plain file (a link to
// /dev/full, a FIFO) is not read.
inline FieldcastRun runFieldcastIn(const fs::path& dir) {
    const testing::RunResult run = testing::runFieldcast(dir);
    FieldcastRun result{run.status, run.out, run.err, std::nullopt};
    const fs::path report = dir / "QZresult-0.txt";
    if (fs::is_regular_file(fs::symlink_status(report))) result.report = readFile(report);
    return result;
}

}  // namespace fieldcast::e2e
