// Helpers of the map tests: scratch folders, copies of the fixture scenario, and the two
// programs run as a user runs them.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace maptest {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::filesystem::path fixtureDir();

// Copies every ".dat" file of the fixture scenario into `dir`, then writes `replaced`
// (file name -> content) over them.
void copyScenario(const std::filesystem::path& dir,
                  const std::map<std::string, std::string>& replaced = {});

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& text);

struct RunResult {
    int status;  // exit status, -1 when the program did not end normally
    std::string out;
    std::string err;
};

// Runs the program with its arguments in `workDir`, standard input from /dev/null.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir);
RunResult runMap(const std::vector<std::string>& args, const std::filesystem::path& workDir);
// fieldcast in `dir`, on the files there.
RunResult runFieldcast(const std::filesystem::path& dir);

// A CSV file as rows of fields (no quoting in the files the tests read).
std::vector<std::vector<std::string>> readCsv(const std::filesystem::path& path);

}  // namespace maptest
