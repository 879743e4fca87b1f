// E-layer model. Angles: controlLat, controlLon, solarDeclination, standardMeridian and
// rxLon are radians; the zenith angles N, Nn and chi are degrees, turned into radians with
// kRadPerDeg right before each cosine.
#include "geometry/e_layer.h"

#include <algorithm>
#include <cmath>

namespace fieldcast {

double zenithFactor(double zenithDeg, double exponentP) {
    if (zenithDeg <= kTwilightZenithDeg) {
        return std::pow(std::cos(zenithDeg * kRadPerDeg), exponentP);
    }
    if (zenithDeg < 90.0) {
        const double shiftDeg = 6.27e-13 * std::pow(zenithDeg - 50.0, 8.0);  // twilight shift
        return std::pow(std::cos(zenithDeg * kRadPerDeg - shiftDeg * kRadPerDeg), exponentP);
    }
    return std::pow(0.072, exponentP) * std::exp(25.2 - 0.28 * zenithDeg);  // sun below
}

SolarActivity solarActivity(int solarActivityCode) {
    SolarActivity a{};
    a.sunspotLevel = solarActivityCode == 1 ? 13.0 : solarActivityCode == 2 ? 50.0 : 100.0;
    const double r = a.sunspotLevel;
    a.fluxIndex = (r + 46.0) - 23.0 * std::exp(-0.05 * r);
    const double g = 1.0 + 0.021 * a.fluxIndex;
    a.foEminKhz = 1000.0 * std::pow(0.004 * (g * g), 0.25);
    a.activityFactor = 1.0 + 0.0094 * (a.fluxIndex - 66.0);
    return a;
}

ELayerTerms evaluateELayerDayTerms(const PredictionState& state) {
    ELayerTerms e{};
    e.activity = solarActivity(state.solarActivityCode);
    const double foEmin = e.activity.foEminKhz;
    const double lat = state.controlLat;
    const double decl = state.solarDeclination;
    const double latDeg = lat * kDegPerRad;
    const double declDeg = decl * kDegPerRad;
    const bool lowLatitude = std::fabs(latDeg) < 32.0;  // 32 itself is not low

    const double latMinusDeclDeg = (lat - decl) * kDegPerRad;
    e.zenithLimitDeg = std::fabs(latMinusDeclDeg) < 80.0 ? latMinusDeclDeg : 80.0;
    e.exponentM = lowLatitude ? 1.92 * std::cos(lat) - 1.93 : 0.11 - 0.49 * std::cos(lat);
    e.factorB = std::pow(std::cos(e.zenithLimitDeg * kRadPerDeg), e.exponentM);
    e.factorK = lowLatitude ? 23.0 + 116.0 * std::cos(lat) : 92.0 + 35.0 * std::cos(lat);
    e.exponentP = std::fabs(latDeg) <= 12.0 ? 1.31 : 1.2;  // 12 itself is equatorial

    e.noonZenithDeg = std::fabs(latDeg - declDeg);
    // Polar night (the sun below the horizon even at noon): a negative cos(Nn) has no real
    // power; the noon factor stays at 0, the value it falls to at 90 degrees.
    e.noonFactorD = std::pow(std::max(0.0, std::cos(e.noonZenithDeg * kRadPerDeg)), e.exponentP);

    const double a = e.activity.activityFactor;
    e.foEFullKhz = 1000.0 * std::pow(a * e.factorK, 0.25);
    e.foENoonKhz = 1000.0 * std::pow(a * e.factorB * e.factorK * e.noonFactorD, 0.25);
    // F0 exceeds the floor by well over 1 MHz for every activity code, so this never
    // divides by zero.
    e.noonScaleKm = 31.0 - 21.0 * (e.foEFullKhz - e.foENoonKhz) / (e.foEFullKhz - foEmin);
    e.sinLatSinDecl = std::sin(lat) * std::sin(decl);
    e.cosLatCosDecl = std::cos(lat) * std::cos(decl);
    return e;
}

void evaluateELayerHour(const PredictionState& state, ELayerTerms& e) {
    const double foEmin = e.activity.foEminKhz;
    const double a = e.activity.activityFactor;
    e.shiftedHour = state.hourJst - (state.rxLon - state.controlLon) * kDegPerRad / 15.0;
    e.cosSolarZenith =
        e.sinLatSinDecl + e.cosLatCosDecl * std::cos(kPi - 15.0 * kRadPerDeg * e.shiftedHour +
                                                     state.standardMeridian - state.controlLon);
    const double cosZ = std::clamp(e.cosSolarZenith, -1.0, 1.0);
    double zenith = std::atan(std::sqrt(1.0 - cosZ * cosZ) / cosZ);
    if (cosZ < 0.0) zenith += kPi;
    e.solarZenithDeg = zenith * kDegPerRad;
    e.factorD = zenithFactor(e.solarZenithDeg, e.exponentP);

    e.foEKhz = 1000.0 * std::pow(a * e.factorB * e.factorK * e.factorD, 0.25);
    if (e.foEKhz < foEmin) e.foEKhz = foEmin;

    if (e.foENoonKhz != foEmin) {
        e.hourScaleKm = e.noonScaleKm - (e.noonScaleKm - 10.0) * (e.foENoonKhz - e.foEKhz) /
                                            (e.foENoonKhz - foEmin);
    } else {
        // Noon foE exactly at the floor: Y0 - 10 = 21 (Fnoon - foEmin) / (F0 - foEmin), so the
        // quotient above is 0/0; its limit is this.
        e.hourScaleKm = e.noonScaleKm - 21.0 * (e.foENoonKhz - e.foEKhz) / (e.foEFullKhz - foEmin);
    }
    // Above the E layer (f - 10 > foE) the root would be imaginary: the height stays at the
    // top, its value at the boundary.
    const double rootArg = std::max(0.0, 1.0 - (state.freqKhz - 10.0) / e.foEKhz);
    e.reflectionHeightKm = kTopReflectionHeightKm - e.hourScaleKm * std::sqrt(rootArg);
}

ELayerTerms evaluateELayer(const PredictionState& state) {
    ELayerTerms e = evaluateELayerDayTerms(state);
    evaluateELayerHour(state, e);
    return e;
}

double computeReflectionHeight(PredictionState& state) {
    const ELayerTerms e = evaluateELayer(state);
    state.cosSolarZenith = e.cosSolarZenith;
    state.reflectionHeightKm = e.reflectionHeightKm;
    return state.reflectionHeightKm;
}

double computeReflectionHeight(PredictionState& state, const ELayerTerms& dayTerms) {
    ELayerTerms e = dayTerms;
    evaluateELayerHour(state, e);
    state.cosSolarZenith = e.cosSolarZenith;
    state.reflectionHeightKm = e.reflectionHeightKm;
    return state.reflectionHeightKm;
}

}  // namespace fieldcast
