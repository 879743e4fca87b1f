// The files a batch run writes: its output folder, claimed for the run alone; each result
// written under a temporary name and renamed when whole; scratch folders for gmt; and the end
// of an interrupted run.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fieldcast::map {

// An output that cannot be created or written (a full disk): exit status 1.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The output folder of one run. The claim creates the folder when it is missing and then the
// run's work entry inside it with mkdir, which only one process can do, so a second run into
// the same folder is refused (a UsageError), as is a folder that already holds files. Results
// are written into the work entry and renamed into the folder when complete, so every file
// of the folder is whole. kIncompleteNote is in the folder from the claim on, so that a run
// killed outright (SIGKILL, the machine stopped) leaves it too; finish() ends a complete run
// and removes it; a run that ends otherwise (an error, an interrupt) removes its unfinished
// files and rewrites the note with the results that are missing.
class OutputFolder {
  public:
    explicit OutputFolder(const std::filesystem::path& dir);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // Where a result is written before it is whole.
    std::filesystem::path partial(const std::string& name) const { return work_ / name; }
    // Renames partial(name), a file or a folder, into the folder.
    void publish(const std::string& name);
    // Copies a file made elsewhere (gmt's scratch folder) into the folder, under a temporary
    // name first.
    void adopt(const std::filesystem::path& file, const std::string& name);
    // The results the run means to write, for the note of an unfinished run.
    void expect(const std::string& name);
    void expectReports(std::size_t count);
    void finish();
    // Removes the unfinished files and writes the note (`reason`: why the run ended early).
    // Safe to call from the interrupt watcher.
    void abandon(const std::string& reason);

    static constexpr const char* kWorkEntry = ".fieldcast-map-run";
    static constexpr const char* kIncompleteNote = "INCOMPLETE.txt";
    // The work entry of a run that ended early, while its partial files are removed.
    static constexpr const char* kEndedEntry = ".fieldcast-map-ended";

  private:
    // Puts kIncompleteNote in the folder through `staging`, so that it is whole or absent.
    void writeNote(const std::string& note, const std::filesystem::path& staging);
    std::filesystem::path dir_;
    std::filesystem::path work_;
    std::vector<std::string> expected_;
    std::size_t expectedReports_ = 0;
    bool done_ = false;
};

// The signals that end a run as an interrupted one: Ctrl-C, a batch system's or timeout's
// SIGTERM, and the SIGHUP of a terminal or ssh session that closes under the run.
inline constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Catches kInterruptSignals for the rest of the process; call before any thread starts.
// An interrupted run stops its gmt processes, removes its scratch folders (gmt's sessions
// with them) and its unfinished files, leaves the note of the output folder and exits with
// 128 + the signal (130, 143, 129), saying so under the tool's name. `cleanUp`, when given,
// removes the tool's own unfinished work, with runLock held, before the scratch folders go.
// SIGXFSZ and SIGPIPE are ignored: a file past the size limit fails its write as on a full
// disk, a write to a pipe without a reader fails (standard error's are let go).
void catchInterrupts(const char* toolName = "fieldcast-map", void (*cleanUp)() = nullptr);

// Held while a child process starts and while a result is renamed into place: the end of
// an interrupted run takes it for good.
std::mutex& runLock();
// Children that the end of an interrupted run must stop (with runLock held).
void addChild(pid_t pid);
void removeChild(pid_t pid);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

// A path as messages show it: a result's place in the output folder, without the run's work
// entry (and the page's staging folder in it) where the result is written before it is whole.
std::string userPath(const std::filesystem::path& path);

OutputFile createOutput(const std::filesystem::path& path);
void writeOutput(std::FILE* file, std::string_view text, const std::filesystem::path& path);
// Closes the file; a write that failed on the way (a full disk) shows here at the latest.
void closeOutput(OutputFile& file, const std::filesystem::path& path);

// One result of the run: written under its temporary name, renamed into the folder by
// commit(); removed when the run ends without commit().
class ResultFile {
  public:
    ResultFile(OutputFolder& folder, std::string name);
    ~ResultFile();
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;
    std::FILE* get() const { return file_.get(); }
    void write(std::string_view text) { writeOutput(file_.get(), text, shownPath()); }
    void commit();

  private:
    std::filesystem::path shownPath() const { return folder_.dir() / name_; }
    OutputFolder& folder_;
    std::string name_;
    OutputFile file_;
};

// Checks that everything printed on standard output reached it. Throws OutputError.
void checkStandardOutput();

// What the run wrote, on standard output: a line on the run and the files, sorted. The
// scratch folders go first: nothing of the run is left to remove should a signal end the
// process as it prints.
void printSummary(const std::string& what, const std::filesystem::path& dir);

// Removes every scratch folder of the process at once, for a tool that ends on a signal
// without the interrupt watcher above.
void removeScratchFolders();

// A scratch folder of the process (under the system's temporary folder), removed with
// everything in it; the end of an interrupted run removes them all.
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

// gmt's user folder for this process (GMT_USERDIR): its modern-mode sessions live there,
// inside the process's scratch folder, instead of in ~/.gmt/sessions.
std::filesystem::path gmtUserDir();

}  // namespace fieldcast::map
