#include "geometry/hop_geometry.h"

#include <cmath>

#include "geometry/e_layer.h"
#include "geometry/great_circle.h"
#include "record_helpers.h"

namespace fieldcast {
namespace {

using testing::passState;
using testing::setPath;

// The hour's hop geometry on a path, with its codes in the record.
PredictionState hourOnPath(double rxLat, double rxLon, int month, int code, int hour,
                           double freqKhz) {
    PredictionState state = passState();
    setPath(state, 36.0, 140.0, rxLat, rxLon);
    state.freqKhz = freqKhz;
    state.solarActivityCode = code;
    state.month = month;
    state.hourIndex = hour;
    computeGroundRange(state);
    computeHopGeometry(state);
    return state;
}

TEST(HopGeometry, OneHopWorkedCase) {
    const PredictionState s = hourOnPath(34.0, 132.0, 6, 2, 12, 100.0);
    EXPECT_EQ(s.hopCount, 1);
    EXPECT_PRINTS(s.reflectionHeightKm, "69.5416");
    EXPECT_PRINTS(s.hopSlantKm, "775.8907");
    EXPECT_EQ(s.skyPathKm, s.hopSlantKm);
    EXPECT_PRINTS(s.elevationAngle, "0.157771");
    EXPECT_PRINTS(s.elevationAngle * kDegPerRad, "9.0396");
    EXPECT_PRINTS(s.incidenceAngle * kDegPerRad, "78.3920");
    EXPECT_PRINTS(s.freqCosIncidenceKhz, "20.1215");
    EXPECT_PRINTS(s.wavelengthKm, "2.99792458");
    EXPECT_PRINTS(s.pathDiffWavelengths, "5.208479");
    EXPECT_PRINTS(s.phaseDiffDeg, "75.0525");
    // the hour's angles are left in radians
    EXPECT_PRINTS(s.solarDeclination, "0.401426");
    EXPECT_PRINTS(s.standardMeridian, "2.356194");
    EXPECT_EQ(s.hourJst, 12.0);
    EXPECT_EQ(s.controlLat, s.midLat);
    EXPECT_EQ(s.controlLon, s.midLon);
}

TEST(HopGeometry, LowFrequencyRaisedToTheFiveKilohertzFloor) {
    const PredictionState s = hourOnPath(34.0, 132.0, 6, 2, 12, 20.0);
    EXPECT_PRINTS(s.reflectionHeightKm, "69.1857");
    EXPECT_EQ(s.freqCosIncidenceKhz, 5.0);
    // about 4.008 before the floor (4.0067 here; the phase below pins the geometry exactly)
    EXPECT_NEAR(std::cos(s.incidenceAngle) * 20.0, 4.008, 0.0015);
    EXPECT_PRINTS(s.wavelengthKm, "14.9896229");
    EXPECT_PRINTS(s.phaseDiffDeg, "11.5784");
}

TEST(HopGeometry, TwoHopWorkedCase) {
    const PredictionState s = hourOnPath(26.0, 121.0, 1, 1, 3, 100.0);
    EXPECT_PRINTS(s.groundRangeKm, "2115.423");
    EXPECT_EQ(s.hopCount, 2);
    EXPECT_PRINTS(s.reflectionHeightKm, "91.3622");
    EXPECT_PRINTS(s.hopRangeKm, "1057.712");
    EXPECT_PRINTS(s.hopSlantKm, "1078.809");
    EXPECT_PRINTS(s.skyPathKm, "2157.618");
    EXPECT_PRINTS(s.elevationAngle * kDegPerRad, "7.9601");
    EXPECT_PRINTS(s.phaseDiffDeg, "26.883");
}

TEST(HopGeometry, HopCountBoundaryAt2000Km) {
    PredictionState state = passState();
    state.groundRangeKm = 2000.0;
    setHopCount(state);
    EXPECT_EQ(state.hopCount, 1);
    state.groundRangeKm = std::nextafter(2000.0, 3000.0);
    setHopCount(state);
    EXPECT_EQ(state.hopCount, 2);
    // both 2000 and 4000 km give the longest hop, 2000 km
    for (double rangeKm : {2000.0, 4000.0}) {
        state.groundRangeKm = rangeKm;
        state.reflectionHeightKm = 90.0;
        state.freqKhz = 100.0;
        setHopCount(state);
        computeHopPath(state);
        EXPECT_EQ(state.hopRangeKm, 2000.0);
        EXPECT_GT(state.elevationAngle, 0.0);  // the ray still leaves above the horizon
    }
}

TEST(HopGeometry, WholeWavelengthPathDifferenceIsZeroPhase) {
    PredictionState state = passState();
    state.hopCount = 1;
    state.groundRangeKm = 500.0;
    state.reflectionHeightKm = 80.0;
    state.freqKhz = 100.0;
    computeHopPath(state);
    // choose the frequency that makes the path difference exactly 173 wavelengths
    const double extraKm = state.skyPathKm - state.groundRangeKm;
    state.speedOfLightKmS = extraKm / 173.0 * state.freqKhz * 1000.0;
    computeHopPath(state);
    ASSERT_EQ(state.pathDiffWavelengths, std::floor(state.pathDiffWavelengths));
    EXPECT_EQ(state.phaseDiffDeg, 0.0);
}

TEST(HopGeometry, MonthTableAndOutOfRangeMonth) {
    const double expected[] = {-21, -13, -2, 10, 19, 23, 22, 14, 3, -8, -18, -23};
    PredictionState state = passState();
    for (int month = 1; month <= 12; ++month) {
        state.month = month;
        setMonthDeclination(state);
        EXPECT_EQ(state.solarDeclination, expected[month - 1]) << month;
    }
    state.month = 13;  // leaves the declination as it was
    setMonthDeclination(state);
    EXPECT_EQ(state.solarDeclination, -23.0);
}

TEST(HopGeometry, DeclinationAndMeridianAreSetAfreshEachHour) {
    // Running the hour twice must not convert the degrees twice.
    PredictionState state = hourOnPath(34.0, 132.0, 6, 2, 12, 100.0);
    const double height = state.reflectionHeightKm;
    setMonthDeclination(state);
    computeHourGeometry(state);
    EXPECT_EQ(state.reflectionHeightKm, height);
    EXPECT_PRINTS(state.solarDeclination * kDegPerRad, "23.000000");
}

}  // namespace
}  // namespace fieldcast
