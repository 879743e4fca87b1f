// libFuzzer target: arbitrary bytes as the input files of a whole prediction run.
//
// The first byte picks what the rest is:
//   - 0 to 27: the content of that one input file (kFileNames order), the other files
//     being those of tests/e2e/fixtures/base, a path that reads every file each hour;
//   - 28: a whole working directory, the files in kFileNames order separated by
//     kPartSeparator; files after the last part are absent.
// Each input runs runPrediction on a fresh record in a private directory, with the console
// sent to /dev/null. The program opens its files by bare name, so the run changes into that
// directory and back; libFuzzer's own files (corpus, artifacts) stay where it was started.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "driver/run.h"
#include "input_file_names.h"
#include "record/prediction_state.h"

namespace {

namespace fs = std::filesystem;
using fieldcast::PredictionState;

constexpr const auto& kFileNames = fieldcast::fuzzing::kInputFileNames;
constexpr std::size_t kFileCount = fieldcast::fuzzing::kInputFileCount;
constexpr std::size_t kDirectoryMode = kFileCount;
constexpr std::string_view kPartSeparator = "\n@@\n";

std::string baseFiles[kFileCount];
fs::path workDir;
int startDirFd = -1;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const char* name, std::string_view bytes) {
    const fs::path path = workDir / name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {  // the harness's own directory, not the program under test
        std::perror(path.c_str());
        std::abort();
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// The report below its title line (notice, blank line, title: the name is any word).
bool holdsNumbersOnly(std::string text) {
    std::size_t start = 0;
    for (int line = 0; line < 4 && start != std::string::npos; ++line) {
        start = text.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    text.erase(0, start == std::string::npos ? text.size() : start);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // 0 mV/m (waves cancelling exactly) is a field, and its dB value -inf
    constexpr std::string_view kZeroField = "0.000\t\t    -inf";
    for (std::size_t zero; (zero = text.find(kZeroField)) != std::string::npos;) {
        text.erase(zero, kZeroField.size());
    }
    return text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

void layOutFiles(const std::uint8_t* data, std::size_t size) {
    const std::size_t mode = data[0] % (kFileCount + 1);
    const std::string_view payload(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (mode != kDirectoryMode) {
        for (std::size_t i = 0; i < kFileCount; ++i) {
            writeFile(kFileNames[i], i == mode ? payload : std::string_view(baseFiles[i]));
        }
        return;
    }
    std::string_view rest = payload;
    std::size_t i = 0;
    for (; i < kFileCount; ++i) {
        const std::size_t end = rest.find(kPartSeparator);
        writeFile(kFileNames[i], rest.substr(0, end));
        if (end == std::string_view::npos) {
            ++i;
            break;
        }
        rest.remove_prefix(end + kPartSeparator.size());
    }
    for (; i < kFileCount; ++i) fs::remove(workDir / kFileNames[i]);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (std::size_t i = 0; i < kFileCount; ++i) {
        baseFiles[i] = readBytes(fs::path(FIELDCAST_FIXTURES) / "base" / kFileNames[i]);
    }
    std::string pattern = (fs::temp_directory_path() / "fieldcast-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    workDir = pattern;
    std::atexit([] { fs::remove_all(workDir); });
    startDirFd = open(".", O_RDONLY | O_DIRECTORY);
    if (startDirFd < 0 || std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    layOutFiles(data, size);
    if (chdir(workDir.c_str()) != 0) std::abort();
    static PredictionState state;
    state = PredictionState{};
    const int status = fieldcast::runPrediction(state);
    // A complete report holds numbers only: an infinite field is the closed form's answer
    // for coincident points alone, and a NaN never is one.
    const bool numbersOnly = status != fieldcast::kExitComplete || state.groundRangeKm == 0.0 ||
                             holdsNumbersOnly(readBytes("QZresult-0.txt"));
    // back first, so that libFuzzer writes the failing input where it was started
    if (fchdir(startDirFd) != 0) std::abort();
    if (!numbersOnly) {
        std::fprintf(stderr, "the report holds a value that is not a finite number\n");
        std::abort();
    }
    return 0;
}
