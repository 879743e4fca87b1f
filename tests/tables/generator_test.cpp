// The fieldcast-tables program itself: it reproduces the bundled data set byte for byte, its
// command line behaves as a conventional one (help, usage errors with status 2), and a run
// that fails or is interrupted leaves the set that was in its folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "output_files.h"
#include "record/file_names.h"
#include "table_set.h"
#include "test_files.h"
#include "test_programs.h"

namespace {

namespace fs = std::filesystem;

using fieldcast::testing::readFile;
using fieldcast::testing::TempDir;

struct Outcome {
    int status;
    std::string output;  // standard output and standard error together
};

// The tool with `arguments`, words separated by blanks, in `dir`.
Outcome runTool(const std::string& arguments, const TempDir& dir) {
    std::vector<std::string> words;
    std::istringstream in(arguments);
    for (std::string word; in >> word;) words.push_back(word);
    const auto run = fieldcast::testing::runProgram(FIELDCAST_TABLES_EXE, words, dir.path());
    return {run.status, run.out + run.err};
}

TEST(Generator, ReproducesTheBundledDataSetsByteForByte) {
    struct Set {
        const char* arguments;
        const char* bundledDir;
    };
    for (const Set& set : {Set{"", DEFAULT_DATA_DIR}, Set{" --band mf", MF_DATA_DIR}}) {
        const TempDir dir;
        const Outcome outcome = runTool("--output-dir " + dir.path().string() + set.arguments, dir);
        ASSERT_EQ(outcome.status, 0) << outcome.output;
        for (const char* name : fieldcast::kDataSetFileNames) {
            const std::string bundled = readFile(fs::path(set.bundledDir) / name);
            ASSERT_FALSE(bundled.empty()) << set.bundledDir << name;
            EXPECT_EQ(readFile(dir.path() / name), bundled) << set.bundledDir << name;
        }
        // the list by which a user's curve file is refused holds every file the run writes
        std::set<std::string> written;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            written.insert(entry.path().filename().string());
        }
        EXPECT_EQ(written, std::set<std::string>(fieldcast::kDataSetFileNames.begin(),
                                                 fieldcast::kDataSetFileNames.end()));
    }
}

TEST(Generator, TablesOfAnotherRegionDifferInTheirReflectionOnly) {
    // a region nearer the geomagnetic pole and with P.1147's solar term: more night loss
    const TempDir dir;
    const Outcome outcome = runTool(
        "-o " + dir.path().string() + " --geomagnetic-latitude 55 --solar-cycle-loss 4", dir);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    for (const char* name : fieldcast::kDataSetFileNames) {
        const bool reflection = std::string(name).rfind("RCX", 0) == 0;
        const std::string bundled = readFile(fs::path(DEFAULT_DATA_DIR) / name);
        EXPECT_EQ(readFile(dir.path() / name) == bundled, !reflection) << name;
    }
    std::ifstream regional(dir.path() / "RCX3.dat");
    std::ifstream bundled(fs::path(DEFAULT_DATA_DIR) / "RCX3.dat");
    double a = 0.0;
    double b = 0.0;
    double sum = 0.0;
    for (int i = 0; i < 15 && (regional >> a) && (bundled >> b); ++i) sum += a - b;  // night row
    EXPECT_LT(sum / 15.0, -0.1);  // log10 |R| lower on average by more than 2 dB
}

TEST(Generator, WritesCsvCopiesAndAUserGroundCurve) {
    const TempDir dir;
    const fs::path out = dir.path() / "new" / "sub";  // created by the tool
    const Outcome outcome =
        runTool("-o " + out.string() +
                    " --csv --ground-permittivity 80 --ground-conductivity 5 --ground-file SEA.dat",
                dir);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    // the sea of the bundled set given as a user ground gives the same curve
    EXPECT_EQ(readFile(out / "SEA.dat"), readFile(out / "GW1.dat"));
    std::ifstream csv(out / "GW.csv");
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header, "freqKhz,groundRangeKm,groundWaveDb");
    std::string line;
    int rows = 0;
    while (std::getline(csv, line)) ++rows;
    EXPECT_EQ(rows, 10 * 18);
    std::ifstream axis(out / "PS.csv");
    std::getline(axis, header);
    EXPECT_EQ(header, "elevationAngleDeg");
}

TEST(Generator, HelpAndUsageErrors) {
    const TempDir dir;
    const Outcome help = runTool("--help", dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--output-dir"), std::string::npos);
    EXPECT_NE(help.output.find("--ground-permittivity"), std::string::npos);
    EXPECT_NE(help.output.find("--band"), std::string::npos);
    EXPECT_NE(help.output.find("--geomagnetic-latitude"), std::string::npos);
    // the statuses of an interrupted run, as the README gives them
    EXPECT_NE(help.output.find("130, 143 or 129 when interrupted"), std::string::npos);
    // Fault: the nearest option came after the parser's "--output-dir is required", which the
    // misspelling had caused.
    const Outcome misspelt = runTool("--outptu-dir " + dir.path().string(), dir);
    EXPECT_EQ(misspelt.status, 2);
    EXPECT_EQ(
        misspelt.output.rfind("fieldcast-tables: --outptu-dir: did you mean --output-dir?", 0), 0u)
        << misspelt.output;

    const std::string out = " -o " + dir.path().string();
    const std::string eps = " --ground-permittivity ";
    const std::string sigma = " --ground-conductivity ";
    for (const std::string& bad : {
             std::string(""),                                          // no output directory
             "--no-such-option" + out,                                 // unknown option
             eps + "15" + out,                                         // conductivity missing
             sigma + "0.01" + out,                                     // permittivity missing
             eps + "0.5" + sigma + "0.01" + out,                       // permittivity below 1
             eps + "15" + sigma + "-1" + out,                          // conductivity not positive
             eps + "15" + sigma + "abc" + out,                         // not a number
             eps + "15" + sigma + "0.01 --ground-file a/b.dat" + out,  // not a plain name
             "--ground-file x.dat" + out,                              // file without a ground
             eps + "15" + sigma + "0.01 --ground-file GW.dat" + out,   // a bundled file
             "--band hf" + out,                                        // no such band
             "--geomagnetic-latitude 91" + out,                        // beyond the pole
             "--solar-cycle-loss -1" + out,                            // a gain
             // Fault: these overwrote a scenario file, or FF's CSV copy, with curve data.
             eps + "15" + sigma + "0.01 --ground-file P.dat" + out,
             eps + "15" + sigma + "0.01 --ground-file LATRLONR.dat" + out,
             eps + "15" + sigma + "0.01 --csv --ground-file FF.txt" + out,
             eps + "15" + sigma + "0.01 --ground-file RCX1.csv" + out,
             eps + "15" + sigma + "0.01 --ground-file QZresult-0.txt" + out,  // fieldcast's report
             // Fault: NaN and 1e308 reached the curves ("Airy function did not converge").
             eps + "nan" + sigma + "0.01" + out,
             eps + "15" + sigma + "nan" + out,
             eps + "15" + sigma + "1e308" + out,
             "--geomagnetic-latitude nan" + out,
             // Fault: the CSV copy of GWU.csv was written over it, and the run then failed.
             eps + "15" + sigma + "0.01 --csv --ground-file GWU.csv" + out,
             // Fault: the set was put in place, then the curve file failed to replace the
             // folder the run writes in.
             eps + "15" + sigma + "0.01 --ground-file .fieldcast-tables-run" + out,
             // Fault: a ground next to free space gave curves of NaN, or of 97 dB at 75 km
             // between 72 and 70 dB.
             eps + "1" + sigma + "1e-20" + out,
             eps + "1" + sigma + "1e-300" + out,
         }) {
        const Outcome usage = runTool(bad, dir);
        EXPECT_EQ(usage.status, 2) << bad << "\n" << usage.output;
        // the refusal names the tool, as its other messages do
        EXPECT_NE(usage.output.find("fieldcast-tables: "), std::string::npos) << usage.output;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "GW.dat"));  // nothing written on a usage error

    // Fault: help that never reached standard output (a full disk) ended with status 0.
    const auto lost = fieldcast::testing::runProgram(
        "/bin/sh", {"-c", std::string(FIELDCAST_TABLES_EXE) + " --help >/dev/full"}, dir.path());
    EXPECT_EQ(lost.status, 1) << lost.err;
    EXPECT_NE(lost.err.find("fieldcast-tables: standard output: write failed"), std::string::npos)
        << lost.err;
}

// The grounds at the ends of the documented ranges give finite curves that fall with distance.
TEST(Generator, GroundsAtTheLimitsGiveCurvesFallingWithDistance) {
    for (const char* ground : {"1 --ground-conductivity 1e-12", "1 --ground-conductivity 10000",
                               "1e6 --ground-conductivity 10000"}) {
        const TempDir dir;
        const Outcome outcome =
            runTool("-o " + dir.path().string() + " --ground-permittivity " + ground, dir);
        ASSERT_EQ(outcome.status, 0) << ground << "\n" << outcome.output;
        // Fault: a ground next to free space came out silently as a ground near sea water.
        const bool nearFreeSpace = std::string(ground).find("1e-12") != std::string::npos;
        EXPECT_EQ(outcome.output.find("fieldcast-tables: warning: ") != std::string::npos,
                  nearFreeSpace)
            << ground << "\n"
            << outcome.output;
        std::ifstream curves(dir.path() / "GWU.dat");
        int rows = 0;
        for (std::string line; std::getline(curves, line); ++rows) {
            std::istringstream values(line);
            double previous = 1e9;
            int columns = 0;
            for (double value; values >> value; ++columns) {
                EXPECT_LT(value, previous) << ground << " row " << rows << " column " << columns;
                previous = value;
            }
            EXPECT_EQ(columns, 18) << ground << ": " << line;  // no "nan" stops the reading
        }
        EXPECT_EQ(rows, 10) << ground;
    }
}

// Fault: a misspelt option was refused without a hint, as the map tool gives one.
TEST(Generator, AMisspeltOptionIsAnsweredWithTheNearestOne) {
    const TempDir dir;
    const std::string out = " -o " + dir.path().string();
    for (const auto& [words, hint] : {
             std::pair<std::string, std::string>{"--outptu-dir " + dir.path().string(),
                                                 "--outptu-dir: did you mean --output-dir?"},
             {"--bnd mf" + out, "--bnd: did you mean --band?"},
             {"--geomagnetic-lattitude=40" + out,
              "--geomagnetic-lattitude: did you mean --geomagnetic-latitude?"},
             {"--ground-conductivty 0.01 --ground-permittivity 15" + out,
              "--ground-conductivty: did you mean --ground-conductivity?"},
         }) {
        const Outcome outcome = runTool(words, dir);
        EXPECT_EQ(outcome.status, 2) << words << "\n" << outcome.output;
        EXPECT_NE(outcome.output.find("fieldcast-tables: " + hint), std::string::npos)
            << words << "\n"
            << outcome.output;
    }
    // a word far from every option gets no guess
    const Outcome far = runTool("--colour" + out, dir);
    EXPECT_EQ(far.status, 2);
    EXPECT_EQ(far.output.find("did you mean"), std::string::npos) << far.output;
    EXPECT_FALSE(fs::exists(dir.path() / "GW.dat"));
}

// Fault: a folder named as a file of the set (FF.dat, or FF.csv under --csv) stopped the
// renames halfway: the run failed with the files before it new and those after it old, a set
// fieldcast would read as one. It is refused before any file is written.
TEST(Generator, AFolderInThePlaceOfAFileIsRefusedBeforeAnythingIsWritten) {
    for (const bool csv : {false, true}) {
        const TempDir dir;
        const fs::path data = dir.path();
        const std::string blocked = csv ? "FF.csv" : "FF.dat";
        fs::create_directories(data / blocked);
        fieldcast::testing::writeFile(data / "F.dat", "former\n");
        fieldcast::testing::writeFile(data / "PS.dat", "former\n");
        const fieldcast::tables::TableFile first{"F.dat", "freqKhz", "%.4f", {20.0}, {}, {}};
        const fieldcast::tables::TableFile blocking{"FF.dat", "focusingFactor", "%.6f", {1.0}, {},
                                                    {}};
        const fieldcast::tables::TableFile last{"PS.dat", "elevationDeg", "%.4f", {0.0}, {}, {}};
        try {
            fieldcast::tables::writeDataSet({first, blocking, last}, csv, data);
            ADD_FAILURE() << blocked << ": no error";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find((data / blocked).string() +
                                                 ": a folder of that name is in the way"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_EQ(readFile(data / "F.dat"), "former\n") << blocked;
        EXPECT_EQ(readFile(data / "PS.dat"), "former\n") << blocked;
        EXPECT_TRUE(fs::is_directory(data / blocked));
        EXPECT_FALSE(fs::exists(data / fieldcast::tables::kWorkEntry));
        EXPECT_FALSE(fs::exists(data / "F.csv"));
    }
}

TEST(Generator, UnwritableDirectoryFailsWithStatusOne) {
    const TempDir dir;
    const fs::path blocker = dir.path() / "file";
    std::ofstream(blocker) << "x";
    const Outcome outcome = runTool("-o " + blocker.string(), dir);
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    // Fault: the library's own text, "filesystem error: cannot create directories: ..."
    EXPECT_NE(
        outcome.output.find("fieldcast-tables: " + blocker.string() + ": cannot create the folder"),
        std::string::npos)
        << outcome.output;
    // a link to nowhere is named as one
    fs::create_symlink(dir.path() / "gone", dir.path() / "link");
    const Outcome link = runTool("-o " + (dir.path() / "link").string(), dir);
    EXPECT_EQ(link.status, 1) << link.output;
    EXPECT_NE(link.output.find("link: a symbolic link to " + (dir.path() / "gone").string() +
                               ", which does not exist"),
              std::string::npos)
        << link.output;
    // an empty name is a usage error, not a failure to create ""
    const auto empty = fieldcast::testing::runProgram(FIELDCAST_TABLES_EXE, {"-o", ""}, dir.path());
    EXPECT_EQ(empty.status, 2) << empty.err;
    EXPECT_NE(empty.err.find("a folder name is needed"), std::string::npos) << empty.err;
}

// A data folder holding a former FF.dat ("former\n") for a run to write over, beside an empty
// scratch folder for the run's TMPDIR.
struct FormerSet {
    TempDir dir;
    fs::path data = dir.path() / "data";
    fs::path scratch = dir.path() / "tmp";
    FormerSet() {
        fs::create_directories(data);
        fs::create_directories(scratch);
        fieldcast::testing::writeFile(data / "FF.dat", "former\n");
    }
};

// Fault: on a full disk every file was left empty and the run exited 0. Each file is written
// under a temporary name and renamed once all are whole: the data set that was there stays.
TEST(Generator, AFailedWriteNamesTheFileAndLeavesTheFormerDataSet) {
    const FormerSet set;
    const fs::path& data = set.data;
    // files above 1 kB cannot be written (as on a full disk); SIGXFSZ ignored, so the write
    // fails instead of ending the process
    const auto run = fieldcast::testing::runProgram(
        "/bin/sh",
        {"-c", std::string("trap '' XFSZ; ulimit -f 2; exec ") + FIELDCAST_TABLES_EXE + " -o " +
                   data.string() + " --csv"},
        set.dir.path());
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("fieldcast-tables: cannot write "), std::string::npos) << run.err;
    EXPECT_EQ(readFile(data / "FF.dat"), "former\n");
    for (const auto& entry : fs::directory_iterator(data)) {
        EXPECT_EQ(entry.path().filename(), "FF.dat");  // no partial or new file left
    }
}

// A value that is not a number is never written: the run fails, naming the file, and leaves
// the set that was there.
TEST(Generator, AValueThatIsNotANumberIsNeverWritten) {
    const TempDir dir;
    fieldcast::testing::writeFile(dir.path() / "FF.dat", "former\n");
    fieldcast::tables::TableFile bad{"FF.dat", "focusingFactor", "%.6f", {1.0, NAN}, {}, {}};
    fieldcast::tables::TableFile good{"F.dat", "freqKhz", "%.4f", {20.0}, {}, {}};
    try {
        fieldcast::tables::writeDataSet({good, bad}, true, dir.path());
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("FF.dat: the computation gave a value that is not"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(readFile(dir.path() / "FF.dat"), "former\n");
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "FF.dat");
    }
}

// Fault: two runs into one folder wrote the same temporary files, each renaming the other's
// half-written ones into place. The second is refused while the first writes (here a folder
// left by a run that was killed stands for it), and the former set stays.
TEST(Generator, ASecondRunIntoTheFolderIsRefused) {
    const TempDir dir;
    const fs::path data = dir.path() / "data";
    fs::create_directories(data / fieldcast::tables::kWorkEntry);
    fieldcast::testing::writeFile(data / "FF.dat", "former\n");
    const Outcome outcome = runTool("-o " + data.string(), dir);
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    EXPECT_NE(outcome.output.find("fieldcast-tables: " + data.string() +
                                  ": another run is writing into it"),
              std::string::npos)
        << outcome.output;
    // the way out, for a folder that a killed run left
    EXPECT_NE(outcome.output.find("remove that folder (rm -r " +
                                  (data / fieldcast::tables::kWorkEntry).string() + ")"),
              std::string::npos)
        << outcome.output;
    EXPECT_EQ(readFile(data / "FF.dat"), "former\n");
    EXPECT_TRUE(fs::is_directory(data / fieldcast::tables::kWorkEntry));  // not the run's own
}

// Sends `signal` to the forked `child` once it has made `file` (waiting up to 30 s) and waits
// for it: its exit status, -1 if a signal ended it.
int interruptOnceMade(pid_t child, const fs::path& file, int signal) {
    for (int i = 0; i < 3000 && !fs::exists(file); ++i) usleep(10'000);
    EXPECT_TRUE(fs::exists(file));
    kill(child, signal);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Fault: SIGINT or SIGTERM while the files were written left their temporary copies in the
// folder, a set half renamed into place and the scratch folder under TMPDIR; SIGHUP (the
// terminal closed) left them too, and its work folder refused every later run. A large table
// keeps the write going long enough to be interrupted.
TEST(Generator, AnInterruptedWriteLeavesTheFormerSetAndNoTemporaryFiles) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const FormerSet set;
        const fs::path& data = set.data;
        const fs::path& scratch = set.scratch;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("TMPDIR", scratch.c_str(), 1);
            fieldcast::tables::catchInterrupts();
            const fieldcast::map::ScratchDir held;
            fieldcast::tables::TableFile small{"F.dat", "freqKhz", "%.4f", {20.0}, {}, {}};
            fieldcast::tables::TableFile large{"FF.dat", "focusingFactor", "%.6f", {}, {}, {}};
            large.values.assign(20'000'000, 1.0);
            try {
                fieldcast::tables::writeDataSet({small, large}, false, data);
            } catch (...) {
            }
            _exit(0);  // not reached when the signal ends the run
        }
        const fs::path partial = data / fieldcast::tables::kWorkEntry / "FF.dat";
        EXPECT_EQ(interruptOnceMade(child, partial, signal), 128 + signal);
        EXPECT_EQ(readFile(data / "FF.dat"), "former\n");
        for (const auto& entry : fs::directory_iterator(data)) {
            EXPECT_EQ(entry.path().filename(), "FF.dat");
        }
        EXPECT_TRUE(fs::is_empty(scratch));
    }
}

// Fault: an interrupt while the run was still making files in its work folder removed the
// folder's files but not the folder, as the run added one after they were listed: every later
// run was refused as if another were writing. Many small files keep it making new ones.
TEST(Generator, AnInterruptWhileFilesAreMadeLeavesNoWorkFolder) {
    const FormerSet set;
    const fs::path& data = set.data;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fieldcast::tables::catchInterrupts();
        std::vector<fieldcast::tables::TableFile> files;
        for (int i = 0; i < 200'000; ++i) {
            std::string name(1, 'T');  // not "T" + std::string, of which g++ 12 warns falsely
            name += std::to_string(i) + ".dat";
            files.push_back({name, "freqKhz", "%.4f", {20.0}, {}, {}});
        }
        try {
            fieldcast::tables::writeDataSet(files, false, data);
        } catch (...) {
        }
        _exit(0);  // not reached when the signal ends the run
    }
    const fs::path first = data / fieldcast::tables::kWorkEntry / "T0.dat";
    EXPECT_EQ(interruptOnceMade(child, first, SIGHUP), 128 + SIGHUP);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(data)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"FF.dat"});
    EXPECT_EQ(readFile(data / "FF.dat"), "former\n");
}

// Fault: a file grown past the size limit (ulimit -f) ended the run by SIGXFSZ, status 153
// with no message, and left its scratch folder under TMPDIR. The write fails instead, by name.
TEST(Generator, AFileSizeLimitFailsTheWriteByName) {
    const FormerSet set;
    const fs::path& data = set.data;
    const fs::path& scratch = set.scratch;
    const auto run =
        fieldcast::testing::runProgram("/bin/sh",
                                       {"-c", "ulimit -f 1; TMPDIR=" + scratch.string() + " exec " +
                                                  FIELDCAST_TABLES_EXE + " -o " + data.string()},
                                       set.dir.path());
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("fieldcast-tables: cannot write "), std::string::npos) << run.err;
    EXPECT_EQ(readFile(data / "FF.dat"), "former\n");
    EXPECT_TRUE(fs::is_empty(scratch));
}

}  // namespace
