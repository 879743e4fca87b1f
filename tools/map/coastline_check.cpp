// fieldcast-coastline-check: what the land/sea mask costs, and how the mixed-path ground wave
// converges with the sampling step along the path. Prints tables; writes no file outside a
// scratch folder of its own, which it removes.
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "batch_options.h"
#include "coastline_mask.h"
#include "geometry/great_circle.h"
#include "mixed_path.h"
#include "number_option.h"
#include "output_files.h"
#include "parallel.h"
#include "parser_messages.h"

namespace {

using fieldcast::map::CoastlineResolution;
using fieldcast::map::GeoBox;
using fieldcast::map::LandSeaMask;

// The region as fieldcast-map's --region takes it: west < east, south < north, within the globe.
GeoBox parseBox(const std::string& text) {
    fieldcast::map::AreaOptions area;
    try {
        fieldcast::map::parseRegion(text, area);
    } catch (const fieldcast::map::UsageError& e) {
        throw CLI::ValidationError("-R", e.what());
    }
    return {area.lonMinDeg, area.lonMaxDeg, area.latMinDeg, area.latMaxDeg};
}

using fieldcast::map::numberIn;

CoastlineResolution parseResolution(const std::string& text) {
    const auto r = fieldcast::map::parseCoastlineResolution(text);
    if (!r) throw CLI::ValidationError("--resolution", "c, l, i, h or f");
    return *r;
}

double groundRangeKm(double txLatDeg, double txLonDeg, double rxLatDeg, double rxLonDeg) {
    auto state = std::make_unique<fieldcast::PredictionState>();
    state->txLat = txLatDeg * fieldcast::kRadPerDeg;
    state->txLon = txLonDeg * fieldcast::kRadPerDeg;
    state->rxLat = rxLatDeg * fieldcast::kRadPerDeg;
    state->rxLon = rxLonDeg * fieldcast::kRadPerDeg;
    return fieldcast::computeGroundRange(*state);
}

int maskCost(const std::string& region, const std::string& resolutionText, int cellArcsec,
             unsigned threads) {
    const CoastlineResolution resolution = parseResolution(resolutionText);
    const GeoBox box = parseBox(region);
    if (cellArcsec <= 0) cellArcsec = fieldcast::map::nominalCellArcsec(resolution);
    const fieldcast::map::ScratchDir scratch;
    fieldcast::map::MaskCost cost{};
    const LandSeaMask mask =
        LandSeaMask::build(box, resolution, cellArcsec, scratch.path(), threads, &cost);
    long land = 0;
    for (int r = 0; r < mask.latCount(); ++r) {
        for (int i = 0; i < mask.lonCount(); ++i) {
            land += mask.isLand(mask.southDeg() + r * mask.cellDeg(),
                                mask.westDeg() + i * mask.cellDeg());
        }
    }
    const double nodes = static_cast<double>(mask.lonCount()) * mask.latCount();
    std::printf("region %s, %s resolution (%s)\n", region.c_str(),
                fieldcast::map::coastlineResolutionName(resolution),
                fieldcast::map::coastlinePackage(resolution));
    std::printf("cell %.0f arc-seconds, %d x %d nodes, %.1f%% land\n", mask.cellDeg() * 3600.0,
                mask.lonCount(), mask.latCount(), 100.0 * land / nodes);
    std::printf("mask seconds: %.2f\n", cost.seconds);
    std::printf("gmt peak MB: %.0f (each of up to %u side by side)\n", cost.gmtPeakMb, threads);
    std::printf("mask in memory MB: %.2f\n", static_cast<double>(mask.memoryBytes()) / 1048576.0);
    return 0;
}

int convergence(const std::filesystem::path& dataDir, const std::string& region, double txLatDeg,
                double txLonDeg, double freqKhz, int landCode, const std::string& resolutionText,
                int paths, unsigned threads) {
    const CoastlineResolution resolution = parseResolution(resolutionText);
    const GeoBox area = parseBox(region);

    // The paths first: a region with too few points in reach of the transmitter is refused
    // before gmt is run, rather than drawn from for ever.
    struct Path {
        double latDeg, lonDeg, lengthKm;
    };
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> lat(area.southDeg, area.northDeg);
    std::uniform_real_distribution<double> lon(area.westDeg, area.eastDeg);
    std::vector<Path> chosen;
    const long maxDraws = 1000L * paths;
    for (long draw = 0; static_cast<int>(chosen.size()) < paths; ++draw) {
        if (draw == maxDraws) {
            throw CLI::ValidationError(
                "-R", "only " + std::to_string(chosen.size()) + " of " + std::to_string(maxDraws) +
                          " random points of " + region +
                          " lie over 50 km and up to 4000 km from the transmitter, " +
                          std::to_string(paths) + " paths asked");
        }
        const Path p{lat(random), lon(random), 0.0};
        const double km = groundRangeKm(txLatDeg, txLonDeg, p.latDeg, p.lonDeg);
        if (km > fieldcast::kShortRangeLimitKm && km <= fieldcast::kMaxRangeKm)
            chosen.push_back({p.latDeg, p.lonDeg, km});
    }

    const fieldcast::map::GroundWaveCurves curves = fieldcast::map::loadGroundWaveCurveSet(dataDir);
    fieldcast::map::PathRegion pathRegion(txLatDeg, txLonDeg);
    const int edge = 41;
    pathRegion.addGridPaths(area.westDeg, area.southDeg, (area.eastDeg - area.westDeg) / (edge - 1),
                            edge, 1);
    pathRegion.addGridPaths(area.westDeg, area.southDeg,
                            (area.northDeg - area.southDeg) / (edge - 1), 1, edge);
    pathRegion.addPath(area.northDeg, area.eastDeg);
    const fieldcast::map::ScratchDir scratch;
    fieldcast::map::MaskCost cost{};
    const LandSeaMask mask = LandSeaMask::build(pathRegion.box(0.1), resolution,
                                                fieldcast::map::nominalCellArcsec(resolution),
                                                scratch.path(), threads, &cost);
    std::printf(
        "%s resolution, cell %.0f arc-seconds (%.2f s); transmitter %g N %g E, %g kHz, "
        "land code %d, %d paths to random points of %s up to 4000 km\n",
        fieldcast::map::coastlineResolutionName(resolution), mask.cellDeg() * 3600.0, cost.seconds,
        txLatDeg, txLonDeg, freqKhz, landCode, paths, region.c_str());
    const auto fields = [&](double stepKm, double& seconds) {
        std::vector<double> db(chosen.size());
        const auto start = std::chrono::steady_clock::now();
        fieldcast::map::runParallel(
            chosen.size(), threads,
            [&](std::size_t i, unsigned) {
                db[i] = fieldcast::map::mixedPathFieldDb(
                    curves, mask, landCode, freqKhz, txLatDeg, txLonDeg, chosen[i].latDeg,
                    chosen[i].lonDeg, chosen[i].lengthKm, stepKm);
            },
            nullptr);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return db;
    };
    double seconds = 0.0;
    const double referenceStepKm = 0.05;
    const std::vector<double> reference = fields(referenceStepKm, seconds);
    std::printf("| step km | max abs diff dB | RMS diff dB | paths over 0.1 dB | us per path |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (double stepKm : {16.0, 8.0, 4.0, 2.0, 1.0, 0.5, 0.25}) {
        const std::vector<double> db = fields(stepKm, seconds);
        double worst = 0.0;
        double sumSquares = 0.0;
        int over = 0;
        for (std::size_t i = 0; i < db.size(); ++i) {
            const double d = std::fabs(db[i] - reference[i]);
            worst = std::max(worst, d);
            sumSquares += d * d;
            over += d > 0.1;
        }
        std::printf("| %g | %.3f | %.4f | %d | %.0f |\n", stepKm, worst,
                    std::sqrt(sumSquares / static_cast<double>(db.size())), over,
                    1e6 * seconds * threads / static_cast<double>(db.size()));
    }
    std::printf("(against a step of %g km)\n", referenceStepKm);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "fieldcast-coastline-check: the land/sea mask's cost and the mixed-path "
        "ground wave's convergence"};
    fieldcast::tools::nameParserMessages(app, "fieldcast-coastline-check");
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 after a complete check, 1 when an input is refused or gmt fails, 2 for a "
        "usage error, 130, 143 or 129 when interrupted (SIGINT, SIGTERM, SIGHUP).");
    unsigned threads = fieldcast::map::defaultThreadCount();
    std::string region = "115/155/20/50";
    std::string resolution = "f";

    CLI::App* cost = app.add_subcommand("mask-cost", "build one mask and print its cost");
    int cellArcsec = 0;
    cost->add_option("-R,--region", region, "WEST/EAST/SOUTH/NORTH")->capture_default_str();
    cost->add_option("--resolution", resolution, "c, l, i, h or f")->capture_default_str();
    cost->add_option("--cell-arcsec", cellArcsec,
                     "mask cell in arc-seconds (default: the resolution's)")
        ->check(numberIn({1, 3600, false, true}));
    cost->add_option("-j,--threads", threads, "grdlandmask runs side by side")
        ->check(numberIn({1, 1024, false, true}));

    CLI::App* conv = app.add_subcommand(
        "convergence", "the mixed-path field at several sampling steps against a fine one");
    std::filesystem::path dataDir = ".";
    double txLatDeg = 36.0;
    double txLonDeg = 140.0;
    double freqKhz = 100.0;
    int landCode = 2;
    int paths = 400;
    std::string convResolution = "i";
    conv->add_option("data-dir", dataDir,
                     "folder of FG.dat, DG.dat and the GW curves (default: the working folder)")
        ->check(CLI::ExistingDirectory);
    conv->add_option("-R,--region", region,
                     "WEST/EAST/SOUTH/NORTH, the area of the receiving points")
        ->capture_default_str();
    conv->add_option("--tx-lat", txLatDeg, "transmitter latitude in degrees")
        ->check(numberIn({fieldcast::kMinLatitudeDeg, fieldcast::kMaxLatitudeDeg}))
        ->capture_default_str();
    conv->add_option("--tx-lon", txLonDeg, "transmitter longitude in degrees")
        ->check(numberIn({fieldcast::kMinLongitudeDeg, fieldcast::kMaxLongitudeDeg}))
        ->capture_default_str();
    conv->add_option("--freq-khz", freqKhz, "frequency in kHz")
        ->check(numberIn({0.0, HUGE_VAL, true}))
        ->capture_default_str();
    conv->add_option("--land-ground", landCode, "the code of land: 2 land, 3 dry land")
        ->check(numberIn({2, 3, false, true}))
        ->capture_default_str();
    conv->add_option("--resolution", convResolution, "c, l, i, h or f")->capture_default_str();
    conv->add_option("--paths", paths, "random receiving points, each a path from the transmitter")
        ->check(numberIn({1, 100000, false, true}))
        ->capture_default_str();
    conv->add_option("-j,--threads", threads, "worker threads (default: one per core)")
        ->check(numberIn({1, 1024, false, true}));

    // an interrupted run stops gmt and removes its scratch folder with gmt's sessions
    fieldcast::map::catchInterrupts("fieldcast-coastline-check");
    try {
        app.parse(argc, argv);
        if (cost->parsed()) return maskCost(region, resolution, cellArcsec, threads);
        return convergence(dataDir, region, txLatDeg, txLonDeg, freqKhz, landCode, convResolution,
                           paths, threads);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fieldcast-coastline-check: %s\n", e.what());
        return 1;
    }
}
