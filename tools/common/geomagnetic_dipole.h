// The earth's field as a centred dipole whose north pole stands at 78.5 N, 69 W: the geomagnetic
// latitude of a point, the dip there, and the azimuth of a great circle from geomagnetic north.
// The generator fits the night reflection coefficients for a region's geomagnetic latitude; the
// map tool's extended model takes the dip and the direction of each hop's ground reflection.
#pragma once

#include <algorithm>
#include <cmath>

#include "record/constants.h"

namespace fieldcast {

inline constexpr double kGeomagneticPoleLatDeg = 78.5;
inline constexpr double kGeomagneticPoleLonDeg = -69.0;

// Geomagnetic latitude (radians) of the point (latRad, lonRad): the spherical cosine rule with
// the colatitude from the pole.
inline double geomagneticLatitudeRad(double latRad, double lonRad) {
    const double poleLat = kGeomagneticPoleLatDeg * kRadPerDeg;
    const double s = std::sin(latRad) * std::sin(poleLat) +
                     std::cos(latRad) * std::cos(poleLat) *
                         std::cos(lonRad - kGeomagneticPoleLonDeg * kRadPerDeg);
    return std::asin(std::clamp(s, -1.0, 1.0));
}

// Dip of the dipole's field (radians, positive downward in the north): tan I = 2 tan(Phi).
inline double magneticDipRad(double geomagneticLatRad) {
    return std::atan(2.0 * std::tan(geomagneticLatRad));
}

// Initial bearing (radians, east of north) of the great circle from point 1 toward point 2.
inline double initialBearingRad(double lat1, double lon1, double lat2, double lon2) {
    const double dLon = lon2 - lon1;
    return std::atan2(
        std::sin(dLon) * std::cos(lat2),
        std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon));
}

// Azimuth (radians) from geomagnetic north of the great circle that leaves (latRad, lonRad)
// toward (towardLatRad, towardLonRad): the angle between the path and the field's horizontal
// part.
inline double geomagneticAzimuthRad(double latRad, double lonRad, double towardLatRad,
                                    double towardLonRad) {
    return initialBearingRad(latRad, lonRad, towardLatRad, towardLonRad) -
           initialBearingRad(latRad, lonRad, kGeomagneticPoleLatDeg * kRadPerDeg,
                             kGeomagneticPoleLonDeg * kRadPerDeg);
}

}  // namespace fieldcast
