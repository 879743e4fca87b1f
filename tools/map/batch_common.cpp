#include "batch_common.h"

#include <unistd.h>

#include <cstdio>

#include "gmt_maps.h"
#include "output_files.h"
#include "parallel.h"

namespace fieldcast::map {

namespace {
constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
}  // namespace

unsigned threadCount(const CommonOptions& common) {
    return common.threads == 0 ? defaultThreadCount() : common.threads;
}

RunSetup loadRunSetup(const CommonOptions& common, CoastlineResolution resolution,
                      const std::function<void(PathRegion&)>& addPaths, const GeoBox* gridBox) {
    RunSetup setup{std::make_unique<RunInputs>(), nullptr, nullptr};
    setup.inputs->model = common.model;
    if (common.ground == GroundSource::codes) {
        loadRunInputs(common.dataDir, common.overrides, *setup.inputs);
        return setup;
    }
    double txLatDeg = 0.0;
    double txLonDeg = 0.0;
    readTransmitterSite(common.dataDir, common.overrides, txLatDeg, txLonDeg);
    PathRegion region(txLatDeg, txLonDeg);
    addPaths(region);
    MaskCost cost{};
    const int landCode = common.landGroundCode;
    int txSiteCode = 0;
    std::optional<LandSeaMask> gridMask;
    LandSeaMask mask = [&] {
        const ScratchDir scratch;
        if (!common.overrides.txGroundType) {
            txSiteCode = siteIsLand(txLatDeg, txLonDeg, resolution, scratch.path()) ? landCode : 1;
        }
        const int cellArcsec = nominalCellArcsec(resolution);
        LandSeaMask paths = LandSeaMask::build(region.box(kMaskMarginDeg), resolution, cellArcsec,
                                               scratch.path(), threadCount(common), &cost);
        if (gridBox != nullptr && paths.cellDeg() * 3600.0 > cellArcsec + 0.5) {
            gridMask = LandSeaMask::build(*gridBox, resolution, cellArcsec, scratch.path(),
                                          threadCount(common));
        }
        return paths;
    }();
    setup.grounds = std::make_unique<RunGrounds>(RunGrounds{
        std::move(mask), resolution, cost, landCode, !common.overrides.txGroundType, {}, {}});
    RunGrounds& grounds = *setup.grounds;
    grounds.gridMask = std::move(gridMask);

    InputOverrides overrides = common.overrides;
    if (!overrides.txGroundType) overrides.txGroundType = txSiteCode;
    overrides.rxGroundType = landCode;  // each point sets its own; AF of land read here
    overrides.midGroundType = landCode;
    loadRunInputs(common.dataDir, overrides, *setup.inputs);
    grounds.landAfTable = setup.inputs->rxAfTable;
    requireRead(loadAfTable(common.dataDir, 1, grounds.seaAfTable));
    grounds.seaAfIsTxAf = grounds.seaAfTable == setup.inputs->txAfTable;
    grounds.landAfIsTxAf = grounds.landAfTable == setup.inputs->txAfTable;
    if (common.model.model == PropagationModel::extended) {
        setup.curves = std::make_unique<GroundWaveCurves>(loadGroundWaveCurveSet(common.dataDir));
    }
    return setup;
}

std::vector<std::unique_ptr<PointPredictor>> makePredictors(const RunSetup& setup,
                                                            unsigned threads) {
    std::vector<std::unique_ptr<PointPredictor>> predictors;
    for (unsigned w = 0; w < threads; ++w) {
        predictors.push_back(std::make_unique<PointPredictor>(*setup.inputs, setup.grounds.get(),
                                                              setup.curves.get()));
    }
    return predictors;
}

void warnOutsideFrequencyAxes(const RunInputs& inputs) {
    const std::string warning = frequencyCoverageWarning(inputs.base);
    if (!warning.empty()) std::fprintf(stderr, "fieldcast-map: warning: %s\n", warning.c_str());
}

void requireGmt(const char* withoutGmt) {
    if (!gmtAvailable()) {
        throw GmtError(std::string("the gmt program was not found (Debian packages gmt, "
                                   "gmt-gshhg-low and ghostscript); or run with ") +
                       withoutGmt);
    }
}

const char* monthName(int month) {
    return month >= 1 && month <= 12 ? kMonthNames[month - 1] : "?";
}

const char* groundName(int code) { return code == 1 ? "sea" : code == 2 ? "land" : "dry land"; }

std::string sessionName(const std::string& what) {
    return "fieldcast-map-" + std::to_string(getpid()) + "-" + what;
}

void refusePoint(const PointRefusal& refusal, const std::string& point, double latDeg,
                 double lonDeg) {
    char where[160];
    std::snprintf(where, sizeof where, " (%s at latitude %g, longitude %g, hour %d)", point.c_str(),
                  latDeg, lonDeg, refusal.hourIndex);
    throw DataError(refusal.line + where);
}

}  // namespace fieldcast::map
