// Axes of the bundled tables. The counts are the program's; the values are chosen so that
// every value the program looks up over ranges of 50 to 4000 km and the band of kBandKhz lies
// inside its axis (strictly inside where an exact hit would change the lookup's case).
//
// Each constant is the record's axis of that name with its unit (kFAxisKhz fills fAxis), and
// the CSV copies name the quantity along it as the record names it:
//   gwFreqAxis, fAxis  freqKhz               gwDistAxis  groundRangeKm
//   dAxis              hopRangeKm            psAxis      elevationAngleDeg
//   csxAxis            cosSolarZenith        fcsAxis     freqCosIncidenceKhz
#pragma once

#include <algorithm>
#include <array>
#include <functional>

#include "record/prediction_state.h"

namespace fieldcast::tables {

// Band the data set claims: frequencies the prediction may be run at.
constexpr double kBandLowKhz = 20.0;
constexpr double kBandHighKhz = 300.0;

// Ground-wave curves: 10 frequencies (a frequency outside the axis would use row 8 without
// interpolation, so the band lies inside), 18 distances from 50 km (ranges just above 50 km
// occur; a first distance above it would extrapolate on the last interval) to 4000 km.
constexpr std::array<double, kGwFreqCount> kGwFreqAxisKhz = {20.0,  28.0,  40.0,  55.0,  75.0,
                                                             100.0, 135.0, 180.0, 240.0, 300.0};
constexpr std::array<double, kGwDistCount> kGwDistAxisKm = {
    50.0,  60.0,  75.0,  100.0,  130.0,  170.0,  220.0,  280.0,  350.0,
    450.0, 600.0, 800.0, 1000.0, 1300.0, 1700.0, 2200.0, 3000.0, 4000.0};

// Rows of FF and AF: 8 frequencies spanning the band.
constexpr std::array<double, kFCount> kFAxisKhz = {20.0,  30.0,  45.0,  65.0,
                                                   100.0, 150.0, 220.0, 300.0};

// FF columns: hop ranges 50 to 2000 km (one hop up to 2000 km, two hops of half the range
// beyond), closer together toward 2000 km where the factor rises fast.
constexpr std::array<double, kDCount> kDAxisKm = {
    50.0, 100.0, 200.0, 350.0, 500.0, 650.0, 800.0, 1000.0, 1200.0, 1400.0, 1600.0, 1800.0, 2000.0};

// AF columns: elevation angles in degrees, descending. Hops of 50 to 2000 km reflected at 69
// to 100 km leave at about 76 down to 0.3 degrees.
constexpr std::array<double, kPsCount> kPsAxisDeg = {90.0, 60.0, 40.0, 28.0, 20.0, 14.0,
                                                     10.0, 7.0,  4.5,  2.5,  1.0,  0.0};

// RCX rows: cos(solar zenith) over its whole range, close together through twilight (zenith
// 80 to 100 degrees, cos from 0.174 to -0.174) where the D region changes; there linear
// interpolation stays within about 1.6 dB of the model wherever |R| > 1e-4, by day and night
// within a few tenths.
constexpr std::array<double, kCsxCount> kCsxAxis = {-1.0, -0.174, -0.14, -0.1, -0.06, -0.02,
                                                    0.03, 0.09,   0.174, 0.5,  1.0};

// RCX columns: f cos(i) in kHz. The program never looks up less than 5.0 kHz; the axis starts
// just below it, at 4.9, so that the floored value falls inside the first interval instead of
// hitting a column exactly. The last value covers 0.97 times the top of the band.
constexpr std::array<double, kFcsCount> kFcsAxisKhz = {
    4.9, 7.0, 10.0, 14.0, 20.0, 27.0, 35.0, 45.0, 60.0, 80.0, 105.0, 140.0, 185.0, 240.0, 300.0};

// Every interval of a lookup has a width: the axes run strictly in their order.
template <std::size_t N>
constexpr bool strictlyAscending(const std::array<double, N>& axis) {
    return std::adjacent_find(axis.begin(), axis.end(), std::greater_equal<>()) == axis.end();
}
template <std::size_t N>
constexpr bool strictlyDescending(const std::array<double, N>& axis) {
    return std::adjacent_find(axis.begin(), axis.end(), std::less_equal<>()) == axis.end();
}
static_assert(strictlyAscending(kGwFreqAxisKhz) && strictlyAscending(kGwDistAxisKm));
static_assert(strictlyAscending(kFAxisKhz) && strictlyAscending(kDAxisKm));
static_assert(strictlyDescending(kPsAxisDeg));
static_assert(strictlyAscending(kCsxAxis) && strictlyAscending(kFcsAxisKhz));

}  // namespace fieldcast::tables
