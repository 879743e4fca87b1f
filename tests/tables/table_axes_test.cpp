// The bundled axes against what the program looks up: every path of 50 to 4000 km at every
// hour, month and activity code over the claimed band must fall inside every axis, through
// the program's own range, E-layer and hop-geometry steps.
#include "table_axes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "driver/input_files.h"
#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"
#include "physics_constants.h"
#include "record/prediction_state.h"
#include "table_set.h"
#include "test_files.h"

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

TEST(TableAxes, CoverEveryLookupOfThePredictionOverTheBand) {
    Extremes hop, elevationDeg, fcs, cosZenith, range;
    for (double freqKhz : {kBandLowKhz, 50.0, 100.0, 200.0, kBandHighKhz}) {
        for (double txLatDeg : {-45.0, 0.0, 36.0, 62.0}) {
            for (double rangeKm :
                 {50.01, 80.0, 300.0, 1000.0, 1999.9, 2000.0, 2000.1, 3000.0, 3999.99}) {
                for (double bearingDeg : {0.0, 90.0, 225.0}) {
                    for (int code = 1; code <= 3; ++code) {
                        for (int month = 1; month <= 12; ++month) {
                            for (int hour = 0; hour < 24; ++hour) {
                                PredictionState s{};
                                setPassConstants(s);
                                s.freqKhz = freqKhz;
                                s.txLat = txLatDeg * kRadPerDeg;
                                s.txLon = 140.0 * kRadPerDeg;
                                placeReceiver(s, rangeKm, bearingDeg * kRadPerDeg);
                                computeGroundRange(s);
                                s.solarActivityCode = code;
                                s.month = month;
                                s.hourIndex = hour;
                                computeHopGeometry(s);
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
    // columns: inside the axis, never beyond its ends (the last value itself is an exact hit)
    EXPECT_GE(range.minValue, kGwDistAxisKm.front());
    EXPECT_LE(range.maxValue, kGwDistAxisKm.back());
    EXPECT_GT(hop.minValue, kDAxisKm.front());
    EXPECT_LE(hop.maxValue, kDAxisKm.back());
    EXPECT_LT(elevationDeg.maxValue, kPsAxisDeg.front());
    EXPECT_GT(elevationDeg.minValue, kPsAxisDeg.back());
    EXPECT_GT(fcs.minValue, kFcsAxisKhz.front());  // the 5 kHz floor sits inside the first interval
    EXPECT_LE(fcs.maxValue, kFcsAxisKhz.back());
    // rows: the whole range of cos(zenith)
    EXPECT_GE(cosZenith.minValue, kCsxAxis.front());
    EXPECT_LE(cosZenith.maxValue, kCsxAxis.back());
    // the band lies inside both frequency axes
    EXPECT_GE(kBandLowKhz, kGwFreqAxisKhz.front());
    EXPECT_LE(kBandHighKhz, kGwFreqAxisKhz.back());
    EXPECT_GE(kBandLowKhz, kFAxisKhz.front());
    EXPECT_LE(kBandHighKhz, kFAxisKhz.back());
}

// The order of the axes themselves is checked when the tool is compiled (table_axes.h); the
// files hold them printed to four decimals, which must keep every value apart: the program
// reads them back with its own axis reader.
TEST(TableAxes, WrittenAxesPassTheProgramsOrderCheck) {
    const testing::TempDir dir;
    for (const TableFile& file : axisFiles()) writeDatFile(file, dir.path());
    PredictionState s{};
    const ReadResult reads[] = {
        readAxisFile(dir.path(), "FG.dat", s.gwFreqAxis, AxisOrder::ascending),
        readAxisFile(dir.path(), "DG.dat", s.gwDistAxis, AxisOrder::ascending),
        readAxisFile(dir.path(), "F.dat", s.fAxis, AxisOrder::ascending),
        readAxisFile(dir.path(), "D.dat", s.dAxis, AxisOrder::ascending),
        readAxisFile(dir.path(), "PS.dat", s.psAxis, AxisOrder::descending),
        readAxisFile(dir.path(), "CSX.dat", s.csxAxis, AxisOrder::ascending),
        readAxisFile(dir.path(), "FCS.dat", s.fcsAxis, AxisOrder::ascending),
    };
    for (const ReadResult& read : reads) EXPECT_TRUE(read.ok()) << read.line;
    EXPECT_EQ(s.fcsAxis.front(), kFcsAxisKhz.front());
    EXPECT_EQ(s.csxAxis[1], kCsxAxis[1]);
}

}  // namespace
}  // namespace fieldcast::tables
