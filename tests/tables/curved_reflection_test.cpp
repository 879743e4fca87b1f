// The curved earth's reflection coefficient: its limits (a perfect conductor, the plane
// coefficient in the lit region, a small surface impedance at grazing) and that a passive
// ground never returns more than it is given.
#include "curved_reflection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "antenna_factor.h"
#include "ground_wave_curve.h"

namespace fieldcast::tables {
namespace {

double horizontalPlaneMag(Complex permittivity, double elevationRad) {
    const double cosPsi = std::cos(elevationRad);
    const Complex root = std::sqrt(permittivity - cosPsi * cosPsi);
    const double sinPsi = std::sin(elevationRad);
    return std::abs((sinPsi - root) / (sinPsi + root));
}

TEST(CurvedReflection, PerfectConductorReflectsFullyAtEveryAngle) {
    for (double s : {0.0, 0.3, 1.0, 2.5, 6.0}) {
        EXPECT_NEAR(std::abs(curvedEarthReflection(s, 0.0)), 1.0, 1e-12) << s;
    }
}

// Deep in the lit region (s = m sin(psi) >> 1) the curved earth's coefficient is the plane
// one, closer the deeper; a passive ground returns at most what it is given at every angle.
TEST(CurvedReflection, PlaneCoefficientInTheLitRegionAndPassiveEverywhere) {
    for (Ground ground : {kSeaGround, kLandGround, kDryLandGround}) {
        for (double freqKhz : {15.0, 40.0, 100.0, 300.0, 1700.0}) {
            const Complex eps = complexPermittivity(ground, freqKhz);
            const double m = fockScale(freqKhz, kEffectiveEarthRadiusKm);
            double previousErrorDb = 1e9;
            for (double s : {2.0, 3.0, 4.5, 6.0}) {
                const double psi = std::asin(s / m);
                const double curvedV =
                    std::abs(curvedEarthReflection(s, verticalFockParameter(eps, m, psi)));
                const double curvedH =
                    std::abs(curvedEarthReflection(s, horizontalFockParameter(eps, m, psi)));
                const double errorDb =
                    std::fabs(20.0 * std::log10(curvedV / std::abs(verticalReflection(eps, psi))));
                EXPECT_LT(errorDb, previousErrorDb * 1.01) << freqKhz << " kHz s " << s;
                previousErrorDb = errorDb;
                if (s == 6.0) {
                    EXPECT_LT(errorDb, 0.03) << ground.conductivitySm << " S/m " << freqKhz;
                    EXPECT_LT(std::fabs(20.0 * std::log10(curvedH / horizontalPlaneMag(eps, psi))),
                              0.01);
                }
            }
            for (double s = 0.0; s <= 8.0; s += 0.05) {
                const double psi = std::asin(s / m);
                EXPECT_LE(std::abs(curvedEarthReflection(s, verticalFockParameter(eps, m, psi))),
                          1.0 + 1e-12);
                EXPECT_LE(std::abs(curvedEarthReflection(s, horizontalFockParameter(eps, m, psi))),
                          1.0 + 1e-12);
            }
        }
    }
}

// The plane coefficient of the sea at LF passes its pseudo-Brewster minimum (about 0.41) and
// turns to -1 at s of the order of |q| ~ 0.01-0.05, far inside the region where the earth's
// curvature rules. The curved earth's stays near 1 there: with w' - q w on the real axis,
// 1 - |R(0, q)| tends to 2 Im(q) / |w'(0)|^2 for small q (the Wronskian of w and its conjugate
// is 2i), about 1.7 |q| for the sea.
TEST(CurvedReflection, SeaNearGrazingHasNoPseudoBrewsterMinimum) {
    const double wPrimeAtZeroSq = std::norm(fockAiry(0.0).wPrime);
    for (double freqKhz : {20.0, 40.0, 60.0, 77.5, 100.0}) {
        const Complex eps = complexPermittivity(kSeaGround, freqKhz);
        const double m = fockScale(freqKhz, kEffectiveEarthRadiusKm);
        const Complex q = verticalFockParameter(eps, m, 0.0);
        const double atGrazing = std::abs(curvedEarthReflection(0.0, q));
        EXPECT_NEAR((1.0 - atGrazing) / (2.0 * q.imag() / wPrimeAtZeroSq), 1.0, 0.05) << freqKhz;
        double planeMin = 1.0;
        for (double s = 0.0; s <= 1.0; s += 0.002) {
            const double psi = std::asin(s / m);
            planeMin = std::min(planeMin, std::abs(verticalReflection(eps, psi)));
            EXPECT_GE(std::abs(curvedEarthReflection(s, verticalFockParameter(eps, m, psi))),
                      atGrazing - 1e-9)
                << freqKhz << " kHz s " << s;
        }
        EXPECT_LT(planeMin, 0.45) << freqKhz;  // the minimum the curvature removes
        EXPECT_GT(atGrazing, 0.95) << freqKhz;
    }
}

}  // namespace
}  // namespace fieldcast::tables
