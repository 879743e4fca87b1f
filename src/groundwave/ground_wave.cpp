#include "groundwave/ground_wave.h"

#include <cmath>
#include <cstdio>

#include "lookup/interpolate_grid.h"

namespace fieldcast {

namespace {
constexpr int kGwOutInterval = 16;  // the last distance interval: extrapolate both ways
constexpr int kGwOutRow = 8;        // the ninth frequency row, not the last
}  // namespace

void computeShortRangeGroundWave(PredictionState& state) {
    // a range of 0 gives an infinite field
    state.groundWaveMvm = kShortRangeFieldMvm * std::sqrt(state.txPowerKw) / state.groundRangeKm;
    state.groundWaveDb = 20.0 * std::log10(state.groundWaveMvm / 0.001);
}

double lookupGroundWaveDb(const PredictionState& state) {
    return interpolateGrid(state.gwDistAxis, AxisOrder::ascending, state.gwFreqAxis,
                           state.gwCurveTable, state.groundRangeKm, state.freqKhz, kGwOutInterval,
                           kGwOutRow) +
           10.0 * std::log10(state.txPowerKw);
}

void setGroundWaveMvm(PredictionState& state) {
    state.groundWaveMvm = std::pow(10.0, state.groundWaveDb / 20.0) * 0.001;
}

const char* curveFileName(int txGroundType) {
    return txGroundType == 1 ? "GW1.dat" : txGroundType == 2 ? "GW.dat" : "GW3.dat";
}

ReadOutcome loadGroundWaveCurves(PredictionState& state) {
    ReadOutcome outcome = readAxisFile("FG.dat", state.gwFreqAxis, true);
    if (outcome != ReadOutcome::ok) return outcome;
    outcome = readAxisFile("DG.dat", state.gwDistAxis, true);
    if (outcome != ReadOutcome::ok) return outcome;
    if (state.txGroundType == 1) std::printf("gotoline4970 GCT=1\n");
    // the three curve files share one "cannot open" line
    return readNumberFile(curveFileName(state.txGroundType), "GW.dat", state.gwCurveTable);
}

GroundWaveOutcome computeGroundWave(PredictionState& state) {
    if (state.groundRangeKm <= kShortRangeLimitKm) {
        computeShortRangeGroundWave(state);
        return GroundWaveOutcome::shortRange;
    }
    const ReadOutcome loaded = loadGroundWaveCurves(state);
    if (loaded == ReadOutcome::unreadable) return GroundWaveOutcome::refused;
    // a missing curve file keeps the previous hour's ground wave
    if (loaded == ReadOutcome::ok) state.groundWaveDb = lookupGroundWaveDb(state);
    setGroundWaveMvm(state);
    // finite curves can still extrapolate, or scale with the power, past any field there is
    if (!std::isfinite(state.groundWaveDb) || !std::isfinite(state.groundWaveMvm)) {
        std::printf("%s gives no finite field strength at this hour !!\n",
                    curveFileName(state.txGroundType));
        return GroundWaveOutcome::refused;
    }
    return GroundWaveOutcome::fromCurves;
}

}  // namespace fieldcast
