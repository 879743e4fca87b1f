// Angles in radians; the hop geometry comes from the prediction program itself
// (computeHopPath on a one-hop PredictionState), so the table describes exactly the rays the
// program traces.
#include "focusing_factor.h"

#include <cmath>

#include "geometry/e_layer.h"
#include "geometry/hop_geometry.h"
#include "physics_constants.h"
#include "record/prediction_state.h"

namespace fieldcast::tables {

namespace {

constexpr double kControlLatDeg = 35.0;
constexpr double kEquinoxDeclinationDeg = 0.0;
constexpr int kMiddleSolarActivity = 2;
constexpr double kNoonHour = 12.0;
constexpr double kMidnightHour = 0.0;

}  // namespace

HopRay traceHop(double hopRangeKm, double heightKm, double earthRadiusKm) {
    PredictionState state{};
    state.effectiveEarthRadiusKm = earthRadiusKm;
    state.speedOfLightKmS = kSpeedOfLightKmS;
    state.hopCount = 1;
    state.groundRangeKm = hopRangeKm;
    state.reflectionHeightKm = heightKm;
    state.freqKhz = 100.0;  // only the path difference depends on it
    computeHopPath(state);
    return {state.elevationAngle, state.incidenceAngle, state.hopSlantKm};
}

double geometricFocusingFactor(double hopRangeKm, double heightKm, double earthRadiusKm) {
    const HopRay ray = traceHop(hopRangeKm, heightKm, earthRadiusKm);
    const double a = earthRadiusKm;
    const double theta = hopRangeKm / a;  // central angle of the hop
    const double dThetaDPsi =
        2.0 *
        (a * std::sin(ray.elevationRad) / ((a + heightKm) * std::cos(ray.incidenceRad)) - 1.0);
    const double d2 =
        ray.slantKm * ray.slantKm * std::cos(ray.elevationRad) /
        (a * a * std::sin(theta) * std::sin(ray.elevationRad) * std::fabs(dThetaDPsi));
    return std::sqrt(d2);
}

double focusingFactor(double hopRangeKm, double heightKm, double earthRadiusKm) {
    const HopRay ray = traceHop(hopRangeKm, heightKm, earthRadiusKm);
    if (ray.elevationRad * kDegPerRad >= kMinFocusingElevationDeg) {
        return geometricFocusingFactor(hopRangeKm, heightKm, earthRadiusKm);
    }
    // Hop range at which the ray leaves at the limiting elevation: bisection, since the
    // elevation falls monotonically with the range.
    double shortKm = 0.0;
    double longKm = hopRangeKm;
    for (int i = 0; i < 60; ++i) {
        const double midKm = 0.5 * (shortKm + longKm);
        const bool above = traceHop(midKm, heightKm, earthRadiusKm).elevationRad * kDegPerRad >=
                           kMinFocusingElevationDeg;
        (above ? shortKm : longKm) = midKm;
    }
    return geometricFocusingFactor(shortKm, heightKm, earthRadiusKm);
}

double representativeHeightKm(double freqKhz, double hourJst) {
    PredictionState state{};
    state.solarActivityCode = kMiddleSolarActivity;
    state.controlLat = kControlLatDeg * kRadPerDeg;
    state.controlLon = kStandardMeridianDeg * kRadPerDeg;  // on the meridian of the clock
    state.rxLon = state.controlLon;  // local time at the control point is the clock hour
    state.solarDeclination = kEquinoxDeclinationDeg * kRadPerDeg;
    state.standardMeridian = kStandardMeridianDeg * kRadPerDeg;
    state.hourJst = hourJst;
    state.freqKhz = freqKhz;
    return evaluateELayer(state).reflectionHeightKm;
}

double tableFocusingFactor(double freqKhz, double hopRangeKm) {
    const double noon = focusingFactor(hopRangeKm, representativeHeightKm(freqKhz, kNoonHour),
                                       kEffectiveEarthRadiusKm);
    const double midnight = focusingFactor(
        hopRangeKm, representativeHeightKm(freqKhz, kMidnightHour), kEffectiveEarthRadiusKm);
    return std::sqrt(noon * midnight);
}

}  // namespace fieldcast::tables
