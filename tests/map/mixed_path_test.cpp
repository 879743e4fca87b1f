// Millington's mixed-path ground wave: its two defining properties (reciprocity, the plain
// curve on a path of one ground), the rules outside the curves' distances, a worked land-sea
// example on the bundled curves, and the sections that the mask gives along a great circle.
#include "mixed_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "groundwave/ground_wave.h"

namespace {

using fieldcast::map::GroundWaveCurves;
using fieldcast::map::homogeneousFieldDb;
using fieldcast::map::LandSeaMask;
using fieldcast::map::millingtonFieldDb;
using fieldcast::map::PathSection;
using fieldcast::map::pathSections;

const GroundWaveCurves& bundledCurves() {
    static const GroundWaveCurves curves = fieldcast::map::loadGroundWaveCurveSet(BUNDLED_DATA_DIR);
    return curves;
}

// The program's own lookup on a record holding the curve of `groundCode`, for 1 kW.
double programCurveDb(int groundCode, double freqKhz, double distanceKm) {
    const GroundWaveCurves& c = bundledCurves();
    auto state = std::make_unique<fieldcast::PredictionState>();
    state->gwFreqAxis = c.freqAxisKhz;
    state->gwDistAxis = c.distAxisKm;
    state->gwCurveTable =
        c.fieldDb[static_cast<std::size_t>(fieldcast::map::curveIndex(groundCode))];
    state->txPowerKw = 1.0;
    state->freqKhz = freqKhz;
    state->groundRangeKm = distanceKm;
    return fieldcast::lookupGroundWaveDb(*state);
}

TEST(MixedPath, OneGroundGivesTheProgramsCurveExactly) {
    // frequencies on and between the rows and outside them, distances on and between the
    // columns and beyond the last; code 7 takes the dry-land curve as code 3 does
    for (int code : {1, 2, 3, 7}) {
        for (double freqKhz : {20.0, 63.0, 100.0, 137.5, 300.0, 10.0, 500.0}) {
            for (double d : {50.0, 73.2, 100.0, 1234.5, 4000.0, 6500.0}) {
                const double curve = programCurveDb(code, freqKhz, d);
                EXPECT_EQ(homogeneousFieldDb(bundledCurves(), code, freqKhz, d), curve);
                // one ground in several sections (lengths that add up exactly)
                const std::vector<PathSection> pieces{
                    {code, d * 0.25}, {code == 3 ? 7 : code, d * 0.5}, {code, d * 0.25}};
                EXPECT_EQ(millingtonFieldDb(bundledCurves(), freqKhz, pieces), curve)
                    << "code " << code << ", " << freqKhz << " kHz, " << d << " km";
            }
        }
    }
}

TEST(MixedPath, ShortAndLongDistancesFollowTheirRules) {
    const GroundWaveCurves& c = bundledCurves();
    for (int code : {1, 2, 3}) {
        for (double f : {20.0, 100.0, 300.0}) {
            // continuous at the first distance of the curves
            EXPECT_NEAR(homogeneousFieldDb(c, code, f, 50.0 - 1e-9),
                        homogeneousFieldDb(c, code, f, 50.0), 1e-6);
            // near the transmitter every ground gives the inverse-distance field
            const double refAt100m = 109.54242509439325 - 20.0 * std::log10(0.1);
            EXPECT_NEAR(homogeneousFieldDb(c, code, f, 0.1), refAt100m, 0.05);
            // and the field still falls with distance
            EXPECT_GT(homogeneousFieldDb(c, code, f, 10.0), homogeneousFieldDb(c, code, f, 20.0));
            // beyond 4000 km the slope of the last interval goes on
            const double slope =
                homogeneousFieldDb(c, code, f, 4000.0) - homogeneousFieldDb(c, code, f, 3000.0);
            EXPECT_NEAR(homogeneousFieldDb(c, code, f, 12000.0),
                        homogeneousFieldDb(c, code, f, 4000.0) + 8.0 * slope, 1e-9);
        }
    }
    // a strip of sea 1 km wide at the transmitter changes a 500 km land path by very little
    const std::vector<PathSection> strip{{1, 1.0}, {2, 499.0}};
    EXPECT_NEAR(millingtonFieldDb(c, 100.0, strip), homogeneousFieldDb(c, 2, 100.0, 500.0), 0.05);
    // coincident ends: infinite, never NaN
    EXPECT_EQ(millingtonFieldDb(c, 100.0, std::vector<PathSection>{{2, 0.0}}), INFINITY);
}

TEST(MixedPath, ReciprocalOverRandomMixedPaths) {
    std::mt19937 random(14);
    std::uniform_int_distribution<int> sectionCount(2, 8);
    std::uniform_int_distribution<int> code(1, 3);
    std::uniform_real_distribution<double> length(0.5, 900.0);
    std::uniform_real_distribution<double> freq(15.0, 320.0);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<PathSection> sections(static_cast<std::size_t>(sectionCount(random)));
        for (PathSection& s : sections) s = {code(random), length(random)};
        const double f = freq(random);
        const double forward = millingtonFieldDb(bundledCurves(), f, sections);
        std::vector<PathSection> reversed(sections.rbegin(), sections.rend());
        EXPECT_NEAR(millingtonFieldDb(bundledCurves(), f, reversed), forward, 0.01);
        EXPECT_TRUE(std::isfinite(forward));
    }
}

// Worked example at 100 kHz (a row of FG.dat), every distance a column of DG.dat, values read
// from the bundled GW1.dat (sea) and GW3.dat (dry land), dB(uV/m) for 1 kW:
//   sea       S(100) 69.225  S(350) 56.592  S(450) 53.470
//   dry land  D(100) 63.976  D(350) 42.796  D(450) 37.112
// 100 km of dry land from the transmitter, then 350 km of sea:
//   ER = D(100) - S(100) + S(450) = 63.976 - 69.225 + 53.470 = 48.221
//   ET = S(350) - D(350) + D(450) = 56.592 - 42.796 + 37.112 = 50.908
//   E  = 49.5645, 12.45 dB above the all-dry-land 37.112 and 3.9 dB below the all-sea 53.470.
TEST(MixedPath, LandThenSeaWorkedExampleAndRecovery) {
    const GroundWaveCurves& c = bundledCurves();
    const std::vector<PathSection> landThenSea{{3, 100.0}, {1, 350.0}};
    EXPECT_NEAR(millingtonFieldDb(c, 100.0, landThenSea), 49.5645, 1e-9);
    const std::vector<PathSection> seaThenLand{{1, 350.0}, {3, 100.0}};
    EXPECT_NEAR(millingtonFieldDb(c, 100.0, seaThenLand), 49.5645, 1e-9);

    // Recovery: with the land section fixed, the field over the sea climbs above the
    // all-land field ever further as the sea section grows, and stays below the all-sea one.
    // (Not at the lowest frequencies over long paths, where the curves of land and sea
    // meet: the inductive surface impedance of land lowers its attenuation there.)
    for (int landCode : {2, 3}) {
        for (double f : {75.0, 100.0, 300.0}) {
            double previousGainDb = 0.0;
            for (double seaKm = 25.0; seaKm <= 1000.0; seaKm += 25.0) {
                const std::vector<PathSection> path{{landCode, 100.0}, {1, seaKm}};
                const double mixed = millingtonFieldDb(c, f, path);
                const double gainDb = mixed - homogeneousFieldDb(c, landCode, f, 100.0 + seaKm);
                EXPECT_GT(gainDb, previousGainDb) << landCode << " " << f << " kHz " << seaKm;
                EXPECT_LT(mixed, homogeneousFieldDb(c, 1, f, 100.0 + seaKm));
                previousGainDb = gainDb;
            }
        }
    }
}

// A mask of land west of 140 E and sea east of it, 0.01 degree cells, around the equator.
LandSeaMask halfLandMask() {
    const int lonCount = 401;  // 138.00 .. 142.00
    const int latCount = 201;  // -1.00 .. 1.00
    std::vector<bool> land(static_cast<std::size_t>(lonCount) * latCount);
    for (int r = 0; r < latCount; ++r) {
        for (int i = 0; i < lonCount; ++i)
            land[static_cast<std::size_t>(r) * lonCount + i] = i < 200;
    }
    return LandSeaMask(138.0, -1.0, 0.01, lonCount, latCount, land);
}

TEST(MixedPath, SectionsAlongAGreatCircleFromTheMask) {
    const LandSeaMask mask = halfLandMask();
    // along the equator from 139 E to 141 E: land to the midpoint between the nodes
    // 139.99 (land) and 140.00 (sea), the tie going east
    const double lengthKm = 2.0 * 111.0;
    for (double stepKm : {5.0, 1.0, 0.25}) {
        const std::vector<PathSection> s =
            pathSections(mask, 3, 0.0, 139.0, 0.0, 141.0, lengthKm, stepKm);
        ASSERT_EQ(s.size(), 2U);
        EXPECT_EQ(s[0].groundCode, 3);
        EXPECT_EQ(s[1].groundCode, 1);
        EXPECT_NEAR(s[0].lengthKm, lengthKm * 0.995 / 2.0, stepKm / 1000.0);
        EXPECT_NEAR(s[0].lengthKm + s[1].lengthKm, lengthKm, 1e-9);
        // the reverse path: the same sections, reversed
        const std::vector<PathSection> r =
            pathSections(mask, 3, 0.0, 141.0, 0.0, 139.0, lengthKm, stepKm);
        ASSERT_EQ(r.size(), 2U);
        EXPECT_EQ(r[0].groundCode, 1);
        EXPECT_DOUBLE_EQ(r[0].lengthKm, s[1].lengthKm);
    }
    // a path within one ground is one section
    const std::vector<PathSection> sea = pathSections(mask, 2, -0.5, 140.5, 0.7, 141.9, 200.0);
    ASSERT_EQ(sea.size(), 1U);
    EXPECT_EQ(sea[0].groundCode, 1);
}

TEST(MixedPath, ReciprocalThroughTheMask) {
    // islands scattered over sea: many boundaries on most paths
    const int lonCount = 301;
    const int latCount = 301;
    std::vector<bool> land(static_cast<std::size_t>(lonCount) * latCount);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> node(0, lonCount - 1);
    for (int island = 0; island < 60; ++island) {
        const int ci = node(random);
        const int cj = node(random);
        for (int r = std::max(0, cj - 6); r < std::min(latCount, cj + 6); ++r) {
            for (int i = std::max(0, ci - 9); i < std::min(lonCount, ci + 9); ++i) {
                land[static_cast<std::size_t>(r) * lonCount + i] = true;
            }
        }
    }
    const LandSeaMask mask(120.0, 30.0, 0.02, lonCount, latCount, land);
    std::uniform_real_distribution<double> lat(30.2, 35.8);
    std::uniform_real_distribution<double> lon(120.2, 125.8);
    int mixedPaths = 0;
    for (int trial = 0; trial < 200; ++trial) {
        const double aLat = lat(random), aLon = lon(random), bLat = lat(random), bLon = lon(random);
        const double lengthKm = 100.0 + 4.0 * trial;  // any length: the sections scale with it
        const auto sections = pathSections(mask, 2, aLat, aLon, bLat, bLon, lengthKm, 2.0);
        if (sections.size() > 2) ++mixedPaths;
        const double forward = fieldcast::map::mixedPathFieldDb(bundledCurves(), mask, 2, 150.0,
                                                                aLat, aLon, bLat, bLon, lengthKm);
        const double backward = fieldcast::map::mixedPathFieldDb(bundledCurves(), mask, 2, 150.0,
                                                                 bLat, bLon, aLat, aLon, lengthKm);
        EXPECT_NEAR(forward, backward, 0.01);
    }
    EXPECT_GT(mixedPaths, 100);  // the test crossed coasts
}

// Fault: a ground wave of a mixed path that was no number was refused naming the transmitter's
// curve file, whatever curve gave it: a sea curve beyond the doubles sent the user to "GW.dat".
TEST(MixedPath, NamesTheCurveThatGivesNoFiniteField) {
    GroundWaveCurves curves = bundledCurves();
    auto& sea = curves.fieldDb[static_cast<std::size_t>(fieldcast::map::curveIndex(1))];
    for (std::size_t i = 0; i < sea.size(); ++i) sea[i] = i % 2 == 0 ? 1e308 : -1e308;
    auto& dry = curves.fieldDb[static_cast<std::size_t>(fieldcast::map::curveIndex(3))];
    dry.fill(1e300);  // finite lookups whose field in mV/m leaves the doubles

    int blamed = 0;
    const std::vector<PathSection> landSea{{2, 300.0}, {1, 200.0}};
    EXPECT_FALSE(std::isfinite(millingtonFieldDb(curves, 100.0, landSea, &blamed)));
    EXPECT_EQ(blamed, 1);
    const std::vector<PathSection> landDry{{2, 300.0}, {3, 200.0}, {2, 10.0}};
    EXPECT_GT(millingtonFieldDb(curves, 100.0, landDry, &blamed), 1e299);
    EXPECT_EQ(blamed, 3);
    // a curve that the path does not cross is not read
    const std::vector<PathSection> land{{2, 500.0}};
    EXPECT_EQ(millingtonFieldDb(curves, 100.0, land, &blamed),
              homogeneousFieldDb(bundledCurves(), 2, 100.0, 500.0));
    EXPECT_EQ(blamed, 2);
}

}  // namespace
