// fieldcast-map: fieldcast's prediction for every point of a list, or over a grid, all hours
// in one run, with CSV, grids, maps and plots.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "batch_runs.h"
#include "gmt_maps.h"
#include "number_option.h"
#include "output_files.h"
#include "output_formats.h"
#include "parallel.h"
#include "parser_messages.h"
#include "record/constants.h"
#include "standard_streams.h"

namespace {

constexpr int kExitFailure = 1;  // a data file, an output or gmt failed
constexpr int kExitUsage = 2;

using fieldcast::map::AreaFormat;

struct ProgressFlags {
    bool on = false;
    bool off = false;
};

struct GroundFlags {
    std::string ground = "codes";
    std::optional<int> landGround;
    std::string timeZone = "JST";
};

struct ModelFlags {
    std::string model = "classic";
    std::optional<std::string> combine;
};

using fieldcast::map::numberIn;

using fieldcast::map::NumberRange;
constexpr double kAny = HUGE_VAL;

void addCommonOptions(CLI::App& app, fieldcast::map::CommonOptions& common, ProgressFlags& progress,
                      GroundFlags& grounds, ModelFlags& model) {
    app.add_option("data-dir", common.dataDir,
                   "folder of the parameter, curve and table files (default: the working folder)")
        ->check(CLI::ExistingDirectory);
    app.add_option("-o,--output", common.outputDir,
                   "folder for the results; created, or empty: two runs never share a file")
        ->type_name("DIR")
        ->required();
    auto& o = common.overrides;
    app.add_option("--power-kw", o.txPowerKw,
                   "transmitter power in kW, 0.001 to 10000: 1 W to 10 MW (instead of P.dat, "
                   "which must hold the same)")
        ->check(numberIn({fieldcast::map::kMinTxPowerKw, fieldcast::map::kMaxTxPowerKw}));
    app.add_option("--freq-khz", o.freqKhz, "frequency in kHz (instead of FREQ.dat)")
        ->check(numberIn({0.0, kAny, true}));
    app.add_option("--tx-lat", o.txLatDeg, "transmitter latitude in degrees (instead of LATT.dat)")
        ->check(numberIn({fieldcast::kMinLatitudeDeg, fieldcast::kMaxLatitudeDeg}));
    app.add_option("--tx-lon", o.txLonDeg, "transmitter longitude in degrees (instead of LONT.dat)")
        ->check(numberIn({fieldcast::kMinLongitudeDeg, fieldcast::kMaxLongitudeDeg}));
    app.add_option("--month", o.month, "month 1-12 (instead of MON.dat)")
        ->check(numberIn({1, 12, false, true}));
    app.add_option("--activity", o.solarActivityCode, "solar activity code 1-3 (instead of YR.dat)")
        ->check(numberIn({1, 3, false, true}));
    app.add_option("--tx-ground", o.txGroundType,
                   "ground code at the transmitter, 1 sea, 2 land, 3 dry land (instead of GCT.dat)")
        ->check(numberIn({1, 3, false, true}));
    app.add_option("--rx-ground", o.rxGroundType,
                   "ground code 1-3 at the receiving points (instead of GCR.dat)")
        ->check(numberIn({1, 3, false, true}));
    app.add_option("--mid-ground", o.midGroundType,
                   "ground code 1-3 at the path midpoint (instead of GCM.dat)")
        ->check(numberIn({1, 3, false, true}));
    app.add_option("--result-mode", o.resultMode,
                   "2: sky wave combined with the ground wave, 1: sky wave alone "
                   "(instead of RESUL.dat)")
        ->check(numberIn({1, 2, false, true}));
    app.add_option("--ground", grounds.ground,
                   "the grounds at the receiving points and path midpoints: codes (GCR.dat, "
                   "GCM.dat or their options) or coastlines (land or sea from the GSHHG "
                   "coastlines; the transmitter's from its site unless --tx-ground)")
        ->check(CLI::IsMember({"codes", "coastlines"}))
        ->capture_default_str();
    app.add_option("--land-ground", grounds.landGround,
                   "with --ground coastlines, the code of land: 2 land, 3 dry land (default 2)")
        ->check(numberIn({2, 3, false, true}));
    app.add_option("--time-zone", grounds.timeZone,
                   "the clock of --hours, titles, file names and pages: UTC, JST or an offset "
                   "such as +01:00 or -05:30 (the prediction is always of the 24 JST hours)")
        ->capture_default_str();
    app.add_option("--model", model.model,
                   "classic: fieldcast's method (one hop to 2000 km, two to 4000 km); extended: "
                   "every hop order that reaches the point, up to 12,000 km")
        ->check(CLI::IsMember({"classic", "extended"}))
        ->capture_default_str();
    app.add_option("--combine", model.combine,
                   "with --model extended, how the waves add: power (default, no interference "
                   "fringes) or phasor (with the phases of the path differences)")
        ->check(CLI::IsMember({"power", "phasor"}));
    app.add_option("-j,--threads", common.threads, "worker threads (default: one per core)")
        ->check(numberIn({1, 1024, false, true}));
    app.add_flag("--progress", progress.on,
                 "draw the progress bar on standard error even when it is no terminal");
    app.add_flag("--no-progress", progress.off,
                 "never draw it (default: drawn when standard error is a terminal; either way "
                 "only once a run has taken a quarter of a second)");
}

// --ground coastlines takes the receiving-point and midpoint grounds from the mask, so their
// codes cannot be given as well; --land-ground means nothing without it.
void applyGroundFlags(const GroundFlags& flags, fieldcast::map::CommonOptions& common) {
    using fieldcast::map::UsageError;
    if (flags.ground == "codes") {
        if (flags.landGround) throw UsageError("--land-ground needs --ground coastlines");
        return;
    }
    if (common.overrides.rxGroundType || common.overrides.midGroundType) {
        throw UsageError(
            "--ground coastlines takes the receiving-point and midpoint grounds from the "
            "coastlines: drop --rx-ground and --mid-ground, or use --ground codes");
    }
    common.ground = fieldcast::map::GroundSource::coastlines;
    common.landGroundCode = flags.landGround.value_or(2);
}

// --combine chooses how the extended model sums its waves; the classic model has its own.
void applyModelFlags(const ModelFlags& flags, fieldcast::map::CommonOptions& common) {
    using fieldcast::map::CombineRule;
    using fieldcast::map::PropagationModel;
    if (flags.model == "classic") {
        if (flags.combine) {
            throw fieldcast::map::UsageError(
                "--combine needs --model extended (the classic model combines as fieldcast)");
        }
        return;
    }
    common.model.model = PropagationModel::extended;
    common.model.combine =
        flags.combine && *flags.combine == "phasor" ? CombineRule::phasor : CombineRule::power;
}

// The word in the place of the mode when it is none ("fieldcast-map aera ..."): the parser
// says only that a mode is required. Whether it named one.
bool nameUnknownMode(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return false;
    const std::string word = argv[1][0] == '\0' ? "\"\"" : argv[1];
    std::string hint;
    for (const char* mode : {"points", "area"}) {
        if (fieldcast::tools::editDistance(word, mode) <= 2) {
            hint = std::string(" (did you mean ") + mode + "?)";
        }
    }
    std::fprintf(stderr, "fieldcast-map: %s: no such mode; the modes are points and area%s\n",
                 word.c_str(), hint.c_str());
    return true;
}

int run(int argc, char** argv) {
    CLI::App app{
        "fieldcast-map: fieldcast's hourly field-strength prediction for every receiving point "
        "of a list, or over a latitude/longitude grid, in one run"};
    app.require_subcommand(1);
    fieldcast::tools::nameParserMessages(app, "fieldcast-map");
    app.footer(
        "Exit status: 0 after a complete run, 1 when an input is refused or a result cannot be "
        "written, 2 for a usage error, 130, 143 or 129 when interrupted (SIGINT, SIGTERM, "
        "SIGHUP).");
    ProgressFlags progressFlags;
    GroundFlags groundFlags;
    ModelFlags modelFlags;

    fieldcast::map::CommonOptions common;
    fieldcast::map::PointsOptions pointsOptions;
    fieldcast::map::AreaOptions areaOptions;

    CLI::App* points =
        app.add_subcommand("points",
                           "all 24 hours at every point of LATRLONR.dat or of a CSV: points.csv, "
                           "diurnal.png and, on request, a classic report per point");
    addCommonOptions(*points, common, progressFlags, groundFlags, modelFlags);
    points
        ->add_option("--points", pointsOptions.pointsCsv,
                     "UTF-8 CSV of pointName,latDeg,lonDeg instead of LATRLONR.dat")
        ->check(CLI::ExistingFile);
    points->add_flag(
        "--reports", pointsOptions.reports,
        "also write QZresult-<index>.txt per point, as fieldcast writes it (Shift-JIS)");
    bool noPlot = false;
    points->add_flag("--no-plot", noPlot, "skip diurnal.png");
    std::string pointsFormat = "csv";
    points
        ->add_option("--format", pointsFormat,
                     "csv: points.csv and points.json, html: index.html (the points on a map, "
                     "each with its day), none; or a list such as csv,html")
        ->capture_default_str();

    CLI::App* area = app.add_subcommand(
        "area",
        "a latitude/longitude grid for one hour, a list or all 24: field-HH.nc grids, "
        "map-HH.png maps, area.csv, GeoTIFF, contours and service areas, an interactive page");
    addCommonOptions(*area, common, progressFlags, groundFlags, modelFlags);
    std::string region;
    area->add_option("-R,--region", region, "WEST/EAST/SOUTH/NORTH in degrees, e.g. 125/150/25/48")
        ->required();
    area->add_option("--step", areaOptions.stepDeg, "grid step in degrees")
        ->required()
        ->check(numberIn({1e-4, 90.0}));
    std::string hours = "all";
    area->add_option("--hours", hours,
                     "hours of the --time-zone clock: all, or a list such as 0,6,12 or 6-18; "
                     "a range such as 22-2 runs through midnight (the results list the hours "
                     "from the clock's midnight)")
        ->capture_default_str();
    std::string format = "grid";
    area->add_option("--format", format,
                     "grid: field-HH.nc and field.nc (CF netCDF), csv: area.csv and area.json, "
                     "html: index.html (every "
                     "hour on one page, for a browser), geotiff: field.tif, geojson and kml: "
                     "contours and service areas at the --contours levels, both (grid,csv), "
                     "none; or a list such as grid,csv,html")
        ->capture_default_str();
    bool noMaps = false;
    area->add_flag("--no-maps", noMaps, "skip the map-HH.png pictures");
    std::string contours = "40,50,60";
    area->add_option("--contours", contours,
                     "contour levels in dB(uV/m) from -1000 to 1000, e.g. 40,50,60; none")
        ->capture_default_str();
    std::string colourRange = "0/100";
    area->add_option(
            "--colour-range", colourRange,
            "MIN/MAX of the colour scale in dB(uV/m), from -1000 to 1000 and at least 1 dB wide")
        ->capture_default_str();

    try {
        app.parse(argc, argv);
        if (progressFlags.on && progressFlags.off) {
            throw fieldcast::map::UsageError("--progress and --no-progress exclude each other");
        }
        common.progress =
            progressFlags.on || (!progressFlags.off && fieldcast::map::stderrIsTerminal());
        applyGroundFlags(groundFlags, common);
        common.zone = fieldcast::map::parseTimeZone(groundFlags.timeZone);
        applyModelFlags(modelFlags, common);
        if (points->parsed()) {
            pointsOptions.plot = !noPlot;
            const fieldcast::map::OutputFormats formats =
                fieldcast::map::parsePointsFormats(pointsFormat);
            pointsOptions.csv = formats.csv;
            pointsOptions.htmlPage = formats.html;
            return fieldcast::map::runPoints(common, pointsOptions);
        }
        fieldcast::map::parseRegion(region, areaOptions);
        areaOptions.hours =
            fieldcast::map::jstHoursOfZoneHours(fieldcast::map::parseHourList(hours), common.zone);
        const fieldcast::map::OutputFormats formats = fieldcast::map::parseAreaFormats(format);
        areaOptions.format = formats.grid && formats.csv ? AreaFormat::both
                             : formats.grid              ? AreaFormat::grid
                             : formats.csv               ? AreaFormat::csv
                                                         : AreaFormat::none;
        areaOptions.htmlPage = formats.html;
        areaOptions.geotiff = formats.geotiff;
        areaOptions.geojson = formats.geojson;
        areaOptions.kml = formats.kml;
        areaOptions.maps = !noMaps;
        if (contours != "none")
            areaOptions.contourLevelsDb = fieldcast::map::parseLevelList(contours);
        if ((formats.geojson || formats.kml) && areaOptions.contourLevelsDb.empty()) {
            throw fieldcast::map::UsageError(
                "--format geojson and kml hold the contours and service areas: give --contours "
                "levels");
        }
        fieldcast::map::parseColourRange(colourRange, areaOptions);
        const bool contourLines = formats.geojson || formats.kml ||
                                  (formats.html && !areaOptions.contourLevelsDb.empty());
        fieldcast::map::checkGmtRegion(areaOptions, areaOptions.maps, formats.grid || contourLines);
        return fieldcast::map::runArea(common, areaOptions);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) {
            // the tool's own answer first: a misspelt option can make the parser take its
            // value for the data folder ("data-dir: Directory does not exist: 50"), and a word
            // that is no mode leaves it saying only that one is required
            if (!area->parsed() && !points->parsed() && nameUnknownMode(argc, argv)) {
                std::fprintf(stderr, "Run with --help for more information.\n");
                return kExitUsage;
            }
            fieldcast::tools::hintNearestOptions(area->parsed() ? *area : *points, "fieldcast-map",
                                                 argc, argv);
        }
        const int status = app.exit(e);  // prints help, or the error
        return status == 0 ? 0 : kExitUsage;
    } catch (const fieldcast::map::UsageError& e) {
        std::fprintf(stderr, "fieldcast-map: %s\nRun with --help for more information.\n",
                     e.what());
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fieldcast-map: %s\n", e.what());
        return kExitFailure;
    }
}

}  // namespace

int main(int argc, char** argv) {
    fieldcast::tools::holdClosedStandardStreams();
    fieldcast::map::catchInterrupts();
    int status = run(argc, argv);
    try {
        fieldcast::map::checkStandardOutput();
    } catch (const fieldcast::map::OutputError& e) {
        std::fprintf(stderr, "fieldcast-map: %s\n", e.what());
        if (status == 0) status = kExitFailure;
    }
    return status;
}
