#include "output_files.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "batch_options.h"

namespace fieldcast::map {

namespace fs = std::filesystem;

namespace {

// What the end of an interrupted run must clean up.
struct ProcessState {
    std::mutex runLock;
    std::vector<pid_t> children;     // with runLock
    OutputFolder* folder = nullptr;  // with runLock
    std::mutex scratchLock;
    fs::path scratchRoot;       // with scratchLock; empty until the first scratch folder
    unsigned scratchCount = 0;  // with scratchLock
    ~ProcessState() {
        std::error_code ignored;
        if (!scratchRoot.empty()) fs::remove_all(scratchRoot, ignored);
    }
};

ProcessState& state() {
    static ProcessState s;
    return s;
}

// Why the system's temporary folder cannot hold the scratch root: the folder as the user set
// it (the standard library takes the first of these variables that is set, else /tmp).
OutputError unusableTemporaryFolder(const std::string& reason) {
    std::string folder = "/tmp";
    for (const char* name : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            folder = std::string(value) + " (" + name + ")";
            break;
        }
    }
    return OutputError("the temporary folder " + folder +
                       " cannot hold the run's scratch folder (" + reason +
                       "); set TMPDIR to a folder you can write to");
}

// The process's scratch root, made on first use; with scratchLock held.
const fs::path& scratchRootLocked() {
    ProcessState& s = state();
    if (s.scratchRoot.empty()) {
        std::error_code error;
        const fs::path temporary = fs::temp_directory_path(error);
        if (error) throw unusableTemporaryFolder(error.message());
        std::string pattern = temporary / "fieldcast-map-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw unusableTemporaryFolder(std::strerror(errno));
        s.scratchRoot = pattern;
    }
    return s.scratchRoot;
}

// Why the run ended, for the note of the output folder and the line on standard error.
const char* interruptReason(int signal) {
    return signal == SIGINT   ? "interrupted (SIGINT)"
           : signal == SIGHUP ? "hung up (SIGHUP)"
                              : "terminated (SIGTERM)";
}

[[noreturn]] void endInterrupted(int signal, const char* toolName, void (*cleanUp)()) {
    ProcessState& s = state();
    s.runLock.lock();  // held for good: nothing is renamed into place or started any more
    for (const pid_t child : s.children) kill(child, SIGKILL);
    for (const pid_t child : s.children) waitpid(child, nullptr, 0);
    if (s.folder != nullptr) s.folder->abandon(interruptReason(signal));
    if (cleanUp != nullptr) cleanUp();
    {
        std::lock_guard<std::mutex> scratch(s.scratchLock);
        std::error_code error;
        if (!s.scratchRoot.empty()) {
            // moved aside first: a thread of the run still writing there can add no file to it
            // (one added while the folder was being removed kept it in place)
            fs::path ended = s.scratchRoot;
            ended += "-ended";
            fs::rename(s.scratchRoot, ended, error);
            fs::remove_all(error ? s.scratchRoot : ended, error);
        }
    }
    const char* line = signal == SIGINT   ? ": interrupted\n"
                       : signal == SIGHUP ? ": hung up\n"
                                          : ": terminated\n";
    ssize_t ignored = ::write(STDERR_FILENO, toolName, std::strlen(toolName));
    ignored = ::write(STDERR_FILENO, line, std::strlen(line));
    (void)ignored;
    _exit(128 + signal);
}

}  // namespace

std::mutex& runLock() { return state().runLock; }

void addChild(pid_t pid) { state().children.push_back(pid); }

void removeChild(pid_t pid) {
    std::vector<pid_t>& children = state().children;
    children.erase(std::remove(children.begin(), children.end(), pid), children.end());
}

void catchInterrupts(const char* toolName, void (*cleanUp)()) {
    // A file grown past the size limit (ulimit -f) fails its write with EFBIG, which the run
    // reports and cleans up after, and a standard stream whose reader has gone (`2>&1 | head`)
    // fails with EPIPE, instead of ending the process on the spot with its work half done
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kInterruptSignals) sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // every thread started later inherits it
    std::thread([signals, toolName, cleanUp] {
        int signal = 0;
        while (sigwait(&signals, &signal) != 0) {
        }
        endInterrupted(signal, toolName, cleanUp);
    }).detach();
}

OutputFolder::OutputFolder(const fs::path& dir) : dir_(dir), work_(dir / kWorkEntry) {
    std::error_code error;
    if (dir_.empty()) throw UsageError("--output: the name is empty; name a new or empty folder");
    if (fs::exists(dir_, error) && !fs::is_directory(dir_, error)) {
        throw UsageError("--output: " + dir_.string() + " exists and is not a folder");
    }
    if (fs::is_symlink(dir_, error) && !fs::exists(dir_, error)) {
        throw UsageError("--output: " + dir_.string() + " is a symbolic link to " +
                         fs::read_symlink(dir_, error).string() +
                         ", which does not exist; name a folder");
    }
    fs::create_directories(dir_, error);
    if (error) throw OutputError(dir_.string() + ": cannot create (" + error.message() + ")");
    // an interrupt waits until the claim is made and known, or it would leave the work entry
    std::lock_guard<std::mutex> lock(runLock());
    // mkdir succeeds for one process only: the claim of the folder
    if (::mkdir(work_.c_str(), 0700) != 0) {
        if (errno == EEXIST) {
            throw UsageError("--output: " + dir_.string() +
                             " already holds files (another run is writing into it, or one was "
                             "killed there: see its " +
                             kIncompleteNote + "); name a new or empty folder");
        }
        throw OutputError(dir_.string() + ": cannot write into it (" + std::strerror(errno) + ")");
    }
    for (const auto& entry : fs::directory_iterator(dir_, error)) {
        if (entry.path().filename() != kWorkEntry) {
            fs::remove(work_, error);
            throw UsageError("--output: " + dir_.string() +
                             " already holds files; name a new or empty folder");
        }
    }
    writeNote(
        "This run of fieldcast-map has not finished: it is writing, or it was killed "
        "before it could say why it ended.\nThe files beside this note are complete.\n",
        work_);
    state().folder = this;
}

void OutputFolder::writeNote(const std::string& note, const fs::path& staging) {
    // best effort (the disk may be full), whole or not at all
    const fs::path partialNote = staging / kIncompleteNote;
    std::FILE* file = std::fopen(partialNote.c_str(), "w");
    if (file == nullptr) return;
    const bool written = std::fwrite(note.data(), 1, note.size(), file) == note.size();
    if (std::fclose(file) == 0 && written) {
        std::error_code ignored;
        fs::rename(partialNote, dir_ / kIncompleteNote, ignored);
    }
}

OutputFolder::~OutputFolder() {
    if (!done_) abandon("ended by an error (the message on standard error)");
    std::lock_guard<std::mutex> lock(runLock());
    if (state().folder == this) state().folder = nullptr;
}

void OutputFolder::publish(const std::string& name) {
    std::lock_guard<std::mutex> lock(runLock());
    std::error_code error;
    fs::rename(work_ / name, dir_ / name, error);
    if (error) {
        throw OutputError((dir_ / name).string() + ": cannot put in place (" + error.message() +
                          ")");
    }
}

void OutputFolder::adopt(const fs::path& file, const std::string& name) {
    std::error_code error;
    fs::copy_file(file, work_ / name, fs::copy_options::overwrite_existing, error);
    if (error) {
        fs::remove(work_ / name, error);
        throw OutputError((dir_ / name).string() + ": write failed");
    }
    publish(name);
}

void OutputFolder::expect(const std::string& name) { expected_.push_back(name); }

void OutputFolder::expectReports(std::size_t count) { expectedReports_ = count; }

void OutputFolder::finish() {
    std::error_code error;
    fs::remove(dir_ / kIncompleteNote, error);
    if (error) {
        throw OutputError((dir_ / kIncompleteNote).string() + ": cannot remove (" +
                          error.message() + ")");
    }
    fs::remove_all(work_, error);
    done_ = true;
}

void OutputFolder::abandon(const std::string& reason) {
    if (done_) return;
    done_ = true;
    std::error_code ignored;
    std::string note = "This run of fieldcast-map did not finish: " + reason +
                       ".\nThe files beside this note are complete. Missing:\n";
    for (const std::string& name : expected_) {
        if (!fs::exists(dir_ / name, ignored)) note += "  " + name + "\n";
    }
    if (expectedReports_ > 0) {
        std::size_t written = 0;
        for (const auto& entry : fs::directory_iterator(dir_, ignored)) {
            written += entry.path().filename().string().rfind(kReportFilePrefix, 0) == 0;
        }
        if (written < expectedReports_) {
            note += "  QZresult-<index>.txt of " + std::to_string(expectedReports_ - written) +
                    " of the " + std::to_string(expectedReports_) + " points\n";
        }
    }
    // the work entry is moved aside first: a worker still writing can add no file to it (one
    // it added while the entry was being removed kept it in the folder)
    fs::path staging = dir_ / kEndedEntry;
    fs::rename(work_, staging, ignored);
    if (ignored) staging = work_;
    for (const auto& entry : fs::directory_iterator(staging, ignored)) {
        fs::remove_all(entry.path(), ignored);
    }
    writeNote(note, staging);
    fs::remove_all(staging, ignored);
}

std::string userPath(const fs::path& path) {
    fs::path shown;
    bool inWork = false;
    for (const fs::path& part : path) {
        const bool staging = inWork && part == "page";
        inWork = part == OutputFolder::kWorkEntry;
        if (!inWork && !staging) shown /= part;
    }
    return shown.string();
}

OutputFile createOutput(const fs::path& path) {
    OutputFile file(std::fopen(path.c_str(), "w"));
    if (!file) throw OutputError(userPath(path) + ": cannot create");
    return file;
}

void writeOutput(std::FILE* file, std::string_view text, const fs::path& path) {
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        throw OutputError(userPath(path) + ": write failed");
    }
}

void closeOutput(OutputFile& file, const fs::path& path) {
    std::FILE* handle = file.release();
    const bool failed = std::fflush(handle) != 0 || std::ferror(handle) != 0;
    if (std::fclose(handle) != 0 || failed) throw OutputError(userPath(path) + ": write failed");
}

ResultFile::ResultFile(OutputFolder& folder, std::string name)
    : folder_(folder), name_(std::move(name)) {
    file_.reset(std::fopen(folder_.partial(name_).c_str(), "w"));
    if (!file_) throw OutputError(shownPath().string() + ": cannot create");
}

ResultFile::~ResultFile() {
    if (!file_) return;
    file_.reset();
    std::error_code ignored;
    fs::remove(folder_.partial(name_), ignored);
}

void ResultFile::commit() {
    closeOutput(file_, shownPath());
    folder_.publish(name_);
}

void checkStandardOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        throw OutputError("standard output: write failed");
    }
}

void printSummary(const std::string& what, const fs::path& dir) {
    removeScratchFolders();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name != OutputFolder::kWorkEntry) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::printf("%s -> %s\n", what.c_str(), dir.string().c_str());
    for (const std::string& name : names) std::printf("  %s\n", name.c_str());
}

ScratchDir::ScratchDir() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> lock(s.scratchLock);
    std::string name(1, 's');  // not "s" + std::string, of which g++ 12 warns falsely
    name += std::to_string(++s.scratchCount);
    path_ = scratchRootLocked() / name;
    std::error_code error;
    if (!fs::create_directory(path_, error)) {
        throw OutputError(path_.string() + ": cannot create the scratch folder (" +
                          (error ? error.message() : std::string("it exists")) + ")");
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void removeScratchFolders() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> lock(s.scratchLock);
    std::error_code ignored;
    if (!s.scratchRoot.empty()) fs::remove_all(s.scratchRoot, ignored);
    s.scratchRoot.clear();
}

fs::path gmtUserDir() {
    ProcessState& s = state();
    std::lock_guard<std::mutex> lock(s.scratchLock);
    const fs::path dir = scratchRootLocked() / "gmt";
    std::error_code ignored;
    fs::create_directory(dir, ignored);
    return dir;
}

}  // namespace fieldcast::map
