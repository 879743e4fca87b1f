#include "test_programs.h"

#include <sys/wait.h>

#include <cstdlib>

#include "test_files.h"

namespace fieldcast::testing {

namespace {
// A word for the shell, in single quotes.
std::string quoted(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& workDir) {
    const TempDir capture;
    std::string command = "cd " + quoted(workDir.string()) + " && " + quoted(program);
    for (const std::string& a : args) command += ' ' + quoted(a);
    command += " </dev/null >" + quoted((capture / "out").string()) + " 2>" +
               quoted((capture / "err").string());
    const int raw = std::system(command.c_str());
    RunResult result{-1, readFile(capture / "out"), readFile(capture / "err")};
    if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    return result;
}

std::string fieldcastExe() { return FIELDCAST_EXE; }

RunResult runFieldcast(const std::filesystem::path& dir) {
    return runProgram(fieldcastExe(), {}, dir);
}

}  // namespace fieldcast::testing
