#include "output_files.h"

#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "batch_options.h"

namespace fieldcast::map {

void prepareOutputDir(const std::filesystem::path& dir) {
    std::error_code error;
    if (std::filesystem::exists(dir, error)) {
        if (!std::filesystem::is_directory(dir)) {
            throw UsageError("--output: " + dir.string() + " exists and is not a folder");
        }
        if (!std::filesystem::is_empty(dir)) {
            throw UsageError("--output: " + dir.string() +
                             " already holds files; name a new or empty folder");
        }
        return;
    }
    std::filesystem::create_directories(dir, error);
    if (error) throw OutputError(dir.string() + ": cannot create (" + error.message() + ")");
}

OutputFile createOutput(const std::filesystem::path& path) {
    OutputFile file(std::fopen(path.c_str(), "w"));
    if (!file) throw OutputError(path.string() + ": cannot create");
    return file;
}

void writeOutput(std::FILE* file, const std::string& text, const std::filesystem::path& path) {
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        throw OutputError(path.string() + ": write failed");
    }
}

void closeOutput(OutputFile& file, const std::filesystem::path& path) {
    std::FILE* handle = file.release();
    const bool failed = std::ferror(handle) != 0;
    if (std::fclose(handle) != 0 || failed) throw OutputError(path.string() + ": write failed");
}

void printSummary(const std::string& what, const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::printf("%s -> %s\n", what.c_str(), dir.string().c_str());
    for (const std::string& name : names) std::printf("  %s\n", name.c_str());
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fieldcast-map-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) throw OutputError("cannot create a scratch folder");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace fieldcast::map
