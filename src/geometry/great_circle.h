// Great-circle ground range and path midpoint on a sphere of 6360 km.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

// Sets centralAngle and groundRangeKm from txLat, txLon, rxLat, rxLon (radians).
double computeGroundRange(PredictionState& state);

// Sets midLat and midLon (radians) from centralAngle and the four coordinates.
double computePathMidpoint(PredictionState& state);

// The point at `fraction` (0 to 1) of the way along the shorter great circle from (lat1,
// lon1) to (lat2, lon2), all radians; the longitude within -pi..pi. Coincident or antipodal
// ends give the first point.
void greatCirclePoint(double lat1, double lon1, double lat2, double lon2, double fraction,
                      double& lat, double& lon);

}  // namespace fieldcast
