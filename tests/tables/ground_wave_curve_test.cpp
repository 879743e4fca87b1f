// Ground-wave curves against the reference field, published curve values, an independent
// evaluation of the flat-earth function, tabulated Airy zeros and the joins of the methods.
#include "ground_wave_curve.h"

#include <gsl/gsl_sf_dawson.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fock_airy.h"
#include "lookup/interpolate_grid.h"
#include "table_axes.h"
#include "table_set.h"

namespace fieldcast::tables {
namespace {

constexpr Ground kPerfectConductor{1.0, 1e12};

TEST(GroundWaveCurve, ReferenceFieldAt1KmIs109Point5Db) {
    // 300 mV/m at 1 km for 1 kW over a perfectly conducting plane
    EXPECT_NEAR(GroundWaveCurve(kPerfectConductor, 100.0).fieldDb(1.0), 109.542, 0.002);
    // sea at LF is still practically perfect at 1 km
    EXPECT_NEAR(GroundWaveCurve(kSeaGround, 100.0).fieldDb(1.0), 109.54, 0.01);
}

struct ReferencePoint {
    Ground ground;
    double freqKhz;
    double distanceKm;
    double fieldDb;
};

std::vector<ReferencePoint> readReferencePoints() {
    std::ifstream in(std::string(TABLES_TEST_DATA_DIR) + "/ground_wave_reference.csv");
    std::string line;
    std::getline(in, line);  // header with units
    std::vector<ReferencePoint> points;
    while (std::getline(in, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream fields(line);
        ReferencePoint p{};
        fields >> p.ground.relPermittivity >> p.ground.conductivitySm >> p.freqKhz >>
            p.distanceKm >> p.fieldDb;
        points.push_back(p);
    }
    return points;
}

TEST(GroundWaveCurve, MatchesPublishedCurvesWithinHalfADecibel) {
    const std::vector<ReferencePoint> points = readReferencePoints();
    ASSERT_EQ(points.size(), 5u);
    for (const ReferencePoint& p : points) {
        const double computed = GroundWaveCurve(p.ground, p.freqKhz).fieldDb(p.distanceKm);
        EXPECT_NEAR(computed, p.fieldDb, 0.5)
            << p.ground.relPermittivity << "/" << p.ground.conductivitySm << " at " << p.distanceKm;
    }
}

TEST(GroundWaveCurve, FlatEarthFunctionMatchesDawsonForm) {
    // For real p: F(p) = 1 - 2 sqrt(p) D(sqrt p) + i sqrt(pi p) e^-p, D Dawson's integral.
    for (double p : {0.0, 0.05, 0.5, 1.0, 3.0, 10.0, 100.0}) {
        const double root = std::sqrt(p);
        const Complex expected(1.0 - 2.0 * root * gsl_sf_dawson(root),
                               std::sqrt(kPi * p) * std::exp(-p));
        const Complex f = flatEarthAttenuation(p);
        EXPECT_NEAR(f.real(), expected.real(), 1e-12) << p;
        EXPECT_NEAR(f.imag(), expected.imag(), 1e-12) << p;
    }
    // far out |F| -> 1 / (2p): the 1/d^2 fall of the Norton surface wave
    EXPECT_NEAR(std::abs(flatEarthAttenuation(1e4)), 1.0 / 2e4, 1e-7);
}

TEST(GroundWaveCurve, RootsAreAiryZerosOnTheRayForBothLimits) {
    const Complex ray = std::polar(1.0, kPi / 3.0);
    // q = 0: zeros of w', i.e. of Ai' (a'_1 = -1.018793, a'_2 = -3.248198)
    EXPECT_LT(std::abs(fockRoot(0.0, 1) - 1.018793 * ray), 1e-6);
    EXPECT_LT(std::abs(fockRoot(0.0, 2) - 3.248198 * ray), 1e-6);
    // q large: zeros of w, i.e. of Ai (a_1 = -2.338107), shifted by 1/q
    const Complex q(3e3, 3e3);
    EXPECT_LT(std::abs(fockRoot(q, 1) - (2.338107 * ray + 1.0 / q)), 1e-5);
    // every root solves w' - q w = 0 for a ground of the bundled set, and following each from
    // q = 0 never lands two on the same root
    const Complex qLand = GroundWaveCurve(kDryLandGround, 300.0).q();
    std::vector<Complex> roots;
    extendFockRoots(qLand, 40, roots);
    for (std::size_t s = 0; s < roots.size(); ++s) {
        const FockAiryValue v = fockAiry(roots[s]);
        EXPECT_LT(std::abs(v.wPrime - qLand * v.w), 1e-9 * std::abs(v.w)) << s;
        for (std::size_t r = 0; r < s; ++r) EXPECT_GT(std::abs(roots[s] - roots[r]), 0.1) << s;
    }
}

TEST(GroundWaveCurve, MethodsJoinWithoutAStep) {
    for (Ground ground : {kSeaGround, kLandGround, kDryLandGround, Ground{5.0, 1e-5}}) {
        for (double freqKhz : {10.0, 20.0, 100.0, 300.0, 1000.0}) {
            const GroundWaveCurve curve(ground, freqKhz);
            const double d = curve.switchDistanceKm();
            const double stepDb = 20.0 * std::log10(std::abs(curve.flatAttenuation(d)) /
                                                    std::abs(curve.residueAttenuation(d)));
            EXPECT_LT(std::fabs(stepDb), 0.1) << ground.conductivitySm << " S/m, " << freqKhz;
        }
    }
}

TEST(GroundWaveCurve, CurvatureMattersOnlyFarOut) {
    // Against the flat earth alone, curvature costs little at 20 km but tens of dB at 2000 km.
    const GroundWaveCurve curve(kLandGround, 100.0);
    const auto flatDb = [&](double d) {
        return 20.0 * std::log10(std::abs(flatEarthAttenuation(curve.numericalDistance(d))));
    };
    const auto curvedDb = [&](double d) {
        return 20.0 * std::log10(std::abs(curve.attenuation(d)));
    };
    EXPECT_NEAR(curvedDb(20.0), flatDb(20.0), 0.05);
    EXPECT_LT(curvedDb(2000.0), flatDb(2000.0) - 10.0);
}

TEST(GroundWaveCurve, BundledCurvesOrderByGroundAndFallWithDistance) {
    const TableFile sea = groundWaveFile("GW1.dat", kSeaGround);
    const TableFile land = groundWaveFile("GW.dat", kLandGround);
    const TableFile dry = groundWaveFile("GW3.dat", kDryLandGround);
    for (std::size_t i = 0; i < sea.values.size(); ++i) {
        // Not everywhere for sea and land: at the lowest frequencies and long ranges the inductive
        // surface impedance of land lowers the first mode's attenuation below the sea's.
        if (kGwDistAxisKm[i % kGwDistCount] <= 1000.0) {
            EXPECT_GE(sea.values[i], land.values[i]) << i;
        }
        EXPECT_GT(land.values[i], dry.values[i]) << i;
        if (i % kGwDistCount != 0) {
            EXPECT_LT(dry.values[i], dry.values[i - 1]) << i;
        }
    }
}

TEST(GroundWaveCurve, TableInterpolationStaysWithinOneDecibelOverTheBand) {
    // The program interpolates linearly in frequency and distance; where the field of 1 kW is
    // above 0 dB(uV/m) the tables must stay within 1 dB of the curves.
    for (Ground ground : {kSeaGround, kLandGround, kDryLandGround}) {
        const TableFile table = groundWaveFile("GW.dat", ground);
        for (double freqKhz = kBandLowKhz; freqKhz <= kBandHighKhz; freqKhz *= 1.17) {
            const GroundWaveCurve curve(ground, freqKhz);
            for (double d = 50.5; d <= 4000.0; d *= 1.19) {
                const double exact = curve.fieldDb(d);
                if (exact < 0.0) continue;
                const double looked =
                    interpolateGrid(kGwDistAxisKm, AxisOrder::ascending, kGwFreqAxisKhz,
                                    table.values, d, freqKhz, kGwDistCount - 2, kGwFreqCount - 2);
                EXPECT_NEAR(looked, exact, 1.0) << freqKhz << " kHz, " << d << " km";
            }
        }
    }
}

}  // namespace
}  // namespace fieldcast::tables
