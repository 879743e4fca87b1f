// The record in the unit tests: the pass constants, a path, and values checked to the digits
// a worked example prints.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "record/prediction_state.h"

namespace fieldcast::testing {

// `value` printed with as many decimals as `expected` has, e.g. printedLike(760.2763, "760.276").
inline std::string printedLike(double value, const std::string& expected) {
    const auto point = expected.find('.');
    const int decimals =
        point == std::string::npos ? 0 : static_cast<int>(expected.size() - point - 1);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A record as the run leaves it at the start of a pass: zeros and the pass constants.
inline PredictionState passState() {
    PredictionState state{};
    setPassConstants(state);
    return state;
}

// Transmitter and receiving point in degrees, stored in radians as the run converts them.
inline void setPath(PredictionState& state, double txLatDeg, double txLonDeg, double rxLatDeg,
                    double rxLonDeg) {
    state.txLat = txLatDeg * kRadPerDeg;
    state.txLon = txLonDeg * kRadPerDeg;
    state.rxLat = rxLatDeg * kRadPerDeg;
    state.rxLon = rxLonDeg * kRadPerDeg;
}

}  // namespace fieldcast::testing

// Checks that `value` prints as the worked example's digits.
#define EXPECT_PRINTS(value, expected) \
    EXPECT_EQ(::fieldcast::testing::printedLike((value), (expected)), (expected))
