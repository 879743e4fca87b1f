// The fieldcast-tables program itself: it reproduces the bundled data set byte for byte, and
// its command line behaves as a conventional one (help, usage errors with status 2).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"
#include "test_programs.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTableFiles[] = {"FG.dat",   "DG.dat",  "GW1.dat", "GW.dat",  "GW3.dat",
                                       "F.dat",    "D.dat",   "FF.dat",  "PS.dat",  "AF1.dat",
                                       "AF2.dat",  "AF3.dat", "CSX.dat", "FCS.dat", "RCX1.dat",
                                       "RCX2.dat", "RCX3.dat"};

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
        for (const char* name : kTableFiles) {
            const std::string bundled = readFile(fs::path(set.bundledDir) / name);
            ASSERT_FALSE(bundled.empty()) << set.bundledDir << name;
            EXPECT_EQ(readFile(dir.path() / name), bundled) << set.bundledDir << name;
        }
    }
}

TEST(Generator, TablesOfAnotherRegionDifferInTheirReflectionOnly) {
    // a region nearer the geomagnetic pole and with P.1147's solar term: more night loss
    const TempDir dir;
    const Outcome outcome = runTool(
        "-o " + dir.path().string() + " --geomagnetic-latitude 55 --solar-cycle-loss 4", dir);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    for (const char* name : kTableFiles) {
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
             // Fault: NaN and 1e308 reached the curves ("Airy function did not converge").
             eps + "nan" + sigma + "0.01" + out,
             eps + "15" + sigma + "nan" + out,
             eps + "15" + sigma + "1e308" + out,
             "--geomagnetic-latitude nan" + out,
         }) {
        const Outcome usage = runTool(bad, dir);
        EXPECT_EQ(usage.status, 2) << bad << "\n" << usage.output;
        // the refusal names the tool, as its other messages do
        EXPECT_NE(usage.output.find("fieldcast-tables: "), std::string::npos) << usage.output;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "GW.dat"));  // nothing written on a usage error
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
    // an empty name is a usage error, not a failure to create ""
    const auto empty = fieldcast::testing::runProgram(FIELDCAST_TABLES_EXE, {"-o", ""}, dir.path());
    EXPECT_EQ(empty.status, 2) << empty.err;
    EXPECT_NE(empty.err.find("a folder name is needed"), std::string::npos) << empty.err;
}

// Fault: on a full disk every file was left empty and the run exited 0. Each file is written
// under a temporary name and renamed once all are whole: the data set that was there stays.
TEST(Generator, AFailedWriteNamesTheFileAndLeavesTheFormerDataSet) {
    const TempDir dir;
    const fs::path data = dir.path() / "data";
    fs::create_directories(data);
    fieldcast::testing::writeFile(data / "FF.dat", "former\n");
    // files above 1 kB cannot be written (as on a full disk); SIGXFSZ ignored, so the write
    // fails instead of ending the process
    const auto run = fieldcast::testing::runProgram(
        "/bin/sh",
        {"-c", std::string("trap '' XFSZ; ulimit -f 2; exec ") + FIELDCAST_TABLES_EXE + " -o " +
                   data.string() + " --csv"},
        dir.path());
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("fieldcast-tables: cannot write "), std::string::npos) << run.err;
    EXPECT_EQ(readFile(data / "FF.dat"), "former\n");
    for (const auto& entry : fs::directory_iterator(data)) {
        EXPECT_EQ(entry.path().filename(), "FF.dat");  // no partial or new file left
    }
}

}  // namespace
