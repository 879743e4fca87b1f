// E-layer critical frequency at the control point and the sky wave's reflection height.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

// Solar activity level and the values derived from it alone.
struct SolarActivity {
    double sunspotLevel;    // R
    double fluxIndex;       // Phi
    double foEminKhz;       // night-time floor of foE
    double activityFactor;  // A
};

// Every intermediate of one evaluation, so that each step can be checked by hand.
struct ELayerTerms {
    SolarActivity activity;
    double zenithLimitDeg;  // N, limited to 80 degrees
    double exponentM;       // m
    double factorB;         // B = cos(N)^m
    double factorK;         // K = X + Y cos(lat)
    double exponentP;       // p
    double noonZenithDeg;   // Nn
    double noonFactorD;     // D at noon
    double foEFullKhz;      // F0: B and D taken as 1
    double foENoonKhz;      // Fnoon
    double noonScaleKm;     // Y0
    double sinLatSinDecl;   // sin(lat) sin(decl), the noon-independent part of cos(chi)
    double cosLatCosDecl;   // cos(lat) cos(decl)
    double shiftedHour;     // t
    double cosSolarZenith;
    double solarZenithDeg;  // chi
    double factorD;         // D of the hour
    double foEKhz;          // foE of the hour, not below the floor
    double hourScaleKm;     // Yh
    double reflectionHeightKm;
};

// Activity level of codes 1, 2, 3 (the codes are checked when read).
SolarActivity solarActivity(int solarActivityCode);

// The height of a reflection at the top of the E layer (f - 10 kHz at foE, or above): the
// highest the model gives.
constexpr double kTopReflectionHeightKm = 100.0;

// Above this solar zenith angle the hour's factor D takes the twilight shift of the angle.
constexpr double kTwilightZenithDeg = 73.0;

// D of the hour by the solar zenith angle chi in degrees: cos(chi)^p up to 73 degrees, the
// cosine of the angle less its twilight shift below 90, and a decaying floor beyond.
double zenithFactor(double zenithDeg, double exponentP);

// The whole model on controlLat, controlLon, solarDeclination, standardMeridian (radians),
// rxLon, hourJst and freqKhz; changes nothing.
ELayerTerms evaluateELayer(const PredictionState& state);

// Sets cosSolarZenith and reflectionHeightKm.
double computeReflectionHeight(PredictionState& state);

// The model in two parts, for a caller that evaluates many hours at one control point:
// the terms of the control point, declination and activity code alone, then those of
// hourJst (and rxLon). evaluateELayer is the two in turn; the values are the same.
ELayerTerms evaluateELayerDayTerms(const PredictionState& state);
void evaluateELayerHour(const PredictionState& state, ELayerTerms& terms);
// computeReflectionHeight on day terms computed before for the same control point,
// declination and activity code.
double computeReflectionHeight(PredictionState& state, const ELayerTerms& dayTerms);

}  // namespace fieldcast
