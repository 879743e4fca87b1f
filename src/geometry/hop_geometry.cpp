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
    setHopPath(state, evaluateHopPath(state, terms));
}

HopPath evaluateHopPath(const PredictionState& state, const HopTerms& terms) {
    const double a = state.effectiveEarthRadiusKm;
    const double h = state.reflectionHeightKm;
    const double psi = terms.halfHopAngle;  // half-hop angle at the earth's centre
    HopPath p{};
    // law of cosines: hop end to reflection point, twice
    p.hopSlantKm =
        2.0 * std::sqrt(a * a + (a + h) * (a + h) - 2.0 * a * (a + h) * terms.cosHalfHop);
    p.skyPathKm = state.hopCount * p.hopSlantKm;
    p.elevationAngle = std::atan(1.0 / terms.tanHalfHop - (a / (a + h)) / terms.sinHalfHop);
    p.incidenceAngle = (kHalfPi - psi) - p.elevationAngle;
    p.freqCosIncidenceKhz = std::cos(p.incidenceAngle) * state.freqKhz;
    if (p.freqCosIncidenceKhz < kFreqCosIncidenceFloorKhz) {
        p.freqCosIncidenceKhz = kFreqCosIncidenceFloorKhz;
    }
    p.wavelengthKm = state.speedOfLightKmS / state.freqKhz / 1000.0;
    // the sky path is over the 8480 km earth, the ground range over the 6360 km one
    p.pathDiffWavelengths = (p.skyPathKm - state.groundRangeKm) / p.wavelengthKm;
    p.phaseDiffDeg = (p.pathDiffWavelengths - std::floor(p.pathDiffWavelengths)) * 360.0;
    return p;
}

void setHopPath(PredictionState& state, const HopPath& path) {
    state.hopSlantKm = path.hopSlantKm;
    state.skyPathKm = path.skyPathKm;
    state.elevationAngle = path.elevationAngle;
    state.incidenceAngle = path.incidenceAngle;
    state.freqCosIncidenceKhz = path.freqCosIncidenceKhz;
    state.wavelengthKm = path.wavelengthKm;
    state.pathDiffWavelengths = path.pathDiffWavelengths;
    state.phaseDiffDeg = path.phaseDiffDeg;
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
