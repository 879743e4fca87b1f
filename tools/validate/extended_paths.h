// The extended model of fieldcast-map (--model extended) on the anchors' paths: the hours of a
// path as the map tool predicts them, in the form the anchors read.
#pragma once

#include "path_prediction.h"
#include "run_inputs.h"

namespace fieldcast::validation {

// The inputs' transmitter is moved to `path.tx`. Each hour's sky wave is the power sum of every
// hop order (the ground wave left out), cosSolarZenith that of the path's midpoint as the
// core's E-layer model gives it; hopCount is 0 (orders vary by hour) and the incidence is not
// set; night is the sun at the midpoint itself. Paths of 50 km or less or beyond 12,000 km:
// std::invalid_argument; a refused hour: map::DataError with fieldcast's line.
tables::PathPrediction predictExtendedPathHours(const map::RunInputs& inputs,
                                                const tables::PathEnds& path);

// The reported field (result mode 2: with the ground wave) of every hour, dB(uV/m).
std::array<double, kHoursPerDay> extendedFieldDb(const map::RunInputs& inputs,
                                                 const tables::PathEnds& path);

// Cos(solar zenith) at a place and hour JST, the sun taken at the place itself (the core's
// E-layer model with the control point and the receiving longitude both at the place).
double cosSolarZenithAt(const map::RunInputs& inputs, tables::Site place, int hourJst);

}  // namespace fieldcast::validation
