// Focusing factors: the free-space limit, the analytic derivative against the program's own
// geometry, the grazing limit, and the published magnitudes.
#include "focusing_factor.h"

#include <gtest/gtest.h>

#include <cmath>

#include "physics_constants.h"
#include "table_axes.h"
#include "table_set.h"

namespace fieldcast::tables {
namespace {

constexpr double kEarthKm = kEffectiveEarthRadiusKm;

// The program's ray over the 8480 km earth.
HopRay trace(double hopRangeKm, double heightKm) {
    return traceHop(hopRangeKm, heightKm, kEarthKm);
}

TEST(FocusingFactor, TendsToOneAsTheEarthFlattens) {
    EXPECT_NEAR(geometricFocusingFactor(1000.0, 80.0, 8.48e7), 1.0, 1e-3);
    EXPECT_NEAR(geometricFocusingFactor(300.0, 80.0, 8.48e8), 1.0, 1e-3);
}

TEST(FocusingFactor, AgreesWithANumericalRayTubeFromTheProgramsGeometry) {
    // D^2 = L^2 cos(psi) / (a^2 sin(theta) sin(psi) |d theta / d psi|) with the derivative taken
    // by finite differences of the program's elevation against hop range.
    const double h = 85.0;
    for (double d : {300.0, 1000.0, 1800.0}) {
        const double dd = 0.01;
        const HopRay ray = trace(d, h);
        const double dPsi = trace(d + dd, h).elevationRad - trace(d - dd, h).elevationRad;
        const double dThetaDPsi = (2.0 * dd / kEarthKm) / dPsi;
        const double d2 = ray.slantKm * ray.slantKm * std::cos(ray.elevationRad) /
                          (kEarthKm * kEarthKm * std::sin(d / kEarthKm) *
                           std::sin(ray.elevationRad) * std::fabs(dThetaDPsi));
        EXPECT_NEAR(geometricFocusingFactor(d, h, kEarthKm), std::sqrt(d2), 1e-5) << d;
    }
}

TEST(FocusingFactor, PublishedMagnitudes) {
    for (double h : {70.0, 85.0, 100.0}) {
        EXPECT_LT(focusingFactor(500.0, h, kEarthKm), 1.1) << h;
        EXPECT_GE(focusingFactor(100.0, h, kEarthKm), 1.0) << h;
        const double at2000 = focusingFactor(2000.0, h, kEarthKm);
        EXPECT_GE(at2000, 2.0) << h;
        EXPECT_LE(at2000, 3.5) << h;
    }
    EXPECT_NEAR(focusingFactor(1000.0, 70.0, kEarthKm), 1.25, 0.02);
    // lower reflection, stronger focusing
    EXPECT_GT(focusingFactor(1500.0, 70.0, kEarthKm), focusingFactor(1500.0, 100.0, kEarthKm));
}

TEST(FocusingFactor, HeldAtTheLimitingElevationNearGrazing) {
    const double h = 70.0;
    ASSERT_LT(trace(2000.0, h).elevationRad * kDegPerRad, kMinFocusingElevationDeg);
    const double held = focusingFactor(2000.0, h, kEarthKm);
    EXPECT_DOUBLE_EQ(focusingFactor(2100.0, h, kEarthKm), held);
    EXPECT_LT(held, geometricFocusingFactor(2000.0, h, kEarthKm));
    // continuous where the limit sets in
    double shortKm = 1500.0;
    double longKm = 2000.0;
    while (longKm - shortKm > 1e-6) {
        const double mid = 0.5 * (shortKm + longKm);
        (trace(mid, h).elevationRad * kDegPerRad > kMinFocusingElevationDeg ? shortKm : longKm) =
            mid;
    }
    EXPECT_NEAR(geometricFocusingFactor(shortKm, h, kEarthKm), held, 1e-4);
}

TEST(FocusingFactor, RepresentativeHeightsFromTheELayerModel) {
    // midnight: foE at the floor of code 2 (433.8676 kHz), h = 100 - 10 sqrt(1 - (f - 10)/foEmin)
    EXPECT_NEAR(representativeHeightKm(100.0, 0.0), 100.0 - 10.0 * std::sqrt(1.0 - 90.0 / 433.8676),
                1e-3);
    const double noon = representativeHeightKm(100.0, 12.0);
    EXPECT_GT(noon, 69.0);
    EXPECT_LT(noon, 72.0);
}

TEST(FocusingFactor, BundledTableRisesWithHopRange) {
    for (const BandAxes* axes : kBandAxes) {
        const TableFile ff = focusingFactorFile(*axes);
        for (std::size_t i = 0; i < ff.values.size(); ++i) {
            EXPECT_GE(ff.values[i], 1.0) << axes->band.name << i;
            if (i % kDCount != 0) {
                EXPECT_GT(ff.values[i], ff.values[i - 1]) << axes->band.name << i;
            }
        }
    }
}

}  // namespace
}  // namespace fieldcast::tables
