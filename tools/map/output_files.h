// The files a batch run writes: its output folder, files that report a failed write, the
// list of what was written, and a scratch folder for GMT's inputs.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace fieldcast::map {

// An output that cannot be created or written (a full disk): exit status 1.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Creates the output folder; refuses one that already holds a file (a UsageError), so that
// two runs never write into the same files.
void prepareOutputDir(const std::filesystem::path& dir);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

OutputFile createOutput(const std::filesystem::path& path);
void writeOutput(std::FILE* file, const std::string& text, const std::filesystem::path& path);
// Closes the file; a write that failed on the way (a full disk) shows here at the latest.
void closeOutput(OutputFile& file, const std::filesystem::path& path);

// What the run wrote, on standard output: a line on the run and the files, sorted.
void printSummary(const std::string& what, const std::filesystem::path& dir);

// A scratch folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace fieldcast::map
