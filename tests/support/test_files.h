// Files for the tests: a temporary folder of their own, whole files read and written as bytes,
// and copies of a folder's input files.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace fieldcast::testing {

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

// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Copies every ".dat" file of `from` into `to` (created if missing), then writes `replaced`
// (file name -> content) over them.
void copyInputFiles(const std::filesystem::path& from, const std::filesystem::path& to,
                    const std::map<std::string, std::string>& replaced = {});

}  // namespace fieldcast::testing
