// The night reference (P.1147) against hand-computed values, the fit of the night row, and
// the samples the fit takes from the program.
#include "night_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "night_sky_wave_reference.h"
#include "path_prediction.h"
#include "run_inputs.h"

namespace fieldcast::tables {
namespace {

TEST(NightReference, GeomagneticLatitudeOfTheDipole) {
    EXPECT_NEAR(geomagneticLatitudeDeg(78.5, -69.0), 90.0, 1e-9);  // the pole
    EXPECT_NEAR(geomagneticLatitudeDeg(-78.5, 111.0), -90.0, 1e-9);
    // on the pole's meridian the offset is the pole's colatitude, 11.5 degrees
    EXPECT_NEAR(geomagneticLatitudeDeg(0.0, -69.0), 11.5, 1e-9);
    EXPECT_NEAR(geomagneticLatitudeDeg(0.0, 111.0), -11.5, 1e-9);
    // Tokyo, about 25.5 degrees
    EXPECT_NEAR(geomagneticLatitudeDeg(35.7, 139.7), 25.45, 0.05);
}

TEST(NightReference, HandComputedFieldStrengths) {
    // 1000 kHz, 1000 km, Phi 40, no solar term: p = 1019.80 km,
    // k_R = 3.2 + 0.19 * 1000^0.4 * tan^2(43 deg) = 5.81858,
    // E = 106.6 - 2 sin 40 - 20 log10 p - k_R p / 1000 = 39.2103
    EXPECT_NEAR(slantPathKm(1000.0), 1019.804, 1e-3);
    EXPECT_NEAR(nightLossFactorDbPerMm(1000.0, 40.0), 5.81858, 1e-4);
    EXPECT_NEAR(nightSkyWaveDb(1000.0, 1000.0, {40.0, 0.0, 50.0}), 39.2103, 1e-3);
    // the solar term: b R/100 p/1000 = 4 * 1 * 1.0198
    EXPECT_NEAR(nightSkyWaveDb(1000.0, 1000.0, {40.0, 0.0, 100.0}) -
                    nightSkyWaveDb(1000.0, 1000.0, {40.0, 4.0, 100.0}),
                4.0792, 1e-3);
    // beyond 60 degrees k_R keeps its value at 60
    EXPECT_DOUBLE_EQ(nightLossFactorDbPerMm(200.0, 75.0), nightLossFactorDbPerMm(200.0, 60.0));
}

// A row linear in ln(f cos i) is the smoothest: sampled at every column it comes back.
TEST(NightFit, ReturnsARowThatTheSamplesFollowExactly) {
    std::vector<NightSample> samples;
    for (double v : kMfBand.fcsAxisKhz) {
        samples.push_back({v, -12.0 + 1.5 * std::log(v / 14.0), "line"});
    }
    const auto row = fitNightRow(kMfBand, samples);
    for (std::size_t j = 0; j < kFcsCount; ++j) {
        EXPECT_NEAR(row[j], samples[j].reflectionDb, 1e-6) << j;
    }
}

TEST(NightFit, HeldBelowTotalReflectionAndSmoothAcrossScatter) {
    // samples asking for |R| above 1 at the top, and a scattered cloud below
    std::vector<NightSample> samples;
    for (double v = 15.0; v < 1700.0; v *= 1.1) {
        const double wanted = v > 800.0 ? 3.0 : -8.0 + ((static_cast<int>(v) % 3) - 1) * 2.0;
        samples.push_back({v, wanted, "cloud"});
    }
    const auto row = fitNightRow(kMfBand, samples);
    for (std::size_t j = 0; j < kFcsCount; ++j) {
        EXPECT_LE(row[j], kMaxNightReflectionDb) << j;
        if (j > 0) {
            EXPECT_LT(std::fabs(row[j] - row[j - 1]), 6.0) << j;
        }
    }
    EXPECT_EQ(row.back(), kMaxNightReflectionDb);
}

// The anchors are held to a tolerance: where samples disagree the row takes the least
// largest miss, halfway between them, not their mean square (which three samples at -10 dB
// and one at -2 dB would put at -8 dB).
TEST(NightFit, TakesTheLeastLargestMissWhereSamplesDisagree) {
    std::vector<NightSample> samples(3, {56.0, -10.0, "low"});
    samples.push_back({56.0, -2.0, "high"});
    samples.push_back({300.0, -5.0, "other"});
    const auto row = fitNightRow(kMfBand, samples);
    ASSERT_EQ(kMfBand.fcsAxisKhz[4], 56.0);
    EXPECT_NEAR(row[4], -6.0, 0.05);
    EXPECT_NEAR(row[9], -5.0, 0.05);  // 300 kHz
}

TEST(NightFit, TooFewSamplesAreRefused) {
    // one sample cannot fix a row that is free up to a straight line
    EXPECT_THROW(fitNightRow(kLfBand, {{50.0, -10.0, "one"}}), std::runtime_error);
}

TEST(NightFit, MeasuredSamplesWithinTheAxisOnly) {
    const auto lf = measuredNightSamples(kLfBand);
    const auto mf = measuredNightSamples(kMfBand);
    int gbrLf = 0;
    for (const NightSample& s : lf) gbrLf += s.source == "GBR" ? 1 : 0;
    EXPECT_GT(gbrLf, 0);
    for (const NightSample& s : mf) {
        EXPECT_NE(s.source, "GBR");  // 3.5-7.3 kHz lies below the MF axis
        EXPECT_GE(s.freqCosIncidenceKhz, kMfBand.fcsAxisKhz.front());
    }
    for (const NightSample& s : lf) {
        if (s.source == "Decca") {
            EXPECT_NEAR(s.reflectionDb, 20.0 * std::log10(0.25), 1e-9);
        }
    }
}

TEST(NightFit, ReferenceSamplesAreWhatTheProgramNeedsOnThePath) {
    // On the bundled MF tables: each sample's |R| is P.1147's field less the program's field
    // with |R| = 1 on the same night path, at that path's f cos(i).
    auto inputs = std::make_unique<map::RunInputs>();
    loadLandPathInputs(std::filesystem::path(BUNDLED_DATA_ROOT) / "data/mf", 150.0, 1, 2, *inputs);
    const NightDesign design{30.0, 0.0};
    const auto samples = referenceNightSamples(*inputs, kMfBand, design);
    ASSERT_EQ(samples.size(), 10u * 11u);  // every P.1147 frequency of the band, 11 ranges
    for (const NightSample& s : samples) {
        EXPECT_GT(s.freqCosIncidenceKhz, kMfBand.fcsAxisKhz.front());
        EXPECT_LT(s.freqCosIncidenceKhz, kMfBand.fcsAxisKhz.back());
        EXPECT_GT(s.reflectionDb, -30.0);
        EXPECT_LE(s.reflectionDb, kMaxNightReflectionDb);
    }
    // one sample by hand: the first, 150 kHz at 300 km
    inputs->base.freqKhz = 150.0;
    const PathPrediction unit =
        predictPathWithUnitReflection(*inputs, pathAround({35.0, 135.0}, 300.0, 90.0));
    const double wanted = nightSkyWaveDb(150.0, unit.groundRangeKm, {30.0, 0.0, 50.0});
    EXPECT_NEAR(samples.front().reflectionDb, wanted - medianNightSkyWaveDb(unit), 1e-9);
    // the last, 1700 kHz at 1990 km, needs more than the highest night |R|: it asks for that
    inputs->base.freqKhz = 1700.0;
    const PathPrediction far =
        predictPathWithUnitReflection(*inputs, pathAround({35.0, 135.0}, 1990.0, 90.0));
    const double farNeeds =
        nightSkyWaveDb(1700.0, far.groundRangeKm, {30.0, 0.0, 50.0}) - medianNightSkyWaveDb(far);
    EXPECT_GT(farNeeds, kMaxNightReflectionDb);
    EXPECT_EQ(samples.back().reflectionDb, kMaxNightReflectionDb);
}

}  // namespace
}  // namespace fieldcast::tables
