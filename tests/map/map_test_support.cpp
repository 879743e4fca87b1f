#include "map_test_support.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace maptest {

std::filesystem::path fixtureDir() { return MAP_FIXTURE_DIR; }

void copyFixtures(const std::filesystem::path& dir,
                  const std::map<std::string, std::string>& replaced) {
    fieldcast::testing::copyInputFiles(fixtureDir(), dir, replaced);
}

RunResult runMap(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    return fieldcast::testing::runProgram(FIELDCAST_MAP_EXE, args, workDir);
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
