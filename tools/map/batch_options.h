// The options of the two kinds of batch run, and the parsing of their list values.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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

// A decimal number (an optional sign, digits, a point, an exponent), finite, the whole text;
// nothing for text, NaN, infinities and values beyond a double.
std::optional<double> parseFiniteNumber(std::string_view text);

// The limits of a numeric option, printed as a user reads them ("a number above 0",
// "a number from -90 to 90", "a whole number from 1 to 12").
struct NumberRange {
    double min;
    double max;
    bool minOpen = false;  // min itself refused
    bool whole = false;    // an integer
    std::string text() const;
};
// Empty when `text` is a number within `range`, else what is wrong, for a message.
std::string checkNumber(const std::string& text, const NumberRange& range);

// "MIN/MAX" of the colour scale in dB(uV/m): finite, within kColourLimitDb, at least one
// dB apart. Throws UsageError.
void parseColourRange(const std::string& text, AreaOptions& options);
constexpr double kColourLimitDb = 1000.0;

// Values that gmt would refuse only after the whole grid has been computed: a map of a region
// that reaches a pole (the maps are Mercator), a grid or map with fewer than two nodes across.
// `grids`: netCDF grids or contours are asked for (GDAL draws no contour across a single row or
// column: the files and the page's layers would be empty or partial). Throws UsageError.
void checkGmtRegion(const AreaOptions& options, bool maps, bool grids);

// "all", or hours and ranges "0,6,12" / "6-18" ("22-2" through midnight); ascending, without
// repeats.
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
