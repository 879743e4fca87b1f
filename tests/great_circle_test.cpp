#include "geometry/great_circle.h"

#include <cmath>

#include "record_helpers.h"

namespace fieldcast {
namespace {

using testing::passState;
using testing::setPath;

PredictionState pathState(double txLat, double txLon, double rxLat, double rxLon) {
    PredictionState state = passState();
    setPath(state, txLat, txLon, rxLat, rxLon);
    computeGroundRange(state);
    return state;
}

TEST(GroundRange, WorkedPathsToThePrintedDigits) {
    EXPECT_PRINTS(pathState(36.0, 140.0, 34.0, 132.0).groundRangeKm, "760.276");
    EXPECT_PRINTS(pathState(0.0, 0.0, 0.0, 90.0).groundRangeKm, "9990.265");
    EXPECT_PRINTS(pathState(10.0, 170.0, 12.0, -170.0).groundRangeKm, "2190.021");
    EXPECT_PRINTS(pathState(80.0, 0.0, 75.0, 178.0).groundRangeKm, "2774.661");
}

TEST(GroundRange, ArcCosineQuadrants) {
    // a quarter turn: the cosine is cos(pi/2) rounded, 6.1e-17, not 0, and atan of the
    // quotient of 1.6e16 is pi/2 to the last bit or two
    EXPECT_DOUBLE_EQ(pathState(0.0, 0.0, 0.0, 90.0).centralAngle, kHalfPi);
    // negative cosine: pi is added
    const PredictionState beyond = pathState(0.0, 0.0, 0.0, 95.0);
    EXPECT_PRINTS(beyond.centralAngle, "1.658063");
    EXPECT_PRINTS(beyond.groundRangeKm, "10545.279");
    // antipodes: cosine -1 gives pi
    const PredictionState antipodes = pathState(0.0, 0.0, 0.0, 180.0);
    EXPECT_DOUBLE_EQ(antipodes.centralAngle, kPi);
    EXPECT_PRINTS(antipodes.groundRangeKm, "19980.529");
    // a cosine of exactly 0 (15 S to 75 N along a meridian: cos 15 cos 75 - sin 15 sin 75
    // cancels to the last bit) is a quarter turn, not three quarters
    const PredictionState quarter = pathState(-75.0, 140.0, 15.0, 140.0);
    EXPECT_DOUBLE_EQ(quarter.centralAngle, kHalfPi);
    EXPECT_PRINTS(quarter.groundRangeKm, "9990.265");
}

TEST(GroundRange, LongitudeDifferenceAboveHalfTurnIsFolded) {
    EXPECT_NEAR(pathState(0.0, 170.0, 0.0, -170.0).centralAngle, 20.0 * kRadPerDeg, 1e-12);
}

TEST(GroundRange, CoincidentPointsGiveZeroNeverNan) {
    // the cosine rounds to just above 1 for many coincident points
    for (double lat : {-89.9, -45.3, 0.0, 12.345, 35.6895, 77.7}) {
        const PredictionState state = pathState(lat, 139.6917, lat, 139.6917);
        EXPECT_FALSE(std::isnan(state.groundRangeKm)) << lat;
        EXPECT_LT(state.groundRangeKm, 1e-3) << lat;
    }
    // at these latitudes cos^2 + sin^2 of the same point rounds one bit above 1: the range
    // is 0 exactly, never the NaN root of a negative number
    for (double lat : {-66.2, 26.3, 48.2, 87.5}) {
        const PredictionState state = pathState(lat, 10.0, lat, 10.0);
        EXPECT_EQ(state.groundRangeKm, 0.0) << lat;
    }
}

TEST(GroundRange, StepAlongAGreatCircleArrivesAtItsRange) {
    // the ranges a table's paths and the extended model's tests are placed at, over a pole and
    // across the antimeridian: the range of the arrival point is the distance stepped
    for (const double bearingDeg : {0.0, 55.0, 90.0, 180.0, 250.0, 315.0}) {
        for (const double rangeKm : {50.0, 760.276, 2000.0, 4000.0, 12000.0}) {
            const GreatCircleStep to =
                stepAlongGreatCircle(36.0 * kRadPerDeg, rangeKm, bearingDeg * kRadPerDeg);
            const double rxLatDeg = to.lat * kDegPerRad;
            const double rxLonDeg = 140.0 + to.lonOffset * kDegPerRad;
            EXPECT_NEAR(pathState(36.0, 140.0, rxLatDeg, rxLonDeg).groundRangeKm, rangeKm, 1e-6)
                << bearingDeg << " degrees";
        }
    }
    // due north by a quarter turn from the equator: the pole
    EXPECT_NEAR(stepAlongGreatCircle(0.0, kRangeEarthRadiusKm * kHalfPi, 0.0).lat, kHalfPi, 1e-12);
}

TEST(PathMidpoint, WorkedPathsToThePrintedDigits) {
    struct Case {
        double txLat, txLon, rxLat, rxLon;
        const char* midLatDeg;  // nullptr: not a worked value
        const char* midLonDeg;
    };
    const Case cases[] = {
        {36.0, 140.0, 34.0, 132.0, "35.0657", "135.9510"},
        // txLon > rxLon across the 180 meridian: 10 degrees west of the transmitter
        {10.0, 170.0, 12.0, -170.0, nullptr, "160.034"},
        // negative k near the pole: no quadrant correction
        {80.0, 0.0, 75.0, 178.0, "87.4906", "-6.065"},
        {85.0, 0.0, 85.0, 150.0, "88.7028", "75.000"},
        // the first path mirrored across the equator: the midpoint mirrors with it
        {-36.0, 140.0, -34.0, 132.0, "-35.0657", "135.9510"},
    };
    for (const Case& c : cases) {
        PredictionState state = pathState(c.txLat, c.txLon, c.rxLat, c.rxLon);
        computePathMidpoint(state);
        if (c.midLatDeg != nullptr) {
            EXPECT_PRINTS(state.midLat * kDegPerRad, c.midLatDeg);
        }
        EXPECT_PRINTS(state.midLon * kDegPerRad, c.midLonDeg) << c.rxLat;
    }
}

TEST(PathMidpoint, PathOverThePoleHasItsMidpointAtThePole) {
    // 72.79 N on opposite meridians, 3821 km apart (two hops): the sine of the midpoint's
    // latitude rounds one bit above 1
    PredictionState state = pathState(72.79, 0.0, 72.79, 180.0);
    computePathMidpoint(state);
    EXPECT_PRINTS(state.groundRangeKm, "3820.7");
    EXPECT_EQ(state.midLat, kHalfPi);
}

TEST(PathMidpoint, ShortArcIsFollowedNotCutToItsStart) {
    // a 11 m arc along the equator: its middle is half way, 0.00005 degrees from each end
    double lat = 1.0;
    double lon = 0.0;
    greatCirclePoint(0.0, 0.0, 0.0, 1e-4 * kRadPerDeg, 0.5, lat, lon);
    EXPECT_NEAR(lat, 0.0, 1e-15);
    EXPECT_NEAR(lon * kDegPerRad, 5e-5, 1e-12);
}

TEST(PathMidpoint, SwappedEndsGiveTheSamePath) {
    PredictionState forward = pathState(36.0, 140.0, 34.0, 132.0);
    PredictionState backward = pathState(34.0, 132.0, 36.0, 140.0);
    computePathMidpoint(forward);
    computePathMidpoint(backward);
    EXPECT_NEAR(forward.groundRangeKm, backward.groundRangeKm, 1e-9);
    EXPECT_NEAR(forward.midLat, backward.midLat, 1e-12);
    EXPECT_NEAR(forward.midLon, backward.midLon, 1e-12);
}

}  // namespace
}  // namespace fieldcast
