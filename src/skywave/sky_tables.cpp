#include "skywave/sky_tables.h"

#include <cmath>
#include <cstdio>

#include "driver/input_files.h"
#include "lookup/interpolate_grid.h"

namespace fieldcast {

namespace {
bool load(const char* fileName, const char* openMessageName, std::span<double> cells) {
    return readNumberFile(fileName, openMessageName, cells) == ReadOutcome::ok;
}

bool loadAxis(const char* fileName, std::span<double> axis, AxisOrder order) {
    return readAxisFile(fileName, axis, order == AxisOrder::ascending) == ReadOutcome::ok;
}

// A factor multiplies the field, so only a finite one above 0 gives a field strength; a
// table cell of 0 or less, or an extrapolation past the end of an axis, can give another.
bool usableFactor(double factor, const char* fileName) {
    if (std::isfinite(factor) && factor > 0.0) return true;
    std::printf("%s gives no finite factor above 0 at this hour !!\n", fileName);
    return false;
}
}  // namespace

const char* afFileName(int groundType) {
    return groundType == 1 ? "AF1.dat" : groundType == 2 ? "AF2.dat" : "AF3.dat";
}

const char* rcxFileName(int solarActivityCode) {
    return solarActivityCode == 1 ? "RCX1.dat" : solarActivityCode == 2 ? "RCX2.dat" : "RCX3.dat";
}

bool loadFreqDistTables(PredictionState& state) {
    return loadAxis("F.dat", state.fAxis, AxisOrder::ascending) &&
           loadAxis("D.dat", state.dAxis, AxisOrder::ascending) &&
           load("FF.dat", "FF.dat", state.ffTable);
}

bool loadElevationAxis(PredictionState& state) {
    return loadAxis("PS.dat", state.psAxis, AxisOrder::descending);
}

bool loadAfTable(PredictionState& state, int groundType) {
    return load(afFileName(groundType), "AF.dat", state.afTable);
}

bool loadRcxTables(PredictionState& state, int solarActivityCode) {
    return loadAxis("CSX.dat", state.csxAxis, AxisOrder::ascending) &&
           loadAxis("FCS.dat", state.fcsAxis, AxisOrder::ascending) &&
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
    const double logFactor = interpolateGrid(
        state.fcsAxis, AxisOrder::ascending, state.csxAxis, state.rcxTable,
        state.freqCosIncidenceKhz, state.cosSolarZenith, kFcsCount - 2, kCsxCount - 1, &found);
    if (exactColumnRowInterval != nullptr) {
        *exactColumnRowInterval = found.exactColumn && !found.exactRow;
    }
    return std::pow(10.0, logFactor);
}

bool computeSkyFactors(PredictionState& state) {
    if (!loadFreqDistTables(state)) return false;
    state.ffFactor = lookupFfFactor(state);
    if (!usableFactor(state.ffFactor, "FF.dat")) return false;
    state.elevationAngle *= state.degPerRad;  // degrees until the sky-wave step
    if (!loadElevationAxis(state)) return false;
    if (!loadAfTable(state, state.txGroundType)) return false;
    state.txAfFactor = lookupAfFactor(state, state.afTable);
    if (!usableFactor(state.txAfFactor, afFileName(state.txGroundType))) return false;
    if (!loadAfTable(state, state.rxGroundType)) return false;
    state.rxAfFactor = lookupAfFactor(state, state.afTable);
    if (!usableFactor(state.rxAfFactor, afFileName(state.rxGroundType))) return false;
    if (!loadRcxTables(state, state.solarActivityCode)) return false;
    bool exactColumnRowInterval = false;
    state.rcxFactor = lookupRcxFactor(state, &exactColumnRowInterval);
    if (exactColumnRowInterval) std::printf("line4070\n");
    return usableFactor(state.rcxFactor, rcxFileName(state.solarActivityCode));
}

}  // namespace fieldcast
