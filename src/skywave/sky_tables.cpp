#include "skywave/sky_tables.h"

#include <cmath>

#include "lookup/interpolate_grid.h"

namespace fieldcast {

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

}  // namespace fieldcast
