// Every constant of the prediction and its unit conversions, written once: the program, the map
// tool and the table generator take them from here.
#pragma once

#include <cmath>

namespace fieldcast {

// --- angles
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kDegPerRad = 57.29577951308232;
constexpr double kRadPerDeg = 0.017453292519943295;

// --- the earth and the wave
constexpr double kSpeedOfLightKmS = 100000.0 * 2.99792458;  // 10 to the power 5, times 2.99792458
constexpr double kSpeedOfLightMS = kSpeedOfLightKmS * 1000.0;
constexpr double kRangeEarthRadiusKm = 6360.0;      // sphere of the great-circle range
constexpr double kEffectiveEarthRadiusKm = 8480.0;  // 4/3 earth of the hop geometry

// --- clock: hours are those of the standard time of the 135 degree east meridian (JST)
constexpr double kStandardMeridianDeg = 135.0;
constexpr int kHoursPerDay = 24;

// --- path regimes by ground range
constexpr double kShortRangeLimitKm = 50.0;  // at or below: the closed-form ground wave alone
constexpr double kOneHopLimitKm = 2000.0;    // above: two hops
constexpr double kMaxRangeKm = 4000.0;       // above: outside the method

// --- sky-wave tables
// f cos(i) below it is looked up at it: the reflection tables start there
constexpr double kFreqCosIncidenceFloorKhz = 5.0;

// --- field strengths
// Field at 1 km of a short monopole radiating 1 kW over a perfectly conducting plane: the
// reference of the sky wave and of the ground-wave curves.
constexpr double kReferenceFieldMvm = 300.0;
// Field at 1 km for 1 kW of the closed-form ground wave near the transmitter.
constexpr double kShortRangeFieldMvm = 271.607;
// dB(uV/m) of a field in mV/m, 20 log10(1000 E), for the tools. The hour's own steps keep the
// forms of their formulas (the sky wave's 20 ln(1000 E) / ln 10, the ground wave's
// 20 log10(E / 0.001)), which may differ from it in the last bit.
inline double dbFromMvm(double fieldMvm) { return 20.0 * std::log10(1000.0 * fieldMvm); }

// --- coordinates, degrees: the values an input may hold
constexpr double kMinLatitudeDeg = -90.0;
constexpr double kMaxLatitudeDeg = 90.0;
constexpr double kMinLongitudeDeg = -180.0;
constexpr double kMaxLongitudeDeg = 360.0;

// --- grounds by code (1 sea, 2 land, 3 dry land): the midpoint ground of the sky wave's
// reflection, and the grounds of the bundled curve and antenna-factor files
struct Ground {
    double relPermittivity;
    double conductivitySm;  // S/m
};
constexpr Ground kSeaGround{80.0, 5.0};
constexpr Ground kLandGround{15.0, 0.002};
constexpr Ground kDryLandGround{15.0, 0.0005};

}  // namespace fieldcast
