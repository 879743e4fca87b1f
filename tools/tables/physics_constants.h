// Physical constants and model parameters of the table generator, each written once.
// kPi, kDegPerRad, kRadPerDeg and the hop geometry's kEffectiveEarthRadiusKm are the program's
// own (driver/prediction_state.h).
#pragma once

#include "driver/prediction_state.h"

namespace fieldcast::tables {

constexpr double kSpeedOfLightMS = 299792458.0;
constexpr double kSpeedOfLightKmS = kSpeedOfLightMS / 1000.0;
constexpr double kVacuumPermittivityFm = 8.8541878128e-12;
constexpr double kElectronChargeC = 1.602176634e-19;
constexpr double kElectronMassKg = 9.1093837015e-31;

// Standard ground-wave curves: the exponential reference atmosphere N(h) = 315 exp(-h / 7.35 km)
// bends rays near the ground as an earth of radius a / (1 - a N_s 1e-6 / H), about 1.376 a.
constexpr double kMeanEarthRadiusKm = 6371.0;
constexpr double kSurfaceRefractivity = 315.0;  // N units
constexpr double kRefractivityScaleHeightKm = 7.35;
constexpr double kGroundWaveEarthRadiusKm =
    kMeanEarthRadiusKm /
    (1.0 - kMeanEarthRadiusKm * kSurfaceRefractivity * 1e-6 / kRefractivityScaleHeightKm);
// Earth of the program's hop geometry: antenna and focusing factors.
constexpr double kSkyWaveEarthRadiusKm = kEffectiveEarthRadiusKm;

// Field of a short monopole radiating 1 kW over a perfectly conducting plane at 1 km.
constexpr double kReferenceFieldMvmAt1Km = 300.0;

// Normalised distance x at which the ground wave switches from the curvature-corrected
// flat-earth formula to the residue series. The flat-earth formula keeps only the first
// curvature term, whose error grows as x^3; at x = 0.25 (d = 49 / f_MHz^(1/3) km on the
// 8764 km earth) it is below 0.05 dB for every ground, and the series still needs only a few
// hundred roots.
constexpr double kGroundWaveSwitchX = 0.25;

// Fock parameter xi = -m psi at which the antenna factor switches from Fock's integral
// (above) to the Fresnel coefficient (below, the lit region).
constexpr double kAntennaSwitchXi = -2.5;

// Ground types of the bundled curves and tables, by code.
struct Ground {
    double relPermittivity;
    double conductivitySm;
};
constexpr Ground kSeaGround{80.0, 5.0};
constexpr Ground kLandGround{15.0, 0.002};
constexpr Ground kDryGround{15.0, 0.0005};

}  // namespace fieldcast::tables
