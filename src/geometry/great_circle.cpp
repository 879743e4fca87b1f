#include "geometry/great_circle.h"

#include <algorithm>
#include <cmath>

namespace fieldcast {

double computeGroundRange(PredictionState& state) {
    double dLon = std::fabs(state.txLon - state.rxLon);
    if (dLon > kPi) dLon = kTwoPi - dLon;  // the short way round; exactly pi stays
    double x = std::cos(dLon) * (std::cos(state.rxLat) * std::cos(state.txLat)) +
               std::sin(state.rxLat) * std::sin(state.txLat);  // cos(central angle)
    // Coincident points can round x just above 1: keep it a cosine, so the range is 0.
    x = std::clamp(x, -1.0, 1.0);
    double angle = std::atan(std::sqrt(1.0 - x * x) / x);  // x = 0 gives atan(inf) = pi/2
    if (x < 0.0) angle += kPi;
    state.centralAngle = angle;
    state.groundRangeKm = angle * kRangeEarthRadiusKm;
    return state.groundRangeKm;
}

double computePathMidpoint(PredictionState& state) {
    const double theta = state.centralAngle;
    const double lat1 = state.txLat;
    const double lat2 = state.rxLat;
    // sine of the midpoint latitude: the transmitter's cos(lat) is multiplied in, then out
    double s = std::sin(lat1) * std::cos(theta / 2.0) +
               ((std::sin(lat2) - std::cos(theta) * std::sin(lat1)) *
                (std::cos(lat1) * std::sin(theta / 2.0)) / std::cos(lat1)) /
                   std::sin(theta);
    s = std::clamp(s, -1.0, 1.0);  // rounding near a pole must not leave a NaN cosine
    const double c = std::sqrt(1.0 - s * s);
    if (s > 0.0) {
        state.midLat = kHalfPi - std::atan(c / s);
    } else if (s < 0.0) {
        state.midLat = -kHalfPi - std::atan(c / s);
    } else {
        state.midLat = 0.0;
    }
    // cosine of the longitude offset between transmitter and midpoint
    double k = (std::cos(theta / 2.0) - std::sin(lat1) * std::sin(state.midLat)) /
               std::cos(state.midLat) / std::cos(lat1);
    k = std::clamp(k, -1.0, 1.0);
    // No quadrant correction: a negative k gives a negative offset.
    const double offset = std::atan(std::sqrt(1.0 - k * k) / k);
    // Direction from the raw longitudes; the result is not wrapped.
    state.midLon = state.txLon > state.rxLon ? state.txLon - offset : state.txLon + offset;
    return state.midLon;
}

void greatCirclePoint(double lat1, double lon1, double lat2, double lon2, double fraction,
                      double& lat, double& lon) {
    const double ax = std::cos(lat1) * std::cos(lon1);
    const double ay = std::cos(lat1) * std::sin(lon1);
    const double az = std::sin(lat1);
    const double bx = std::cos(lat2) * std::cos(lon2);
    const double by = std::cos(lat2) * std::sin(lon2);
    const double bz = std::sin(lat2);
    const double c = std::clamp(ax * bx + ay * by + az * bz, -1.0, 1.0);
    // the part of b at right angles to a, as a unit vector
    double wx = bx - c * ax;
    double wy = by - c * ay;
    double wz = bz - c * az;
    const double norm = std::sqrt(wx * wx + wy * wy + wz * wz);
    if (!(norm > 1e-15)) {
        lat = lat1;
        lon = lon1;
        return;
    }
    wx /= norm;
    wy /= norm;
    wz /= norm;
    const double angle = std::atan2(norm, c) * fraction;
    const double px = std::cos(angle) * ax + std::sin(angle) * wx;
    const double py = std::cos(angle) * ay + std::sin(angle) * wy;
    const double pz = std::cos(angle) * az + std::sin(angle) * wz;
    lat = std::asin(std::clamp(pz, -1.0, 1.0));
    lon = std::atan2(py, px);
}

}  // namespace fieldcast
