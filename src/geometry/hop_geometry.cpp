// Hop geometry. Angles are radians throughout; solarDeclination and standardMeridian are set
// in degrees and turned into radians here, every hour.
#include "geometry/hop_geometry.h"

#include <cmath>

#include "geometry/e_layer.h"
#include "geometry/great_circle.h"

namespace fieldcast {

double monthDeclinationDeg(int month) {
    static constexpr double kDeclinationDeg[12] = {-21.0, -13.0, -2.0, 10.0, 19.0,  23.0,
                                                   22.0,  14.0,  3.0,  -8.0, -18.0, -23.0};
    return kDeclinationDeg[month - 1];
}

void setMonthDeclination(PredictionState& state) {
    if (state.month >= 1 && state.month <= 12) {
        state.solarDeclination = monthDeclinationDeg(state.month);
    }
}

void setHopCount(PredictionState& state) {
    state.hopCount = state.groundRangeKm > kOneHopLimitKm ? 2 : 1;
}

HopTerms computeHopTerms(PredictionState& state) {
    // hops of equal ground range; over one or two hops exactly the range and its half
    state.hopRangeKm = state.groundRangeKm / static_cast<double>(state.hopCount);
    HopTerms t{};
    t.halfHopAngle = (state.hopRangeKm / 2.0) / state.effectiveEarthRadiusKm;
    t.cosHalfHop = std::cos(t.halfHopAngle);
    t.tanHalfHop = std::tan(t.halfHopAngle);
    t.sinHalfHop = std::sin(t.halfHopAngle);
    return t;
}

void computeHopPath(PredictionState& state) { computeHopPath(state, computeHopTerms(state)); }

void computeHopPath(PredictionState& state, const HopTerms& terms) {
    const double a = state.effectiveEarthRadiusKm;
    const double h = state.reflectionHeightKm;
    const double psi = terms.halfHopAngle;  // half-hop angle at the earth's centre
    // law of cosines: hop end to reflection point, twice
    state.hopSlantKm =
        2.0 * std::sqrt(a * a + (a + h) * (a + h) - 2.0 * a * (a + h) * terms.cosHalfHop);
    state.skyPathKm = state.hopCount * state.hopSlantKm;
    state.elevationAngle = std::atan(1.0 / terms.tanHalfHop - (a / (a + h)) / terms.sinHalfHop);
    state.incidenceAngle = (kHalfPi - psi) - state.elevationAngle;
    state.freqCosIncidenceKhz = std::cos(state.incidenceAngle) * state.freqKhz;
    if (state.freqCosIncidenceKhz < kFreqCosIncidenceFloorKhz) {
        state.freqCosIncidenceKhz = kFreqCosIncidenceFloorKhz;
    }
    state.wavelengthKm = state.speedOfLightKmS / state.freqKhz / 1000.0;
    // the sky path is over the 8480 km earth, the ground range over the 6360 km one
    state.pathDiffWavelengths = (state.skyPathKm - state.groundRangeKm) / state.wavelengthKm;
    state.phaseDiffDeg =
        (state.pathDiffWavelengths - std::floor(state.pathDiffWavelengths)) * 360.0;
}

void setHourAndControlPoint(PredictionState& state) {
    state.hourJst = state.hourIndex;
    state.standardMeridian = kStandardMeridianDeg;
    state.controlLat = state.midLat;
    state.controlLon = state.midLon;
    state.solarDeclination *= state.radPerDeg;
    state.standardMeridian *= state.radPerDeg;
}

void computeHourGeometry(PredictionState& state) {
    setHourAndControlPoint(state);
    computeReflectionHeight(state);
    computeHopPath(state);
}

void computeHopGeometry(PredictionState& state) {
    setMonthDeclination(state);
    setHopCount(state);
    computePathMidpoint(state);
    computeHourGeometry(state);
}

}  // namespace fieldcast
