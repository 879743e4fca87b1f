#include "map_test_support.h"

#include <sstream>

namespace maptest {

std::filesystem::path fixtureDir() { return MAP_FIXTURE_DIR; }

void copyFixtures(const std::filesystem::path& dir,
                  const std::map<std::string, std::string>& replaced) {
    fieldcast::testing::copyInputFiles(fixtureDir(), dir, replaced);
}

RunResult runMap(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    return fieldcast::testing::runProgram(FIELDCAST_MAP_EXE, args, workDir);
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
