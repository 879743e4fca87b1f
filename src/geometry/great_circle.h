// Great-circle ground range and path midpoint on a sphere of 6360 km.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

// Sets centralAngle and groundRangeKm from txLat, txLon, rxLat, rxLon (radians).
double computeGroundRange(PredictionState& state);

// Sets midLat and midLon (radians) from centralAngle and the four coordinates.
double computePathMidpoint(PredictionState& state);

}  // namespace fieldcast
