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
    const GreatCircleStep to = stepAlongGreatCircle(s.txLat, rangeKm, bearingRad);
    s.rxLat = to.lat;
    s.rxLon = s.txLon + to.lonOffset;
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
        SCOPED_TRACE(axes->band.name);
        // columns: inside the axis, never beyond its ends (the last value itself is an exact
        // hit)
        EXPECT_GE(range.minValue, axes->gwDistAxisKm.front());
        EXPECT_LE(range.maxValue, axes->gwDistAxisKm.back());
        EXPECT_GT(hop.minValue, axes->dAxisKm.front());
        EXPECT_LE(hop.maxValue, axes->dAxisKm.back());
        EXPECT_LT(elevationDeg.maxValue, axes->psAxisDeg.front());
        EXPECT_GT(elevationDeg.minValue, axes->psAxisDeg.back());
        // inside the first interval: the 5 kHz floor in LF, no column hit exactly
        EXPECT_GT(fcs.minValue, axes->fcsAxisKhz.front());
        EXPECT_LE(fcs.maxValue, axes->fcsAxisKhz.back());
        // rows: the whole range of cos(zenith)
        EXPECT_GE(cosZenith.minValue, axes->csxAxis.front());
        EXPECT_LE(cosZenith.maxValue, axes->csxAxis.back());
        // the band lies inside both frequency axes
        EXPECT_GE(low, axes->gwFreqAxisKhz.front());
        EXPECT_LE(high, axes->gwFreqAxisKhz.back());
        EXPECT_GE(low, axes->fAxisKhz.front());
        EXPECT_LE(high, axes->fAxisKhz.back());
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

// The order of the axes themselves is checked when the tool is compiled (table_axes.h); the
// files hold them printed to four decimals, which must keep every value apart: the program
// reads them back with its own axis reader.
TEST(TableAxes, WrittenAxesPassTheProgramsOrderCheck) {
    for (const BandAxes* axes : kBandAxes) {
        SCOPED_TRACE(axes->band.name);
        const testing::TempDir dir;
        for (const TableFile& file : axisFiles(*axes)) writeDatFile(file, dir.path());
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
        EXPECT_EQ(s.fcsAxis.front(), axes->fcsAxisKhz.front());
        EXPECT_EQ(s.csxAxis[1], axes->csxAxis[1]);
    }
    // a value of -0 (a sum that cancels, a product by -0) is written as 0, without its sign
    const testing::TempDir dir;
    writeDatFile({"ZERO.dat", "value", "%.6f", {-0.0, 0.25}, {}, {}}, dir.path());
    const std::string text = testing::readFile(dir.path() / "ZERO.dat");
    EXPECT_EQ(text.find('-'), std::string::npos) << text;
    EXPECT_NE(text.find("0.000000"), std::string::npos) << text;
}

}  // namespace
}  // namespace fieldcast::tables
