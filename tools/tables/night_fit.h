// The night row of the RCX tables, fitted so that the program itself reproduces the measured
// night sky wave. The table holds |R| by f cos(i) alone, while the measurements depend on the
// frequency, the path length and the geomagnetic latitude of the path; the row is therefore
// the least-squares compromise, through the program's own geometry and antenna and focusing
// factors, over the paths of the band:
//   - the night sky wave of ITU-R P.1147 (night_sky_wave_reference.h) on land paths of 300 to
//     2000 km at the band's frequencies from 150 to 1700 kHz, at the data set's geomagnetic
//     latitude: each path gives the |R| the program needs there, at the path's f cos(i);
//   - the LF night measurements: |R| about 0.25 at f cos(i) of 24 to 46 kHz (Decca
//     Navigator, 70-130 kHz at 500 km, reflection near 95 km) and ||R|| = exp(-0.3 cos i) at
//     16 kHz (GBR, 350-800 km, winter 1962/63: f cos(i) of 3.5 to 7.3 kHz).
// The row is the smoothest in ln(f cos i) (least second differences) that fits them; it is
// kept at or below kMaxNightReflectionDb, as no path may need more than total reflection.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "run_inputs.h"
#include "table_axes.h"

namespace fieldcast::tables {

// Where the data set's paths lie, for the night reference.
struct NightDesign {
    double geomagneticLatitudeDeg = 30.0;  // the bundled scenarios' region
    double solarCycleLossDb = 0.0;         // P.1147's b: 0 outside North America, Europe, Australia
};

// The night |R| stays below total reflection by the polarisation-coupling loss of the
// ordinary wave at mid-latitude dips, about 1 dB.
constexpr double kMaxNightReflectionDb = -1.0;

struct NightSample {
    double freqCosIncidenceKhz;
    double reflectionDb;  // 20 log10 |R| wanted there
    std::string source;
};

// From P.1147 through the program: `inputs` hold the band's tables (their RCX table is
// ignored) and the activity code; the paths are placed at night in January.
std::vector<NightSample> referenceNightSamples(const map::RunInputs& inputs, const BandAxes& axes,
                                               const NightDesign& design);
// The LF measurements within the band's f cos(i) axis.
std::vector<NightSample> measuredNightSamples(const BandAxes& axes);

// The fitted row, 20 log10 |R| at each column of the band's f cos(i) axis.
std::array<double, kFcsCount> fitNightRow(const BandAxes& axes,
                                          const std::vector<NightSample>& samples);

}  // namespace fieldcast::tables
