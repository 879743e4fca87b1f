// The options of the two kinds of batch run, and the parsing of their list values.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "coastline_grounds.h"
#include "run_inputs.h"
#include "time_zone.h"

namespace fieldcast::map {

// A command-line value that cannot be used (exit status 2).
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct CommonOptions {
    std::filesystem::path dataDir = ".";
    std::filesystem::path outputDir;
    InputOverrides overrides;
    GroundSource ground = GroundSource::codes;
    int landGroundCode = 2;  // --ground coastlines: the code of land, 2 or 3
    ModelChoice model;       // --model, --combine
    unsigned threads = 0;    // 0: one per core
    bool progress = false;
    TimeZone zone;  // the clock of --hours, titles, file names and pages
};

struct PointsOptions {
    std::optional<std::filesystem::path> pointsCsv;  // instead of "LATRLONR.dat"
    bool reports = false;                            // "QZresult-<index>.txt" per point
    bool plot = true;                                // "diurnal.png"
    bool csv = true;                                 // "points.csv"
    bool htmlPage = false;                           // "index.html" and viewer/
};

enum class AreaFormat { grid, csv, both, none };

struct AreaOptions {
    double lonMinDeg = 0.0;
    double lonMaxDeg = 0.0;
    double latMinDeg = 0.0;
    double latMaxDeg = 0.0;
    double stepDeg = 0.0;
    std::vector<int> hours;  // JST, ascending, each 0..23
    AreaFormat format = AreaFormat::grid;
    bool maps = true;
    std::vector<double> contourLevelsDb;
    double colourMinDb = 0.0;
    double colourMaxDb = 100.0;
    bool htmlPage = false;  // "index.html" and viewer/
    bool geotiff = false;   // "field.tif"
    bool geojson = false;   // "contours.geojson", "service-areas.geojson"
    bool kml = false;       // "contours.kml", "service-areas.kml"
};

// "all", or hours and ranges "0,6,12" / "6-18"; ascending, without repeats.
std::vector<int> parseHourList(const std::string& text);
// "40,50,60"
std::vector<double> parseLevelList(const std::string& text);
// "W/E/S/N" in degrees
void parseRegion(const std::string& text, AreaOptions& options);

// Number of grid nodes from min to max by step (the last node may fall short of max).
int nodeCount(double minDeg, double maxDeg, double stepDeg);
// Node coordinate, rounded to 1e-9 degrees so that the CSV shows the step's own digits.
double nodeDeg(double minDeg, double stepDeg, int index);

}  // namespace fieldcast::map
