#include "groundwave/ground_wave.h"

#include <cmath>

#include "lookup/interpolate_grid.h"

namespace fieldcast {

namespace {
// Outside the axes: the last distance interval, extrapolated both ways, and the ninth
// frequency row, not the last.
constexpr int kGwOutInterval = kGwDistCount - 2;
constexpr int kGwOutRow = kGwFreqCount - 2;
}  // namespace

void computeShortRangeGroundWave(PredictionState& state) {
    // a range of 0 gives an infinite field
    state.groundWaveMvm = kShortRangeFieldMvm * std::sqrt(state.txPowerKw) / state.groundRangeKm;
    state.groundWaveDb = 20.0 * std::log10(state.groundWaveMvm / 0.001);
}

double curveFieldDb(std::span<const double> gwFreqAxis, std::span<const double> gwDistAxis,
                    std::span<const double> gwCurveTable, double distanceKm, double freqKhz) {
    return interpolateGrid(gwDistAxis, AxisOrder::ascending, gwFreqAxis, gwCurveTable, distanceKm,
                           freqKhz, kGwOutInterval, kGwOutRow);
}

double lookupGroundWaveDb(const PredictionState& state) {
    return curveFieldDb(state.gwFreqAxis, state.gwDistAxis, state.gwCurveTable, state.groundRangeKm,
                        state.freqKhz) +
           powerCorrectionDb(state.txPowerKw);
}

double powerCorrectionDb(double txPowerKw) { return 10.0 * std::log10(txPowerKw); }

void setGroundWaveMvm(PredictionState& state) {
    state.groundWaveMvm = std::pow(10.0, state.groundWaveDb / 20.0) * 0.001;
}

GroundWaveOutcome computeGroundWave(PredictionState& state, bool curvesLoaded) {
    if (state.groundRangeKm <= kShortRangeLimitKm) {
        computeShortRangeGroundWave(state);
        return GroundWaveOutcome::shortRange;
    }
    if (curvesLoaded) state.groundWaveDb = lookupGroundWaveDb(state);
    setGroundWaveMvm(state);
    // finite curves can still extrapolate, or scale with the power, past any field there is
    if (!std::isfinite(state.groundWaveDb) || !std::isfinite(state.groundWaveMvm)) {
        return GroundWaveOutcome::notFinite;
    }
    return GroundWaveOutcome::fromCurves;
}

}  // namespace fieldcast
