// Full-wave integration: E'' + k^2 n^2(z) E = 0 is integrated downwards, from a height where
// the wave that has entered the layer has decayed by many nepers, to a height below the layer
// where n^2 - 1 is negligible. Downwards the wanted (upgoing, upward-decaying) solution grows
// and any error in the starting values decays, so the integration is stable; the state is
// rescaled after every kilometre so that nothing overflows. Below the layer
// E = A e^{ikz} + B e^{-ikz} and, with y = E'/E, R = B e^{-ikz} / (A e^{ikz}) = (ik - y)/(ik + y).
#include "reflection_coefficient.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_odeiv2.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "physics_constants.h"

namespace fieldcast::tables {

namespace {

using Complex = std::complex<double>;

constexpr double kDensityScalePerM3 = 1.43e13;
constexpr double kCollisionScalePerS = 1.816e11;
constexpr double kCollisionDecayPerKm = 0.15;
constexpr double kNegligibleIndexChange = 1e-14;  // |n^2 - 1| at the bottom of the integration
constexpr double kTopAttenuationNepers = 25.0;    // one-way decay above the top of it
constexpr double kChunkKm = 1.0;                  // rescaling interval
constexpr double kRelativeTolerance = 1e-12;

constexpr double kDayHeightKm = 71.0;     // sun overhead
constexpr double kDayHeightRiseKm = 3.0;  // from overhead sun to the horizon
constexpr double kDaySharpnessPerKm = 0.4;
constexpr double kNightHeightKm = 85.0;
constexpr double kNightSharpnessPerKm = 0.6;
constexpr double kTwilightStartDeg = 80.0;
constexpr double kTwilightEndDeg = 100.0;

struct WaveEquation {
    const IndexProfile& indexSquared;
    double waveNumberPerKm;
};

// y = (Re E, Im E, Re E', Im E'), z in km.
int derivatives(double heightKm, const double y[], double dydz[], void* param) {
    const auto* eq = static_cast<const WaveEquation*>(param);
    const Complex n2 = eq->indexSquared(heightKm);
    const Complex field(y[0], y[1]);
    const Complex second = -eq->waveNumberPerKm * eq->waveNumberPerKm * n2 * field;
    dydz[0] = y[2];
    dydz[1] = y[3];
    dydz[2] = second.real();
    dydz[3] = second.imag();
    return GSL_SUCCESS;
}

double waveNumberPerKm(double freqKhz) { return 2.0 * kPi * freqKhz * 1000.0 / kSpeedOfLightKmS; }

double smoothStep(double u) {
    const double v = std::clamp(u, 0.0, 1.0);
    return v * v * (3.0 - 2.0 * v);
}

}  // namespace

double electronDensityPerM3(const DRegionProfile& profile, double heightKm) {
    const double h = profile.referenceHeightKm;
    // the profile's exponent is its sharpness less the decay of the collision frequency
    return kDensityScalePerM3 * std::exp(-kCollisionDecayPerKm * h) *
           std::exp((profile.sharpnessPerKm - kCollisionDecayPerKm) * (heightKm - h));
}

double collisionFrequencyPerS(double heightKm) {
    return kCollisionScalePerS * std::exp(-kCollisionDecayPerKm * heightKm);
}

Complex refractiveIndexSquared(const DRegionProfile& profile, double freqKhz, double heightKm) {
    const double omega = 2.0 * kPi * freqKhz * 1000.0;
    const double plasmaSquared = electronDensityPerM3(profile, heightKm) * kElectronChargeC *
                                 kElectronChargeC / (kVacuumPermittivityFm * kElectronMassKg);
    const double x = plasmaSquared / (omega * omega);           // X
    const double z = collisionFrequencyPerS(heightKm) / omega;  // Z
    return 1.0 - x / Complex(1.0, z);
}

double fullWaveReflection(const IndexProfile& indexSquared, double waveNumberPerKm,
                          double insideKm) {
    const double k = waveNumberPerKm;
    WaveEquation eq{indexSquared, k};

    // Bottom: step down until the medium is free space to the tolerance.
    double bottomKm = insideKm;
    while (std::abs(indexSquared(bottomKm) - 1.0) > kNegligibleIndexChange) {
        bottomKm -= 1.0;
        if (bottomKm < insideKm - 400.0) throw std::runtime_error("layer has no lower edge");
    }
    // Top: climb until the upgoing wave has decayed by kTopAttenuationNepers.
    double topKm = bottomKm;
    double decayNepers = 0.0;
    while (decayNepers < kTopAttenuationNepers) {
        decayNepers += k * std::abs(std::sqrt(indexSquared(topKm + 0.05)).imag()) * 0.1;
        topKm += 0.1;
        if (topKm > insideKm + 400.0) throw std::runtime_error("layer does not reflect");
    }

    // WKB start: E = n^(-1/2) exp(i k integral n), so E'/E = i k n - n' / (2 n).
    const Complex n = std::sqrt(indexSquared(topKm));
    const double dz = 1e-3;
    const Complex nSlope =
        (std::sqrt(indexSquared(topKm + dz)) - std::sqrt(indexSquared(topKm - dz))) / (2.0 * dz);
    const Complex start = Complex(0.0, k) * n - nSlope / (2.0 * n);
    double y[4] = {1.0, 0.0, start.real(), start.imag()};

    gsl_odeiv2_system system{derivatives, nullptr, 4, &eq};
    gsl_odeiv2_driver* driver = gsl_odeiv2_driver_alloc_y_new(&system, gsl_odeiv2_step_rk8pd, -0.01,
                                                              0.0, kRelativeTolerance);
    double z = topKm;
    int status = GSL_SUCCESS;
    while (z > bottomKm && status == GSL_SUCCESS) {
        const double next = std::max(bottomKm, z - kChunkKm);
        status = gsl_odeiv2_driver_apply(driver, &z, next, y);
        const double scale = std::hypot(y[0], y[1]) + std::hypot(y[2], y[3]) / k;
        for (double& v : y) v /= scale;
        gsl_odeiv2_driver_reset(driver);
    }
    gsl_odeiv2_driver_free(driver);
    if (status != GSL_SUCCESS) throw std::runtime_error("full-wave integration failed");

    const Complex logSlope = Complex(y[2], y[3]) / Complex(y[0], y[1]);  // y = E'/E
    const Complex ik(0.0, k);
    return std::abs((ik - logSlope) / (ik + logSlope));
}

double reflectionMagnitude(const DRegionProfile& profile, double freqKhz) {
    const IndexProfile indexSquared = [&](double heightKm) {
        return refractiveIndexSquared(profile, freqKhz, heightKm);
    };
    return fullWaveReflection(indexSquared, waveNumberPerKm(freqKhz), profile.referenceHeightKm);
}

DRegionProfile profileForZenith(double solarZenithDeg) {
    const double dayZenithDeg = std::min(solarZenithDeg, 90.0);
    const double dayHeightKm =
        kDayHeightKm + kDayHeightRiseKm * (1.0 - std::cos(dayZenithDeg * kRadPerDeg));
    const double night =
        smoothStep((solarZenithDeg - kTwilightStartDeg) / (kTwilightEndDeg - kTwilightStartDeg));
    return {dayHeightKm + (kNightHeightKm - dayHeightKm) * night,
            kDaySharpnessPerKm + (kNightSharpnessPerKm - kDaySharpnessPerKm) * night};
}

DRegionProfile profileForCosZenith(double cosSolarZenith) {
    return profileForZenith(std::acos(std::clamp(cosSolarZenith, -1.0, 1.0)) * kDegPerRad);
}

}  // namespace fieldcast::tables
