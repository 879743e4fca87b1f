// --format html as a user runs it: which files a run leaves, the format lists, the refusals
// before any computation, and a page that does not depend on the number of threads. What
// the page shows is checked in a browser (viewer_browser_test.py).
#include <gtest/gtest.h>

#include "map_test_support.h"

namespace {

namespace fs = std::filesystem;
using maptest::readFile;
using maptest::runMap;
using maptest::TempDir;

std::string fixture() { return maptest::fixtureDir().string(); }

const std::vector<std::string> kSmallArea = {"-R", "136/142/33/37", "--step",
                                             "1",  "--hours",       "3,15"};

std::vector<std::string> areaArgs(const fs::path& out, const std::string& format) {
    std::vector<std::string> args{"area",     fixture(), "-o",       out.string(),
                                  "--format", format,    "--no-maps"};
    args.insert(args.end(), kSmallArea.begin(), kSmallArea.end());
    return args;
}

TEST(MapPage, HtmlAloneWritesThePageAndNoOtherResultFile) {
    const TempDir work;
    const auto result = runMap(areaArgs(work / "out", "html"), work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const fs::path out = work / "out";
    for (const char* name :
         {"index.html", "viewer/leaflet/leaflet.js", "viewer/leaflet/leaflet.css",
          "viewer/leaflet/images/layers.png", "viewer/common.js", "viewer/area.js",
          "viewer/viewer.css", "viewer/data/page.js", "viewer/data/nodes.js",
          "viewer/data/coast.js", "viewer/data/field-03.js", "viewer/data/field-15.js"}) {
        EXPECT_TRUE(fs::is_regular_file(out / name)) << name;
    }
    EXPECT_FALSE(fs::exists(out / "viewer/data/field-04.js"));
    EXPECT_FALSE(fs::exists(out / "area.csv"));
    EXPECT_FALSE(fs::exists(out / "field-03.nc"));
    EXPECT_NE(result.out.find("index.html"), std::string::npos) << result.out;
    // everything the page loads is named relative to it: no address of a server or a path
    // of this machine
    const std::string index = readFile(out / "index.html");
    EXPECT_EQ(index.find("://"), std::string::npos);
    EXPECT_EQ(index.find(out.string()), std::string::npos);
    EXPECT_NE(index.find("<title>fieldcast coverage: 594 kHz, 10 kW, June,"), std::string::npos);
    EXPECT_EQ(readFile(out / "viewer/leaflet/leaflet.js"),
              readFile("/usr/share/javascript/leaflet/leaflet.js"));
    // the coastlines of the region, with the borders (Japan has none on land)
    EXPECT_NE(readFile(out / "viewer/data/coast.js").find("MultiLineString"), std::string::npos);
}

TEST(MapPage, AListOfFormatsWritesEachOfThem) {
    const TempDir work;
    const auto result = runMap(areaArgs(work / "out", "grid,csv,html"), work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* name : {"index.html", "area.csv", "field-03.nc", "field-15.nc"}) {
        EXPECT_TRUE(fs::exists(work / "out" / name)) << name;
    }
}

TEST(MapPage, ThePageDoesNotDependOnTheNumberOfThreads) {
    const TempDir work;
    for (const char* threads : {"1", "3"}) {
        auto args = areaArgs(work / threads, "html");
        args.insert(args.end(), {"-j", threads});
        ASSERT_EQ(runMap(args, work.path()).status, 0);
    }
    for (const char* name : {"page.js", "nodes.js", "field-03.js", "field-15.js", "coast.js"}) {
        const fs::path file = fs::path("viewer/data") / name;
        EXPECT_EQ(readFile(work / "1" / file), readFile(work / "3" / file)) << name;
    }
}

TEST(MapPage, UsageErrorsComeBeforeAnyComputationAndWriteNothing) {
    const TempDir work;
    const std::string out = (work / "out").string();
    std::string many;
    for (int i = 0; i <= 100'000; ++i) {
        many += 'p';  // appended piece by piece: g++ 12 warns wrongly on "p" + std::to_string(i)
        many += std::to_string(i);
        many += ",35,139\n";
    }
    maptest::writeFile(work / "many.csv", many);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {areaArgs(out, "csv,tiff"),
         "\"tiff\" is not one of grid, csv, html, geotiff, geojson, kml, both or none"},
        {{"area", fixture(), "-o", out, "-R", "139/140/35/36", "--step", "0.5", "--format",
          "geojson", "--contours", "none"},
         "give --contours levels"},
        {{"area", fixture(), "-o", out, "-R", "139/140/35/36", "--step", "0.5", "--time-zone",
          "+9"},
         "--time-zone: \"+9\" is not UTC, JST or an offset"},
        {{"points", fixture(), "-o", out, "--time-zone", "+14:01"}, "(at most 14 hours)"},
        {areaArgs(out, "none,html"), "none stands alone"},
        {areaArgs(out, ""), "--format"},
        {{"points", fixture(), "-o", out, "--format", "grid"}, "is not one of csv, html or none"},
        // 1001 x 1000 nodes: one more than a page takes
        {{"area", fixture(), "-o", out, "-R", "0/100/-50/49.9", "--step", "0.1", "--format",
          "html"},
         "a page takes at most 1000000"},
        {{"points", fixture(), "-o", out, "--points", (work / "many.csv").string(), "--format",
          "csv,html"},
         "100001 points; a page takes at most 100000"},
    };
    for (const Case& c : cases) {
        const auto result = runMap(c.args, work.path());
        EXPECT_EQ(result.status, 2) << c.message << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(work / "out")) << c.message;
    }
}

TEST(MapPage, WithoutLeafletTheRunStopsBeforeItStartsAndNamesThePackage) {
    const TempDir work;
    std::vector<std::string> args{"FIELDCAST_LEAFLET_DIR=" + (work / "none").string(),
                                  FIELDCAST_MAP_EXE};
    const auto area = areaArgs(work / "out", "csv,html");
    args.insert(args.end(), area.begin(), area.end());
    const auto result = fieldcast::testing::runProgram("env", args, work.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("libjs-leaflet"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(work / "out"));
}

// Faults: under --ground coastlines the page gave the files' receiving and midpoint codes as
// every point's, and under --model extended the page, the netCDF and GeoTIFF files put the end
// of the values at 4000 km
TEST(MapPage, PageAndGridsTellTheCoastlineGroundsAndTheRangeOfTheModel) {
    for (const std::string model : {"classic", "extended"}) {
        const TempDir work;
        std::vector<std::string> args = areaArgs(work / "out", "html,grid,geotiff");
        args.insert(args.end(), {"--model", model, "--ground", "coastlines"});
        const auto result = runMap(args, work.path());
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string rangeKm = model == "classic" ? "4000" : "12000";
        const std::string page = readFile(work / "out" / "viewer/data/page.js");
        EXPECT_NE(page.find("\"noValueRangeKm\":" + rangeKm + ","), std::string::npos) << page;
        EXPECT_NE(page.find("[\"Ground at the receiving points\",\"from the coastlines at each "
                            "point: 1 (sea) or 2 (land)\"]"),
                  std::string::npos)
            << page;
        EXPECT_NE(page.find("[\"Ground at the path midpoint\",\"from the coastlines at each "
                            "path's midpoint: 1 (sea) or 2 (land)\"]"),
                  std::string::npos)
            << page;
        const std::string over = "over " + rangeKm + " km";
        EXPECT_NE(maptest::shellOutput("ncdump -h '" + (work / "out" / "field-03.nc").string() +
                                       "' | grep comment")
                      .find(over),
                  std::string::npos);
        EXPECT_NE(maptest::shellOutput("gdalinfo '" + (work / "out" / "field.tif").string() +
                                       "' | grep values=")
                      .find(over),
                  std::string::npos);
    }
}

TEST(MapPage, PointsPageAloneKeepsNamesInsideTheirStrings) {
    const TempDir work;
    maptest::writeFile(work / "points.csv",
                       "pointName,latDeg,lonDeg\n"
                       "\"</script><script>alert(1)</script>\",34.69,135.5\n"
                       "\xE5\xA4\xA7\xE9\x98\xAA,34.7,135.6\n");
    const auto result = runMap(
        {"points", fixture(), "-o", (work / "out").string(), "--points",
         (work / "points.csv").string(), "--format", "html", "--no-plot", "--time-zone", "+05:30"},
        work.path());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::exists(work / "out" / "index.html"));
    // Fault: an offset zone was named twice, "UTC+05:30 (UTC+05:30)".
    EXPECT_NE(readFile(work / "out" / "viewer/data/page.js")
                  .find("[\"Time zone\",\"UTC+05:30; the hours computed"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(work / "out" / "points.csv"));
    const std::string points = readFile(work / "out" / "viewer/data/points.js");
    EXPECT_EQ(points.find('<'), std::string::npos);
    EXPECT_NE(points.find("\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)"),
              std::string::npos);
    EXPECT_NE(points.find("\"\xE5\xA4\xA7\xE9\x98\xAA\""), std::string::npos);  // 大阪 as it is
}

}  // namespace
