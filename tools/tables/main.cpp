// fieldcast-tables: computes the ground-wave curves and sky-wave tables that fieldcast reads.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "batch_options.h"
#include "data_set_bands.h"
#include "ground_wave_curve.h"
#include "number_option.h"
#include "parser_messages.h"
#include "record/file_names.h"
#include "standard_streams.h"
#include "table_set.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// Beyond these a ground's curves leave the range where their series converge: no soil or
// water comes near them (sea water: 80 and 5 S/m).
constexpr double kMaxPermittivity = 1e6;
constexpr double kMaxConductivitySm = 1e4;

struct Options {
    std::string outputDir;
    bool csv = false;
    double groundPermittivity = 0.0;  // relative
    double groundConductivitySm = 0.0;
    std::string groundFile = "GWU.dat";
    std::string band = "lf";
    fieldcast::tables::NightDesign night;
};

// A user-ground file name must be a plain name, as it is written into the output directory,
// and name no file that a run may find there: neither a scenario file (a data set is often
// written beside one) nor a file of the data set nor a report of fieldcast nor the run's work
// folder, and its CSV copy (the name with .csv) none of the data set's copies.
std::string checkGroundFileName(const std::string& name) {
    const std::filesystem::path path(name);
    if (name.empty() || path.has_parent_path() || path.filename() != path || name == "." ||
        name == "..") {
        return "must be a file name without a directory: " + name;
    }
    // the curve file could not replace the folder that the set is written in
    if (name == fieldcast::tables::kWorkEntry) return "is the folder a run writes in: " + name;
    for (const char* scenario : fieldcast::kScenarioFileNames) {
        if (name == scenario) return "is a scenario file: " + name;
    }
    if (fieldcast::tables::isDataSetFileName(name)) return "is a file of the data set: " + name;
    // a report of fieldcast in the folder: QZresult-<index>.txt
    const std::string_view prefix = fieldcast::kReportFilePrefix;
    const std::string_view suffix = fieldcast::kReportFileSuffix;
    if (name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
        name.ends_with(suffix) &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()),
                    name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return "is a report of fieldcast: " + name;
    }
    const std::filesystem::path copy = std::filesystem::path(name).replace_extension(".dat");
    if (fieldcast::tables::isDataSetFileName(copy.string())) {
        return "would share its CSV copy " + path.stem().string() + ".csv with " + copy.string() +
               ": " + name;
    }
    return {};
}

using fieldcast::map::numberIn;

// "the band of the data set: lf (20-300 kHz, as data/default) or mf (150-1700 kHz, as
// data/mf)", from the bands themselves
std::string bandHelp() {
    const auto band = [](const fieldcast::DataSetBand& set) {
        char text[128];
        std::snprintf(text, sizeof text, "%.*s (%g-%g kHz, as %.*s)",
                      static_cast<int>(set.name.size()), set.name.data(), set.lowKhz, set.highKhz,
                      static_cast<int>(set.folder.size()), set.folder.data());
        return std::string(text);
    };
    return "the band of the data set: " + band(fieldcast::kLfDataSet) + " or " +
           band(fieldcast::kMfDataSet);
}

}  // namespace

int main(int argc, char** argv) {
    fieldcast::tools::holdClosedStandardStreams();
    using namespace fieldcast::tables;
    Options options;
    CLI::App app{
        "Computes the ground-wave curves (FG, DG, GW1, GW, GW3) and sky-wave tables (F, D, FF, "
        "PS, AF1-3, CSX, FCS, RCX1-3) that fieldcast reads, as .dat files in DIR, for the LF or "
        "the MF band."};
    fieldcast::tools::nameParserMessages(app, "fieldcast-tables");
    app.footer(
        "Exit status: 0 when every file was written, 1 when the folder or a file could not be "
        "(the set that was there stays) or another run is writing into it, 2 for a usage error, "
        "130, 143 or 129 when interrupted (SIGINT, SIGTERM, SIGHUP; the set that was there "
        "stays).");
    app.add_option("-o,--output-dir", options.outputDir,
                   "directory to write into (created if missing)")
        ->type_name("DIR")
        ->required()
        ->check(CLI::Validator(
            [](std::string& text) {
                return text.empty() ? std::string("a folder name is needed") : std::string();
            },
            ""));
    app.add_option("--band", options.band, bandHelp())
        ->type_name("BAND")
        ->check(CLI::IsMember(
            {std::string(fieldcast::kLfDataSet.name), std::string(fieldcast::kMfDataSet.name)}))
        ->capture_default_str();
    app.add_option("--geomagnetic-latitude", options.night.geomagneticLatitudeDeg,
                   "geomagnetic latitude of the region the sky-wave tables are made for, "
                   "degrees (the night absorption grows with it)")
        ->type_name("DEG")
        ->check(numberIn({fieldcast::kMinLatitudeDeg, fieldcast::kMaxLatitudeDeg}))
        ->capture_default_str();
    app.add_option("--solar-cycle-loss", options.night.solarCycleLossDb,
                   "night loss per 100 sunspots per 1000 km of slant path in that region, dB: 4 in "
                   "North America, 1 in Europe and Australia, 0 elsewhere")
        ->type_name("DB")
        ->check(numberIn({0.0, 100.0}))
        ->capture_default_str();
    app.add_flag("--csv", options.csv,
                 "also write a CSV copy of every file, with headers and units");
    CLI::Option* permittivity =
        app.add_option("--ground-permittivity", options.groundPermittivity,
                       "also write a ground-wave curve file for a ground of this relative "
                       "permittivity (at least 1); needs --ground-conductivity")
            ->type_name("EPS")
            ->check(numberIn({1.0, kMaxPermittivity}));
    CLI::Option* conductivity =
        app.add_option("--ground-conductivity", options.groundConductivitySm,
                       "conductivity of that ground, S/m (above 0; a ground next to free space, "
                       "permittivity 1 with almost no conductivity, has no curves)")
            ->type_name("S_PER_M")
            ->check(numberIn({0.0, kMaxConductivitySm, true}));
    permittivity->needs(conductivity);
    conductivity->needs(permittivity);
    app.add_option("--ground-file", options.groundFile,
                   "file name of that ground's curves (default GWU.dat)")
        ->type_name("NAME")
        ->check(CLI::Validator(checkGroundFileName, ""))
        ->needs(permittivity);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e);
        // the help that did not reach standard output (a full disk) is a failure
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            std::fprintf(stderr, "fieldcast-tables: standard output: write failed\n");
            return kExitFailure;
        }
        return 0;
    } catch (const CLI::ParseError& e) {
        // the misspelling first: the parser's own message may only be its consequence
        fieldcast::tools::hintNearestOptions(app, "fieldcast-tables", argc, argv);
        app.exit(e);
        return kExitUsage;
    }

    // checks that join several options: a usage error too
    const auto refuse = [](const std::string& message) {
        std::fprintf(stderr, "fieldcast-tables: %s\nRun with --help for more information.\n",
                     message.c_str());
        return kExitUsage;
    };
    const BandAxes& axes = *bandAxes(options.band);
    if (permittivity->count() > 0) {
        // a curve file named .csv and its CSV copy would be one file
        if (options.csv && std::filesystem::path(options.groundFile).extension() == ".csv") {
            return refuse("--ground-file: " + options.groundFile +
                          " would be overwritten by its own CSV copy (--csv); name it .dat");
        }
        // next to free space the curvature term's 1/q^3 turns rounding into curves of NaN
        const fieldcast::Ground ground{options.groundPermittivity, options.groundConductivitySm};
        for (double freqKhz : axes.gwFreqAxisKhz) {
            if (!groundWaveCurveConverges(ground, freqKhz)) {
                return refuse("--ground-permittivity " + permittivity->as<std::string>() +
                              " with --ground-conductivity " + conductivity->as<std::string>() +
                              ": this ground is too near free space for its ground-wave "
                              "curves to converge; give it a higher permittivity or "
                              "conductivity");
            }
        }
        // written, as asked, but not passed off as a ground's: the frequencies where the
        // method no longer holds are said on standard error
        std::vector<double> outside;
        for (double freqKhz : axes.gwFreqAxisKhz) {
            if (!groundWaveCurveHolds(ground, freqKhz)) outside.push_back(freqKhz);
        }
        if (!outside.empty()) {
            char range[64];
            if (outside.size() == 1) {
                std::snprintf(range, sizeof range, "%g kHz", outside.front());
            } else {
                std::snprintf(range, sizeof range, "%g-%g kHz", outside.front(), outside.back());
            }
            std::fprintf(stderr,
                         "fieldcast-tables: warning: --ground-permittivity %s with "
                         "--ground-conductivity %s: at %s its complex permittivity is below %g "
                         "in magnitude, where the ground-wave method no longer holds: the field "
                         "of %s comes out stronger than over a ground of higher permittivity, "
                         "not weaker; its curves there are no real ground's\n",
                         permittivity->as<std::string>().c_str(),
                         conductivity->as<std::string>().c_str(), range,
                         kMinCurvePermittivityMagnitude, options.groundFile.c_str());
        }
    }

    catchInterrupts();
    try {
        const std::filesystem::path dir(options.outputDir);
        std::error_code error;
        // a broken link, rather than create_directories' "File exists"
        if (std::filesystem::is_symlink(dir, error) && !std::filesystem::exists(dir, error)) {
            std::fprintf(
                stderr, "fieldcast-tables: %s: a symbolic link to %s, which does not exist\n",
                options.outputDir.c_str(), std::filesystem::read_symlink(dir, error).c_str());
            return kExitFailure;
        }
        std::filesystem::create_directories(dir, error);
        if (error) {
            std::fprintf(stderr, "fieldcast-tables: %s: cannot create the folder (%s)\n",
                         options.outputDir.c_str(), error.message().c_str());
            return kExitFailure;
        }
        checkNoRunWritesInto(dir);
        std::vector<TableFile> files = computeDataSet(axes, options.night);
        if (permittivity->count() > 0) {
            files.push_back(groundWaveFile(
                options.groundFile,
                fieldcast::Ground{options.groundPermittivity, options.groundConductivitySm}, axes));
        }
        // every file into a work folder first, then all renamed: a run that fails or is
        // interrupted leaves the data set that was there
        writeDataSet(files, options.csv, dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fieldcast-tables: %s\n", e.what());
        return kExitFailure;
    }
    return 0;
}
