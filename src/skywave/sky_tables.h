// Sky-wave coefficient tables: loading the files, and the four lookups of the hour.
#pragma once

#include <span>

#include "record/prediction_state.h"

namespace fieldcast {

// Loaders: each prints its line and returns false when a file cannot be opened or is short.
bool loadFreqDistTables(PredictionState& state);           // "F.dat", "D.dat", "FF.dat"
bool loadElevationAxis(PredictionState& state);            // "PS.dat"
bool loadAfTable(PredictionState& state, int groundType);  // "AF1.dat", "AF2.dat", "AF3.dat"
bool loadRcxTables(PredictionState& state, int solarActivityCode);  // "CSX.dat", "FCS.dat", RCX

// File of a group chosen by a code: 1 and 2 the first two, any other value the third.
const char* afFileName(int groundType);
const char* rcxFileName(int solarActivityCode);

// Lookups on tables already in memory. A column value outside its axis takes the axis' last
// interval; a row value outside its axis takes the last row.
double lookupFfFactor(const PredictionState& state);  // hopRangeKm, freqKhz
// elevationAngle in degrees, freqKhz, on the given AF table (8 x 12)
double lookupAfFactor(const PredictionState& state, std::span<const double> afTable);
// 10 to the looked-up log10; `exactColumnRowInterval` tells whether f cos(i) met an axis
// value while cos(zenith) fell inside an interval.
double lookupRcxFactor(const PredictionState& state, bool* exactColumnRowInterval = nullptr);

// The hour's step, loads interleaved with lookups:
// F, D, FF, FF lookup, elevation to degrees, PS, transmitter AF and its lookup, receiver AF
// and its lookup, CSX, FCS, RCX and its lookup. Returns false when the run must end.
bool computeSkyFactors(PredictionState& state);

}  // namespace fieldcast
