// What the runs leave: paths beyond 4000 km carry no number anywhere, results do not
// depend on the number of threads, and the pictures and grids are there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "gmt_maps.h"
#include "map_test_support.h"

namespace {

using maptest::readCsv;
using maptest::readFile;
using maptest::runMap;
using maptest::TempDir;

std::string fixture() { return maptest::fixtureDir().string(); }

std::size_t columnOf(const std::vector<std::string>& header, const std::string& name) {
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
}

bool isPng(const std::filesystem::path& path) {
    return readFile(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

// A grid crossing the 4000 km limit: the transmitter of the fixtures is near Tokyo.
const std::vector<std::string> kWideArea = {"-R", "100/180/-10/60", "--step", "4"};

TEST(MapOutputs, BeyondRangeHasNoNumberInAreaCsvAndTheRestHasAll) {
    const TempDir work;
    std::vector<std::string> args{"area",     fixture(), "-o",        (work / "out").string(),
                                  "--format", "csv",     "--no-maps", "--hours",
                                  "3,15"};
    args.insert(args.end(), kWideArea.begin(), kWideArea.end());
    const auto result = runMap(args, work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = readCsv(work / "out" / "area.csv");
    const auto& header = rows.at(0);
    ASSERT_EQ(header.size(), 17U);
    const std::size_t kind = columnOf(header, "pathKind");
    const std::size_t range = columnOf(header, "groundRangeKm");
    const std::size_t hour = columnOf(header, "hourJst");
    ASSERT_EQ(rows.size(), 1 + 21 * 18 * 2U);
    std::map<std::string, int> kinds;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        ASSERT_EQ(row.size(), header.size()) << "row " << r;
        ++kinds[row[kind]];
        EXPECT_TRUE(row[hour] == "3" || row[hour] == "15");
        // UTC beside JST: nine hours behind, across midnight
        EXPECT_EQ(row[columnOf(header, "hourUtc")], row[hour] == "3" ? "18" : "6");
        const double rangeKm = std::stod(row[range]);
        if (row[kind] == "beyondRange") {
            EXPECT_GT(rangeKm, 4000.0);
            EXPECT_EQ(row[columnOf(header, "hopCount")], "");
            for (std::size_t c = columnOf(header, "groundWaveMvm"); c < row.size(); ++c) {
                EXPECT_EQ(row[c], "") << "row " << r << " column " << header[c];
            }
        } else {
            EXPECT_LE(rangeKm, 4000.0);
            EXPECT_EQ(row[kind], rangeKm > 2000.0 ? "twoHop" : "oneHop");
            EXPECT_EQ(row[columnOf(header, "hopCount")], rangeKm > 2000.0 ? "2" : "1");
            // the fixtures' result mode is 2: the field is the combined value
            EXPECT_EQ(row[columnOf(header, "fieldDb")], row[columnOf(header, "combinedDb")]);
            EXPECT_TRUE(std::isfinite(std::stod(row[columnOf(header, "skyWaveDb")])));
        }
    }
    EXPECT_GT(kinds["beyondRange"], 0);
    EXPECT_GT(kinds["oneHop"], 0);
    EXPECT_GT(kinds["twoHop"], 0);
}

TEST(MapOutputs, ShortRangePointsCarryTheGroundWaveAlone) {
    const TempDir work;
    maptest::writeFile(work / "points.csv", "near,35.7,139.7\nfar,60,-30\n");
    const auto result = runMap({"points", fixture(), "-o", (work / "out").string(), "--points",
                                (work / "points.csv").string(), "--no-plot", "--result-mode", "1"},
                               work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = readCsv(work / "out" / "points.csv");
    ASSERT_EQ(rows.size(), 49U);
    const auto& header = rows[0];
    const auto& near = rows[1];
    EXPECT_EQ(near[columnOf(header, "pathKind")], "groundOnly");
    EXPECT_EQ(near[columnOf(header, "skyWaveMvm")], "");
    EXPECT_EQ(near[columnOf(header, "combinedMvm")], "");
    EXPECT_EQ(near[columnOf(header, "fieldMvm")], near[columnOf(header, "groundWaveMvm")]);
    const auto& far = rows[25];
    EXPECT_EQ(far[columnOf(header, "pathKind")], "beyondRange");
    EXPECT_EQ(far[columnOf(header, "fieldDb")], "");
    // a named place without a value is said, not only left empty
    EXPECT_NE(result.err.find("warning: 1 of 2 points lies over 4000 km from the transmitter (the "
                              "range of the method), the first point 1 \"far\" at "),
              std::string::npos)
        << result.err;
}

TEST(MapOutputs, AreaResultsAreTheSameForOneThreadAndSeveral) {
    const TempDir work;
    for (const char* threads : {"1", "3"}) {
        std::vector<std::string> args{
            "area", fixture(), "-o", (work / threads).string(), "--format", "csv", "--no-maps",
            "-j",   threads,   "-R", "125/150/25/45",           "--step",   "0.7"};
        ASSERT_EQ(runMap(args, work.path()).status, 0);
    }
    const std::string one = readFile(work / "1" / "area.csv");
    EXPECT_GT(one.size(), 100000U);
    EXPECT_EQ(one, readFile(work / "3" / "area.csv"));
}

TEST(MapOutputs, PointResultsAndReportsAreTheSameForOneThreadAndSeveral) {
    const TempDir work;
    std::string csv = "pointName,latDeg,lonDeg\n";
    for (int i = 0; i < 40; ++i) {
        csv += std::string(1, 'p') + std::to_string(i) + ',' + std::to_string(20 + i * 0.7) + ',' +
               std::to_string(120 + i * 0.9) + '\n';
    }
    maptest::writeFile(work / "points.csv", csv);
    for (const char* threads : {"1", "4"}) {
        ASSERT_EQ(runMap({"points", fixture(), "-o", (work / threads).string(), "--points",
                          (work / "points.csv").string(), "--no-plot", "--reports", "-j", threads},
                         work.path())
                      .status,
                  0);
    }
    EXPECT_EQ(readFile(work / "1" / "points.csv"), readFile(work / "4" / "points.csv"));
    for (int i = 0; i < 40; ++i) {
        const std::string name = "QZresult-" + std::to_string(i) + ".txt";
        EXPECT_EQ(readFile(work / "1" / name), readFile(work / "4" / name)) << name;
    }
}

TEST(MapOutputs, ReceiverListNamesAreUtf8InCsvAndShiftJisInReports) {
    const TempDir work;
    ASSERT_EQ(runMap({"points", fixture(), "-o", (work / "out").string(), "--reports", "--no-plot"},
                     work.path())
                  .status,
              0);
    const auto rows = readCsv(work / "out" / "points.csv");
    ASSERT_EQ(rows.size(), 1 + 7 * 24U);
    EXPECT_EQ(rows[1][1], "\xE5\xA4\xA7\xE9\x98\xAA");  // 大阪 in UTF-8
    EXPECT_EQ(rows[1 + 3 * 24][1], "Yokohama");
    const std::string report = readFile(work / "out" / "QZresult-0.txt");
    EXPECT_NE(report.find("\x91\xE5\x8D\xE3  "), std::string::npos);  // 大阪 in Shift-JIS
    EXPECT_TRUE(std::filesystem::exists(work / "out" / "QZresult-6.txt"));
    EXPECT_FALSE(std::filesystem::exists(work / "out" / "QZresult-7.txt"));
}

TEST(MapOutputs, CsvPointNamesReachTheReportInShiftJis) {
    const TempDir work;
    maptest::writeFile(work / "points.csv", "\xE6\x9D\xB1\xE4\xBA\xAC,35.0,136.0\n");  // 東京
    ASSERT_EQ(runMap({"points", fixture(), "-o", (work / "out").string(), "--points",
                      (work / "points.csv").string(), "--reports", "--no-plot"},
                     work.path())
                  .status,
              0);
    const std::string report = readFile(work / "out" / "QZresult-0.txt");
    std::size_t title = 0;  // after the two notice lines and their blank line
    for (int line = 0; line < 3; ++line) title = report.find('\n', title) + 1;
    EXPECT_EQ(report.substr(title, 6), "\x93\x8C\x8B\x9E  ");
}

TEST(MapOutputs, MapsGridsAndPlotAreDrawnWithNoValueBeyondRange) {
    const TempDir work;
    std::vector<std::string> args{"area",    fixture(), "-o",         (work / "out").string(),
                                  "--hours", "0,12",    "--contours", "40,50"};
    args.insert(args.end(), kWideArea.begin(), kWideArea.end());
    const auto result = runMap(args, work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* name : {"map-00.png", "map-12.png"}) EXPECT_TRUE(isPng(work / "out" / name));
    ASSERT_TRUE(std::filesystem::exists(work / "out" / "field-12.nc"));
    EXPECT_FALSE(std::filesystem::exists(work / "out" / "field-06.nc"));
    // the grid read back by gmt: nodes beyond 4000 km are NaN, the others finite dB values
    const auto dump = fieldcast::testing::runProgram(
        "gmt", {"grd2xyz", (work / "out" / "field-12.nc").string()}, work.path());
    ASSERT_EQ(dump.status, 0) << dump.err;
    int nan = 0;
    int finite = 0;
    std::istringstream lines(dump.out);
    double lon = 0;
    double lat = 0;
    std::string z;
    while (lines >> lon >> lat >> z) {
        if (z == "NaN") {
            ++nan;
        } else {
            ++finite;
            EXPECT_GT(std::stod(z), -200.0);
        }
    }
    EXPECT_EQ(nan + finite, 21 * 18);
    EXPECT_GT(nan, 0);
    EXPECT_GT(finite, 0);

    const TempDir points;
    ASSERT_EQ(runMap({"points", fixture(), "-o", (points / "out").string()}, points.path()).status,
              0);
    EXPECT_TRUE(isPng(points / "out" / "diurnal.png"));
}

TEST(MapOutputs, ReceiverListBeyondFiftyRecordsIsCutWithAWarning) {
    const TempDir work;
    maptest::copyFixtures(work / "data");
    std::string list;
    for (int i = 0; i < 52; ++i) {
        list += 'r';
        list += std::to_string(i);
        list += " 35 ";
        list += std::to_string(100 + i);
        list += '\n';
    }
    maptest::writeFile(work / "data" / "LATRLONR.dat", list);
    const auto result =
        runMap({"points", (work / "data").string(), "-o", "out", "--no-plot"}, work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("more than 50 records"), std::string::npos) << result.err;
    const auto rows = readCsv(work / "out" / "points.csv");
    ASSERT_EQ(rows.size(), 1 + 50 * 24U);
    EXPECT_EQ(rows.back()[1], "r49");

    list.resize(list.find("r50"));  // exactly 50: no warning
    maptest::writeFile(work / "data" / "LATRLONR.dat", list);
    const auto exact =
        runMap({"points", (work / "data").string(), "-o", "out50", "--no-plot"}, work.path());
    EXPECT_EQ(exact.status, 0);
    EXPECT_EQ(exact.err, "");
}

TEST(MapOutputs, NodeOnTheTransmitterIsInfiniteInCsvAndGrid) {
    const TempDir work;
    // the fixtures' transmitter is at 35.68 N, 139.69 E: the south-west node
    const auto result =
        runMap({"area", fixture(), "-o", (work / "out").string(), "-R", "139.69/140.69/35.68/36.68",
                "--step", "0.5", "--hours", "0", "--format", "both", "--no-maps"},
               work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = readCsv(work / "out" / "area.csv");
    ASSERT_EQ(rows.size(), 10U);
    const auto& header = rows[0];
    int infinite = 0;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if (rows[r][columnOf(header, "groundRangeKm")] == "0") {
            ++infinite;
            EXPECT_EQ(rows[r][columnOf(header, "fieldDb")], "inf");
        }
    }
    EXPECT_EQ(infinite, 1);
    const auto dump = fieldcast::testing::runProgram(
        "gmt", {"grd2xyz", (work / "out" / "field-00.nc").string()}, work.path());
    ASSERT_EQ(dump.status, 0) << dump.err;
    std::istringstream lines(dump.out);
    std::string lon;
    std::string lat;
    std::string z;
    std::vector<std::string> infiniteNodes;
    int values = 0;
    while (lines >> lon >> lat >> z) {
        ++values;
        if (z == "inf") infiniteNodes.push_back(lon + " " + lat);
    }
    // the grid agrees with the CSV; NaN stays for paths beyond 4000 km alone
    EXPECT_EQ(values, 9);
    EXPECT_EQ(infiniteNodes, std::vector<std::string>{"139.69 35.68"}) << dump.out;
}

TEST(MapOutputs, TheDiurnalLegendSaysWhyAPointDrawsNoLine) {
    // Fault: a point on the transmitter (+inf at every hour) had a coloured line in the legend
    // and none in the plot, as if its values were lost
    namespace fm = fieldcast::map;
    const fm::DiurnalCurve atMast{"0: Mast", {0, 1, 2}, {INFINITY, INFINITY, INFINITY}, ""};
    EXPECT_EQ(fm::diurnalNoLineNote(atMast), "at the transmitter, infinite");
    const fm::DiurnalCurve beyond{"1: Far", {0, 1}, {NAN, NAN}, "over 4000 km, no value"};
    EXPECT_EQ(fm::diurnalNoLineNote(beyond), "over 4000 km, no value");
    // a curve with one value to draw has a line of its own, whatever its other hours hold
    const fm::DiurnalCurve partly{"2: Near", {0, 1, 2}, {-INFINITY, 41.5, NAN}, ""};
    EXPECT_EQ(fm::diurnalNoLineNote(partly), "");
    const fm::DiurnalCurve cancelled{"3: Null", {0, 1}, {-INFINITY, -INFINITY}, ""};
    EXPECT_EQ(fm::diurnalNoLineNote(cancelled), "no finite value");
}

TEST(MapOutputs, TheColourBarPrintsAtMostElevenNumbersOnWholeBands) {
    // Fault: under --colour-range -1000/1000 the bar printed a number every 20 dB, a hundred
    // of them run together into one black smear
    namespace fm = fieldcast::map;
    EXPECT_EQ(fm::colourBarLabelStepDb(0, 100), 10.0);  // the default scale as it was
    EXPECT_EQ(fm::colourBarLabelStepDb(20, 25), 2.0);
    EXPECT_EQ(fm::colourBarLabelStepDb(0, 300), 50.0);
    EXPECT_EQ(fm::colourBarLabelStepDb(-1000, 1000), 200.0);
    for (double span = 1; span <= 2000; span += 0.5) {
        const double step = fm::colourBarLabelStepDb(-span / 2, span / 2);
        const double band = fm::colourBandDb(-span / 2, span / 2);
        EXPECT_LE(span / step, 10.0) << span;
        EXPECT_EQ(std::fmod(step, band), 0.0) << span;
    }
}

TEST(MapOutputs, PointsInAnotherZoneGetUtcHoursMetadataAndOnePlotPerGroupOfTen) {
    const TempDir work;
    std::string list = "pointName,latDeg,lonDeg\nfar,60,-30\n";
    for (int i = 0; i < 11; ++i) {
        list += 'p';  // appended piece by piece: g++ 12 warns wrongly on "p" + std::to_string(i)
        list += std::to_string(i) + "," + std::to_string(25 + i) + ",130\n";
    }
    maptest::writeFile(work / "points.csv", list);
    const auto result = runMap({"points", fixture(), "-o", (work / "out").string(), "--points",
                                (work / "points.csv").string(), "--time-zone", "-05:00"},
                               work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    // twelve points: ten in the first plot, two in the second, the far one named too
    EXPECT_TRUE(isPng(work / "out" / "diurnal-01.png"));
    EXPECT_TRUE(isPng(work / "out" / "diurnal-02.png"));
    EXPECT_FALSE(std::filesystem::exists(work / "out" / "diurnal.png"));
    EXPECT_FALSE(std::filesystem::exists(work / "out" / "diurnal-03.png"));
    const auto rows = readCsv(work / "out" / "points.csv");
    ASSERT_EQ(rows.size(), 1 + 12 * 24U);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const int jst = std::stoi(rows[r][columnOf(rows[0], "hourJst")]);
        EXPECT_EQ(rows[r][columnOf(rows[0], "hourUtc")], std::to_string((jst + 15) % 24));
    }
    const std::string meta = readFile(work / "out" / "points.json");
    EXPECT_NE(meta.find("\"timeZone\": \"UTC-05:00\""), std::string::npos) << meta;
    EXPECT_NE(meta.find("\"timeZoneOffsetMinutes\": -300"), std::string::npos) << meta;
    EXPECT_NE(meta.find("\"points\": 12"), std::string::npos) << meta;
}

// Fault: a list point written more than half a turn of longitude from the transmitter (Alaska
// at -149.9 from 170 E) took the classic method's control point, and its sun, off the path,
// 18 dB from the same place written 210.1 at 06 JST, and only an area run said so.
TEST(MapOutputs, APointWrittenAcrossTheTransmittersAntimeridianIsSaidSo) {
    const TempDir work;
    maptest::writeFile(work / "west.csv", "pointName,latDeg,lonDeg\nnear,52,175\nAK,61.2,-149.9\n");
    maptest::writeFile(work / "east.csv", "pointName,latDeg,lonDeg\nnear,52,175\nAK,61.2,210.1\n");
    for (const std::string name : {"west", "east"}) {
        const auto result = runMap(
            {"points", fixture(), "-o", (work / name).string(), "--points",
             (work / (name + ".csv")).string(), "--tx-lat", "50", "--tx-lon", "170", "--no-plot"},
            work.path());
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string meta = readFile(work / name / "points.json");
        if (name == "west") {
            EXPECT_NE(result.err.find("warning: 1 sky-wave point lies more than 180 degrees of "
                                      "longitude from the transmitter's (170), the first point 1 "
                                      "\"AK\" at longitude -149.9, the same place as 210.1"),
                      std::string::npos)
                << result.err;
            EXPECT_NE(meta.find("\"longitudeWarning\": \"1 sky-wave point lies"), std::string::npos)
                << meta;
        } else {
            EXPECT_EQ(result.err, "");
            EXPECT_EQ(meta.find("longitudeWarning"), std::string::npos) << meta;
        }
    }
    // the extended model takes the path's own midpoint and says nothing
    const auto extended = runMap({"points", fixture(), "-o", (work / "extended").string(),
                                  "--points", (work / "west.csv").string(), "--tx-lat", "50",
                                  "--tx-lon", "170", "--no-plot", "--model", "extended"},
                                 work.path());
    ASSERT_EQ(extended.status, 0) << extended.err;
    EXPECT_EQ(extended.err, "");
}

}  // namespace
