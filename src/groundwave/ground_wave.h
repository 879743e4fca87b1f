// Ground-wave field strength: closed form near the transmitter, curves beyond.
#pragma once

#include "driver/input_files.h"
#include "record/prediction_state.h"

namespace fieldcast {

enum class GroundWaveOutcome {
    shortRange,  // 50 km or less: closed form, the hour's sky-wave work is skipped
    fromCurves,  // over 50 km: looked up in the curves (or kept when a file is missing)
    refused,     // a curve file was short or out of order, or gave no finite field: the
                 // run ends
};

// The hour's step: the closed form, or the curves loaded and looked up.
GroundWaveOutcome computeGroundWave(PredictionState& state);

// "GW1.dat", "GW.dat" or "GW3.dat" by the ground type at the transmitter.
const char* curveFileName(int txGroundType);

// Reads "FG.dat", "DG.dat" and the curve file of txGroundType. A missing file prints its
// line and gives cannotOpen (the hour goes on with the previous ground wave); a short file
// gives unreadable (the run ends).
ReadOutcome loadGroundWaveCurves(PredictionState& state);

// Arithmetic on the record alone.
void computeShortRangeGroundWave(PredictionState& state);  // groundRangeKm <= 50
double lookupGroundWaveDb(const PredictionState& state);   // curves + power correction
void setGroundWaveMvm(PredictionState& state);             // from groundWaveDb

}  // namespace fieldcast
