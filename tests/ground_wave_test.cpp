#include "groundwave/ground_wave.h"

#include <array>
#include <cmath>

#include "lookup/interpolate_grid.h"
#include "record_helpers.h"

namespace fieldcast {
namespace {

using testing::passState;

TEST(ShortRangeGroundWave, WorkedValues) {
    PredictionState state = passState();
    state.txPowerKw = 1.0;
    state.groundRangeKm = 10.0;
    EXPECT_EQ(computeGroundWave(state), GroundWaveOutcome::shortRange);
    EXPECT_PRINTS(state.groundWaveMvm, "27.1607");
    EXPECT_PRINTS(state.groundWaveDb, "88.68");
    state.txPowerKw = 100.0;
    state.groundRangeKm = 40.0;
    computeGroundWave(state);
    EXPECT_PRINTS(state.groundWaveMvm, "67.90175");
    EXPECT_PRINTS(state.groundWaveDb, "96.64");
    // 50 km itself is still short range, and reads no file
    state.groundRangeKm = 50.0;
    EXPECT_EQ(computeGroundWave(state), GroundWaveOutcome::shortRange);
}

// Curve set whose cells are 100 - r - c/10, with ascending axes.
PredictionState curveState() {
    PredictionState state = passState();
    for (int r = 0; r < kGwFreqCount; ++r) state.gwFreqAxis[r] = 100.0 * (r + 1);
    for (int c = 0; c < kGwDistCount; ++c) state.gwDistAxis[c] = 100.0 * (c + 1);
    for (int r = 0; r < kGwFreqCount; ++r) {
        for (int c = 0; c < kGwDistCount; ++c) {
            state.gwCurveTable[r * kGwDistCount + c] = 100.0 - r - c / 10.0;
        }
    }
    return state;
}

TEST(CurveGroundWave, PowerCorrectionAndUnits) {
    PredictionState state = curveState();
    state.gwCurveTable[2 * kGwDistCount + 4] = 60.0;
    state.groundRangeKm = 500.0;  // column 4
    state.freqKhz = 300.0;        // row 2
    const std::pair<double, const char*> cases[] = {{1.0, "60.0"}, {10.0, "70.0"}, {100.0, "80.0"}};
    for (const auto& [powerKw, db] : cases) {
        state.txPowerKw = powerKw;
        state.groundWaveDb = lookupGroundWaveDb(state);
        setGroundWaveMvm(state);
        EXPECT_PRINTS(state.groundWaveDb, db);
    }
    state.txPowerKw = 1.0;
    state.groundWaveDb = lookupGroundWaveDb(state);
    setGroundWaveMvm(state);
    EXPECT_DOUBLE_EQ(state.groundWaveMvm, 1.0);
}

TEST(CurveGroundWave, OutOfRangeRules) {
    PredictionState state = curveState();
    state.txPowerKw = 1.0;
    // the last frequency is an exact row (row 9); above it row 8 is taken: the result jumps
    state.groundRangeKm = 300.0;
    state.freqKhz = 1000.0;
    EXPECT_DOUBLE_EQ(lookupGroundWaveDb(state), 100.0 - 9 - 0.2);
    state.freqKhz = 1000.5;
    EXPECT_DOUBLE_EQ(lookupGroundWaveDb(state), 100.0 - 8 - 0.2);
    state.freqKhz = 50.0;  // below the first frequency: row 8 as well
    EXPECT_DOUBLE_EQ(lookupGroundWaveDb(state), 100.0 - 8 - 0.2);
    // beyond the last distance: extrapolated on the last interval (slope -0.1 per 100 km)
    state.freqKhz = 100.0;
    state.groundRangeKm = 2000.0;
    EXPECT_DOUBLE_EQ(lookupGroundWaveDb(state), 100.0 - 1.9);
    // between 50 km and a first axis distance above it: the last interval too
    state.groundRangeKm = 60.0;
    EXPECT_NEAR(lookupGroundWaveDb(state), 100.0 - 1.7 + 0.1 * (1800.0 - 60.0) / 100.0, 1e-9);
}

TEST(InterpolateGrid, BilinearWithColumnDirectionFirst) {
    const std::array<double, 2> distances = {100.0, 200.0};
    const std::array<double, 2> freqs = {500.0, 1000.0};
    const std::array<double, 4> cells = {60.0, 50.0, 56.0, 44.0};
    // row values 55 and 50 at 150 km, then 52.5 at 750 kHz
    EXPECT_DOUBLE_EQ(
        interpolateGrid(distances, AxisOrder::ascending, freqs, cells, 150.0, 750.0, 0, 1), 52.5);
    // exact column 100 km, interval in frequency
    EXPECT_DOUBLE_EQ(
        interpolateGrid(distances, AxisOrder::ascending, freqs, cells, 100.0, 750.0, 0, 1), 58.0);
    // exact column and exact row: the cell itself
    EXPECT_DOUBLE_EQ(
        interpolateGrid(distances, AxisOrder::ascending, freqs, cells, 200.0, 1000.0, 0, 0), 44.0);
}

TEST(InterpolateGrid, SearchTakesFirstExactThenFirstStrictInterval) {
    // a repeated axis value: the first exact match wins over the later one
    const std::array<double, 4> columns = {1.0, 2.0, 2.0, 3.0};
    const std::array<double, 1> rows = {0.0};
    const std::array<double, 4> cells = {10.0, 20.0, 99.0, 30.0};
    GridCase found{};
    EXPECT_EQ(interpolateGrid(columns, AxisOrder::ascending, rows, cells, 2.0, 0.0, 0, 0, &found),
              20.0);
    EXPECT_TRUE(found.exactColumn);
    EXPECT_TRUE(found.exactRow);
    // the last axis value is an exact column too (the RCX lookup's console line tells)
    EXPECT_EQ(interpolateGrid(columns, AxisOrder::ascending, rows, cells, 3.0, 0.0, 0, 0, &found),
              30.0);
    EXPECT_TRUE(found.exactColumn);
    // strictly inside the first interval; values on a zero-width interval never match it
    EXPECT_EQ(interpolateGrid(columns, AxisOrder::ascending, rows, cells, 2.5, 0.0, 0, 0),
              99.0 + (30.0 - 99.0) * 0.5);
}

TEST(InterpolateGrid, DescendingColumnAxis) {
    // elevation angles 30 and 20 degrees with factors 1.2 and 1.0: 25 degrees gives 1.1
    const std::array<double, 3> angles = {40.0, 30.0, 20.0};
    const std::array<double, 2> freqs = {100.0, 200.0};
    const std::array<double, 6> cells = {1.3, 1.2, 1.0, 0.0, 0.0, 0.0};
    EXPECT_NEAR(interpolateGrid(angles, AxisOrder::descending, freqs, cells, 25.0, 100.0, 1, 1),
                1.1, 1e-15);
    // outside the axis: the interval given, extrapolated
    EXPECT_NEAR(interpolateGrid(angles, AxisOrder::descending, freqs, cells, 10.0, 100.0, 1, 1),
                0.8, 1e-15);
    // row out of range: that row alone
    EXPECT_NEAR(interpolateGrid(angles, AxisOrder::descending, freqs, cells, 30.0, 50.0, 1, 0), 1.2,
                1e-15);
}

}  // namespace
}  // namespace fieldcast
