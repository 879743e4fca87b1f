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

TEST(Generator, ReproducesTheBundledDataSetByteForByte) {
    const TempDir dir;
    const Outcome outcome = runTool("--output-dir " + dir.path().string(), dir);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    for (const char* name : kTableFiles) {
        const std::string bundled = readFile(fs::path(DEFAULT_DATA_DIR) / name);
        ASSERT_FALSE(bundled.empty()) << name;
        EXPECT_EQ(readFile(dir.path() / name), bundled) << name;
    }
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
         }) {
        const Outcome usage = runTool(bad, dir);
        EXPECT_EQ(usage.status, 2) << bad << "\n" << usage.output;
        EXPECT_FALSE(usage.output.empty()) << bad;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "GW.dat"));  // nothing written on a usage error
}

TEST(Generator, UnwritableDirectoryFailsWithStatusOne) {
    const TempDir dir;
    const fs::path blocker = dir.path() / "file";
    std::ofstream(blocker) << "x";
    const Outcome outcome = runTool("-o " + blocker.string(), dir);
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    EXPECT_NE(outcome.output.find("fieldcast-tables:"), std::string::npos);
}

}  // namespace
