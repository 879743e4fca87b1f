// Running the built programs as a user runs them: in a working folder, with arguments, with
// standard input from /dev/null, and standard output and error kept apart.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fieldcast::testing {

struct RunResult {
    int status;  // exit status, -1 when the program did not end normally
    std::string out;
    std::string err;
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir);

// The built fieldcast.
std::string fieldcastExe();
// fieldcast in `dir`, on the files there.
RunResult runFieldcast(const std::filesystem::path& dir);

}  // namespace fieldcast::testing
