#include "groundwave/ground_wave.h"

#include <cmath>
#include <cstdio>

#include "groundwave/interpolate_grid.h"

namespace fieldcast {

namespace {
constexpr int kGwOutInterval = 16;  // the last distance interval: extrapolate both ways
constexpr int kGwOutRow = 8;        // the ninth frequency row, not the last
}  // namespace

void computeShortRangeGroundWave(PredictionState& state) {
    // 271.607 mV/m at 1 km for 1 kW; a range of 0 gives an infinite field
    state.groundWaveMvm = 271.607 * std::sqrt(state.txPowerKw) / state.groundRangeKm;
    state.groundWaveDb = 20.0 * std::log10(state.groundWaveMvm / 0.001);
}

double lookupGroundWaveDb(const PredictionState& state) {
    return interpolateGrid(state.gwDistAxis, AxisOrder::ascending, state.gwFreqAxis,
                           state.gwCurveTable, state.groundRangeKm, state.freqKhz,
                           kGwOutInterval, kGwOutRow) +
           10.0 * std::log10(state.txPowerKw);
}

void setGroundWaveMvm(PredictionState& state) {
    state.groundWaveMvm = std::pow(10.0, state.groundWaveDb / 20.0) * 0.001;
}

ReadOutcome loadGroundWaveCurves(PredictionState& state) {
    ReadOutcome outcome = readNumberFile("FG.dat", "FG.dat", state.gwFreqAxis);
    if (outcome != ReadOutcome::ok) return outcome;
    outcome = readNumberFile("DG.dat", "DG.dat", state.gwDistAxis);
    if (outcome != ReadOutcome::ok) return outcome;
    const char* curveFile = "GW3.dat";
    if (state.txGroundType == 1) {
        std::printf("gotoline4970 GCT=1\n");
        curveFile = "GW1.dat";
    } else if (state.txGroundType == 2) {
        curveFile = "GW.dat";
    }
    // the three curve files share one "cannot open" line
    return readNumberFile(curveFile, "GW.dat", state.gwCurveTable);
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
    return GroundWaveOutcome::fromCurves;
}

}  // namespace fieldcast
