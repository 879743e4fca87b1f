// The map tool against fieldcast itself: for random receiving points under several
// scenarios, every hour's value in points.csv printed with the report's formats must give
// the report's line, and the classic reports must be fieldcast's byte for byte. Under
// --ground coastlines fieldcast gets the grounds the tool used for each point (points.csv's
// rxGroundCode and midGroundCode, the transmitter's from the run's note) in its code files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "map_test_support.h"

namespace {

using maptest::TempDir;

struct MatchCase {
    const char* label;
    std::map<std::string, std::string> files;  // written into fieldcast's folder
    std::vector<std::string> mapOptions;       // the same values as options of the tool
    double txLatDeg;
    double txLonDeg;
    bool coastlines = false;  // mapOptions hold --ground coastlines
};

// fieldcast gets the values as files, the tool as overrides of the fixture files
const std::vector<MatchCase>& matchCases() {
    static const std::vector<MatchCase> all = {
        {"fixture files, result mode 2", {}, {}, 35.68, 139.69},
        {"sea transmitter, dry receivers, sky wave alone",
         {{"FREQ.dat", "1000\n"},
          {"P.dat", "50\n"},
          {"MON.dat", "12\n"},
          {"YR.dat", "1\n"},
          {"GCT.dat", "1\n"},
          {"GCR.dat", "3\n"},
          {"GCM.dat", "1\n"},
          {"RESUL.dat", "1\n"}},
         {"--freq-khz", "1000", "--power-kw", "50", "--month", "12", "--activity", "1",
          "--tx-ground", "1", "--rx-ground", "3", "--mid-ground", "1", "--result-mode", "1"},
         35.68,
         139.69},
        {"northern transmitter, low frequency, high activity",
         {{"FREQ.dat", "200\n"},
          {"LATT.dat", "43.06\n"},
          {"LONT.dat", "141.35\n"},
          {"MON.dat", "3\n"},
          {"YR.dat", "3\n"},
          {"GCT.dat", "3\n"},
          {"GCR.dat", "1\n"},
          {"GCM.dat", "3\n"}},
         {"--freq-khz", "200", "--tx-lat", "43.06", "--tx-lon", "141.35", "--month", "3",
          "--activity", "3", "--tx-ground", "3", "--rx-ground", "1", "--mid-ground", "3"},
         43.06,
         141.35},
        {"southern transmitter, high frequency, result mode 0",
         {{"FREQ.dat", "1600\n"},
          {"P.dat", "0.5\n"},
          {"LATT.dat", "-8.5\n"},
          {"LONT.dat", "115.2\n"},
          {"MON.dat", "9\n"},
          {"RESUL.dat", "0\n"}},
         {"--freq-khz", "1600", "--power-kw", "0.5", "--tx-lat", "-8.5", "--tx-lon", "115.2",
          "--month", "9", "--result-mode", "1"},
         -8.5,
         115.2},
        {"coastlines, land code 2, transmitter ground from its site",
         {},
         {"--ground", "coastlines"},
         35.68,
         139.69,
         true},
        {"coastlines, dry land, sea transmitter given, 1000 kHz in December",
         {{"FREQ.dat", "1000\n"},
          {"MON.dat", "12\n"},
          {"LATT.dat", "38.3\n"},
          {"LONT.dat", "128.5\n"}},
         {"--ground", "coastlines", "--land-ground", "3", "--tx-ground", "1", "--freq-khz", "1000",
          "--month", "12", "--tx-lat", "38.3", "--tx-lon", "128.5"},
         38.3,
         128.5,
         true},
    };
    return all;
}

struct Point {
    double latDeg;
    double lonDeg;
};

// Points over every path kind: near the transmitter (short range), out to two hops, and
// beyond 4000 km; the transmitter's own position (range 0) and the 180th meridian included.
std::vector<Point> randomPoints(const MatchCase& match, unsigned seed, int count) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> wide(-45.0, 45.0);
    std::uniform_real_distribution<double> near(-0.6, 0.6);
    std::vector<Point> points{{match.txLatDeg, match.txLonDeg},
                              {match.txLatDeg, match.txLonDeg + 0.3}};
    while (static_cast<int>(points.size()) < count) {
        const bool close = points.size() % 5 == 0;
        const double lat = match.txLatDeg + (close ? near(random) : wide(random));
        const double lon = match.txLonDeg + (close ? near(random) : wide(random));
        if (lat < -85.0 || lat > 85.0) continue;
        points.push_back({lat, lon > 180.0 ? lon - 360.0 : lon});
    }
    return points;
}

std::string number17(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// "p<index>", latitude, longitude with every digit, and a line end
std::string pointRecord(std::size_t index, const Point& point, char separator) {
    std::string record = std::string(1, 'p') + std::to_string(index);
    record += separator;
    record += number17(point.latDeg);
    record += separator;
    record += number17(point.lonDeg);
    record += '\n';
    return record;
}

double cellValue(const std::string& cell) { return std::stod(cell); }

std::vector<std::string> reportLinesAfterColumns(const std::string& report) {
    std::vector<std::string> lines;
    std::size_t start = report.find("(dB uV/m)\n");
    if (start == std::string::npos) return lines;
    start += 10;
    while (start < report.size()) {
        const std::size_t end = report.find('\n', start);
        lines.push_back(report.substr(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

std::string rangeLine(const std::string& report) {
    const std::size_t at = report.find("(km): ");
    return at == std::string::npos ? "" : report.substr(at, report.find('\n', at) - at);
}

class PredictionMatch : public ::testing::TestWithParam<std::size_t> {};

TEST_P(PredictionMatch, EveryHourEqualsFieldcastReportToPrintedDigits) {
    const MatchCase& match = matchCases()[GetParam()];
    const std::vector<Point> points = randomPoints(match, 20261208U + GetParam(), 75);
    const TempDir work;

    std::string csv = "pointName,latDeg,lonDeg\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        csv += pointRecord(i, points[i], ',');
    }
    maptest::writeFile(work / "points.csv", csv);
    std::vector<std::string> args{
        "points",   maptest::fixtureDir().string(), "-o",        (work / "out").string(),
        "--points", (work / "points.csv").string(), "--no-plot", "--reports"};
    args.insert(args.end(), match.mapOptions.begin(), match.mapOptions.end());
    const maptest::RunResult map = maptest::runMap(args, work.path());
    ASSERT_EQ(map.status, 0) << map.err;
    const auto rows = maptest::readCsv(work / "out" / "points.csv");
    ASSERT_EQ(rows.size(), 1 + points.size() * 24);
    const std::vector<std::string>& header = rows[0];
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    const std::size_t rangeColumn = column("groundRangeKm");
    const std::size_t mvmColumn = column("fieldMvm");
    const std::size_t dbColumn = column("fieldDb");
    const std::size_t kindColumn = column("pathKind");
    const std::size_t rxGroundColumn = column("rxGroundCode");
    const std::size_t midGroundColumn = column("midGroundCode");
    ASSERT_LT(midGroundColumn, header.size());
    // the transmitter's ground: given, or from its site as the run's note says
    std::string txGround;
    if (match.coastlines) {
        const std::size_t at = map.out.find("; transmitter ");
        ASSERT_NE(at, std::string::npos) << map.out;
        txGround = map.out.substr(at + 14, 1);
    }
    std::map<std::string, int> rxGrounds;
    std::map<std::string, int> midGrounds;

    int beyond = 0;
    int shortRange = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(std::string(match.label) + ", point " + std::to_string(i) + " at " +
                     number17(points[i].latDeg) + ", " + number17(points[i].lonDeg));
        const TempDir run;
        std::map<std::string, std::string> files = match.files;
        const std::vector<std::string>& first = rows[1 + i * 24];
        if (match.coastlines) {
            // the grounds of this point, as fieldcast's files
            const std::string& rx = first[rxGroundColumn];
            const std::string& mid = first[midGroundColumn];
            if (!rx.empty()) ++rxGrounds[rx];  // none beyond 4000 km
            if (!mid.empty()) ++midGrounds[mid];
            files["GCT.dat"] = txGround + "\n";
            files["GCR.dat"] = (rx.empty() ? std::string("2") : rx) + "\n";
            files["GCM.dat"] = (mid.empty() ? std::string("2") : mid) + "\n";
        }
        maptest::copyFixtures(run.path(), files);
        maptest::writeFile(run / "LATRLONR.dat", pointRecord(i, points[i], ' '));
        const maptest::RunResult fieldcast = maptest::runFieldcast(run.path());
        ASSERT_EQ(fieldcast.status, 0) << fieldcast.out;
        const std::string report = maptest::readFile(run / "QZresult-0.txt");

        char expectedRange[64];
        std::snprintf(expectedRange, sizeof expectedRange, "(km): %10.2lf ",
                      cellValue(first[rangeColumn]));
        EXPECT_EQ(rangeLine(report), expectedRange);

        const std::vector<std::string> lines = reportLinesAfterColumns(report);
        if (first[mvmColumn].empty()) {
            ++beyond;
            EXPECT_TRUE(lines.empty()) << "fieldcast reported hours the tool left empty";
        } else {
            ASSERT_EQ(lines.size(), 24U);
            for (int hour = 0; hour < 24; ++hour) {
                const std::vector<std::string>& row =
                    rows[1 + i * 24 + static_cast<std::size_t>(hour)];
                char expected[96];
                std::snprintf(expected, sizeof expected, "%3d:00\t      %8.3lf\t\t  %6.1lf\n", hour,
                              cellValue(row[mvmColumn]), cellValue(row[dbColumn]));
                EXPECT_EQ(lines[static_cast<std::size_t>(hour)], expected) << "hour " << hour;
            }
            if (first[kindColumn] == "groundOnly") ++shortRange;
        }
        // the tool's own classic report of the point is fieldcast's
        const std::string own =
            maptest::readFile(work / "out" / ("QZresult-" + std::to_string(i) + ".txt"));
        EXPECT_EQ(own, report);
    }
    EXPECT_GT(beyond, 0) << "no point beyond 4000 km was drawn";
    EXPECT_GT(shortRange, 0) << "no short-range point was drawn";
    if (match.coastlines) {
        // the points fell on both grounds, and so did the midpoints of sky-wave paths
        const auto given = std::find(match.mapOptions.begin(), match.mapOptions.end(),
                                     std::string("--land-ground"));
        const std::string land = given == match.mapOptions.end() ? "2" : *(given + 1);
        EXPECT_GT(rxGrounds["1"], 0);
        EXPECT_GT(rxGrounds[land], 0);
        EXPECT_GT(midGrounds["1"], 0);
        EXPECT_GT(midGrounds[land], 0);
        EXPECT_EQ(rxGrounds.size(), 2U) << "a ground code other than 1 and " << land;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PredictionMatch,
                         ::testing::Range<std::size_t>(0, matchCases().size()));

}  // namespace
