#include "geometry/e_layer.h"

#include <cmath>

#include "geometry/great_circle.h"
#include "record_helpers.h"

namespace fieldcast {
namespace {

using testing::passState;
using testing::setPath;

TEST(SolarActivity, LevelsOfTheThreeCodes) {
    struct Row {
        int code;
        const char *r, *phi, *foEmin, *a;
    };
    const Row rows[] = {{1, "13.0", "46.99295", "354.4849", "0.821334"},
                        {2, "50.0", "94.11205", "433.8676", "1.264253"},
                        {3, "100.0", "145.84503", "506.9029", "1.750543"}};
    for (const Row& row : rows) {
        const SolarActivity a = solarActivity(row.code);
        EXPECT_PRINTS(a.sunspotLevel, row.r);
        EXPECT_PRINTS(a.fluxIndex, row.phi);
        EXPECT_PRINTS(a.foEminKhz, row.foEmin);
        EXPECT_PRINTS(a.activityFactor, row.a);
    }
}

// The control point of the 36 N 140 E to 34 N 132 E path, as the hop geometry leaves it.
PredictionState workedCase(double declinationDeg, double hourJst) {
    PredictionState state = passState();
    setPath(state, 36.0, 140.0, 34.0, 132.0);
    computeGroundRange(state);
    computePathMidpoint(state);
    state.controlLat = state.midLat;
    state.controlLon = state.midLon;
    state.solarDeclination = declinationDeg * kRadPerDeg;
    state.standardMeridian = 135.0 * kRadPerDeg;
    state.solarActivityCode = 2;
    state.freqKhz = 100.0;
    state.hourJst = hourJst;
    return state;
}

TEST(ELayer, WorkedCaseHourIndependentTerms) {
    const ELayerTerms e = evaluateELayer(workedCase(23.0, 12.0));
    EXPECT_PRINTS(e.zenithLimitDeg, "12.06567");
    EXPECT_PRINTS(e.exponentM, "-0.291062");
    EXPECT_PRINTS(e.factorB, "1.006523");
    EXPECT_PRINTS(e.factorK, "120.6473");
    EXPECT_EQ(e.exponentP, 1.2);
    EXPECT_PRINTS(e.noonZenithDeg, "12.06567");
    EXPECT_PRINTS(e.noonFactorD, "0.973549");
    EXPECT_PRINTS(e.foEFullKhz, "3514.293");
    EXPECT_PRINTS(e.foENoonKhz, "3496.499");
    EXPECT_PRINTS(e.noonScaleKm, "30.87869");
}

TEST(ELayer, WorkedCaseHourTable) {
    struct Row {
        double hour;
        const char *t, *cosZ, *chi, *d, *foE, *yh, *height;
    };
    // hour 0: sun below (chi >= 90); hour 6 and 18: the twilight piece; hour 12: plain cosine
    const Row rows[] = {
        {0, "0.26340", "-0.526191", "121.7485", "5.8629e-06", "433.8676", "10.0", "91.0974"},
        {6, "6.26340", "0.288863", "73.2101", "0.226162", "2427.442", "23.59068", "76.8508"},
        {12, "12.26340", "0.975153", "12.7991", "0.970258", "3493.540", "30.85852", "69.5416"},
        {18, "18.26340", "0.160098", "80.7874", "0.118272", "2064.260", "21.11478", "79.3506"},
    };
    for (const Row& row : rows) {
        PredictionState state = workedCase(23.0, row.hour);
        const ELayerTerms e = evaluateELayer(state);
        EXPECT_PRINTS(e.shiftedHour, row.t) << row.hour;
        EXPECT_PRINTS(e.cosSolarZenith, row.cosZ) << row.hour;
        EXPECT_PRINTS(e.solarZenithDeg, row.chi) << row.hour;
        if (std::string(row.d).find('e') != std::string::npos) {
            char d[32];
            std::snprintf(d, sizeof d, "%.4e", e.factorD);
            EXPECT_STREQ(d, row.d) << row.hour;
        } else {
            EXPECT_PRINTS(e.factorD, row.d) << row.hour;
        }
        EXPECT_PRINTS(e.foEKhz, row.foE) << row.hour;
        EXPECT_PRINTS(e.hourScaleKm, row.yh) << row.hour;
        EXPECT_PRINTS(computeReflectionHeight(state), row.height) << row.hour;
        EXPECT_EQ(state.cosSolarZenith, e.cosSolarZenith);
        EXPECT_EQ(state.reflectionHeightKm, e.reflectionHeightKm);
    }
}

// The twilight piece of D starts above 73 degrees: at 73 itself and below, the plain cosine.
TEST(ELayer, TwilightShiftStartsAbove73Degrees) {
    const double p = 1.2;
    const auto plain = [&](double chiDeg) { return std::pow(std::cos(chiDeg * kRadPerDeg), p); };
    const auto shifted = [&](double chiDeg) {
        const double shiftDeg = 6.27e-13 * std::pow(chiDeg - 50.0, 8.0);
        return std::pow(std::cos((chiDeg - shiftDeg) * kRadPerDeg), p);
    };
    for (double chiDeg : {60.0, 72.0, 72.5, 72.999, 73.0}) {
        EXPECT_EQ(zenithFactor(chiDeg, p), plain(chiDeg)) << chiDeg;
    }
    for (double chiDeg : {std::nextafter(73.0, 90.0), 73.001, 73.5, 80.0, 89.9}) {
        EXPECT_NEAR(zenithFactor(chiDeg, p), shifted(chiDeg), 1e-15) << chiDeg;
    }
    // the shift is 0.05 degrees at the threshold: D steps up by over 3 per mille there
    EXPECT_GT(zenithFactor(std::nextafter(73.0, 90.0), p) / plain(73.0), 1.003);
    // sun below the horizon, from the horizon itself on (where the twilight piece would give
    // cos(85.89 degrees)^p, half a per cent less)
    EXPECT_NEAR(zenithFactor(100.0, p), std::pow(0.072, p) * std::exp(25.2 - 28.0), 1e-15);
    EXPECT_NEAR(zenithFactor(90.0, p), std::pow(0.072, p), 1e-15);
}

// The hour at which the worked case's morning sun stands at `chiDeg` from the zenith.
double morningHourAtZenith(double chiDeg) {
    double early = 0.0;  // sun below the horizon
    double late = 12.0;  // near noon
    for (int i = 0; i < 100; ++i) {
        const double hour = 0.5 * (early + late);
        (evaluateELayer(workedCase(23.0, hour)).solarZenithDeg > chiDeg ? early : late) = hour;
    }
    return 0.5 * (early + late);
}

// The model takes D from the plain cosine at 72.5 degrees and from the twilight piece at
// 73.5 degrees, so moving the threshold either way changes the hour's height.
TEST(ELayer, WorkedMorningAcrossTheTwilightThreshold) {
    const ELayerTerms below = evaluateELayer(workedCase(23.0, morningHourAtZenith(72.5)));
    ASSERT_NEAR(below.solarZenithDeg, 72.5, 1e-9);
    EXPECT_EQ(below.factorD,
              std::pow(std::cos(below.solarZenithDeg * kRadPerDeg), below.exponentP));
    const ELayerTerms above = evaluateELayer(workedCase(23.0, morningHourAtZenith(73.5)));
    ASSERT_NEAR(above.solarZenithDeg, 73.5, 1e-9);
    EXPECT_EQ(above.factorD, zenithFactor(above.solarZenithDeg, above.exponentP));
    EXPECT_GT(above.factorD,
              std::pow(std::cos(above.solarZenithDeg * kRadPerDeg), above.exponentP) * 1.003);
}

TEST(ELayer, DecemberNoon) {
    const ELayerTerms e = evaluateELayer(workedCase(-23.0, 12.0));
    EXPECT_PRINTS(e.noonZenithDeg, "58.06567");
    EXPECT_PRINTS(e.foEKhz, "3036.037");
    EXPECT_PRINTS(e.reflectionHeightKm, "72.6746");
}

TEST(ELayer, EquatorialControlPointKeepsTheSignOfN) {
    PredictionState state = passState();
    state.controlLat = 5.0 * kRadPerDeg;
    state.controlLon = 120.0 * kRadPerDeg;
    state.rxLon = 118.0 * kRadPerDeg;
    state.solarDeclination = 10.0 * kRadPerDeg;
    state.standardMeridian = 135.0 * kRadPerDeg;
    state.solarActivityCode = 2;
    state.freqKhz = 100.0;
    state.hourJst = 12.0;
    const ELayerTerms e = evaluateELayer(state);
    EXPECT_PRINTS(e.zenithLimitDeg, "-5.0");
    EXPECT_EQ(e.exponentP, 1.31);
    EXPECT_PRINTS(e.factorK, std::to_string(23.0 + 116.0 * std::cos(state.controlLat)));
    EXPECT_PRINTS(e.exponentM, "-0.017306");
    EXPECT_PRINTS(e.foEKhz, "3603.261");
    EXPECT_PRINTS(e.reflectionHeightKm, "69.6146");
}

TEST(ELayer, LatitudeThresholds) {
    PredictionState state = workedCase(0.0, 12.0);
    // 12 degrees is still equatorial for p; 32 degrees is already mid-latitude for m and K
    state.controlLat = 12.0 / kDegPerRad;
    ASSERT_EQ(state.controlLat * kDegPerRad, 12.0);
    EXPECT_EQ(evaluateELayer(state).exponentP, 1.31);
    state.controlLat = 12.0001 * kRadPerDeg;
    EXPECT_EQ(evaluateELayer(state).exponentP, 1.2);
    state.controlLat = 32.0 / kDegPerRad;
    ASSERT_EQ(state.controlLat * kDegPerRad, 32.0);
    EXPECT_DOUBLE_EQ(evaluateELayer(state).factorK, 92.0 + 35.0 * std::cos(state.controlLat));
    state.controlLat = 31.999 * kRadPerDeg;
    EXPECT_DOUBLE_EQ(evaluateELayer(state).factorK, 23.0 + 116.0 * std::cos(state.controlLat));
    // noon zenith angle of an equatorial point is |0 - 10|
    state.controlLat = 0.0;
    state.solarDeclination = 10.0 * kRadPerDeg;
    EXPECT_NEAR(evaluateELayer(state).noonZenithDeg, 10.0, 1e-12);
}

TEST(ELayer, NightHeightAtTheLayerBoundaryIsExactly100Km) {
    PredictionState state = workedCase(23.0, 0.0);
    state.freqKhz = solarActivity(2).foEminKhz + 10.0;
    EXPECT_EQ(evaluateELayer(state).reflectionHeightKm, 100.0);
}

TEST(ELayer, FrequencyAboveTheLayerStaysAt100Km) {
    PredictionState state = workedCase(23.0, 0.0);
    state.freqKhz = 1000.0;  // far above the night floor of 434 kHz
    const double height = evaluateELayer(state).reflectionHeightKm;
    EXPECT_EQ(height, 100.0);
}

// Polar control points: the noon zenith angle reaches and passes 90 degrees, and the noon
// foE passes through the night floor; every value must stay finite and the height between
// the layer's bounds.
TEST(ELayer, PolarControlPointsStayFinite) {
    for (int code = 1; code <= 3; ++code) {
        for (double latDeg = 60.0; latDeg <= 90.0; latDeg += 0.25) {
            for (double declDeg : {-23.0, -21.0, 0.0, 23.0}) {
                for (double hour = 0.0; hour < 24.0; hour += 1.0) {
                    for (double sign : {1.0, -1.0}) {
                        PredictionState state = workedCase(declDeg, hour);
                        state.solarActivityCode = code;
                        state.controlLat = sign * latDeg * kRadPerDeg;
                        const ELayerTerms e = evaluateELayer(state);
                        ASSERT_TRUE(std::isfinite(e.foENoonKhz)) << latDeg << " " << declDeg;
                        ASSERT_TRUE(std::isfinite(e.hourScaleKm)) << latDeg << " " << declDeg;
                        ASSERT_GE(e.reflectionHeightKm, 60.0) << latDeg << " " << declDeg;
                        ASSERT_LE(e.reflectionHeightKm, 100.0) << latDeg << " " << declDeg;
                    }
                }
            }
        }
    }
}

TEST(ELayer, PolarLimitsAreContinuous) {
    // Sweep latitude finely through the points where the noon foE crosses the night floor
    // and where the noon zenith angle passes 90 degrees (66 and 67 N in December): the
    // height scale may not jump there.
    PredictionState state = workedCase(-23.0, 12.0);
    double previous = 0.0;
    bool first = true;
    for (double latDeg = 55.0; latDeg <= 90.0; latDeg += 0.001) {
        state.controlLat = latDeg * kRadPerDeg;
        const double scale = evaluateELayer(state).hourScaleKm;
        ASSERT_TRUE(std::isfinite(scale));
        if (!first) {
            ASSERT_LT(std::fabs(scale - previous), 0.5) << latDeg;
        }
        previous = scale;
        first = false;
    }
}

// The height scale where the noon foE sits exactly on the night floor is the limit of the
// formula as the noon foE comes down to the floor: a daytime foE above that noon value (the
// limit's numerator is not 0 then) gives the same scale either way.
TEST(ELayer, NoonFoEAtTheFloorTakesTheLimitOfTheScale) {
    const PredictionState state = workedCase(23.0, 12.0);
    const ELayerTerms day = evaluateELayerDayTerms(state);
    const double floorKhz = day.activity.foEminKhz;
    const auto scaleWithNoonFoE = [&](double noonKhz) {
        ELayerTerms e = day;
        e.foENoonKhz = noonKhz;
        e.noonScaleKm = 31.0 - 21.0 * (e.foEFullKhz - noonKhz) / (e.foEFullKhz - floorKhz);
        evaluateELayerHour(state, e);
        EXPECT_GT(e.foEKhz, floorKhz + 100.0);
        return e.hourScaleKm;
    };
    const double atFloor = scaleWithNoonFoE(floorKhz);
    EXPECT_NEAR(atFloor, scaleWithNoonFoE(floorKhz * (1.0 + 1e-7)), 1e-3);
    EXPECT_GT(atFloor, 10.5);  // the daytime foE lifts the scale above the floor's 10 km
}

}  // namespace
}  // namespace fieldcast
