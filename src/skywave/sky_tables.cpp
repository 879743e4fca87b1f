#include "skywave/sky_tables.h"

#include <cmath>
#include <cstdio>

#include "driver/input_files.h"
#include "groundwave/interpolate_grid.h"

namespace fieldcast {

namespace {
bool load(const char* fileName, const char* openMessageName, std::span<double> cells) {
    return readNumberFile(fileName, openMessageName, cells) == ReadOutcome::ok;
}
}  // namespace

const char* afFileName(int groundType) {
    return groundType == 1 ? "AF1.dat" : groundType == 2 ? "AF2.dat" : "AF3.dat";
}

const char* rcxFileName(int solarActivityCode) {
    return solarActivityCode == 1 ? "RCX1.dat" : solarActivityCode == 2 ? "RCX2.dat" : "RCX3.dat";
}

bool loadFreqDistTables(PredictionState& state) {
    return load("F.dat", "F.dat", state.fAxis) && load("D.dat", "D.dat", state.dAxis) &&
           load("FF.dat", "FF.dat", state.ffTable);
}

bool loadElevationAxis(PredictionState& state) { return load("PS.dat", "PS.dat", state.psAxis); }

bool loadAfTable(PredictionState& state, int groundType) {
    return load(afFileName(groundType), "AF.dat", state.afTable);
}

bool loadRcxTables(PredictionState& state, int solarActivityCode) {
    return load("CSX.dat", "CSX.dat", state.csxAxis) &&
           load("FCS.dat", "FCS.dat", state.fcsAxis) &&
           load(rcxFileName(solarActivityCode), "RCX.dat", state.rcxTable);
}

double lookupFfFactor(const PredictionState& state) {
    return interpolateGrid(state.dAxis, AxisOrder::ascending, state.fAxis, state.ffTable,
                           state.hopRangeKm, state.freqKhz, kDCount - 2, kFCount - 1);
}

double lookupAfFactor(const PredictionState& state, std::span<const double> afTable) {
    return interpolateGrid(state.psAxis, AxisOrder::descending, state.fAxis, afTable,
                           state.elevationAngle, state.freqKhz, kPsCount - 2, kFCount - 1);
}

double lookupRcxFactor(const PredictionState& state, bool* exactColumnRowInterval) {
    GridCase found{};
    const double logFactor =
        interpolateGrid(state.fcsAxis, AxisOrder::ascending, state.csxAxis, state.rcxTable,
                        state.freqCosIncidenceKhz, state.cosSolarZenith, kFcsCount - 2,
                        kCsxCount - 1, &found);
    if (exactColumnRowInterval != nullptr) {
        *exactColumnRowInterval = found.exactColumn && !found.exactRow;
    }
    return std::pow(10.0, logFactor);
}

bool computeSkyFactors(PredictionState& state) {
    if (!loadFreqDistTables(state)) return false;
    state.ffFactor = lookupFfFactor(state);
    state.elevationAngle *= state.degPerRad;  // degrees until the sky-wave step
    if (!loadElevationAxis(state)) return false;
    if (!loadAfTable(state, state.txGroundType)) return false;
    state.txAfFactor = lookupAfFactor(state, state.afTable);
    if (!loadAfTable(state, state.rxGroundType)) return false;
    state.rxAfFactor = lookupAfFactor(state, state.afTable);
    if (!loadRcxTables(state, state.solarActivityCode)) return false;
    bool exactColumnRowInterval = false;
    state.rcxFactor = lookupRcxFactor(state, &exactColumnRowInterval);
    if (exactColumnRowInterval) std::printf("line4070\n");
    return true;
}

}  // namespace fieldcast
