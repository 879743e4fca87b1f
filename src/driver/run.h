// The prediction run: the receiver pass and its 24 hours.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

constexpr int kExitComplete = 0;
// a file could not be opened, its content was refused, or the report could not be written
constexpr int kExitEarlyEnd = 1;

// One receiver pass for the first entry of "LATRLONR.dat", hours 0 to 23, then the closing
// notice. Returns the exit status; every file the run opened is closed on return. The key
// wait is left to the caller.
int runPrediction(PredictionState& state);

// One hour of the pass. Returns false when the run must end (its line printed).
bool runHour(PredictionState& state);

// Reads one key without echo when standard input is a terminal; returns at once otherwise.
void waitForKey();

}  // namespace fieldcast
