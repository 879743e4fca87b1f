// The command line: help, usage errors with status 2, data errors with status 1, and the
// rule that a run never writes into a folder that already holds files.
#include <gtest/gtest.h>

#include "map_test_support.h"

namespace {

using maptest::runMap;
using maptest::TempDir;

std::string fixture() { return maptest::fixtureDir().string(); }

TEST(MapCli, HelpListsModesAndOptionsAndSucceeds) {
    const TempDir work;
    const auto top = runMap({"--help"}, work.path());
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("points"), std::string::npos);
    EXPECT_NE(top.out.find("area"), std::string::npos);
    const auto area = runMap({"area", "--help"}, work.path());
    EXPECT_EQ(area.status, 0);
    for (const char* option : {"--region", "--step", "--hours", "--contours", "--freq-khz",
                               "--month", "--result-mode", "--threads", "--output"}) {
        EXPECT_NE(area.out.find(option), std::string::npos) << option;
    }
}

TEST(MapCli, UsageErrorsExitWithStatus2AndSayWhatIsWrong) {
    const TempDir work;
    const std::string out = (work / "out").string();
    struct Case {
        std::vector<std::string> args;
        const char* message;  // part of the message on standard error
    };
    const std::vector<Case> cases = {
        {{}, "subcommand"},
        {{"points", fixture()}, "--output"},
        {{"points", fixture(), "-o", out, "--no-such-option"}, "--no-such-option"},
        {{"points", fixture(), "-o", out, "--month", "13"}, "--month"},
        {{"points", fixture(), "-o", out, "--activity", "0"}, "--activity"},
        {{"points", fixture(), "-o", out, "--freq-khz", "abc"}, "--freq-khz"},
        {{"points", (work / "missing").string(), "-o", out}, "missing"},
        {{"area", fixture(), "-o", out, "--step", "0.5"}, "--region"},
        {{"area", fixture(), "-o", out, "-R", "150/120/20/40", "--step", "1"}, "--region"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20", "--step", "1"}, "--region"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--hours", "24"},
         "--hours"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--hours", "9-3"},
         "--hours"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--contours", "40,x"},
         "--contours"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--format", "tiff"},
         "--format"},
        {{"area", fixture(), "-o", out, "-R", "0/360/-90/90", "--step", "0.01"}, "--step"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "80/20"},
         "--colour-range"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "0/100dB"},
         "--colour-range"},
        {{"points", fixture(), "-o", out, "-j", "0"}, "--threads"},
        {{"points", fixture(), "-o", out, "--progress", "--no-progress"}, "exclude"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        const auto result = runMap(c.args, work.path());
        EXPECT_EQ(result.status, 2) << line << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << line << "\n" << result.err;
        EXPECT_FALSE(std::filesystem::exists(work / "out")) << line << ": wrote output";
    }
}

TEST(MapCli, RefusesAnOutputFolderThatHoldsFilesAndLeavesThemAlone) {
    const TempDir work;
    std::filesystem::create_directories(work / "out");
    maptest::writeFile(work / "out" / "points.csv", "earlier run\n");
    const auto result =
        runMap({"points", fixture(), "-o", (work / "out").string(), "--no-plot"}, work.path());
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("already holds files"), std::string::npos) << result.err;
    EXPECT_EQ(maptest::readFile(work / "out" / "points.csv"), "earlier run\n");

    std::filesystem::create_directories(work / "empty");
    EXPECT_EQ(
        runMap({"points", fixture(), "-o", (work / "empty").string(), "--no-plot"}, work.path())
            .status,
        0);
}

TEST(MapCli, DataDirectoryDefaultsToTheWorkingFolder) {
    const TempDir work;
    maptest::copyScenario(work.path());
    const auto result = runMap({"points", "-o", "out", "--no-plot"}, work.path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(work / "out" / "points.csv"));
}

TEST(MapCli, MissingOrBadDataFilesExitWithStatus1NamingTheFile) {
    struct Case {
        std::string file;
        std::string content;  // empty: the file is removed
        const char* message;
    };
    const std::vector<Case> cases = {
        {"RCX2.dat", "", "RCX2.dat: cannot open"},
        {"LATRLONR.dat", "", "LATRLONR.dat: cannot open"},
        {"FF.dat", "0.5 0.5 0.5\n", "FF.dat: fewer than 104"},
        {"MON.dat", "13\n", "MON.dat: code 13 outside 1..12"},
        {"GCM.dat", "4\n", "GCM.dat: code 4 outside 1..3"},
        {"P.dat", "ten\n", "P.dat: no readable number"},
        {"P.dat", "-3\n", "is not a power above 0 kW"},
        {"LATT.dat", "91\n", "is not a latitude"},
        // Fault: a record without coordinates was predicted at latitude 0, longitude 0.
        {"LATRLONR.dat", "Tokyo\n", "LATRLONR.dat: record 1 is incomplete"},
        {"LATRLONR.dat", "A 35 139\nB 95 139\n", "LATRLONR.dat: record 2 is incomplete or out"},
        // Fault: the map tool read these as numbers where fieldcast refuses them.
        {"FREQ.dat", "1.5e\n", "FREQ.dat: no readable number"},
        {"PS.dat", "0 1 2 3 4 5 6 7 8 9 10 11\n", "PS.dat: values not in descending order"},
        {"DG.dat", std::string(18 * 4, ' ').replace(0, 3, "9 9"), "DG.dat: fewer than 18"},
    };
    for (const Case& c : cases) {
        const TempDir work;
        maptest::copyScenario(work / "data");
        if (c.content.empty()) {
            std::filesystem::remove(work / "data" / c.file);
        } else {
            maptest::writeFile(work / "data" / c.file, c.content);
        }
        const auto result =
            runMap({"points", (work / "data").string(), "-o", "out", "--no-plot"}, work.path());
        EXPECT_EQ(result.status, 1) << c.file;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

TEST(MapCli, ByteOrderMarkIsSkippedAsFieldcastSkipsIt) {
    const TempDir work;
    maptest::copyScenario(work / "data");
    maptest::writeFile(work / "data" / "P.dat",
                       "\xEF\xBB\xBF"
                       "10.0\n");
    const auto result =
        runMap({"points", (work / "data").string(), "-o", "out", "--no-plot"}, work.path());
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(MapCli, OverrideReplacesItsFileSoTheFileMayBeMissing) {
    const TempDir work;
    maptest::copyScenario(work / "data");
    std::filesystem::remove(work / "data" / "MON.dat");
    std::filesystem::remove(work / "data" / "FREQ.dat");
    const auto result = runMap({"points", (work / "data").string(), "-o", "out", "--no-plot",
                                "--month", "1", "--freq-khz", "999"},
                               work.path());
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(MapCli, WarnsWhenTheFrequencyLiesOutsideTheTablesAndNamesTheSetForIt) {
    // the fixture's axes: FG.dat 30-1600 kHz, F.dat 100-1600 kHz
    const TempDir work;
    struct Case {
        const char* freqKhz;
        const char* warning;  // part of the warning, or nullptr for none
    };
    for (const Case& c :
         {Case{"50", "data/default (20-300 kHz)"}, Case{"1650", "data/mf (150-1700 kHz)"},
          Case{"5000", "outside every bundled data set"}, Case{"100", nullptr},
          Case{"1600", nullptr}}) {
        const std::string out = std::string("out-") + c.freqKhz;
        const auto result = runMap(
            {"points", fixture(), "-o", out, "--no-plot", "--freq-khz", c.freqKhz}, work.path());
        EXPECT_EQ(result.status, 0) << result.err;  // a warning, not a refusal
        if (c.warning == nullptr) {
            EXPECT_EQ(result.err.find("warning"), std::string::npos) << result.err;
        } else {
            EXPECT_NE(result.err.find(std::string("warning: ") + c.freqKhz + " kHz lies outside"),
                      std::string::npos)
                << result.err;
            EXPECT_NE(result.err.find(c.warning), std::string::npos) << result.err;
        }
    }
}

}  // namespace
