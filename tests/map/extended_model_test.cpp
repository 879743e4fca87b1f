// The extended model against fieldcast's hour where they share a path, and its own rules: no
// step at 2000 km or at 4000 km or where an order sinks into the shadow, its range, the antenna
// factor past grazing and the sums.
#include "extended_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <filesystem>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "coastline_grounds.h"
#include "driver/input_files.h"
#include "geomagnetic_dipole.h"
#include "geometry/great_circle.h"
#include "ground_wave_curve.h"
#include "groundwave/ground_wave.h"
#include "mixed_path.h"
#include "point_prediction.h"
#include "run_inputs.h"
#include "skywave/sky_tables.h"

namespace fieldcast::map {
namespace {

struct Site {
    double latDeg;
    double lonDeg;
};

// `distanceKm` from `from` along the initial bearing, on the sphere of the ground range.
Site destination(Site from, double distanceKm, double bearingDeg) {
    const GreatCircleStep to =
        stepAlongGreatCircle(from.latDeg * kRadPerDeg, distanceKm, bearingDeg * kRadPerDeg);
    return {to.lat * kDegPerRad, from.lonDeg + to.lonOffset * kDegPerRad};
}

std::unique_ptr<RunInputs> bundledInputs(double freqKhz, int month, int resultMode,
                                         CombineRule combine = CombineRule::power) {
    auto inputs = std::make_unique<RunInputs>();
    InputOverrides o;
    o.freqKhz = freqKhz;
    o.month = month;
    o.resultMode = resultMode;
    loadRunInputs(BUNDLED_DATA_DIR, o, *inputs);
    inputs->model = {PropagationModel::extended, combine};
    return inputs;
}

Site transmitter(const RunInputs& inputs) { return {inputs.base.txLat, inputs.base.txLon}; }

TEST(ExtendedModel, OneHopOrderIsFieldcastsOneHopSkyWave) {
    std::mt19937 random(13);
    std::uniform_real_distribution<double> range(60.0, 2000.0);
    std::uniform_real_distribution<double> bearing(0.0, 360.0);
    for (const double freqKhz : {40.0, 100.0, 300.0}) {
        for (const int month : {1, 6, 10}) {
            auto inputs = bundledInputs(freqKhz, month, 2);
            RunInputs classicInputs = *inputs;
            classicInputs.model = {};
            PointPredictor classic(classicInputs);
            ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
            for (int i = 0; i < 20; ++i) {
                const Site rx = destination(transmitter(*inputs), range(random), bearing(random));
                PointResult expected{};
                PointResult result{};
                ASSERT_FALSE(classic.predict(rx.latDeg, rx.lonDeg, expected));
                ASSERT_EQ(expected.pathKind, PathKind::oneHop);
                const auto refusal = extended.predict(rx.latDeg, rx.lonDeg, result);
                ASSERT_FALSE(refusal) << refusal->line << " hour " << refusal->hourIndex;
                ASSERT_EQ(result.pathKind, PathKind::skyWave);
                EXPECT_EQ(result.groundWaveDb, expected.groundWaveDb);
                for (int h = 0; h < kHoursPerDay; ++h) {
                    const HopOrderField one = extended.orderField(1, h);
                    ASSERT_TRUE(one.reaches);
                    // the same double, so the same printed digits
                    EXPECT_EQ(one.mvm, expected.hours[static_cast<std::size_t>(h)].skyWaveMvm)
                        << freqKhz << " kHz month " << month << " hour " << h << " at "
                        << expected.groundRangeKm << " km";
                }
            }
        }
    }
}

// The field either side of the classic model's steps, at every hour, by day and by night.
TEST(ExtendedModel, NoStepAt2000Or4000Km) {
    for (const double freqKhz : {40.0, 60.0, 100.0, 150.0, 200.0, 300.0}) {
        for (const int month : {1, 6}) {
            for (const int resultMode : {1, 2}) {  // the sky wave alone, and with the ground wave
                auto inputs = bundledInputs(freqKhz, month, resultMode);
                ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
                for (const double bearingDeg : {0.0, 90.0, 200.0, 270.0}) {
                    for (const double edgeKm : {2000.0, 4000.0}) {
                        PointResult nearSide{};
                        PointResult farSide{};
                        const Site a = destination(transmitter(*inputs), edgeKm - 10.0, bearingDeg);
                        const Site b = destination(transmitter(*inputs), edgeKm + 10.0, bearingDeg);
                        ASSERT_FALSE(extended.predict(a.latDeg, a.lonDeg, nearSide));
                        ASSERT_FALSE(extended.predict(b.latDeg, b.lonDeg, farSide));
                        for (int h = 0; h < kHoursPerDay; ++h) {
                            const double step = reportedField(farSide, h, resultMode).db -
                                                reportedField(nearSide, h, resultMode).db;
                            EXPECT_LT(std::fabs(step), 3.0)
                                << freqKhz << " kHz month " << month << " mode " << resultMode
                                << " bearing " << bearingDeg << " at " << edgeKm << " km hour "
                                << h;
                        }
                    }
                }
            }
        }
    }
}

// Out to 12,000 km no order may leave the sum while it still counts: where a ray sinks into the
// shadow the next order has long taken over, by day too (with the rays cut at a fixed 2 degrees
// below grazing the one-hop ray left the daytime field with a 12 dB step near 2850 km).
TEST(ExtendedModel, NoStepWhereAnOrderSinksIntoTheShadow) {
    for (const double freqKhz : {40.0, 100.0, 300.0}) {
        for (const int month : {1, 6}) {
            auto inputs = bundledInputs(freqKhz, month, 2);
            ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
            PointResult previous{};
            for (double rangeKm = 1000.0; rangeKm <= 11995.0; rangeKm += 5.0) {
                const Site rx = destination(transmitter(*inputs), rangeKm, 60.0);
                PointResult result{};
                ASSERT_FALSE(extended.predict(rx.latDeg, rx.lonDeg, result));
                if (rangeKm > 1000.0) {
                    for (int h = 0; h < kHoursPerDay; ++h) {
                        const auto at = static_cast<std::size_t>(h);
                        EXPECT_LT(
                            std::fabs(result.hours[at].combinedDb - previous.hours[at].combinedDb),
                            2.0)
                            << freqKhz << " kHz month " << month << " at " << rangeKm << " km hour "
                            << h;
                    }
                }
                previous = result;
            }
        }
    }
}

// Each end of a hop lies in the shadow of its own ground: with the sea at one end and dry
// ground at the other, an order reaches or not whichever end the transmitter stands at (the
// elevation is the same both ways), and the sweep passes through both cases.
TEST(ExtendedModel, EachEndInTheShadowOfItsOwnGround) {
    const auto endsOn = [](int txGround, int rxGround) {
        auto inputs = bundledInputs(100.0, 1, 1);
        inputs->base.txGroundType = txGround;
        inputs->base.rxGroundType = rxGround;
        requireRead(loadAfTable(BUNDLED_DATA_DIR, txGround, inputs->txAfTable));
        requireRead(loadAfTable(BUNDLED_DATA_DIR, rxGround, inputs->rxAfTable));
        return inputs;
    };
    const auto seaFirst = endsOn(1, 3);
    const auto dryFirst = endsOn(3, 1);
    ExtendedPredictor fromSea(*seaFirst, nullptr, nullptr, CombineRule::power);
    ExtendedPredictor fromDry(*dryFirst, nullptr, nullptr, CombineRule::power);
    int reachBoth = 0;
    int reachNeither = 0;
    for (double rangeKm = 5000.0; rangeKm <= 8000.0; rangeKm += 50.0) {
        const Site rx = destination(transmitter(*seaFirst), rangeKm, 60.0);
        PointResult a{};
        PointResult b{};
        ASSERT_FALSE(fromSea.predict(rx.latDeg, rx.lonDeg, a));
        ASSERT_FALSE(fromDry.predict(rx.latDeg, rx.lonDeg, b));
        for (int h = 0; h < kHoursPerDay; ++h) {
            const bool reachesA = fromSea.orderField(1, h).reaches;
            const bool reachesB = fromDry.orderField(1, h).reaches;
            EXPECT_EQ(reachesA, reachesB) << rangeKm << " km hour " << h;
            reachBoth += static_cast<int>(reachesA && reachesB);
            reachNeither += static_cast<int>(!reachesA && !reachesB);
        }
    }
    EXPECT_GT(reachBoth, 0);
    EXPECT_GT(reachNeither, 0);
}

// From the second order on, each reflection is taken at the middle of its own hop, under the
// sun of its own longitude: the orders are the same whichever end transmits (the first keeps
// fieldcast's hour of the receiving longitude). Only the field's cos of the elevation, taken at
// the transmitting end, differs, by well under 1 %: placing the reflections at the ends of the
// hops instead moves the field by more than 1 % at most hours.
TEST(ExtendedModel, LaterOrdersReflectAtTheirHopsMiddlesWhicheverEndTransmits) {
    auto forward = bundledInputs(100.0, 3, 1);
    // one ground at both ends, so that each end's antenna factor is that of the other
    ASSERT_EQ(forward->base.txGroundType, forward->base.rxGroundType);
    const Site tx = transmitter(*forward);
    for (const double bearingDeg : {80.0, 200.0}) {
        const Site rx = destination(tx, 5200.0, bearingDeg);
        auto backward = bundledInputs(100.0, 3, 1);
        backward->base.txLat = rx.latDeg;
        backward->base.txLon = rx.lonDeg;
        ExtendedPredictor there(*forward, nullptr, nullptr, CombineRule::power);
        ExtendedPredictor back(*backward, nullptr, nullptr, CombineRule::power);
        PointResult a{};
        PointResult b{};
        ASSERT_FALSE(there.predict(rx.latDeg, rx.lonDeg, a));
        ASSERT_FALSE(back.predict(tx.latDeg, tx.lonDeg, b));
        for (int order = 2; order <= 4; ++order) {
            for (int h = 0; h < kHoursPerDay; ++h) {
                const HopOrderField one = there.orderField(order, h);
                const HopOrderField other = back.orderField(order, h);
                EXPECT_EQ(one.reaches, other.reaches) << order << " hops hour " << h;
                EXPECT_NEAR(one.mvm, other.mvm, 1e-2 * one.mvm)
                    << bearingDeg << " degrees, " << order << " hops hour " << h;
            }
        }
    }
}

TEST(ExtendedModel, RangeTo12000KmWithTheCurvesExtrapolated) {
    auto inputs = bundledInputs(100.0, 3, 2);
    ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
    PointResult result{};
    const Site inside = destination(transmitter(*inputs), 11990.0, 300.0);
    ASSERT_FALSE(extended.predict(inside.latDeg, inside.lonDeg, result));
    EXPECT_EQ(result.pathKind, PathKind::skyWave);
    const PredictionState& s = inputs->base;
    // past the curves' last distance: their own straight line in dB, with the power
    EXPECT_NEAR(
        result.groundWaveDb,
        curveFieldDb(s.gwFreqAxis, s.gwDistAxis, s.gwCurveTable, result.groundRangeKm, s.freqKhz) +
            10.0 * std::log10(s.txPowerKw),
        1e-9);
    for (int h = 0; h < kHoursPerDay; ++h) {
        const HourResult& hour = result.hours[static_cast<std::size_t>(h)];
        EXPECT_TRUE(std::isfinite(hour.combinedDb)) << h;
        EXPECT_GE(hour.strongestHopOrder, extended.firstHopOrder());
        EXPECT_GE(hour.hopOrderCount, 1);
        // more than 4600 km per hop is beyond any ray that reaches the ground
        EXPECT_GE(hour.strongestHopOrder, 3);
    }
    const Site outside = destination(transmitter(*inputs), 12010.0, 300.0);
    ASSERT_FALSE(extended.predict(outside.latDeg, outside.lonDeg, result));
    EXPECT_EQ(result.pathKind, PathKind::beyondRange);
}

TEST(ExtendedModel, AntennaFactorPastGrazingAndFocusingOfHops) {
    auto inputs = bundledInputs(100.0, 6, 2);
    PredictionState s = inputs->base;
    const std::span<const double> land(inputs->txAfTable);
    s.elevationAngle = 0.0;
    const double atZero = antennaFactorPastGrazing(s, land, 2);
    s.elevationAngle = 1.0;
    EXPECT_EQ(antennaFactorPastGrazing(s, land, 2), lookupAfFactor(s, land));  // the table
    s.elevationAngle = -1e-9;
    EXPECT_NEAR(antennaFactorPastGrazing(s, land, 2), atZero, 1e-9);  // continuous at 0
    // falling into the shadow, faster the deeper (Fock's pattern bends down)
    double previous = atZero;
    double previousStepDb = 0.0;
    for (const double elevationDeg : {-0.5, -1.0, -1.5, -2.0}) {
        s.elevationAngle = elevationDeg;
        const double factor = antennaFactorPastGrazing(s, land, 2);
        const double stepDb = 20.0 * std::log10(factor / previous);
        EXPECT_LT(stepDb, previousStepDb) << elevationDeg;
        EXPECT_GT(factor, 0.0);
        previous = factor;
        previousStepDb = stepDb;
    }
    // the sea's surface impedance is smaller: the shadow darkens more slowly than over land
    EXPECT_GT(shadowFallDb(1, 100.0, -2.0), shadowFallDb(2, 100.0, -2.0));
    EXPECT_EQ(shadowFallDb(2, 100.0, 0.5), 0.0);

    EXPECT_EQ(hopOrderFocusing(1, 1.3), 1.0);
    // two hops of a short path: the lateral spreading of one path, next to nothing
    EXPECT_NEAR(hopOrderFocusing(2, 0.1), 1.0, 1e-3);
    // toward the antipode the great circles converge
    EXPECT_GT(hopOrderFocusing(6, 2.8), hopOrderFocusing(6, 1.5));
}

// Below the tables' floor of f cos(i) the reflection follows exp(-a cos i) to 1 at grazing; at
// the ground the downcoming wave's horizontal part reflects with the horizontal coefficient.
TEST(ExtendedModel, GrazingReflectionAndPolarisationAtTheGround) {
    // GBR's autumn day, a = 4 at 16 kHz: the floor's |R| carries the law below the floor
    const double a = 4.0;
    const double f = 16.0;
    const double atFloor = std::exp(-a * kFreqCosIncidenceFloorKhz / f);
    EXPECT_NEAR(reflectionBelowFloor(atFloor, 0.15 * f), std::exp(-a * 0.15), 1e-12);
    EXPECT_EQ(reflectionBelowFloor(atFloor, 0.0), 1.0);
    EXPECT_EQ(reflectionBelowFloor(atFloor, 7.0), atFloor);  // above the floor: the table's

    // land at 200 kHz: at normal incidence both polarisations reflect alike; near the vertical
    // coefficient's pseudo-Brewster minimum the horizontal one stays near 1
    PredictionState s = bundledInputs(200.0, 1, 2)->base;
    s.midGroundType = 2;
    setMidpointGround(s);
    const GroundTerms land = computeGroundTerms(s);
    s.elevationAngle = kHalfPi;
    computeGroundReflection(s, land);
    EXPECT_NEAR(horizontalGroundReflectionMag(kHalfPi, s.groundPermittivity, land.lossTerm),
                s.groundReflMag, 1e-9);
    s.elevationAngle = 4.0 * kRadPerDeg;
    computeGroundReflection(s, land);
    EXPECT_LT(s.groundReflMag, 0.6);
    EXPECT_GT(horizontalGroundReflectionMag(s.elevationAngle, s.groundPermittivity, land.lossTerm),
              0.95);
    EXPECT_NEAR(horizontalGroundReflectionMag(0.0, s.groundPermittivity, land.lossTerm), 1.0,
                1e-12);

    // the ordinary wave's horizontal part: none along the geomagnetic meridian, cot(I)^2
    // across it (dip 47.4 degrees at geomagnetic latitude 28.5), at most the vertical's
    const double phi = 28.5 * kRadPerDeg;
    EXPECT_NEAR(crossPolarPowerRatio(phi, 0.0), 0.0, 1e-15);
    EXPECT_NEAR(crossPolarPowerRatio(phi, kHalfPi), 1.0 / (4.0 * std::pow(std::tan(phi), 2)),
                1e-12);
    EXPECT_NEAR(crossPolarPowerRatio(-phi, -kHalfPi), crossPolarPowerRatio(phi, kHalfPi), 1e-12);
    EXPECT_EQ(crossPolarPowerRatio(0.0, kHalfPi), 1.0);
    // a path toward the geomagnetic pole runs along the meridian, one at right angles across
    const double lat = 40.0 * kRadPerDeg;
    const double lon = -69.0 * kRadPerDeg;
    EXPECT_NEAR(geomagneticAzimuthRad(lat, lon, 60.0 * kRadPerDeg, lon), 0.0, 1e-12);
    EXPECT_NEAR(geomagneticLatitudeRad(lat, lon), (90.0 - 78.5 + 40.0) * kRadPerDeg, 1e-12);
}

// The sea's reflection at an intermediate point is that of the curved earth where the plane
// coefficient no longer holds: the plane |Rv| passed its pseudo-Brewster minimum and turned back
// to 1 within 0.05 degrees of grazing, and the field along a path over the sea fell into a notch
// of up to 6.4 dB before rising again where the two-hop order's sea reflection met grazing
// (4400-4950 km, 40-100 kHz, bundled transmitter, northward along the geomagnetic meridian, where
// the downcoming wave's horizontal part is small). That field falls with range: no point may
// lie deeper than 0.5 dB under the higher of its two sides.
TEST(ExtendedModel, NoNotchWhereASeaReflectionNearsGrazing) {
    constexpr double kSideKm = 400.0;
    constexpr double kStepKm = 10.0;
    for (const double freqKhz : {40.0, 60.0, 77.5, 100.0}) {
        for (const int month : {1, 6}) {
            auto inputs = bundledInputs(freqKhz, month, 1);
            ASSERT_EQ(inputs->base.midGroundType, 1);  // the reflections over the sea
            ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
            std::vector<double> rangesKm;
            std::vector<std::array<double, kHoursPerDay>> fieldDb;
            for (double rangeKm = 4000.0; rangeKm <= 5400.0; rangeKm += kStepKm) {
                const Site rx = destination(transmitter(*inputs), rangeKm, 0.0);
                PointResult result{};
                ASSERT_FALSE(extended.predict(rx.latDeg, rx.lonDeg, result));
                rangesKm.push_back(rangeKm);
                auto& hours = fieldDb.emplace_back();
                for (int h = 0; h < kHoursPerDay; ++h) {
                    hours[static_cast<std::size_t>(h)] =
                        result.hours[static_cast<std::size_t>(h)].skyWaveDb;
                }
            }
            const auto side = static_cast<std::size_t>(kSideKm / kStepKm);
            for (std::size_t i = side; i + side < rangesKm.size(); ++i) {
                for (std::size_t h = 0; h < kHoursPerDay; ++h) {
                    double before = -1e9;
                    double after = -1e9;
                    for (std::size_t k = 1; k <= side; ++k) {
                        before = std::max(before, fieldDb[i - k][h]);
                        after = std::max(after, fieldDb[i + k][h]);
                    }
                    EXPECT_LT(std::min(before, after) - fieldDb[i][h], 0.5)
                        << freqKhz << " kHz month " << month << " at " << rangesKm[i] << " km hour "
                        << h;
                }
            }
        }
    }
}

// Near grazing the sea's intermediate reflection tends to the curved earth's limit, not to the
// plane's pseudo-Brewster minimum and -1; from s = m sin(psi) of kCurvedJoinS on it is the
// core's plane coefficient, and land keeps the plane coefficients at every angle.
TEST(ExtendedModel, SeaReflectionOfTheCurvedEarthNearGrazing) {
    for (const double freqKhz : {20.0, 40.0, 100.0, 300.0}) {
        PredictionState s = bundledInputs(freqKhz, 1, 2)->base;
        const double m = tables::fockScale(freqKhz, kEffectiveEarthRadiusKm);
        const auto plane = [&](int code, double elevationRad) {
            s.midGroundType = code;
            setMidpointGround(s);
            s.elevationAngle = elevationRad;
            const GroundTerms ground = computeGroundTerms(s);
            computeGroundReflection(s, ground);
            return GroundReflectionMags{
                s.groundReflMag,
                horizontalGroundReflectionMag(elevationRad, s.groundPermittivity, ground.lossTerm)};
        };
        const double atGrazing = curvedGroundReflectionMags(s, 1, 0.0).vertical;
        // 1 - |R| of about 1.7 |q| at grazing, |q| = m |delta| of the sea
        s.midGroundType = 1;
        setMidpointGround(s);
        const GroundTerms sea = computeGroundTerms(s);
        const double q =
            m *
            std::sqrt(std::abs(std::complex<double>(s.groundPermittivity, sea.lossTerm) - 1.0)) /
            std::abs(std::complex<double>(s.groundPermittivity, sea.lossTerm));
        EXPECT_NEAR(1.0 - atGrazing, 1.7 * q, 0.15 * q) << freqKhz;
        EXPECT_EQ(curvedGroundReflectionMags(s, 1, -0.01).vertical, atGrazing);
        double planeMin = 1.0;
        for (double deg = 0.0; deg <= 3.0; deg += 0.005) {
            const double psi = deg * kRadPerDeg;
            const GroundReflectionMags curved = curvedGroundReflectionMags(s, 1, psi);
            EXPECT_GE(curved.vertical, atGrazing - 1e-6) << freqKhz << " kHz " << deg;
            EXPECT_GT(curved.horizontal, 0.99);
            planeMin = std::min(planeMin, plane(1, psi).vertical);
            const GroundReflectionMags land = curvedGroundReflectionMags(s, 2, psi);
            EXPECT_EQ(land.vertical, plane(2, psi).vertical);
            EXPECT_EQ(land.horizontal, plane(2, psi).horizontal);
        }
        EXPECT_LT(planeMin, 0.45) << freqKhz;  // the plane minimum left behind
        const double joinRad = std::asin(kCurvedJoinS / m);
        const GroundReflectionMags below = curvedGroundReflectionMags(s, 1, joinRad - 1e-9);
        const GroundReflectionMags above = curvedGroundReflectionMags(s, 1, joinRad + 1e-9);
        EXPECT_NEAR(20.0 * std::log10(below.vertical / above.vertical), 0.0, 0.03) << freqKhz;
        EXPECT_NEAR(20.0 * std::log10(below.horizontal / above.horizontal), 0.0, 0.03);
        EXPECT_EQ(above.vertical, plane(1, joinRad + 1e-9).vertical);
    }
}

// Every hop after the first loses at least as much as it is given: no order may stand above the
// field of one ray spread over the whole ground range with the largest focusing of the tables.
// Over the sea at VLF and low LF by night the ground reflects both polarisations fully and |R|
// nears 1 at grazing: each hop then gained up to 3 dB, 20 dB over 8 hops of 10,000 km.
// Fault: far above the tables' band (3 and 30 MHz on the LF set) their edge extrapolation
// gave |R| above 1 and a field of 260 dB(uV/m).
TEST(ExtendedModel, NoOrderAboveOneRayOverTheWholePath) {
    for (const double freqKhz : {20.0, 40.0, 100.0, 3000.0, 30000.0}) {
        auto inputs = bundledInputs(freqKhz, 1, 2);
        inputs->base.midGroundType = 1;  // sea under every ground reflection
        const PredictionState& s = inputs->base;
        const double largestFf = *std::max_element(s.ffTable.begin(), s.ffTable.end());
        ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
        for (const double bearingDeg : {10.0, 100.0, 235.0}) {
            for (const double rangeKm : {3000.0, 6000.0, 10180.0}) {
                const Site rx = destination(transmitter(*inputs), rangeKm, bearingDeg);
                PointResult result{};
                ASSERT_FALSE(extended.predict(rx.latDeg, rx.lonDeg, result));
                const double centralAngle = result.groundRangeKm / kRangeEarthRadiusKm;
                for (const int h : {0, 6, 12, 18}) {
                    for (int n = extended.firstHopOrder(); n < extended.firstHopOrder() + 24; ++n) {
                        const HopOrderField f = extended.orderField(n, h);
                        if (!f.reaches) continue;
                        const double bound = 2.0 * kReferenceFieldMvm * std::sqrt(s.txPowerKw) *
                                             largestFf * hopOrderFocusing(n, centralAngle) /
                                             result.groundRangeKm;
                        EXPECT_LE(f.mvm, bound)
                            << freqKhz << " kHz bearing " << bearingDeg << " at " << rangeKm
                            << " km hour " << h << " order " << n;
                    }
                }
            }
        }
    }
}

// The sum stops once the orders have passed their peak, not at an order that dips alone (one of
// its control points in daylight while those of the orders around it are not): at 15 kHz on a
// 9820 km path the sum stopped at the fourth order, 26 dB under the orders after it.
TEST(ExtendedModel, SumNotStoppedByAnOrderThatDipsAlone) {
    for (const double freqKhz : {15.0, 20.0, 100.0}) {
        // January: the dips of these paths fall in its nights
        auto inputs = bundledInputs(freqKhz, 1, 1);
        inputs->base.solarActivityCode = 1;
        ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
        for (const double bearingDeg : {10.0, 100.0, 235.0}) {
            for (double rangeKm = 9070.0; rangeKm < 11000.0; rangeKm += 250.0) {
                const Site rx = destination(transmitter(*inputs), rangeKm, bearingDeg);
                PointResult result{};
                ASSERT_FALSE(extended.predict(rx.latDeg, rx.lonDeg, result));
                for (int h = 0; h < kHoursPerDay; ++h) {
                    double everyOrder = 0.0;
                    for (int n = extended.firstHopOrder(); n <= kMaxHopOrder; ++n) {
                        const HopOrderField f = extended.orderField(n, h);
                        if (f.reaches) everyOrder += f.mvm * f.mvm;
                    }
                    const double missingDb =
                        10.0 * std::log10(everyOrder) -
                        20.0 * std::log10(result.hours[static_cast<std::size_t>(h)].skyWaveMvm);
                    EXPECT_LT(missingDb, 0.5) << freqKhz << " kHz bearing " << bearingDeg << " at "
                                              << rangeKm << " km hour " << h;
                }
            }
        }
    }
}

// A place is the same place whichever turn its longitude is written in: the first order's
// control point is the path's own midpoint across the antimeridian (up to 6 dB apart at 2980 km
// from 80 S 100 E when the receiving point was written west of it) and across a pole.
TEST(ExtendedModel, SameFieldWhicheverTurnTheLongitudesAreWrittenIn) {
    struct Case {
        Site tx;
        Site rx;
        double turnedTxLonDeg;
        double turnedRxLonDeg;
    };
    const Case cases[] = {
        {{-80.0, 100.0}, {-63.16, 180.09}, 100.0, -179.91},  // across the antimeridian
        {{-80.0, 100.0}, {-70.0, 200.0}, 100.0, -160.0},
        {{36.0, 140.0}, {30.0, 190.0}, 140.0, -170.0},
        {{85.0, 0.0}, {75.0, 170.0}, 360.0, 170.0},  // across the North Pole
        {{-84.0, 30.0}, {-78.0, 200.0}, 30.0, -160.0},
    };
    for (const double freqKhz : {40.0, 100.0, 300.0}) {
        for (const Case& c : cases) {
            std::array<PointResult, 2> results{};
            for (int turned = 0; turned < 2; ++turned) {
                auto inputs = bundledInputs(freqKhz, 6, 2);
                inputs->base.txLat = c.tx.latDeg;
                inputs->base.txLon = turned ? c.turnedTxLonDeg : c.tx.lonDeg;
                ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::power);
                ASSERT_FALSE(extended.predict(c.rx.latDeg, turned ? c.turnedRxLonDeg : c.rx.lonDeg,
                                              results[static_cast<std::size_t>(turned)]));
            }
            ASSERT_EQ(results[0].pathKind, PathKind::skyWave);
            for (int h = 0; h < kHoursPerDay; ++h) {
                const auto at = static_cast<std::size_t>(h);
                EXPECT_NEAR(results[1].hours[at].combinedDb, results[0].hours[at].combinedDb, 1e-6)
                    << freqKhz << " kHz from " << c.tx.latDeg << " " << c.tx.lonDeg << " to "
                    << c.rx.latDeg << " " << c.rx.lonDeg << " hour " << h;
            }
        }
    }
}

TEST(ExtendedModel, PowerAndPhasorSumsOfTheOrders) {
    auto powerInputs = bundledInputs(60.0, 1, 2, CombineRule::power);
    auto phasorInputs = bundledInputs(60.0, 1, 2, CombineRule::phasor);
    ExtendedPredictor power(*powerInputs, nullptr, nullptr, CombineRule::power);
    ExtendedPredictor phasor(*phasorInputs, nullptr, nullptr, CombineRule::phasor);
    const Site rx = destination(transmitter(*powerInputs), 2600.0, 250.0);
    PointResult byPower{};
    PointResult byPhasor{};
    ASSERT_FALSE(power.predict(rx.latDeg, rx.lonDeg, byPower));
    ASSERT_FALSE(phasor.predict(rx.latDeg, rx.lonDeg, byPhasor));
    bool differs = false;
    for (int h = 0; h < kHoursPerDay; ++h) {
        const HourResult& p = byPower.hours[static_cast<std::size_t>(h)];
        const HourResult& q = byPhasor.hours[static_cast<std::size_t>(h)];
        ASSERT_GE(q.hopOrderCount, p.hopOrderCount);  // the phasor sum may need more orders
        double powerSum = 0.0;
        std::complex<double> phasorSum = 0.0;  // each order lagging by its phase
        double amplitudeSum = 0.0;
        double strongest = 0.0;
        int strongestOrder = 0;
        int counted = 0;
        for (int n = power.firstHopOrder(); counted < q.hopOrderCount; ++n) {
            const HopOrderField f = power.orderField(n, h);
            if (!f.reaches) continue;
            phasorSum += std::polar(f.mvm, -f.phaseDeg * kRadPerDeg);
            amplitudeSum += f.mvm;
            if (++counted > p.hopOrderCount) continue;
            powerSum += f.mvm * f.mvm;
            if (f.mvm > strongest) {
                strongest = f.mvm;
                strongestOrder = n;
            }
        }
        EXPECT_EQ(strongestOrder, p.strongestHopOrder) << h;
        EXPECT_NEAR(p.skyWaveMvm, std::sqrt(powerSum), 1e-12 * p.skyWaveMvm);
        EXPECT_NEAR(p.combinedMvm, std::hypot(p.skyWaveMvm, byPower.groundWaveMvm),
                    1e-12 * p.combinedMvm);
        // phasors: no more than the amplitudes added, no less than the strongest less the rest
        EXPECT_LE(q.skyWaveMvm, amplitudeSum * (1.0 + 1e-12));
        EXPECT_GE(q.skyWaveMvm, (2.0 * strongest - amplitudeSum) * (1.0 - 1e-12));
        // the ground wave adds in phase with a sky wave of no path difference, as in fieldcast's
        // combination: |Eg + sum of the orders' phasors|
        EXPECT_NEAR(q.skyWaveMvm, std::abs(phasorSum), 1e-9 * q.skyWaveMvm);
        EXPECT_NEAR(q.combinedMvm, std::abs(byPhasor.groundWaveMvm + phasorSum),
                    1e-9 * q.combinedMvm);
        differs = differs || std::fabs(q.combinedDb - p.combinedDb) > 0.5;
    }
    EXPECT_TRUE(differs);  // the phases matter somewhere in the day
}

// Under --ground coastlines every intermediate ground reflection takes the ground under it and
// the ground wave is Millington's: over a mask of land alone the run equals the one of land
// codes, over one of sea alone the higher orders gain the sea's reflection.
TEST(ExtendedModel, GroundsFromTheMaskAtEveryReflection) {
    auto inputs = bundledInputs(100.0, 1, 2);
    inputs->base.txGroundType = 2;
    inputs->base.rxGroundType = 2;
    inputs->base.midGroundType = 2;
    requireRead(loadAfTable(BUNDLED_DATA_DIR, 2, inputs->txAfTable));
    inputs->rxAfTable = inputs->txAfTable;
    const GroundWaveCurves curves = loadGroundWaveCurveSet(BUNDLED_DATA_DIR);
    const auto grounds = [&](bool land) {
        auto g = std::make_unique<RunGrounds>(RunGrounds{
            LandSeaMask(-180.0, -90.0, 1.0, 361, 181, std::vector<bool>(361 * 181, land)),
            CoastlineResolution::crude,
            MaskCost{},
            2,
            false,
            {},
            inputs->txAfTable});
        requireRead(loadAfTable(BUNDLED_DATA_DIR, 1, g->seaAfTable));
        return g;
    };
    const auto allLand = grounds(true);
    const auto allSea = grounds(false);
    ExtendedPredictor codes(*inputs, nullptr, nullptr, CombineRule::power);
    ExtendedPredictor land(*inputs, allLand.get(), &curves, CombineRule::power);
    ExtendedPredictor sea(*inputs, allSea.get(), &curves, CombineRule::power);
    for (const double rangeKm : {800.0, 3000.0, 7000.0}) {
        const Site rx = destination(transmitter(*inputs), rangeKm, 250.0);
        PointResult byCodes{};
        PointResult byLand{};
        PointResult bySea{};
        ASSERT_FALSE(codes.predict(rx.latDeg, rx.lonDeg, byCodes));
        ASSERT_FALSE(land.predict(rx.latDeg, rx.lonDeg, byLand));
        ASSERT_FALSE(sea.predict(rx.latDeg, rx.lonDeg, bySea));
        EXPECT_NEAR(byLand.groundWaveDb, byCodes.groundWaveDb, 1e-9) << rangeKm;
        EXPECT_GT(bySea.groundWaveDb, byLand.groundWaveDb + 3.0) << rangeKm;
        for (int h = 0; h < kHoursPerDay; ++h) {
            const auto i = static_cast<std::size_t>(h);
            EXPECT_EQ(byLand.hours[i].skyWaveMvm, byCodes.hours[i].skyWaveMvm);
            // two sea reflections against two land ones at 5-10 degrees, above land's
            // pseudo-Brewster angle (the sea's antenna factor at the receiving end alone gives
            // about 10 %); nearer grazing the land's coefficient rises toward 1 again
            if (rangeKm == 3000.0) {
                EXPECT_GT(sea.orderField(3, h).mvm, land.orderField(3, h).mvm * 1.5) << h;
            }
        }
    }
}

// Within 50 km the ground wave is the transmitter's curve below its first distance, or
// Millington's over the mask, and the orders are summed as beyond: fieldcast's closed form there
// knows no ground and no sky wave, and stood 36 dB above the land curve at 50 km at 1700 kHz (5 dB
// at 300 kHz), and a receiver at sea got the field of land. Only the transmitter's own point,
// whose field is infinite, keeps it.
TEST(ExtendedModel, NoStepAt50KmAndTheGroundWithinIt) {
    const std::filesystem::path lfDir = BUNDLED_DATA_DIR;
    for (const auto& [dir, freqKhz] :
         {std::pair{lfDir, 300.0}, std::pair{lfDir.parent_path() / "mf", 1700.0}}) {
        for (const int month : {1, 6}) {
            RunInputs inputs;
            InputOverrides o;
            o.freqKhz = freqKhz;
            o.month = month;
            o.resultMode = 2;
            o.txGroundType = 2;
            o.midGroundType = 2;
            loadRunInputs(dir, o, inputs);
            inputs.model = {PropagationModel::extended, CombineRule::power};
            ExtendedPredictor extended(inputs, nullptr, nullptr, CombineRule::power);
            const Site tx = transmitter(inputs);
            PointResult nearSide{};
            PointResult farSide{};
            const Site a = destination(tx, 49.9, 120.0);
            const Site b = destination(tx, 50.1, 120.0);
            ASSERT_FALSE(extended.predict(a.latDeg, a.lonDeg, nearSide));
            ASSERT_FALSE(extended.predict(b.latDeg, b.lonDeg, farSide));
            EXPECT_EQ(nearSide.pathKind, PathKind::skyWave);
            EXPECT_NEAR(nearSide.groundWaveDb, farSide.groundWaveDb, 0.2) << freqKhz;
            for (int h = 0; h < kHoursPerDay; ++h) {
                const auto i = static_cast<std::size_t>(h);
                EXPECT_GT(nearSide.hours[i].hopOrderCount, 0) << freqKhz << " hour " << h;
                EXPECT_NEAR(nearSide.hours[i].combinedDb, farSide.hours[i].combinedDb, 0.2)
                    << freqKhz << " kHz month " << month << " hour " << h;
            }
            PointResult atTx{};
            ASSERT_FALSE(extended.predict(tx.latDeg, tx.lonDeg, atTx));
            EXPECT_EQ(atTx.pathKind, PathKind::groundOnly);
            EXPECT_EQ(atTx.groundWaveDb, std::numeric_limits<double>::infinity());

            // 30 km over the sea against over land
            const GroundWaveCurves curves = loadGroundWaveCurveSet(dir);
            RunGrounds sea{LandSeaMask(-180.0, -90.0, 1.0, 361, 181, std::vector<bool>(361 * 181)),
                           CoastlineResolution::crude,
                           MaskCost{},
                           2,
                           false,
                           {},
                           inputs.rxAfTable};
            requireRead(loadAfTable(dir, 1, sea.seaAfTable));
            ExtendedPredictor overSea(inputs, &sea, &curves, CombineRule::power);
            const Site c = destination(tx, 30.0, 120.0);
            PointResult byLand{};
            PointResult bySea{};
            ASSERT_FALSE(extended.predict(c.latDeg, c.lonDeg, byLand));
            ASSERT_FALSE(overSea.predict(c.latDeg, c.lonDeg, bySea));
            const double powerDb = 10.0 * std::log10(inputs.base.txPowerKw);
            EXPECT_NEAR(byLand.groundWaveDb,
                        homogeneousFieldDb(curves, 2, freqKhz, byLand.groundRangeKm) + powerDb,
                        1e-9);
            EXPECT_NEAR(bySea.groundWaveDb,
                        homogeneousFieldDb(curves, 1, freqKhz, bySea.groundRangeKm) + powerDb,
                        1e-9);
            EXPECT_GT(bySea.groundWaveDb, byLand.groundWaveDb + 2.0) << freqKhz;
        }
    }
}

// The phasor sum stops where no order left could move it by 0.1 dB, whatever its phase: the
// power an order adds says nothing near a null of the others. Stopped by the power rule, the sum
// stood 2.2 dB off that of every order at 500 km (100 kHz, the sky wave against the ground
// wave) and 8.6 dB off at 7250 km (40 kHz, the orders against each other).
TEST(ExtendedModel, PhasorSumStopsWhereNoOrderCanMoveIt) {
    struct Case {
        Site tx;
        double freqKhz;
        int month;
        int activity;
        double bearingDeg;
        double rangeKm;
    };
    const Case cases[] = {
        {{40.0, -105.0}, 100.0, 4, 2, 90.0, 500.0},
        {{36.0, 140.0}, 40.0, 1, 1, 60.0, 7250.0},
        {{-35.0, 150.0}, 300.0, 1, 2, 300.0, 9150.0},
    };
    for (const Case& c : cases) {
        for (const int resultMode : {1, 2}) {
            auto inputs = bundledInputs(c.freqKhz, c.month, resultMode, CombineRule::phasor);
            inputs->base.txLat = c.tx.latDeg;
            inputs->base.txLon = c.tx.lonDeg;
            inputs->base.solarActivityCode = c.activity;
            ExtendedPredictor extended(*inputs, nullptr, nullptr, CombineRule::phasor);
            const Site rx = destination(c.tx, c.rangeKm, c.bearingDeg);
            PointResult result{};
            ASSERT_FALSE(extended.predict(rx.latDeg, rx.lonDeg, result));
            for (int h = 0; h < kHoursPerDay; ++h) {
                std::complex<double> everyOrder = resultMode == 2 ? result.groundWaveMvm : 0.0;
                for (int n = extended.firstHopOrder(); n <= kMaxHopOrder; ++n) {
                    const HopOrderField f = extended.orderField(n, h);
                    if (f.reaches) everyOrder += std::polar(f.mvm, -f.phaseDeg * kRadPerDeg);
                }
                const FieldStrength reported = reportedField(result, h, resultMode);
                EXPECT_NEAR(reported.db, 20.0 * std::log10(1000.0 * std::abs(everyOrder)), 0.3)
                    << c.freqKhz << " kHz at " << c.rangeKm << " km, mode " << resultMode
                    << " hour " << h;
            }
        }
    }
}

}  // namespace
}  // namespace fieldcast::map
