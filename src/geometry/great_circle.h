// Great-circle ground range and path midpoint on a sphere of 6360 km.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

// Sets centralAngle and groundRangeKm from txLat, txLon, rxLat, rxLon (radians).
double computeGroundRange(PredictionState& state);

// Sets midLat and midLon (radians) from centralAngle and the four coordinates.
double computePathMidpoint(PredictionState& state);

// Where a great circle that leaves latitude `lat` at `bearingRad` (east of north) arrives after
// `distanceKm` on the sphere of the ground range: its latitude and its longitude east of the
// start, radians (the inverse of computeGroundRange, for a caller that places the receiving
// point at a range).
struct GreatCircleStep {
    double lat;
    double lonOffset;
};
GreatCircleStep stepAlongGreatCircle(double lat, double distanceKm, double bearingRad);

// The shorter great circle from (lat1, lon1) to (lat2, lon2), radians, for points along it:
// the start point turned towards the end by an angle. Coincident or antipodal ends give an
// arc of angle 0 (its every point is the start).
class GreatCircleArc {
  public:
    GreatCircleArc(double lat1, double lon1, double lat2, double lon2);
    double angle() const { return angle_; }  // central angle, radians
    // the point at `fraction` (0 to 1) of the way; the longitude within -pi..pi
    void at(double fraction, double& lat, double& lon) const;
    // the point at the angle from the start whose cosine and sine are given (a caller that
    // steps along the arc turns these by a fixed step instead of evaluating them anew)
    void atAngle(double cosAngle, double sinAngle, double& lat, double& lon) const;

  private:
    double a_[3];  // the start as a unit vector
    double w_[3];  // the unit vector at right angles to it, in the plane of the arc
    double angle_;
};

// The point at `fraction` (0 to 1) of the way along the shorter great circle from (lat1,
// lon1) to (lat2, lon2), all radians; the longitude within -pi..pi. Coincident or antipodal
// ends give the first point.
void greatCirclePoint(double lat1, double lon1, double lat2, double lon2, double fraction,
                      double& lat, double& lon);

}  // namespace fieldcast
