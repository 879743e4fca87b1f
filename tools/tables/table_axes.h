// Axes of the bundled tables, one set per band. The counts are the program's; the values are
// chosen so that every value the program looks up over ranges of 50 to 4000 km and the band's
// frequencies lies inside its axis (strictly inside where an exact hit would change the
// lookup's case).
//
// Each member is the record's axis of that name with its unit (fAxisKhz fills fAxis), and
// the CSV copies name the quantity along it as the record names it:
//   gwFreqAxis, fAxis  freqKhz               gwDistAxis  groundRangeKm
//   dAxis              hopRangeKm            psAxis      elevationAngleDeg
//   csxAxis            cosSolarZenith        fcsAxis     freqCosIncidenceKhz
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "data_set_bands.h"
#include "record/prediction_state.h"

namespace fieldcast::tables {

struct BandAxes {
    DataSetBand band;
    // Ground-wave curves: 10 frequencies (a frequency outside the axis would use row 8
    // without interpolation, so the band lies inside), 18 distances from 50 km (ranges just
    // above 50 km occur; a first distance above it would extrapolate on the last interval) to
    // 4000 km.
    std::array<double, kGwFreqCount> gwFreqAxisKhz;
    std::array<double, kGwDistCount> gwDistAxisKm;
    // Rows of FF and AF: 8 frequencies spanning the band.
    std::array<double, kFCount> fAxisKhz;
    // FF columns: hop ranges 50 to 2000 km (one hop up to 2000 km, two hops of half the range
    // beyond), closer together toward 2000 km where the factor rises fast.
    std::array<double, kDCount> dAxisKm;
    // AF columns: elevation angles in degrees, descending. Hops of 50 to 2000 km reflected at
    // 69 to 100 km leave at about 76 down to 0.3 degrees.
    std::array<double, kPsCount> psAxisDeg;
    // RCX rows: cos(solar zenith) over its whole range, close together through twilight
    // (zenith 80 to 100 degrees, cos from 0.174 to -0.174) where the lower ionosphere changes.
    std::array<double, kCsxCount> csxAxis;
    // RCX columns: f cos(i) in kHz, from below the least value met (the program's floor of
    // 5.0 kHz in LF, where the axis starts just below it so that the floored value falls
    // inside the first interval instead of hitting a column) to the top of the band.
    std::array<double, kFcsCount> fcsAxisKhz;
};

constexpr std::array<double, kGwDistCount> kGwDistAxisKm = {
    50.0,  60.0,  75.0,  100.0,  130.0,  170.0,  220.0,  280.0,  350.0,
    450.0, 600.0, 800.0, 1000.0, 1300.0, 1700.0, 2200.0, 3000.0, 4000.0};
constexpr std::array<double, kDCount> kDAxisKm = {
    50.0, 100.0, 200.0, 350.0, 500.0, 650.0, 800.0, 1000.0, 1200.0, 1400.0, 1600.0, 1800.0, 2000.0};
constexpr std::array<double, kPsCount> kPsAxisDeg = {90.0, 60.0, 40.0, 28.0, 20.0, 14.0,
                                                     10.0, 7.0,  4.5,  2.5,  1.0,  0.0};
constexpr std::array<double, kCsxCount> kCsxAxis = {-1.0, -0.174, -0.14, -0.1, -0.06, -0.02,
                                                    0.03, 0.09,   0.174, 0.5,  1.0};

// LF, 20 to 300 kHz: data/default.
inline constexpr BandAxes kLfBand{
    kLfDataSet,
    {20.0, 28.0, 40.0, 55.0, 75.0, 100.0, 135.0, 180.0, 240.0, 300.0},
    kGwDistAxisKm,
    {20.0, 30.0, 45.0, 65.0, 100.0, 150.0, 220.0, 300.0},
    kDAxisKm,
    kPsAxisDeg,
    kCsxAxis,
    {4.9, 7.0, 10.0, 14.0, 20.0, 27.0, 35.0, 45.0, 60.0, 80.0, 105.0, 140.0, 185.0, 240.0, 300.0},
};

// MF broadcasting, 150 to 1700 kHz: data/mf. At 150 kHz a 2000 km hop reflected at 69 km
// meets the ionosphere at f cos(i) of about 18 kHz, the least value of the band.
inline constexpr BandAxes kMfBand{
    kMfDataSet,
    {150.0, 200.0, 270.0, 360.0, 480.0, 640.0, 850.0, 1100.0, 1400.0, 1700.0},
    kGwDistAxisKm,
    {150.0, 220.0, 320.0, 460.0, 650.0, 900.0, 1250.0, 1700.0},
    kDAxisKm,
    kPsAxisDeg,
    kCsxAxis,
    {14.0, 20.0, 28.0, 40.0, 56.0, 80.0, 110.0, 155.0, 215.0, 300.0, 420.0, 590.0, 830.0, 1170.0,
     1700.0},
};

inline constexpr std::array<const BandAxes*, 2> kBandAxes = {&kLfBand, &kMfBand};

// The band of a --band value, or nullptr.
constexpr const BandAxes* bandAxes(std::string_view name) {
    for (const BandAxes* axes : kBandAxes) {
        if (axes->band.name == name) return axes;
    }
    return nullptr;
}

// Every interval of a lookup has a width: the axes run strictly in their order.
template <std::size_t N>
constexpr bool strictlyAscending(const std::array<double, N>& axis) {
    return std::adjacent_find(axis.begin(), axis.end(), std::greater_equal<>()) == axis.end();
}
template <std::size_t N>
constexpr bool strictlyDescending(const std::array<double, N>& axis) {
    return std::adjacent_find(axis.begin(), axis.end(), std::less_equal<>()) == axis.end();
}
constexpr bool axesInOrder(const BandAxes& a) {
    return strictlyAscending(a.gwFreqAxisKhz) && strictlyAscending(a.gwDistAxisKm) &&
           strictlyAscending(a.fAxisKhz) && strictlyAscending(a.dAxisKm) &&
           strictlyDescending(a.psAxisDeg) && strictlyAscending(a.csxAxis) &&
           strictlyAscending(a.fcsAxisKhz);
}
static_assert(axesInOrder(kLfBand) && axesInOrder(kMfBand));

}  // namespace fieldcast::tables
