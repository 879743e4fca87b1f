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

GreatCircleStep stepAlongGreatCircle(double lat, double distanceKm, double bearingRad) {
    const double delta = distanceKm / kRangeEarthRadiusKm;  // central angle
    const double lat2 = std::asin(std::sin(lat) * std::cos(delta) +
                                  std::cos(lat) * std::sin(delta) * std::cos(bearingRad));
    const double lonOffset = std::atan2(std::sin(bearingRad) * std::sin(delta) * std::cos(lat),
                                        std::cos(delta) - std::sin(lat) * std::sin(lat2));
    return {lat2, lonOffset};
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

GreatCircleArc::GreatCircleArc(double lat1, double lon1, double lat2, double lon2)
    : a_{std::cos(lat1) * std::cos(lon1), std::cos(lat1) * std::sin(lon1), std::sin(lat1)},
      w_{0.0, 0.0, 0.0},
      angle_(0.0) {
    const double b[3] = {std::cos(lat2) * std::cos(lon2), std::cos(lat2) * std::sin(lon2),
                         std::sin(lat2)};
    const double c = std::clamp(a_[0] * b[0] + a_[1] * b[1] + a_[2] * b[2], -1.0, 1.0);
    // the part of b at right angles to a, as a unit vector
    const double w[3] = {b[0] - c * a_[0], b[1] - c * a_[1], b[2] - c * a_[2]};
    const double norm = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    if (!(norm > 1e-15)) return;  // coincident or antipodal ends: the start alone
    for (int i = 0; i < 3; ++i) w_[i] = w[i] / norm;
    angle_ = std::atan2(norm, c);
}

void GreatCircleArc::at(double fraction, double& lat, double& lon) const {
    const double angle = angle_ * fraction;
    atAngle(std::cos(angle), std::sin(angle), lat, lon);
}

void GreatCircleArc::atAngle(double cosAngle, double sinAngle, double& lat, double& lon) const {
    double p[3];
    for (int i = 0; i < 3; ++i) p[i] = cosAngle * a_[i] + sinAngle * w_[i];
    lat = std::asin(std::clamp(p[2], -1.0, 1.0));
    lon = std::atan2(p[1], p[0]);
}

void greatCirclePoint(double lat1, double lon1, double lat2, double lon2, double fraction,
                      double& lat, double& lon) {
    GreatCircleArc(lat1, lon1, lat2, lon2).at(fraction, lat, lon);
}

}  // namespace fieldcast
