// The four lookups of the hour on the sky-wave tables in the record.
#pragma once

#include <span>

#include "record/prediction_state.h"

namespace fieldcast {

// A column value outside its axis takes the axis' last interval; a row value outside its axis
// takes the last row.
double lookupFfFactor(const PredictionState& state);  // hopRangeKm, freqKhz
// elevationAngle in degrees, freqKhz, on the given AF table (kFCount x kPsCount): the record
// holds one AF file at a time, and the hour looks up the one of each end
double lookupAfFactor(const PredictionState& state, std::span<const double> afTable);
// 10 to the looked-up log10; `exactColumnRowInterval` tells whether f cos(i) met an axis
// value while cos(zenith) fell inside an interval.
double lookupRcxFactor(const PredictionState& state, bool* exactColumnRowInterval = nullptr);

}  // namespace fieldcast
