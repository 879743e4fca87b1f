// The command line: help, usage errors with status 2, data errors with status 1, and the
// rule that a run never writes into a folder that already holds files.
#include <gtest/gtest.h>

#include <map>

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
    const std::string munich = (work / "munich.csv").string();
    maptest::writeFile(munich, "pointName,latDeg,lonDeg\nM\xc3\xbcnchen,48.14,11.58\n");
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
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--hours", "9--3"},
         "--hours"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--contours", "40,x"},
         "--contours"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--format", "tiff"},
         "--format"},
        {{"area", fixture(), "-o", out, "-R", "0/360/-90/90", "--step", "0.01", "--no-maps"},
         "--step"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "80/20"},
         "--colour-range"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "0/100dB"},
         "--colour-range"},
        {{"points", fixture(), "-o", out, "-j", "0"}, "--threads"},
        {{"points", fixture(), "-o", out, "--progress", "--no-progress"}, "exclude"},
        {{"points", fixture(), "-o", out, "--ground", "sand"}, "--ground"},
        {{"points", fixture(), "-o", out, "--ground", "coastlines", "--land-ground", "1"},
         "--land-ground"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--land-ground", "3"},
         "--land-ground needs --ground coastlines"},
        {{"points", fixture(), "-o", out, "--ground", "coastlines", "--rx-ground", "1"},
         "--rx-ground"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--ground",
          "coastlines", "--mid-ground", "2"},
         "--mid-ground"},
        {{"points", fixture(), "-o", out, "--model", "modern"}, "--model"},
        {{"points", fixture(), "-o", out, "--combine", "phasor"},
         "--combine needs --model extended"},
        {{"points", fixture(), "-o", out, "--model", "extended", "--combine", "sum"}, "--combine"},
        {{"points", fixture(), "-o", out, "--model", "extended", "--reports"},
         "--reports writes fieldcast's own report"},
        // Fault: a name without a Shift-JIS form was refused first (status 1), for reports that
        // the model could not write anyway
        {{"points", fixture(), "-o", out, "--points", munich, "--model", "extended", "--reports"},
         "--reports writes fieldcast's own report"},
        // Fault: NaN and infinities passed every check and reached the CSV as nan and -inf;
        // the ranges printed every digit of the largest double.
        {{"points", fixture(), "-o", out, "--power-kw", "nan"},
         "\"nan\" is not a number from 1e-06 to 10000"},
        // Fault: a power above 0 but far from any transmitter's wrote combinedDb -inf.
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--power-kw",
          "4.9e-324"},
         "\"4.9e-324\" is not a number from 1e-06 to 10000"},
        {{"points", fixture(), "-o", out, "--freq-khz", "40kHz"}, "is not a number above 0\n"},
        {{"points", fixture(), "-o", out, "--freq-khz", "inf"}, "--freq-khz"},
        {{"points", fixture(), "-o", out, "--tx-lat", "nan"}, "a number from -90 to 90"},
        {{"points", fixture(), "-o", out, "--tx-lon", "-inf"}, "a number from -180 to 360"},
        {{"points", fixture(), "-o", out, "--month", "2.5"}, "a whole number from 1 to 12"},
        {{"points", fixture(), "-o", out, "--result-mode", "3"}, "a whole number from 1 to 2"},
        {{"points", fixture(), "-o", out, "--tx-ground", "0"}, "a whole number from 1 to 3"},
        {{"points", fixture(), "-o", out, "--rx-ground", "4"}, "a whole number from 1 to 3"},
        {{"points", fixture(), "-o", out, "--frq-khz", "50"}, "did you mean --freq-khz?"},
        // Fault: a misspelt mode was answered only with "A subcommand is required".
        {{"aera", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1"},
         "aera: no such mode; the modes are points and area (did you mean area?)"},
        {{"", fixture(), "-o", out}, "\"\": no such mode; the modes are points and area\n"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "nan"},
         "a number from 0.0001 to 90"},
        {{"area", fixture(), "-o", out, "-R", "120/nan/20/40", "--step", "1"}, "--region"},
        // Fault: these failed in gmt after the whole grid had been computed, with status 1.
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "0/inf"},
         "from -1000 to 1000"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "-1e308/1e308"},
         "--colour-range"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--colour-range",
          "0/1e-9"},
         "at least 1 dB"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/90", "--step", "1"}, "pole"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "30"}, "single node"},
        // Fault: the contours and service areas of a single row were empty, of a single column
        // partial, and the run exited 0.
        {{"area", fixture(), "-o", out, "-R", "125/150/30/31", "--step", "2", "--no-maps",
          "--format", "geojson"},
         "single node"},
        {{"area", fixture(), "-o", out, "-R", "125/126/30/50", "--step", "2", "--no-maps",
          "--format", "kml"},
         "single node"},
        {{"area", fixture(), "-o", out, "-R", "125/150/30/31", "--step", "2", "--no-maps",
          "--format", "html"},
         "--contours none"},
        {{"area", fixture(), "-o", out, "-R", "120/150/20/40", "--step", "1", "--no-maps",
          "--contours", "1e308"},
         "--contours"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        const auto result = runMap(c.args, work.path());
        EXPECT_EQ(result.status, 2) << line << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << line << "\n" << result.err;
        EXPECT_LT(result.err.size(), 600u) << line << "\n" << result.err;  // no 300-digit ranges
        // Fault: the option parser's refusals came without the tool's name.
        EXPECT_EQ(result.err.rfind("fieldcast-map: ", 0), 0u) << line << "\n" << result.err;
        EXPECT_FALSE(std::filesystem::exists(work / "out")) << line << ": wrote output";
    }
}

// Fault: run from the data folder (the default DATA_DIR), a misspelt option's value was taken for
// the folder and the first line said "data-dir: Directory does not exist: 50"; a word that is
// no mode came after "A subcommand is required".
TEST(MapCli, TheToolsOwnAnswerComesFirst) {
    const TempDir work;
    const std::string out = (work / "out").string();
    const auto misspelt = runMap({"points", "-o", out, "--frq-khz", "50"}, maptest::fixtureDir());
    EXPECT_EQ(misspelt.status, 2);
    EXPECT_EQ(misspelt.err.rfind("fieldcast-map: --frq-khz: did you mean --freq-khz?\n", 0), 0u)
        << misspelt.err;
    const auto mode = runMap({"aera", "-o", out}, work.path());
    EXPECT_EQ(mode.status, 2);
    EXPECT_EQ(mode.err,
              "fieldcast-map: aera: no such mode; the modes are points and area (did you mean "
              "area?)\nRun with --help for more information.\n");
    // the help names every status a run can end with, SIGHUP's included
    const auto help = runMap({"area", "--help"}, work.path());
    EXPECT_NE(help.out.find("130, 143 or 129 when interrupted"), std::string::npos) << help.out;
    EXPECT_FALSE(std::filesystem::exists(work / "out"));
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

// Fault: an empty name and a link to nothing failed with status 1 and "cannot create
// (Invalid argument)" or "(File exists)".
TEST(MapCli, RefusesAnOutputNameThatCannotBeAFolder) {
    const TempDir work;
    maptest::writeFile(work / "file", "notes\n");
    std::filesystem::create_symlink("missing/folder", work / "link");
    for (const auto& [name, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "--output: the name is empty"},
             {"file", "file exists and is not a folder"},
             {"link", "link is a symbolic link to missing/folder, which does not exist"}}) {
        const auto result = runMap({"points", fixture(), "-o", name, "--no-plot"}, work.path());
        EXPECT_EQ(result.status, 2) << name;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    EXPECT_EQ(maptest::readFile(work / "file"), "notes\n");
    EXPECT_FALSE(std::filesystem::exists(work / "missing"));
}

TEST(MapCli, DataDirectoryDefaultsToTheWorkingFolder) {
    const TempDir work;
    maptest::copyFixtures(work.path());
    const auto result = runMap({"points", "-o", "out", "--no-plot"}, work.path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(work / "out" / "points.csv"));
}

// A data file that cannot be used ends the run as it ends fieldcast's: with status 1 and
// fieldcast's own line, followed by the file's path.
TEST(MapCli, MissingOrBadDataFilesExitWithStatus1AndFieldcastsLine) {
    struct Case {
        std::string file;
        std::string content;  // empty: the file is removed
        std::string message;  // fieldcast's line, then where
    };
    const std::vector<Case> cases = {
        {"RCX2.dat", "", "RCX.dat cannot open !! ("},
        {"LATRLONR.dat", "", "LATRLONR.dat cannot open !! ("},
        {"FF.dat", "0.5 0.5 0.5\n", "FF.dat has fewer than 104 readable values !! ("},
        {"MON.dat", "13\n", "MON.dat must hold a month from 1 to 12 !! ("},
        {"GCM.dat", "4\n", "GCM.dat must hold 1, 2 or 3 !! ("},
        {"P.dat", "ten\n", "P.dat has no readable value !! ("},
        {"P.dat", "-3\n", "P.dat must hold a power above 0 !! ("},
        {"P.dat", "1e300\n",
         "P.dat holds 1e+300 kW; fieldcast-map predicts for powers from 1e-06 "
         "to 10000 kW (1 mW to 10 MW) ("},
        {"LATT.dat", "91\n", "LATT.dat must hold a latitude from -90 to 90 !! ("},
        // Fault: a record without coordinates was predicted at latitude 0, longitude 0.
        {"LATRLONR.dat", "Tokyo\n", "LATRLONR.dat has no complete record !! (record 1 of "},
        {"LATRLONR.dat", "A 35 139\nB 95 139\n",
         "LATRLONR.dat must hold a latitude from -90 to 90 !! (record 2 of "},
        // Fault: the map tool read these as numbers where fieldcast refuses them.
        {"FREQ.dat", "1.5e\n", "FREQ.dat has no readable value !! ("},
        {"PS.dat", "0 1 2 3 4 5 6 7 8 9 10 11\n",
         "PS.dat must hold values in descending order !! ("},
        {"DG.dat", std::string(18 * 4, ' ').replace(0, 3, "9 9"),
         "DG.dat has fewer than 18 readable values !! ("},
    };
    for (const Case& c : cases) {
        const TempDir work;
        maptest::copyFixtures(work / "data");
        if (c.content.empty()) {
            std::filesystem::remove(work / "data" / c.file);
        } else {
            maptest::writeFile(work / "data" / c.file, c.content);
        }
        const auto result =
            runMap({"points", (work / "data").string(), "-o", "out", "--no-plot"}, work.path());
        EXPECT_EQ(result.status, 1) << c.file;
        EXPECT_NE(result.err.find("fieldcast-map: " + c.message), std::string::npos) << result.err;
        // the path of the file read, or tried (RCX2.dat for the group's line)
        EXPECT_NE(result.err.find((work / "data" / c.file).string()), std::string::npos)
            << result.err;
    }
}

// An hour that fieldcast refuses (a factor of 0 or less, or not finite; a ground wave or a
// field beyond the doubles) ends the map tool's run with fieldcast's line and status, in both
// kinds of run, and no value is written.
// Fault: with every FF.dat cell -1, fieldcast refused while the map tool exited 0 and wrote a
// sky wave of -nan beside a plausible combined field.
TEST(MapCli, RefusesTheHoursThatFieldcastRefusesWithItsLineAndStatus) {
    const auto cells = [](int count, const char* value) {
        std::string text;
        for (int i = 0; i < count; ++i) text += std::string(value) + " ";
        return text + "\n";
    };
    struct Case {
        std::map<std::string, std::string> files;
        const char* line;
    };
    const std::vector<Case> cases = {
        {{{"FF.dat", cells(104, "-1")}}, "FF.dat gives no finite factor above 0 at this hour !!"},
        {{{"AF2.dat", cells(96, "0")}}, "AF2.dat gives no finite factor above 0 at this hour !!"},
        {{{"GCR.dat", "3\n"}, {"AF3.dat", cells(96, "-0.5")}},
         "AF3.dat gives no finite factor above 0 at this hour !!"},
        {{{"RCX2.dat", cells(165, "400")}},
         "RCX2.dat gives no finite factor above 0 at this hour !!"},
        {{{"GW.dat", cells(180, "1e300")}},
         "GW.dat gives no finite field strength at this hour !!"},
        {{{"RCX2.dat", cells(165, "300")}, {"RESUL.dat", "2\n"}},
         "The field strength of this hour is not a finite number (P.dat, FREQ.dat and the FF, AF, "
         "RCX tables) !!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const TempDir work;
        maptest::copyFixtures(work / "data", c.files);
        const auto fieldcast = maptest::runFieldcast(work / "data");
        EXPECT_EQ(fieldcast.status, 1);
        EXPECT_EQ(fieldcast.out.substr(fieldcast.out.rfind('\n', fieldcast.out.size() - 2) + 1),
                  std::string(c.line) + "\n");

        const auto points =
            runMap({"points", (work / "data").string(), "-o", "points", "--no-plot"}, work.path());
        EXPECT_EQ(points.status, fieldcast.status);
        EXPECT_NE(points.err.find(std::string("fieldcast-map: ") + c.line + " (point 0 "),
                  std::string::npos)
            << points.err;
        EXPECT_FALSE(std::filesystem::exists(work / "points" / "points.csv"));

        const auto area = runMap({"area", (work / "data").string(), "-o", "area", "-R",
                                  "130/140/30/40", "--step", "2", "--format", "csv", "--no-maps"},
                                 work.path());
        EXPECT_EQ(area.status, fieldcast.status);
        EXPECT_NE(area.err.find(std::string("fieldcast-map: ") + c.line + " (grid node at "),
                  std::string::npos)
            << area.err;
        EXPECT_EQ(maptest::readFile(work / "area" / "area.csv").find("nan"), std::string::npos);
    }
}

TEST(MapCli, ByteOrderMarkIsSkippedAsFieldcastSkipsIt) {
    const TempDir work;
    maptest::copyFixtures(work / "data");
    maptest::writeFile(work / "data" / "P.dat",
                       "\xEF\xBB\xBF"
                       "10.0\n");
    const auto result =
        runMap({"points", (work / "data").string(), "-o", "out", "--no-plot"}, work.path());
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(MapCli, OverrideReplacesItsFileSoTheFileMayBeMissing) {
    const TempDir work;
    maptest::copyFixtures(work / "data");
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
