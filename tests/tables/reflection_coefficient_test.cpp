// Ionospheric reflection: the full-wave solver against the closed form for an exponential
// layer, the D-region model against published magnitudes, and the shape of the bundled tables.
#include "reflection_coefficient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "physics_constants.h"
#include "table_axes.h"
#include "table_set.h"

namespace fieldcast::tables {
namespace {

TEST(ReflectionCoefficient, FullWaveSolverMatchesTheExponentialLayerClosedForm) {
    // n^2 = 1 - X0 e^{alpha z} / (1 + i Z) with Z constant is solved by K_{2ik/alpha}, which
    // gives |R| = exp(-(2k / alpha) arctan Z) (Budden, "The propagation of radio waves", 15.x).
    const double alphaPerKm = 0.5;
    const double kPerKm = 2.0 * kPi * 10.0e3 / kSpeedOfLightKmS;  // 10 kHz
    for (double z : {0.5, 2.0, 8.0}) {
        const IndexProfile layer = [&](double heightKm) {
            return 1.0 - 1e-4 * std::exp(alphaPerKm * heightKm) / std::complex<double>(1.0, z);
        };
        const double expected = std::exp(-2.0 * kPerKm / alphaPerKm * std::atan(z));
        EXPECT_NEAR(fullWaveReflection(layer, kPerKm, 0.0), expected, 1e-6 * (1.0 + expected)) << z;
    }
}

TEST(ReflectionCoefficient, DRegionMagnitudesNearThePublishedOnes) {
    // Rough published magnitudes of this model (day h' 71 km, beta 0.4; night 85 km, 0.6):
    // agreement within a factor of two, and always in the right order.
    struct Point {
        double fcsKhz;
        double day;
        double night;
    };
    for (const Point& p : {Point{5.0, 0.47, 0.60}, Point{10.0, 0.22, 0.37}, Point{20.0, 0.05, 0.15},
                           Point{40.0, 0.003, 0.04}}) {
        const double day = reflectionMagnitude({71.0, 0.4}, p.fcsKhz);
        const double night = reflectionMagnitude({85.0, 0.6}, p.fcsKhz);
        EXPECT_NEAR(std::log10(day), std::log10(p.day), 0.3) << p.fcsKhz;
        EXPECT_NEAR(std::log10(night), std::log10(p.night), 0.3) << p.fcsKhz;
        EXPECT_GT(night, day) << p.fcsKhz;
    }
}

TEST(ReflectionCoefficient, ProfileMovesSmoothlyFromDayToNight) {
    EXPECT_DOUBLE_EQ(profileForZenith(0.0).referenceHeightKm, 71.0);
    EXPECT_DOUBLE_EQ(profileForZenith(0.0).sharpnessPerKm, 0.4);
    EXPECT_DOUBLE_EQ(profileForZenith(110.0).referenceHeightKm, 85.0);
    EXPECT_DOUBLE_EQ(profileForZenith(110.0).sharpnessPerKm, 0.6);
    DRegionProfile previous = profileForZenith(0.0);
    for (double chi = 0.5; chi <= 180.0; chi += 0.5) {
        const DRegionProfile p = profileForZenith(chi);
        EXPECT_GE(p.referenceHeightKm, previous.referenceHeightKm) << chi;
        EXPECT_LT(p.referenceHeightKm - previous.referenceHeightKm, 0.5) << chi;  // no jump
        EXPECT_GE(p.sharpnessPerKm, previous.sharpnessPerKm) << chi;
        previous = p;
    }
    EXPECT_NEAR(profileForCosZenith(0.5).referenceHeightKm,
                profileForZenith(60.0).referenceHeightKm, 1e-9);
}

TEST(ReflectionCoefficient, BundledTableIsBelowOneNightAboveDayAndFallsAsTheSunRises) {
    const TableFile rcx = reflectionFile("RCX2.dat");
    const auto cell = [&](std::size_t row, std::size_t column) {
        return rcx.values[row * kFcsCount + column];
    };
    for (std::size_t c = 0; c < kFcsCount; ++c) {
        for (std::size_t r = 0; r < kCsxCount; ++r) EXPECT_LT(cell(r, c), 0.0);  // log10 |R| < 0
        EXPECT_GT(cell(0, c), cell(kCsxCount - 1, c)) << c;  // midnight above noon
        for (std::size_t r = 1; r < kCsxCount; ++r) {
            if (kCsxAxis[r] <= 0.0) continue;  // the sun is up from here on
            if (cell(r - 1, c) > kMinLogReflection) {
                EXPECT_LT(cell(r, c), cell(r - 1, c)) << r << "," << c;
            } else {
                EXPECT_EQ(cell(r, c), kMinLogReflection) << r << "," << c;
            }
        }
    }
}

}  // namespace
}  // namespace fieldcast::tables
