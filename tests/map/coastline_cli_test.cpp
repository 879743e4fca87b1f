// fieldcast-map --ground coastlines as a user runs it, at the edges of the coastline data: the
// poles and the antimeridian, a point exactly on a coastline, coastline data that are not
// installed or that leave nodes without a value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "map_test_support.h"

namespace {

using maptest::readCsv;
using maptest::runMap;
using maptest::TempDir;

std::string fixture() { return maptest::fixtureDir().string(); }

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The rows of a CSV as maps from column name to cell.
std::vector<std::map<std::string, std::string>> csvRecords(const std::filesystem::path& path) {
    const auto rows = readCsv(path);
    std::vector<std::map<std::string, std::string>> records;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        std::map<std::string, std::string> record;
        for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c) {
            record[rows[0][c]] = rows[r][c];
        }
        records.push_back(std::move(record));
    }
    return records;
}

// The mask cell in degrees, from the run's note ("mask cell 30 arc-seconds").
double maskCellDeg(const std::string& out) {
    const std::size_t at = out.find("mask cell ");
    if (at == std::string::npos) return NAN;
    return std::stod(out.substr(at + 10)) / 3600.0;
}

TEST(CoastlineCli, PolesAndTheAntimeridianHaveTheirGrounds) {
    const TempDir work;
    // the Arctic Ocean across the antimeridian to the pole, from a transmitter at 75 N 180 E
    const auto arctic =
        runMap({"area", fixture(), "-o", "arctic", "-R", "170/190/80/90", "--step", "2", "--tx-lat",
                "75", "--tx-lon", "180", "--ground", "coastlines", "--format", "csv", "--no-maps"},
               work.path());
    ASSERT_EQ(arctic.status, 0) << arctic.err;
    EXPECT_NE(arctic.out.find("grounds from the crude GSHHG coastlines"), std::string::npos)
        << arctic.out;
    const auto arcticRows = csvRecords(work / "arctic" / "area.csv");
    ASSERT_EQ(arcticRows.size(), 11U * 6 * 24);
    for (const auto& row : arcticRows) {
        EXPECT_EQ(row.at("rxGroundCode"), "1") << row.at("latDeg") << " " << row.at("lonDeg");
        EXPECT_TRUE(std::isfinite(std::stod(row.at("fieldDb"))));
    }

    // the South Pole on the Antarctic ice, and the Southern Ocean, from a transmitter inland
    TempDir points;
    maptest::writeFile(points / "south.csv",
                       "pole,-90,0\npole360,-89.999,359.999\nocean,-60,10\ncoast,-70,10\n");
    const auto south = runMap({"points", fixture(), "-o", "south", "--points",
                               (points / "south.csv").string(), "--no-plot", "--tx-lat", "-75",
                               "--tx-lon", "10", "--ground", "coastlines", "--land-ground", "3"},
                              work.path());
    ASSERT_EQ(south.status, 0) << south.err;
    EXPECT_NE(south.out.find("transmitter 3 (from its site)"), std::string::npos) << south.out;
    const auto southRows = csvRecords(work / "south" / "points.csv");
    ASSERT_EQ(southRows.size(), 4U * 24);
    EXPECT_EQ(southRows[0].at("rxGroundCode"), "3");
    EXPECT_EQ(southRows[24].at("rxGroundCode"), "3");
    EXPECT_EQ(southRows[48].at("rxGroundCode"), "1");
    for (const auto& row : southRows) EXPECT_FALSE(row.at("midGroundCode").empty());
}

// The rule for a point exactly on a coastline: it takes the ground of the mask node nearest
// to it, which lies on one side or the other (a node on a coastline itself counts as land).
// Checked against gmt's own land/sea test at that node, for a vertex of the coastline that
// the run uses: high resolution for a points run, low for an area run of 0.1 degree steps.
TEST(CoastlineCli, PointExactlyOnACoastlineTakesTheNearestMaskNode) {
    const TempDir work;
    struct Case {
        const char* resolution;
        bool area;
    };
    for (const Case c : {Case{"h", false}, Case{"l", true}}) {
        SCOPED_TRACE(c.resolution);
        // a vertex of the coastline of Kujukuri beach, 100 km east of the transmitter
        const std::string vertexLine = maptest::shellOutput(
            "cd '" + work.path().string() + "' && gmt coast -M -W -D" + c.resolution +
            " -R140.6/141.0/35.4/35.8 --GMT_HISTORY=false | grep -v '^>' | sed -n 3p");
        double lon = NAN;
        double lat = NAN;
        ASSERT_EQ(std::sscanf(vertexLine.c_str(), "%lf %lf", &lon, &lat), 2) << vertexLine;
        const std::string out = std::string("out-") + c.resolution;
        std::vector<std::string> args;
        if (c.area) {  // the vertex is the grid's south-west node
            args = {
                "area",
                fixture(),
                "-o",
                out,
                "-R",
                number(lon) + "/" + number(lon + 0.2) + "/" + number(lat) + "/" + number(lat + 0.2),
                "--step",
                "0.1",
                "--format",
                "csv",
                "--no-maps",
                "--ground",
                "coastlines"};
        } else {
            maptest::writeFile(work / "coast.csv",
                               "coast," + number(lat) + "," + number(lon) + "\n");
            args = {"points",    fixture(),  "-o",
                    out,         "--points", (work / "coast.csv").string(),
                    "--no-plot", "--ground", "coastlines"};
        }
        const auto run = runMap(args, work.path());
        ASSERT_EQ(run.status, 0) << run.err;
        const double cellDeg = maskCellDeg(run.out);
        ASSERT_TRUE(std::isfinite(cellDeg)) << run.out;

        // gmt's land/sea test at the nearest node (lakes count as land)
        const double nodeLat = std::round(lat / cellDeg) * cellDeg;
        const double nodeLon = std::round(lon / cellDeg) * cellDeg;
        const std::string kept = maptest::shellOutput(
            "cd '" + work.path().string() + "' && echo " + number(nodeLon) + " " + number(nodeLat) +
            " | gmt select -D" + c.resolution + " -Ns/k/k/k/k --GMT_HISTORY=false");
        const std::string expected = kept.empty() ? "1" : "2";

        const auto rows = csvRecords(work / out / (c.area ? "area.csv" : "points.csv"));
        int found = 0;
        for (const auto& row : rows) {
            // the area's nodes are rounded to 1e-9 degrees
            if (std::fabs(std::stod(row.at("latDeg")) - lat) > 1e-9 ||
                std::fabs(std::stod(row.at("lonDeg")) - lon) > 1e-9) {
                continue;
            }
            ++found;
            EXPECT_EQ(row.at("rxGroundCode"), expected) << "node " << nodeLat << " " << nodeLon;
            EXPECT_EQ(row.at("pathKind"), "oneHop");
            EXPECT_TRUE(std::isfinite(std::stod(row.at("fieldDb"))));
        }
        EXPECT_EQ(found, 24);
    }
}

// Without the coastline package of the resolution the run needs, the run ends before it
// writes anything, with status 1 and the package's name.
// Fault: a fine grid far from its transmitter took its nodes' grounds from the paths' mask,
// whose cell had grown to hold every path: Tokyo Bay at 0.004 degrees, seen from Okinawa, got
// 30" instead of the 15" of its step, and 17 of its 676 nodes changed ground with the
// transmitter's place.
TEST(CoastlineCli, FineGridKeepsItsOwnGroundsWhateverTheTransmitter) {
    const TempDir work;
    std::vector<std::vector<std::string>> grounds;
    struct Transmitter {
        const char* name;
        const char* latDeg;
        const char* lonDeg;
    };
    for (const Transmitter tx :
         {Transmitter{"okinawa", "26.2", "127.7"}, Transmitter{"bay", "35.45", "139.75"}}) {
        const auto run =
            runMap({"area", fixture(), "-o", tx.name, "-R", "139.7/139.8/35.4/35.5", "--step",
                    "0.004", "--tx-lat", tx.latDeg, "--tx-lon", tx.lonDeg, "--ground", "coastlines",
                    "--format", "csv", "--no-maps", "--hours", "0"},
                   work.path());
        ASSERT_EQ(run.status, 0) << run.err;
        const bool far = grounds.empty();
        EXPECT_EQ(
            run.out.find("the grid's own grounds on a 15 arc-second mask") != std::string::npos,
            far)
            << run.out;
        grounds.emplace_back();
        for (const auto& row : csvRecords(work / tx.name / "area.csv")) {
            grounds.back().push_back(row.at("rxGroundCode"));
        }
    }
    ASSERT_EQ(grounds[0].size(), 26U * 26);
    EXPECT_EQ(grounds[0], grounds[1]);
    EXPECT_NE(std::count(grounds[0].begin(), grounds[0].end(), "1"), 0);  // the bay
    EXPECT_NE(std::count(grounds[0].begin(), grounds[0].end(), "2"), 0);  // its shores
}

TEST(CoastlineCli, MissingCoastlinePackageIsNamedWithStatus1) {
    const maptest::GmtWrapper noCoastlines(
        "GMT_SHAREDIR=\"$SHARE\" exec \"$REAL_GMT\" \"$@\" --DIR_GSHHG=\"$EMPTY\"");
    const TempDir work;
    const auto points = runMap(
        {"points", fixture(), "-o", "points", "--no-plot", "--ground", "coastlines"}, work.path());
    EXPECT_EQ(points.status, 1);
    EXPECT_NE(points.err.find("fieldcast-map: the high resolution GSHHG coastlines are not "
                              "installed (Debian package gmt-gshhg-high)"),
              std::string::npos)
        << points.err;
    const auto area = runMap({"area", fixture(), "-o", "area", "-R", "120/150/20/40", "--step", "1",
                              "--ground", "coastlines", "--format", "csv", "--no-maps",
                              "--tx-ground", "2"},  // (the site would ask for the high ones)
                             work.path());
    EXPECT_EQ(area.status, 1);
    EXPECT_NE(area.err.find("gmt-gshhg-low"), std::string::npos) << area.err;
    EXPECT_FALSE(std::filesystem::exists(work / "points"));
    EXPECT_FALSE(std::filesystem::exists(work / "area"));
    // the uniform grounds need no coastlines
    EXPECT_EQ(runMap({"points", fixture(), "-o", "codes", "--no-plot"}, work.path()).status, 0);
}

// Coastline data that give some nodes no land/sea value (here gmt is made to leave every
// land node without one) end the run with status 1, naming the first such place; no ground
// is guessed.
TEST(CoastlineCli, NodesWithoutCoastlineDataEndTheRunNamingThePlace) {
    const maptest::GmtWrapper holes(
        "for a; do shift; [ \"$a\" = -N0/1/1/1/1 ] && a=-N0/NaN/1/1/1; set -- \"$@\" \"$a\"; done\n"
        "exec \"$REAL_GMT\" \"$@\"");
    const TempDir work;
    const auto area = runMap({"area", fixture(), "-o", "area", "-R", "135/140/33/37", "--step",
                              "0.5", "--ground", "coastlines", "--format", "csv", "--no-maps"},
                             work.path());
    EXPECT_EQ(area.status, 1);
    EXPECT_NE(area.err.find("the coastline data give no land/sea value at "), std::string::npos)
        << area.err;
    EXPECT_FALSE(std::filesystem::exists(work / "area"));
}

// The extended model under --ground coastlines keeps the rules at the edges: the poles and the
// antimeridian give values (no NaN) out to its range, and a missing coastline package is named.
TEST(CoastlineCli, ExtendedModelKeepsTheRulesAtTheEdges) {
    const TempDir work;
    const auto arctic = runMap({"area", fixture(), "-o", "arctic", "-R", "150/210/60/90", "--step",
                                "5", "--tx-lat", "75", "--tx-lon", "180", "--ground", "coastlines",
                                "--model", "extended", "--format", "csv", "--no-maps"},
                               work.path());
    ASSERT_EQ(arctic.status, 0) << arctic.err;
    const auto rows = csvRecords(work / "arctic" / "area.csv");
    ASSERT_EQ(rows.size(), 13U * 7 * 24);
    for (const auto& row : rows) {
        if (row.at("pathKind") == "groundOnly") continue;
        EXPECT_EQ(row.at("pathKind"), "skyWave");
        EXPECT_TRUE(std::isfinite(std::stod(row.at("fieldDb")))) << row.at("latDeg");
        EXPECT_FALSE(row.at("strongestHopOrder").empty());
        EXPECT_FALSE(row.at("midGroundCode").empty());
    }
    // the files say which model made them
    const std::string meta = maptest::readFile(work / "arctic" / "area.json");
    EXPECT_NE(meta.find("\"model\": \"extended: "), std::string::npos) << meta;
    // Fault: the field they describe was "the ground wave alone within 50 km", the classic rule
    EXPECT_NE(meta.find("of every hop order combined with the ground wave, within 50 km too\""),
              std::string::npos)
        << meta;

    const maptest::GmtWrapper noCoastlines(
        "GMT_SHAREDIR=\"$SHARE\" exec \"$REAL_GMT\" \"$@\" --DIR_GSHHG=\"$EMPTY\"");
    const auto points = runMap({"points", fixture(), "-o", "points", "--no-plot", "--ground",
                                "coastlines", "--model", "extended"},
                               work.path());
    EXPECT_EQ(points.status, 1);
    EXPECT_NE(points.err.find("(Debian package gmt-gshhg-high)"), std::string::npos) << points.err;
    EXPECT_FALSE(std::filesystem::exists(work / "points"));
}

// Fault: the extended model refused a mixed-path ground wave beyond the doubles naming the
// transmitter's curve file ("GW.dat gives no finite field strength"), though the sea curve of
// "GW1.dat" gave it.
TEST(CoastlineCli, ExtendedModelNamesTheCurveOfTheMixedPathThatFails) {
    std::string seaCurve;
    for (int i = 0; i < 180; ++i) seaCurve += "1e300 ";
    const TempDir work;
    maptest::copyFixtures(work / "data", {{"GW1.dat", seaCurve + "\n"}});
    const std::vector<std::string> points{
        "points", (work / "data").string(), "-o", "points", "--no-plot", "--ground", "coastlines"};
    // the classic model draws the transmitter's land curve alone
    EXPECT_EQ(runMap(points, work.path()).status, 0);
    std::vector<std::string> extended = points;
    extended[3] = "extended";
    extended.insert(extended.end(), {"--model", "extended"});
    const auto run = runMap(extended, work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("fieldcast-map: GW1.dat gives no finite field strength at this hour !!"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(work / "extended" / "points.csv"));
}

}  // namespace
