// Ground-wave field strength: closed form near the transmitter, curves beyond.
#pragma once

#include <span>

#include "record/prediction_state.h"

namespace fieldcast {

enum class GroundWaveOutcome {
    shortRange,  // 50 km or less: closed form, the hour's sky-wave work is skipped
    fromCurves,  // over 50 km: looked up in the curves (or kept when they were not loaded)
    notFinite,   // the curves extrapolate, or scale with the power, beyond any field
};

// The hour's step on the curves in the record: the closed form at 50 km or less, else the
// lookup with the power correction and the mV/m value. With `curvesLoaded` false (a curve
// file could not be opened) groundWaveDb keeps the value of the hour before.
GroundWaveOutcome computeGroundWave(PredictionState& state, bool curvesLoaded = true);

// Its parts.
void computeShortRangeGroundWave(PredictionState& state);  // groundRangeKm <= 50
double lookupGroundWaveDb(const PredictionState& state);   // curves + power correction
// The curves are for 1 kW: what a power of txPowerKw adds to them, 10 log10(P / 1 kW).
double powerCorrectionDb(double txPowerKw);
void setGroundWaveMvm(PredictionState& state);  // from groundWaveDb

// The field of one curve table (kGwFreqCount rows by kGwDistCount columns) for 1 kW,
// dB(uV/m), by the curves' lookup: outside the axes the last distance interval, extrapolated
// both ways, and the ninth frequency row, not the last. lookupGroundWaveDb is this on the
// record's curves, with the power correction.
double curveFieldDb(std::span<const double> gwFreqAxis, std::span<const double> gwDistAxis,
                    std::span<const double> gwCurveTable, double distanceKm, double freqKhz);

}  // namespace fieldcast
