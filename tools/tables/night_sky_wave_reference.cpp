#include "night_sky_wave_reference.h"

#include <algorithm>
#include <cmath>

#include "geomagnetic_dipole.h"
#include "physics_constants.h"

namespace fieldcast::tables {

namespace {
constexpr double kMaxGeomagneticLatDeg = 60.0;  // k_R holds its value beyond
constexpr double kReflectionHeightKm = 100.0;   // p: a flat earth and a 100 km reflection
}  // namespace

double geomagneticLatitudeDeg(double latDeg, double lonDeg) {
    return geomagneticLatitudeRad(latDeg * kRadPerDeg, lonDeg * kRadPerDeg) * kDegPerRad;
}

double slantPathKm(double groundRangeKm) {
    return std::hypot(groundRangeKm, 2.0 * kReflectionHeightKm);
}

double nightLossFactorDbPerMm(double freqKhz, double geomagneticLatitudeDeg) {
    const double phiDeg =
        std::clamp(geomagneticLatitudeDeg, -kMaxGeomagneticLatDeg, kMaxGeomagneticLatDeg);
    const double t = std::tan((phiDeg + 3.0) * kRadPerDeg);
    return 3.2 + 0.19 * std::pow(freqKhz, 0.4) * t * t;
}

double nightSkyWaveDb(double freqKhz, double groundRangeKm, const NightReference& where) {
    const double p = slantPathKm(groundRangeKm);
    const double a = 106.6 - 2.0 * std::sin(where.geomagneticLatitudeDeg * kRadPerDeg);
    const double absorptionDb =
        nightLossFactorDbPerMm(freqKhz, where.geomagneticLatitudeDeg) * p / 1000.0;
    const double solarDb = where.solarCycleLossDb * where.sunspotNumber / 100.0 * p / 1000.0;
    return a - 20.0 * std::log10(p) - absorptionDb - solarDb;
}

}  // namespace fieldcast::tables
