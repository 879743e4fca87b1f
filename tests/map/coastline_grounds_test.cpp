// Grounds from the coastlines in the predictor: each point takes its receiving-point and
// midpoint grounds from the mask and then gives, to the bit, what the run's codes give when
// they are those grounds, whatever the order of the points (the terms kept from one point
// must never leak into the next).
#include "coastline_grounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "batch_common.h"
#include "map_test_support.h"
#include "point_prediction.h"

namespace {

using fieldcast::map::InputOverrides;
using fieldcast::map::LandSeaMask;
using fieldcast::map::PathKind;
using fieldcast::map::PointPredictor;
using fieldcast::map::PointResult;
using fieldcast::map::RunGrounds;
using fieldcast::map::RunInputs;

TEST(CoastlineGrounds, MidpointIsTheGreatCirclesOwn) {
    double lat = 0.0;
    double lon = 0.0;
    fieldcast::map::greatCircleMidpoint(0.0, 0.0, 0.0, 90.0, lat, lon);
    EXPECT_NEAR(lat, 0.0, 1e-12);
    EXPECT_NEAR(lon, 45.0, 1e-12);
    // across the antimeridian, whichever way the longitudes are written
    for (double eastEnd : {-170.0, 190.0}) {
        fieldcast::map::greatCircleMidpoint(10.0, 170.0, 10.0, eastEnd, lat, lon);
        EXPECT_NEAR(std::fabs(lon), 180.0, 1e-9) << eastEnd;
        EXPECT_GT(lat, 10.0);  // the great circle bows towards the pole
    }
    // over the pole
    fieldcast::map::greatCircleMidpoint(60.0, 0.0, 60.0, 180.0, lat, lon);
    EXPECT_NEAR(lat, 90.0, 1e-9);
    // coincident ends: the point itself
    fieldcast::map::greatCircleMidpoint(35.5, 139.5, 35.5, 139.5, lat, lon);
    EXPECT_NEAR(lat, 35.5, 1e-12);
    EXPECT_NEAR(lon, 139.5, 1e-12);
}

// 0.5 degree cells from 100 E, 0 N to 180 E, 60 N: a strip of sea from 142 E to 148 E, land
// to 160 E, sea beyond.
LandSeaMask seaStripMask() {
    const int lonCount = 161;
    const int latCount = 121;
    std::vector<bool> land(static_cast<std::size_t>(lonCount) * latCount);
    for (int r = 0; r < latCount; ++r) {
        for (int i = 0; i < lonCount; ++i) {
            land[static_cast<std::size_t>(r) * lonCount + i] = i < 84 || (i >= 96 && i < 120);
        }
    }
    return LandSeaMask(100.0, 0.0, 0.5, lonCount, latCount, land);
}

std::unique_ptr<RunInputs> fixtureInputs(InputOverrides overrides) {
    auto inputs = std::make_unique<RunInputs>();
    fieldcast::map::loadRunInputs(maptest::fixtureDir(), overrides, *inputs);
    return inputs;
}

TEST(CoastlineGrounds, EachPointEqualsTheRunOfItsCodes) {
    InputOverrides base;
    base.txLatDeg = 35.68;  // on the mask's land
    base.txLonDeg = 139.69;
    base.freqKhz = 1000.0;  // MF at night: the antenna factors of sea and land differ
    base.txGroundType = 2;
    base.rxGroundType = 3;  // the land code
    base.midGroundType = 3;
    const auto inputs = fixtureInputs(base);
    RunGrounds grounds{seaStripMask(),
                       fieldcast::map::CoastlineResolution::crude,
                       {},
                       3,
                       false,
                       {},
                       inputs->rxAfTable,
                       false,
                       false};
    fieldcast::map::requireRead(
        fieldcast::loadAfTable(maptest::fixtureDir(), 1, grounds.seaAfTable));
    grounds.seaAfIsTxAf = grounds.seaAfTable == inputs->txAfTable;
    grounds.landAfIsTxAf = grounds.landAfTable == inputs->txAfTable;
    ASSERT_NE(grounds.seaAfTable, grounds.landAfTable);

    struct Point {
        double latDeg, lonDeg;
        int rx, mid;  // the grounds the mask gives
        PathKind kind;
    };
    const Point points[] = {
        {35.0, 145.0, 1, 1, PathKind::oneHop},      // both in the strip of sea
        {40.0, 120.0, 3, 3, PathKind::oneHop},      // both on land
        {36.0, 152.0, 3, 1, PathKind::oneHop},      // beyond the strip, the midpoint in it
        {36.0, 143.0, 1, 3, PathKind::oneHop},      // in the strip, the midpoint short of it
        {15.0, 145.0, 1, 1, PathKind::twoHop},      //
        {48.0, 106.0, 3, 3, PathKind::twoHop},      //
        {25.0, 166.0, 1, 3, PathKind::twoHop},      // in the far sea, the midpoint on land
        {54.0, 152.0, 3, 1, PathKind::twoHop},      //
        {35.7, 139.9, 3, 3, PathKind::groundOnly},  // near the transmitter: no midpoint
    };
    // one predictor for every point in turn, back and forth between the grounds
    PointPredictor coastal(*inputs, &grounds);
    for (int pass = 0; pass < 2; ++pass) {
        for (const Point& p : points) {
            SCOPED_TRACE(std::to_string(p.latDeg) + " N " + std::to_string(p.lonDeg) + " E");
            PointResult got{};
            ASSERT_FALSE(coastal.predict(p.latDeg, p.lonDeg, got));
            ASSERT_EQ(got.pathKind, p.kind);
            EXPECT_EQ(got.rxGroundCode, p.rx);
            if (p.kind != PathKind::groundOnly) {
                EXPECT_EQ(got.midGroundCode, p.mid);
            }

            InputOverrides codes = base;
            codes.rxGroundType = p.rx;
            codes.midGroundType = p.mid;
            const auto codeInputs = fixtureInputs(codes);
            PointPredictor uniform(*codeInputs);
            PointResult want{};
            ASSERT_FALSE(uniform.predict(p.latDeg, p.lonDeg, want));
            EXPECT_EQ(got.groundWaveDb, want.groundWaveDb);
            for (int h = 0; h < fieldcast::kHoursPerDay && p.kind != PathKind::groundOnly; ++h) {
                const auto& g = got.hours[static_cast<std::size_t>(h)];
                const auto& w = want.hours[static_cast<std::size_t>(h)];
                EXPECT_EQ(g.skyWaveMvm, w.skyWaveMvm) << "hour " << h;
                EXPECT_EQ(g.combinedMvm, w.combinedMvm) << "hour " << h;
            }
        }
    }
}

}  // namespace
