// The bundled axes against what the program looks up: every path of 50 to 4000 km at every
// hour, month and activity code over the claimed band must fall inside every axis, through
// the program's own range, E-layer and hop-geometry steps.
#include "table_axes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "driver/prediction_state.h"
#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"
#include "physics_constants.h"

namespace fieldcast::tables {
namespace {

// Receiving point at `rangeKm` along `bearingRad` from the transmitter, on the range sphere.
void placeReceiver(PredictionState& s, double rangeKm, double bearingRad) {
    const double delta = rangeKm / kRangeEarthRadiusKm;
    const double lat = std::asin(std::sin(s.txLat) * std::cos(delta) +
                                 std::cos(s.txLat) * std::sin(delta) * std::cos(bearingRad));
    s.rxLat = lat;
    s.rxLon = s.txLon + std::atan2(std::sin(bearingRad) * std::sin(delta) * std::cos(s.txLat),
                                   std::cos(delta) - std::sin(s.txLat) * std::sin(lat));
}

struct Extremes {
    double minValue = 1e300;
    double maxValue = -1e300;
    void add(double v) {
        minValue = std::min(minValue, v);
        maxValue = std::max(maxValue, v);
    }
};

TEST(TableAxes, CoverEveryLookupOfThePredictionOverEachBand) {
    for (const BandAxes* axes : kBandAxes) {
        const double low = axes->band.lowKhz;
        const double high = axes->band.highKhz;
        Extremes hop, elevationDeg, fcs, cosZenith, range;
        for (double freqKhz : {low, std::sqrt(low * high), high}) {
            for (double txLatDeg : {-45.0, 0.0, 36.0, 62.0}) {
                for (double rangeKm :
                     {50.01, 80.0, 300.0, 1000.0, 1999.9, 2000.0, 2000.1, 3000.0, 3999.99}) {
                    for (double bearingDeg : {0.0, 90.0, 225.0}) {
                        for (int code = 1; code <= 3; ++code) {
                            for (int month = 1; month <= 12; ++month) {
                                for (int hour = 0; hour < 24; ++hour) {
                                    PredictionState s{};
                                    s.degPerRad = kDegPerRad;
                                    s.radPerDeg = kRadPerDeg;
                                    s.speedOfLightKmS = kSpeedOfLightKmS;
                                    s.effectiveEarthRadiusKm = kEffectiveEarthRadiusKm;
                                    s.freqKhz = freqKhz;
                                    s.txLat = txLatDeg * kRadPerDeg;
                                    s.txLon = 140.0 * kRadPerDeg;
                                    placeReceiver(s, rangeKm, bearingDeg * kRadPerDeg);
                                    computeGroundRange(s);
                                    s.solarActivityCode = code;
                                    s.month = month;
                                    s.hourIndex = hour;
                                    computeHopGeometryFromRecord(s);
                                    range.add(s.groundRangeKm);
                                    hop.add(s.hopRangeKm);
                                    elevationDeg.add(s.elevationAngle * kDegPerRad);
                                    fcs.add(s.freqCosIncidenceKhz);
                                    cosZenith.add(s.cosSolarZenith);
                                }
                            }
                        }
                    }
                }
            }
        }
        SCOPED_TRACE(axes->band.name);
        // columns: inside the axis, never beyond its ends (the last value itself is an exact
        // hit)
        EXPECT_GE(range.minValue, axes->gwDistKm.front());
        EXPECT_LE(range.maxValue, axes->gwDistKm.back());
        EXPECT_GT(hop.minValue, axes->hopRangeKm.front());
        EXPECT_LE(hop.maxValue, axes->hopRangeKm.back());
        EXPECT_LT(elevationDeg.maxValue, axes->elevationDeg.front());
        EXPECT_GT(elevationDeg.minValue, axes->elevationDeg.back());
        // inside the first interval: the 5 kHz floor in LF, no column hit exactly
        EXPECT_GT(fcs.minValue, axes->freqCosIncidenceKhz.front());
        EXPECT_LE(fcs.maxValue, axes->freqCosIncidenceKhz.back());
        // rows: the whole range of cos(zenith)
        EXPECT_GE(cosZenith.minValue, axes->cosSolarZenith.front());
        EXPECT_LE(cosZenith.maxValue, axes->cosSolarZenith.back());
        // the band lies inside both frequency axes
        EXPECT_GE(low, axes->gwFreqKhz.front());
        EXPECT_LE(high, axes->gwFreqKhz.back());
        EXPECT_GE(low, axes->fKhz.front());
        EXPECT_LE(high, axes->fKhz.back());
    }
}

TEST(TableAxes, AreOrderedAsTheLookupsRequire) {
    for (const BandAxes* a : kBandAxes) {
        EXPECT_TRUE(std::is_sorted(a->gwFreqKhz.begin(), a->gwFreqKhz.end()));
        EXPECT_TRUE(std::is_sorted(a->gwDistKm.begin(), a->gwDistKm.end()));
        EXPECT_TRUE(std::is_sorted(a->fKhz.begin(), a->fKhz.end()));
        EXPECT_TRUE(std::is_sorted(a->hopRangeKm.begin(), a->hopRangeKm.end()));
        EXPECT_TRUE(
            std::is_sorted(a->elevationDeg.rbegin(), a->elevationDeg.rend()));  // descending
        EXPECT_TRUE(std::is_sorted(a->cosSolarZenith.begin(), a->cosSolarZenith.end()));
        EXPECT_TRUE(std::is_sorted(a->freqCosIncidenceKhz.begin(), a->freqCosIncidenceKhz.end()));
        EXPECT_EQ(std::adjacent_find(a->elevationDeg.begin(), a->elevationDeg.end()),
                  a->elevationDeg.end());
    }
}

TEST(TableAxes, BandsByNameAndTheDataSetForAFrequency) {
    EXPECT_EQ(bandAxes("lf"), &kLfBand);
    EXPECT_EQ(bandAxes("mf"), &kMfBand);
    EXPECT_EQ(bandAxes("hf"), nullptr);
    // where the bands overlap the LF set is named first; each band's ends belong to it
    EXPECT_EQ(dataSetForFrequency(20.0)->folder, "data/default");
    EXPECT_EQ(dataSetForFrequency(300.0)->folder, "data/default");
    EXPECT_EQ(dataSetForFrequency(300.5)->folder, "data/mf");
    EXPECT_EQ(dataSetForFrequency(1700.0)->folder, "data/mf");
    EXPECT_EQ(dataSetForFrequency(19.9), nullptr);
    EXPECT_EQ(dataSetForFrequency(1700.5), nullptr);
}

}  // namespace
}  // namespace fieldcast::tables
