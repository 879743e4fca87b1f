// Ground-wave field strength: closed form near the transmitter, curves beyond.
#pragma once

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
void setGroundWaveMvm(PredictionState& state);             // from groundWaveDb

}  // namespace fieldcast
