#include "map_test_support.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace maptest {

TempDir::TempDir() {
    std::string pattern = std::filesystem::temp_directory_path() / "map-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path fixtureDir() { return MAP_FIXTURE_DIR; }

void copyScenario(const std::filesystem::path& dir,
                  const std::map<std::string, std::string>& replaced) {
    std::filesystem::create_directories(dir);
    for (const auto& entry : std::filesystem::directory_iterator(fixtureDir())) {
        if (entry.path().extension() == ".dat") {
            std::filesystem::copy_file(entry.path(), dir / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    for (const auto& [name, content] : replaced) writeFile(dir / name, content);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

namespace {
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
    for (const std::string& a : args) {
        command += ' ';
        command += quoted(a);
    }
    command += " </dev/null >" + quoted((capture / "out").string()) + " 2>" +
               quoted((capture / "err").string());
    const int raw = std::system(command.c_str());
    RunResult result{-1, readFile(capture / "out"), readFile(capture / "err")};
    if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    return result;
}

RunResult runMap(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    return runProgram(FIELDCAST_MAP_EXE, args, workDir);
}

RunResult runFieldcast(const std::filesystem::path& dir) {
    return runProgram(FIELDCAST_EXE, {}, dir);
}

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
