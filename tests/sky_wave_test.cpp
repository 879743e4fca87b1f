#include "skywave/sky_wave.h"

#include <cmath>
#include <complex>

#include "record/file_names.h"
#include "record_helpers.h"
#include "skywave/sky_tables.h"

namespace fieldcast {
namespace {

using testing::passState;

// ---- table lookups on tables in memory

PredictionState skyTableState() {
    PredictionState state = passState();
    for (int i = 0; i < kFCount; ++i) state.fAxis[i] = 50.0 * (i + 1);      // 50..400 kHz
    for (int j = 0; j < kDCount; ++j) state.dAxis[j] = 200.0 * j;           // 0..2400 km
    for (int j = 0; j < kPsCount; ++j) state.psAxis[j] = 55.0 - 5.0 * j;    // 55..0 deg
    for (int i = 0; i < kCsxCount; ++i) state.csxAxis[i] = -1.0 + 0.2 * i;  // -1..1
    for (int j = 0; j < kFcsCount; ++j) state.fcsAxis[j] = 5.0 + 10.0 * j;  // 5..145 kHz
    for (int i = 0; i < kFCount; ++i) {
        for (int j = 0; j < kDCount; ++j) state.ffTable[i * kDCount + j] = 1.0 + 0.01 * j;
        for (int j = 0; j < kPsCount; ++j)
            state.afTable[i * kPsCount + j] = 1.0 - 0.05 * j - 0.01 * i;
    }
    for (int i = 0; i < kCsxCount; ++i) {
        for (int j = 0; j < kFcsCount; ++j) state.rcxTable[i * kFcsCount + j] = -0.1 * j - 0.1 * i;
    }
    return state;
}

TEST(SkyLookups, ElevationInDegreesOnTheDescendingAxis) {
    PredictionState state = skyTableState();
    state.freqKhz = 100.0;  // row 1 exactly
    state.elevationAngle = 0.5 * kDegPerRad;
    EXPECT_EQ(state.elevationAngle, 28.64788975654116);
    // 28.65 degrees lies between 30 (column 5) and 25 (column 6)
    const double expected = 0.74 + (0.69 - 0.74) * (28.64788975654116 - 30.0) / (25.0 - 30.0);
    EXPECT_NEAR(lookupAfFactor(state, state.afTable), expected, 1e-12);
    // an angle equal to an axis value takes that column
    state.elevationAngle = 25.0;
    EXPECT_NEAR(lookupAfFactor(state, state.afTable), 0.69, 1e-12);
    // a frequency above the last row: the last row alone
    state.freqKhz = 1000.0;
    EXPECT_NEAR(lookupAfFactor(state, state.afTable), 1.0 - 0.3 - 0.07, 1e-12);
}

TEST(SkyLookups, FfRowAndColumnRules) {
    PredictionState state = skyTableState();
    // rows told apart: row i holds 1 + 0.1 i + 0.01 j
    for (int i = 0; i < kFCount; ++i) {
        for (int j = 0; j < kDCount; ++j) state.ffTable[i * kDCount + j] += 0.1 * i;
    }
    state.hopRangeKm = 700.0;  // between 600 and 800
    state.freqKhz = 10.0;      // below the first row: the last row
    EXPECT_NEAR(lookupFfFactor(state), 1.0 + 0.1 * (kFCount - 1) + 0.035, 1e-12);
    state.freqKhz = 100.0;  // row 1 exactly
    EXPECT_NEAR(lookupFfFactor(state), 1.135, 1e-12);
    // a hop beyond the axis extrapolates on the last interval
    state.hopRangeKm = 2600.0;
    EXPECT_NEAR(lookupFfFactor(state), 1.23, 1e-12);
}

TEST(SkyLookups, RcxFactorIsTenToTheLookedUpValue) {
    PredictionState state = skyTableState();
    state.rcxTable.fill(0.0);
    state.freqCosIncidenceKhz = 20.0;
    state.cosSolarZenith = 0.3;
    EXPECT_EQ(lookupRcxFactor(state), 1.0);
    state.rcxTable.fill(-1.0);
    EXPECT_DOUBLE_EQ(lookupRcxFactor(state), 0.1);
    state.rcxTable.fill(0.5);
    EXPECT_EQ(lookupRcxFactor(state), 3.1622776601683795);
}

TEST(SkyLookups, RcxReportsExactColumnWithRowInterval) {
    PredictionState state = skyTableState();
    bool line4070 = false;
    state.freqCosIncidenceKhz = 5.0;  // the floor meets the first FCS value
    state.cosSolarZenith = 0.5;       // between 0.4 and 0.6
    const double factor = lookupRcxFactor(state, &line4070);
    EXPECT_TRUE(line4070);
    // interpolated along column 0 between rows 7 and 8
    EXPECT_NEAR(std::log10(factor), -0.75, 1e-12);
    state.cosSolarZenith = 2.0;  // outside: the last row, exact
    lookupRcxFactor(state, &line4070);
    EXPECT_FALSE(line4070);
    state.cosSolarZenith = 0.5;
    state.freqCosIncidenceKhz = 6.0;  // an interval
    lookupRcxFactor(state, &line4070);
    EXPECT_FALSE(line4070);
}

TEST(SkyTables, FileChoiceByCode) {
    EXPECT_STREQ(afFileName(1), "AF1.dat");
    EXPECT_STREQ(afFileName(2), "AF2.dat");
    for (int code : {0, 3, 4, -1}) EXPECT_STREQ(afFileName(code), "AF3.dat");
    EXPECT_STREQ(rcxFileName(2), "RCX2.dat");
    for (int code : {0, 3, 4, -1}) EXPECT_STREQ(rcxFileName(code), "RCX3.dat");
}

// ---- ground reflection, sky wave, combination

PredictionState reflectionState(int code, double freqKhz, double elevationDeg) {
    PredictionState state = passState();
    state.midGroundType = code;
    state.freqKhz = freqKhz;
    state.elevationAngle = elevationDeg * kRadPerDeg;
    setMidpointGround(state);
    computeGroundReflection(state);
    return state;
}

TEST(GroundReflection, WorkedCoefficients) {
    const PredictionState sea = reflectionState(1, 1000.0, 10.0);
    EXPECT_PRINTS(sea.groundReflMag, "0.9732");
    EXPECT_PRINTS(sea.groundReflPhaseDeg, "1.555");
    const PredictionState land = reflectionState(2, 1000.0, 10.0);
    EXPECT_PRINTS(land.groundReflMag, "0.2995");
    EXPECT_PRINTS(land.groundReflPhaseDeg, "81.050");
    const PredictionState dry = reflectionState(3, 531.0, 3.0);
    EXPECT_PRINTS(dry.groundReflMag, "0.6265");
    EXPECT_PRINTS(dry.groundReflPhaseDeg, "167.963");
    // 18000 sigma / f[MHz]
    EXPECT_DOUBLE_EQ(land.groundLossTerm, 36.0);
    // a loss term whose square leaves the doubles (a frequency near 0) gives no number, for
    // the 2-hop hour to refuse, not a magnitude of 0
    EXPECT_TRUE(std::isnan(reflectionState(1, 1e-100, 10.0).groundReflMag));
}

TEST(GroundReflection, GrazingIncidenceIsMinusOne) {
    for (int code = 1; code <= 3; ++code) {
        const PredictionState s = reflectionState(code, 100.0, 0.0);
        EXPECT_DOUBLE_EQ(s.groundReflMag, 1.0) << code;
        EXPECT_DOUBLE_EQ(s.groundReflPhaseDeg, 180.0) << code;
    }
}

TEST(GroundReflection, MatchesTheComplexFresnelCoefficient) {
    // |R| and -arg(R) of (eps sin - sqrt(eps - cos^2)) / (eps sin + sqrt(eps - cos^2))
    for (int code = 1; code <= 3; ++code) {
        for (double freqKhz : {40.0, 100.0, 531.0, 1600.0}) {
            for (double elevationDeg : {0.5, 3.0, 10.0, 30.0, 60.0, 89.0}) {
                const PredictionState s = reflectionState(code, freqKhz, elevationDeg);
                const std::complex<double> eps(s.groundPermittivity, -s.groundLossTerm);
                const double e = elevationDeg * kRadPerDeg;
                const std::complex<double> root = std::sqrt(eps - std::cos(e) * std::cos(e));
                const std::complex<double> r =
                    (eps * std::sin(e) - root) / (eps * std::sin(e) + root);
                EXPECT_NEAR(s.groundReflMag, std::abs(r), 1e-9);
                double phaseDeg = -std::arg(r) * kDegPerRad;
                if (phaseDeg < -90.0) phaseDeg += 360.0;
                EXPECT_NEAR(s.groundReflPhaseDeg, phaseDeg, 1e-7);
            }
        }
    }
}

// Q = sin^2 * M - B exactly 0: the phase is +90, -90 or 0 degrees by the sign of T alone.
// At vertical incidence sin is 1, so terms whose M is B itself make Q exactly 0; beta then
// sets the sign of T = sin(beta + psi / 2).
TEST(GroundReflection, PhaseWhereQIsExactlyZeroFollowsTheSignOfT) {
    PredictionState state = passState();
    state.elevationAngle = kHalfPi;
    state.groundPermittivity = 15.0;
    const double x = 36.0;
    const double k = std::cos(kHalfPi) * std::cos(kHalfPi);
    const double b = std::sqrt((15.0 - k) * (15.0 - k) + x * x);
    const double psi = -std::atan(x / (15.0 - k));
    GroundTerms terms{};
    terms.lossTerm = x;
    terms.permittivityModulusSq = b;  // so that Q = 1 * 1 * b - b
    terms.permittivityModulus = std::sqrt(b);
    terms.alpha = 0.0;
    ASSERT_EQ(std::sin(state.elevationAngle), 1.0);
    terms.beta = 1.0;  // T > 0
    EXPECT_EQ(evaluateGroundReflection(state, terms).phaseDeg, kHalfPi * kDegPerRad);
    terms.beta = 0.0;  // T < 0
    EXPECT_EQ(evaluateGroundReflection(state, terms).phaseDeg, -kHalfPi * kDegPerRad);
    terms.beta = -psi / 2.0;  // T = sin(0) = 0
    EXPECT_EQ(evaluateGroundReflection(state, terms).phaseDeg, 0.0);
}

TEST(GroundReflection, UnknownCodeKeepsTheEarlierGround) {
    PredictionState state = reflectionState(1, 100.0, 5.0);
    state.midGroundType = 7;
    setMidpointGround(state);
    EXPECT_EQ(state.groundPermittivity, 80.0);
    EXPECT_EQ(state.groundConductivitySm, 5.0);
    state.midGroundType = 3;
    setMidpointGround(state);
    EXPECT_EQ(state.groundPermittivity, 15.0);
    EXPECT_EQ(state.groundConductivitySm, 0.0005);
}

PredictionState skyWaveState(double rcxFactor) {
    PredictionState state = passState();
    state.txPowerKw = 10.0;
    state.freqKhz = 1000.0;
    state.skyPathKm = 1000.0;
    state.elevationAngle = 10.0;  // degrees, as the AF lookup leaves it
    state.rcxFactor = rcxFactor;
    state.ffFactor = state.txAfFactor = state.rxAfFactor = 1.0;
    state.midGroundType = 1;
    return state;
}

TEST(SkyWave, WorkedFieldStrengths) {
    PredictionState state = skyWaveState(1.0);
    computeSkyWave(state);
    EXPECT_PRINTS(state.skyWave1HopMvm, "1.8685");
    EXPECT_PRINTS(state.skyWave1HopDb, "65.43");
    EXPECT_NEAR(state.elevationAngle, 10.0 * kRadPerDeg, 1e-15);  // radians again

    state = skyWaveState(0.5);
    state.hopCount = 2;
    computeSkyWave(state);
    state.groundReflMag = 0.9;
    computeTwoHopSkyWave(state);
    EXPECT_PRINTS(state.skyWave1HopMvm, "0.9343");
    EXPECT_PRINTS(state.skyWave2HopMvm, "0.4204");
    EXPECT_DOUBLE_EQ(state.skyWave2HopMvm, state.skyWave1HopMvm * 0.5 * 0.9);
}

TEST(SkyWave, ReferenceFieldAndDecibels) {
    PredictionState state = skyWaveState(1.0);
    state.txPowerKw = 1.0;
    state.skyPathKm = 2.0 * 300.0;  // E1 = cos(elev) * 1 mV/m
    state.elevationAngle = 0.0;
    computeSkyWave(state);
    EXPECT_EQ(state.referenceFieldMvm, 300.0);
    EXPECT_DOUBLE_EQ(state.skyWave1HopMvm, 1.0);
    EXPECT_PRINTS(state.skyWave1HopDb, "60.000000");
}

TEST(SkyWave, OneHopIgnoresTheMidpointGround) {
    PredictionState sea = skyWaveState(0.7);
    PredictionState dry = skyWaveState(0.7);
    dry.midGroundType = 3;
    computeSkyWave(sea);
    computeSkyWave(dry);
    EXPECT_EQ(sea.skyWave1HopMvm, dry.skyWave1HopMvm);
    EXPECT_NE(sea.groundReflMag, dry.groundReflMag);
}

TEST(Combination, PhasorSum) {
    PredictionState state = passState();
    state.hopCount = 1;
    auto combine = [&](double es, double eg, double thetaDeg) {
        state.skyWave1HopMvm = es;
        state.groundWaveMvm = eg;
        state.phaseDiffDeg = thetaDeg;
        combineWithGroundWave(state);
        return state.combined1HopMvm;
    };
    EXPECT_DOUBLE_EQ(combine(3.0, 4.0, 0.0), 7.0);
    EXPECT_NEAR(combine(3.0, 4.0, 180.0), 1.0, 1e-12);
    EXPECT_NEAR(combine(3.0, 4.0, 90.0), 5.0, 1e-12);
    EXPECT_PRINTS(combine(0.541124, 0.5, 120.0), "0.521779");
    EXPECT_PRINTS(state.combined1HopDb, "54.35");
    // equal waves in opposition: zero, and a dB value of -inf rather than NaN
    EXPECT_EQ(combine(0.5, 0.5, 180.0), 0.0);
    EXPECT_TRUE(std::isinf(state.combined1HopDb));
    // waves one bit apart in opposition, whose rounded squares sum just below 2 es eg: 0 too
    EXPECT_EQ(combine(0.5001188, 0.5001188000000002, 180.0), 0.0);
    // waves whose squares leave the doubles are no cancellation: no number, for the hour to
    // refuse (they were reported as 0 mV/m, -inf dB)
    EXPECT_FALSE(std::isfinite(combine(1e155, 1e155, 180.0)));
}

TEST(Combination, TwoHopAddsTheGroundReflectionPhase) {
    PredictionState state = passState();
    state.hopCount = 2;
    state.skyWave2HopMvm = 0.8;
    state.groundWaveMvm = 0.6;
    state.phaseDiffDeg = 350.0;
    state.groundReflPhaseDeg = 170.0;  // 520 degrees in all, the cosine of 160
    combineWithGroundWave(state);
    const double expected = std::sqrt(0.64 + 0.36 + 2.0 * 0.8 * 0.6 * std::cos(160.0 * kRadPerDeg));
    EXPECT_NEAR(state.combined2HopMvm, expected, 1e-12);
    // a 1-hop path ignores the ground reflection's phase
    state.hopCount = 1;
    state.skyWave1HopMvm = 0.8;
    combineWithGroundWave(state);
    const double oneHop = state.combined1HopMvm;
    state.groundReflPhaseDeg = 10.0;
    combineWithGroundWave(state);
    EXPECT_EQ(state.combined1HopMvm, oneHop);
}

}  // namespace
}  // namespace fieldcast
