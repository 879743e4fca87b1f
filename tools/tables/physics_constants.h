// Physical constants and model parameters of the table generator, each written once. Pi, the
// conversions, the speed of light, the earth of the hop geometry (kEffectiveEarthRadiusKm, the
// antenna and focusing factors' earth too), the 300 mV/m reference field and the grounds of the
// codes are the program's own (record/constants.h).
#pragma once

#include "record/constants.h"

namespace fieldcast::tables {

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

// Normalised distance x at which the ground wave switches from the curvature-corrected
// flat-earth formula to the residue series. The flat-earth formula keeps only the first
// curvature term, whose error grows as x^3; at x = 0.25 (d = 49 / f_MHz^(1/3) km on the
// 8764 km earth) it is below 0.05 dB for every ground, and the series still needs only a few
// hundred roots.
constexpr double kGroundWaveSwitchX = 0.25;

// Fock parameter xi = -m psi at which the antenna factor switches from Fock's integral
// (above) to the Fresnel coefficient (below, the lit region).
constexpr double kAntennaSwitchXi = -2.5;

}  // namespace fieldcast::tables
